// Operand grammar and instruction statements: the operand forms, syntax and register errors,
// and whole instructions from source text through the class match, emulated mnemonics and the
// encoders (words, range errors, fixups), per processor option.
#include "assembler/operand_grammar.h"
#include "assembler/assembly.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assembler/diagnostics.h"
#include "assembler/instruction_statement.h"
#include "assembler/operator_keywords.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/tests/aq71_test_support.h"
#include "assembler/tests/test_run.h"

using namespace aq71;

namespace {

class GrammarTest : public ::testing::Test {
 protected:
  void SetUp() override { setup(6); }
  void TearDown() override { aq71_test::start_test_run(); }

  // A fresh tree with the keywords of processor option `proc`.
  void setup(int proc) {
    aq71_test::start_test_run();
    settings(aq71_test::test_run()).processor_option = proc;
    settings(aq71_test::test_run()).console_diagnostics = false;
    settings(aq71_test::test_run()).max_errors = 1 << 30;
    problem_hooks(aq71_test::test_run()).error = [this](int n, std::string_view, long) { errors.push_back(n); };
    problem_hooks(aq71_test::test_run()).warning = [](int, std::string_view, long) {};
    problem_hooks(aq71_test::test_run()).internal = [this](const char* f, const char* d) {
      internal = std::string(f) + ": " + d;
    };
    IdentTree& t = ident_tree(aq71_test::test_run());
    t.case_sensitive = true;
    init_operand_keywords_B00(t, proc);
    t.init_comment_char_A07(';', TOK_SEMICOLON);
    t.env.make_value = [](LabelRec& l) { return new_label_value(aq71_test::test_run(), l); };
    errors.clear();
  }

  // Starts reading " text" and returns the first word's token (the mnemonic).
  const Token& start(const std::string& text) {
    src = std::make_unique<StringLineSource>(" " + text + "\n");
    sc = std::make_unique<Scanner>(aq71_test::test_run());
    sc->start(src.get());
    do sc->next_token_A07();
    while (sc->token().code == TOK_BLANK);
    return sc->token();
  }

  ParsedOperands operands(const std::string& mnemonic, const std::string& field) {
    const Token& t = start(mnemonic + " " + field);
    EXPECT_EQ(t.kind, KIND_MNEMONIC) << mnemonic;
    return parse_operands_B03(*sc, static_cast<std::uint16_t>(t.node->def->a));
  }

  // Parses one instruction line into a statement; nullptr when the word is no mnemonic.
  Statement* statement(const std::string& line) {
    const Token& t = start(line);
    if (t.kind != KIND_MNEMONIC) return nullptr;
    Statement& st = store.emplace_back();
    st.kind = StatementKind::Instruction;
    parse_instruction_statement(*sc, st);
    EXPECT_EQ(sc->token().code, TOK_EOL) << line;
    return &st;
  }

  // Parses and encodes an instruction at `address` of ASEG (or of relocatable segment 2).
  Statement* assemble(const std::string& line, std::uint32_t address = 0, bool absolute = true) {
    Statement* st = statement(line);
    if (!st || st->failed) return st;
    EncodeContext ctx;
    ctx.location = address + st->size;
    ctx.segment = absolute ? 1 : 2;
    ctx.absolute_segment = absolute;
    encode_instruction_statement(aq71_test::test_run(), *st, ctx, odd);
    return st;
  }
  std::uint16_t word(const std::string& line, std::uint32_t address = 0) {
    Statement* st = assemble(line, address);
    if (!st || !st->encoded || st->code.word_count == 0) {
      ADD_FAILURE() << line << " gave no code";
      return 0;
    }
    return st->code.words[0];
  }
  // Encoding `line` reports error `number` at the statement.
  bool encode_error(int number, const std::string& line, std::uint32_t address = 0, bool absolute = true) {
    aq71_test::CapturedConsole console;
    settings(aq71_test::test_run()).console_diagnostics = true;
    assemble(line, address, absolute);
    settings(aq71_test::test_run()).console_diagnostics = false;
    return console.text().find("Error[" + std::to_string(number) + "]") != std::string::npos;
  }
  LabelRec* label(const std::string& name) {
    ClassifyContext ctx;
    ctx.mode = MODE_EXPRESSION;
    return ident_tree(aq71_test::test_run()).classify(name, ctx).node->def->label;
  }
  bool reported(int n) const {
    for (int e : errors)
      if (e == n) return true;
    return false;
  }

  std::vector<int> errors;
  std::string internal;
  std::unique_ptr<StringLineSource> src;
  std::unique_ptr<Scanner> sc;
  std::deque<Statement> store;
  OddAddressCheck odd;
};

TEST_F(GrammarTest, EveryOperandForm) {
  struct Case {
    const char* mnemonic;
    const char* field;
    std::uint16_t form;
    int reg1, reg2, pointer;
    std::int64_t e1, e2;  // -999: no expression
  };
  const Case cases[] = {
      {"ADD", "R1, R2", kFormRegReg, 1, 2, 0, -999, -999},
      {"LDI", "R16, 255", kFormRegExpr, 16, 0, 0, 255, -999},
      {"LDI", "R16,-1", kFormRegExpr, 16, 0, 0, -1, -999},
      {"INC", "R5", kFormReg, 5, 0, 0, -999, -999},
      {"OUT", "0x3F, R1", kFormExprReg, 1, 0, 0, 0x3F, -999},
      {"RJMP", "2 * 3", kFormExpr, 0, 0, 0, 6, -999},
      {"CBI", "0x1F, 7", kFormExprExpr, 0, 0, 0, 0x1F, 7},
      {"LD", "R0, X", kFormRegPtr, 0, 0, kRegX, -999, -999},
      {"LD", "R0, Y+", kFormRegPtrInc, 0, 0, kRegY, -999, -999},
      {"LD", "R0, -Z", kFormRegPtrDec, 0, 0, kRegZ, -999, -999},
      {"LDD", "R0, Y+2+1", kFormRegPtrDisp, 0, 0, kRegY, 3, -999},
      {"ST", "X, R3", kFormPtrReg, 3, 0, kRegX, -999, -999},
      {"ST", "Z+, R3", kFormPtrIncReg, 3, 0, kRegZ, -999, -999},
      {"ST", "-Y, R3", kFormPtrDecReg, 3, 0, kRegY, -999, -999},
      {"STD", "Z+63, R31", kFormPtrDispReg, 31, 0, kRegZ, 63, -999},
      {"LDI", "R17, -(1 + 2)", kFormRegExpr, 17, 0, 0, -3, -999},
      {"BRNE", "-2 * 3", kFormExpr, 0, 0, 0, -6, -999},
  };
  for (const Case& c : cases) {
    errors.clear();
    ParsedOperands p = operands(c.mnemonic, c.field);
    SCOPED_TRACE(std::string(c.mnemonic) + " " + c.field);
    EXPECT_FALSE(p.failed);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(p.count, 1);
    EXPECT_EQ(p.ops.form, c.form);
    EXPECT_EQ(p.ops.reg1, c.reg1);
    EXPECT_EQ(p.ops.reg2, c.reg2);
    EXPECT_EQ(p.ops.pointer, c.pointer);
    // Numbers are kept in the slots themselves, without a value record.
    if (c.e1 == -999) {
      EXPECT_TRUE(p.exprs[0].empty());
    } else {
      ASSERT_TRUE(p.exprs[0].is_constant());
      EXPECT_EQ(static_cast<std::int32_t>(p.exprs[0].constant_value()), c.e1);
      EXPECT_EQ(p.ops.expr1.kind, ValueKind::kAbsolute);
    }
    if (c.e2 != -999) {
      ASSERT_TRUE(p.exprs[1].is_constant());
      EXPECT_EQ(static_cast<std::int32_t>(p.exprs[1].constant_value()), c.e2);
    }
    EXPECT_EQ(sc->token().code, TOK_EOL);
  }
  ParsedOperands empty = operands("NOP", "   ; nothing");
  EXPECT_EQ(empty.count, 0);
  EXPECT_FALSE(empty.failed);
}

TEST_F(GrammarTest, ShapesThatAreNoOperandFormAreSyntaxErrors) {
  const char* bad[][2] = {
      {"LD", "R0, Y-1"}, {"ADD", "R0, R1, R2"}, {"LD", "X"},           {"INC", "(R1)"}, {"ADD", "R0,"},
      {"ADD", ", R0"},   {"ADD", "R0 R1"},      {"LD", "R0, X+-"},     {"LD", "X, Y"},  {"LD", "R0, +X"},
      {"LDI", "R16, )"}, {"LD", "-X+, R0"},     {"LDI", "R16, - - 1"}, {"ST", "Y+1"},
  };
  for (auto& b : bad) {
    errors.clear();
    ParsedOperands p = operands(b[0], b[1]);
    EXPECT_TRUE(p.failed) << b[0] << " " << b[1];
    EXPECT_TRUE(reported(0)) << b[0] << " " << b[1];
    EXPECT_EQ(sc->token().code, TOK_EOL) << b[0] << " " << b[1];
  }
  EXPECT_TRUE(internal.empty()) << internal;
}

TEST_F(GrammarTest, RegisterMisuseIsReportedAndTheRecordStillBuilt) {
  struct Case {
    const char* mnemonic;
    const char* field;
    int error;
  };
  const Case cases[] = {
      {"LDI", "R5, 1", 406},   {"SUBI", "R15, 1", 406}, {"CBR", "R0, 1", 406},   {"SER", "R5", 406},
      {"ADIW", "R25, 1", 418}, {"SBIW", "R22, 1", 418}, {"LDD", "R0, X+1", 407}, {"STD", "X+1, R0", 407},
      {"LDI", "R16, 1", 0},    {"ADIW", "R30, 1", 0},   {"SER", "R31", 0},       {"LDD", "R0, Z+1", 0},
  };
  for (const Case& c : cases) {
    errors.clear();
    ParsedOperands p = operands(c.mnemonic, c.field);
    EXPECT_EQ(p.register_error, c.error) << c.mnemonic << " " << c.field;
    EXPECT_EQ(reported(c.error), c.error != 0) << c.mnemonic << " " << c.field;
    EXPECT_EQ(p.count, 1);
  }
}

TEST_F(GrammarTest, ImmediatesAndTheirRange) {
  EXPECT_EQ(word("LDI R16,255"), 0xEF0F);
  EXPECT_EQ(word("LDI R16,-1"), 0xEF0F);
  EXPECT_EQ(word("LDI R16,-128"), 0xE800);
  EXPECT_TRUE(encode_error(403, "LDI R16,256"));
  EXPECT_EQ(word("LDI R16,256"), 0xE000);
  EXPECT_EQ(word("SBR R16,3"), word("ORI R16,3"));
  EXPECT_EQ(word("ORI R16,3"), 0x6003);
  EXPECT_EQ(word("ADIW R24, 63"), 0x96CF);
  EXPECT_TRUE(encode_error(417, "ADIW R24, 64"));
  EXPECT_TRUE(encode_error(408, "IN R0, 64"));
  EXPECT_TRUE(encode_error(416, "SBI 32, 1"));
  EXPECT_TRUE(encode_error(404, "SBI 31, 8"));
  EXPECT_TRUE(encode_error(409, "LDD R0, Y+64"));
  EXPECT_EQ(word("LDD R0, Y+63"), 0xAC0F);
}

TEST_F(GrammarTest, NumbersStayInTheStatementAndReportTheirProblemsOnce) {
  std::vector<int> warnings;
  problem_hooks(aq71_test::test_run()).warning = [&](int n, std::string_view, long) { warnings.push_back(n); };
  Statement* st = assemble("LDI R16, (1 + 2) * 3");
  ASSERT_TRUE(st->operand_exprs[0].is_constant());
  EXPECT_EQ(st->operand_exprs[0].constant_value(), 9u);
  EXPECT_TRUE(st->operand_exprs[1].empty());
  EXPECT_EQ(st->code.words[0], 0xE009);
  st = assemble("SER R20");
  ASSERT_TRUE(st->operand_exprs[0].is_constant());
  EXPECT_EQ(st->operand_exprs[0].constant_value(), 255u);
  // A label keeps its value record, which learns the label's value later.
  st = statement("RJMP LATER");
  ASSERT_NE(st->operand_exprs[0].expression(), nullptr);
  EXPECT_FALSE(st->operand_exprs[0].is_constant());
  EXPECT_EQ(st->operand_exprs[0].expression()->statement, st);
  // Division by zero and a bad DATE argument are reported once, when the line is read.
  st = assemble("LDI R16, 1 / 0");
  EXPECT_EQ(warnings, std::vector<int>{14});
  EXPECT_EQ(st->operand_exprs[0].constant_value(), 0xFFFFFFFFu);
  st = assemble("LDI R16, DATE 9 + 10 MOD 0");
  EXPECT_EQ(warnings, (std::vector<int>{14, 14}));
  EXPECT_EQ(errors, std::vector<int>{48});
  EXPECT_EQ(st->operand_exprs[0].constant_value(), 0u);
}

// A lone label that already has its place is kept as the label: the operand reads the label's
// value wherever the label settles, as a value record of its own would have followed it. Labels
// whose value can change otherwise keep a value record taken as the label is now.
TEST_F(GrammarTest, PlacedLabelsAreKeptAsTheLabelAndFollowIt) {
  Assembly& run = aq71_test::test_run();
  LabelRec* back = label("BACK");
  set_label_location(run, *back, 1, true, 0x10, true);
  Statement* st = assemble("BRNE BACK", 0x10);
  EXPECT_EQ(st->operand_exprs[0].label(), back);
  EXPECT_EQ(st->operand_exprs[0].expression(), nullptr);
  EXPECT_FALSE(st->operand_exprs[0].is_constant());
  EXPECT_EQ(st->code.words[0], 0xF7F9);
  // The label counts as used, as with any expression that names it.
  EXPECT_TRUE(back->used);
  // The label settles elsewhere before the code is made: the operand follows it.
  st = statement("RJMP BACK");
  ASSERT_EQ(st->operand_exprs[0].label(), back);
  set_label_location(run, *back, 1, true, 0x20, true);
  EncodeContext ctx;
  ctx.location = 0x10 + st->size;
  ctx.segment = 1;
  ctx.absolute_segment = true;
  encode_instruction_statement(run, *st, ctx, odd);
  EXPECT_EQ(st->code.words[0], 0xC007);  // RJMP .+14 words
  // In a relocatable segment the linker gets the label's segment and offset.
  LabelRec* other = label("OTHERSEG");
  set_label_location(run, *other, 3, false, 0x20, true);
  st = assemble("CALL OTHERSEG", 0, false);
  EXPECT_EQ(st->operand_exprs[0].label(), other);
  EXPECT_EQ(st->code.fixup_count, 1);
  EXPECT_EQ(operand_value(st->operand_exprs[0]).kind, ValueKind::kRelocatable);
  EXPECT_EQ(operand_value(st->operand_exprs[0]).value, 0x20u);

  // A label yet to come, a temporary value, an external and a LOCAL label keep records.
  st = statement("RJMP AHEAD");
  EXPECT_EQ(st->operand_exprs[0].label(), nullptr);
  ASSERT_NE(st->operand_exprs[0].expression(), nullptr);
  EXPECT_EQ(st->operand_exprs[0].expression()->statement, st);
  LabelRec* var = label("COUNT");
  assign_label_number(run, *var, 3, true);
  st = statement("LDI R16,COUNT");
  ASSERT_NE(st->operand_exprs[0].expression(), nullptr);
  assign_label_number(run, *var, 5, true);
  EXPECT_EQ(operand_value(st->operand_exprs[0]).value, 3u);
  LabelRec* ext = label("EXTERNAL");
  set_label_location(run, *ext, 1, true, 0x30, true);
  ext->flags |= LABEL_EXTERN;
  st = statement("JMP EXTERNAL");
  EXPECT_NE(st->operand_exprs[0].expression(), nullptr);
  LabelRec* local = label("AGAIN");
  set_label_location(run, *local, 1, true, 0x40, true);
  local->flags |= LABEL_LOCAL;
  st = statement("BRNE AGAIN");
  EXPECT_NE(st->operand_exprs[0].expression(), nullptr);
  EXPECT_TRUE(internal.empty()) << internal;
}

TEST_F(GrammarTest, EmulatedMnemonicsTakeTheirCoreForm) {
  EXPECT_EQ(word("CLR R5"), word("EOR R5,R5"));
  EXPECT_EQ(word("CLR R5"), 0x2455);
  EXPECT_EQ(word("LSL R0"), word("ADD R0,R0"));
  EXPECT_EQ(word("ROL R31"), word("ADC R31,R31"));
  EXPECT_EQ(word("TST R17"), word("AND R17,R17"));
  EXPECT_EQ(word("SER R20"), word("LDI R20,255"));
  EXPECT_EQ(word("SER R20"), 0xEF4F);
  EXPECT_EQ(word("CBR R16,0x0F"), word("ANDI R16,0xF0"));
  EXPECT_EQ(word("CBR R16,0x0F"), 0x7F00);
  Statement* st = assemble("CLR R5");
  EXPECT_EQ(st->size, 2u);
  EXPECT_EQ(st->mnemonic, mn::CLR);
  EXPECT_EQ(word("BRLO 2", 0), word("BRCS 2", 0));
  EXPECT_EQ(word("BRSH 2", 0), word("BRCC 2", 0));
}

TEST_F(GrammarTest, BranchesJumpsAndTheirChecks) {
  LabelRec* next = label("NEXT");
  LabelRec* self = label("SELF");
  set_label_location(aq71_test::test_run(), *next, 1, true, 0x12, true);
  set_label_location(aq71_test::test_run(), *self, 1, true, 0x10, true);
  EXPECT_EQ(word("BRNE NEXT", 0x10), 0xF401);
  EXPECT_EQ(word("BRNE SELF", 0x10), 0xF7F9);
  EXPECT_TRUE(encode_error(413, "BRNE 0x13", 0x10));
  EXPECT_TRUE(encode_error(412, "BRNE 0x10 + 130", 0x10));
  EXPECT_FALSE(encode_error(412, "BRNE 0x10 + 128", 0x10));
  EXPECT_EQ(word("JMP 0x7FFFFE"), 0x95FD);
  EXPECT_TRUE(encode_error(411, "JMP 0x7FFFFF"));
  EXPECT_TRUE(encode_error(410, "JMP 0x800000"));
  // A branch to an absolute address from a relocatable segment.
  EXPECT_TRUE(encode_error(400, "RJMP 0x10", 0, false));
  // A branch to a label of another segment goes to the linker.
  LabelRec* other = label("OTHER");
  set_label_location(aq71_test::test_run(), *other, 3, false, 0x20, true);
  Statement* st = assemble("BRNE OTHER", 0, false);
  EXPECT_EQ(st->code.fixup_count, 1);
  EXPECT_EQ(st->fixups()[0].field, 907);
  // JMP to a relocatable label: the linker fills both words.
  st = assemble("CALL OTHER", 0, false);
  EXPECT_EQ(st->code.fixup_count, 1);
  EXPECT_EQ(st->code.word_count, 2);
  EXPECT_TRUE(internal.empty()) << internal;
}

TEST_F(GrammarTest, RjmpWrapsWithTheSmallProcessorOptions) {
  setup(0);
  EXPECT_EQ(word("RJMP 8190"), 0xCFFE);
  EXPECT_TRUE(encode_error(414, "RJMP 8192"));
  setup(2);
  EXPECT_TRUE(encode_error(415, "RJMP 8190"));
  EXPECT_EQ(word("RJMP 4096"), 0xC7FF);
}

TEST_F(GrammarTest, InstructionsDependOnTheProcessorOption) {
  setup(0);
  EXPECT_EQ(statement("LDS R16,0x60"), nullptr);
  EXPECT_EQ(statement("EIJMP"), nullptr);
  setup(1);
  Statement* st = assemble("LDS R16,0x60");
  ASSERT_NE(st, nullptr);
  EXPECT_EQ(st->size, 4u);
  EXPECT_EQ(st->code.word_count, 2);
  EXPECT_EQ(st->code.words[0], 0x9100);
  EXPECT_EQ(st->code.words[1], 0x0060);
  for (int proc : {2, 3}) {
    setup(proc);
    st = statement("ELPM");
    ASSERT_NE(st, nullptr);
    EXPECT_TRUE(st->failed);
    EXPECT_TRUE(reported(43));
    EXPECT_EQ(st->operands.form, kFormNoMatch);
    EXPECT_EQ(st->size, 0u);
  }
  setup(4);
  EXPECT_EQ(word("ELPM"), 0x95D8);
  EXPECT_EQ(statement("EIJMP"), nullptr);
  for (int proc : {5, 6}) {
    setup(proc);
    EXPECT_EQ(word("EIJMP"), 0x9419);
  }
}

TEST_F(GrammarTest, NoMatchingFormIsError43AndNoCode) {
  Statement* st = statement("ADD R1, 5");
  EXPECT_TRUE(st->failed);
  EXPECT_TRUE(reported(43));
  st = statement("NOP R1");
  EXPECT_TRUE(st->failed);
  st = statement("LDI R16, )");
  EXPECT_TRUE(st->failed);
  EXPECT_TRUE(reported(0));
}

TEST_F(GrammarTest, OddAddressIsReportedOncePerRun) {
  const int before = diagnostic_counts(aq71_test::test_run()).errors;
  assemble("NOP", 1);
  assemble("NOP", 3);
  EXPECT_EQ(diagnostic_counts(aq71_test::test_run()).errors - before, 1);
  assemble("NOP", 4);
  assemble("NOP", 5);
  EXPECT_EQ(diagnostic_counts(aq71_test::test_run()).errors - before, 2);
}

TEST_F(GrammarTest, SfrAttributesAreChecked) {
  LabelRec* wr = label("PORTW");
  wr->flags |= LABEL_SFR | 0x1000 | 0x80000;  // WRITE, BYTE
  set_label_location(aq71_test::test_run(), *wr, 1, true, 0x18, true);
  LabelRec* wd = label("PORTD");
  wd->flags |= LABEL_SFR | 0x800 | 0x1000 | 0x100000;  // READ WRITE, WORD
  set_label_location(aq71_test::test_run(), *wd, 1, true, 0x12, true);
  errors.clear();
  assemble("IN R16, PORTW");
  EXPECT_TRUE(reported(401));
  errors.clear();
  assemble("OUT PORTW, R16");
  EXPECT_TRUE(errors.empty());
  assemble("SBI PORTD, 1");
  EXPECT_TRUE(reported(402));
}

TEST_F(GrammarTest, RandomOperandFieldsEndCleanly) {
  const char* pieces[] = {"R0", "R16",  "R31", "X", "Y",    "Z", "+", "-",     ",", "(",  ")",
                          "1",  "0x3F", "L",   "*", "HIGH", "$", ";", "\"s\"", "=", "<<", "NOT"};
  const char* mnemonics[] = {"LDI", "LD",  "ST",  "LDD", "STD",  "ADD", "RJMP", "CBI",
                             "NOP", "CLR", "SER", "CBR", "ADIW", "OUT", "IN",   "BRBS"};
  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) {
    std::string line = mnemonics[rng() % 16];
    line += " ";
    const int n = static_cast<int>(rng() % 8);
    for (int k = 0; k < n; ++k) line += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
    errors.clear();
    Statement* st = assemble(line, (rng() % 64) * 2, rng() % 2);
    ASSERT_NE(st, nullptr);
    ASSERT_TRUE(internal.empty()) << line << ": " << internal;
    EXPECT_EQ(sc->token().code, TOK_EOL) << line;
    EXPECT_TRUE(st->failed || st->size == 2 || st->size == 4) << line;
  }
}

}  // namespace
