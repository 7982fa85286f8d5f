// Scanner and statement reader: numbers, literals, comments, identifiers, input stack, joins,
// look-ahead, false-branch skipping, and a fuzz run over random input.
#include "assembler/scanner.h"
#include "assembler/assembly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace aq71;

namespace {

struct Problem {
  char kind;  // 'E' error, 'W' warning
  int number;
  std::string name;
  long number_arg;
};

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    problem_hooks(run).error = [this](int n, std::string_view s, long a) {
      problems.push_back({'E', n, std::string(s), a});
    };
    problem_hooks(run).warning = [this](int n, std::string_view s, long a) {
      problems.push_back({'W', n, std::string(s), a});
    };
    problem_hooks(run).internal = [this](const char*, const char* d) { internal = d; };
    IdentTree& t = ident_tree(run);
    t.directive_case = true;
    t.case_sensitive = true;
    t.init_part_of_identifier_A07('.', TOK_DOT);
    t.init_operator_A07("+", 8, TOK_PLUS, 1);
    t.init_operator_A07("==", 64, 101, 1);
    t.init_operator_A07("=", 64, TOK_ASSIGN, 1);
    t.init_operator_A07("<>", 64, TOK_NE_ANGLE, 1);
    t.init_operator_A07("||", 32, 99, 1);
    t.init_delimiter_A07("=", TOK_ASSIGN);
    t.init_delimiter_A07(".", TOK_DOT);
    t.init_delimiter_A07(",", TOK_COMMA);
    t.init_delimiter_A07("(", TOK_LPAREN);
    t.init_delimiter_A07(")", TOK_RPAREN);
    t.init_delimiter_A07(";", TOK_SEMICOLON);
    t.init_mnemonic_A07("ADD", nullptr, 0, 2, 0);
    t.init_mnemonic_A07("NOP", nullptr, 91, 1, 0);
    t.init_register_A07("R1", 1);
    t.init_directive_A07("EQU", 20, BLOCK_NONE, true);
    t.init_directive_A07("END", 6, BLOCK_END, true);
    t.init_directive_A07("IF", 30, COND_IF, true);
    t.init_directive_A07("ELSE", 31, COND_ELSE, true);
    t.init_directive_A07("ENDIF", 32, COND_ENDIF, true);
    t.init_directive_A07("ELSEIF", 33, COND_ELSEIF, true);
    t.init_directive_A07("MACRO", 40, BLOCK_MACRO, true);
    t.init_directive_A07("ENDM", 41, BLOCK_ENDM, true);
    t.init_defined_word("defined");
    t.init_comment_char_A07(';', TOK_SEMICOLON);
  }

  void source(const std::string& text) {
    src = std::make_unique<StringLineSource>(text);
    sc.start(src.get());
  }
  // The text, written to a temporary file, as the scanner's source through the driver's source
  // reader: names, blanks and numbers are then taken from the reader's line.
  void file_source(const std::string& text) {
    close_file();
    file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    file_reader = std::make_unique<SourceReader>(run);
    file_reader->start(file, "t.s71");
    file_input = std::make_unique<IncludeStackSource>(*file_reader);
    sc.start(file_input.get());
  }
  void close_file() {
    if (!file) return;
    file_reader->reset();
    std::fclose(file);
    file = nullptr;
  }
  void TearDown() override { close_file(); }
  // The next non-blank token of the character level.
  const Token& pp() {
    while (sc.get_pp_token_A05() == TOK_BLANK) {
    }
    return sc.token();
  }
  const Token& st() {
    do sc.next_token_A07();
    while (sc.token().code == TOK_BLANK);
    return sc.token();
  }
  // What a statement reader sees of a token, and of the scanner after it.
  struct SeenToken {
    int code;
    int kind;
    std::string text;
    long line;
    int column;
    bool keyword_seen;
    bool label_blank;
    bool operator==(const SeenToken&) const = default;
  };
  // The tokens up to the end of the input (at most `limit`), read with blank tokens or passing
  // blanks.
  std::vector<SeenToken> seen_tokens(bool passing, int limit) {
    std::vector<SeenToken> seen;
    for (int i = 0; i < limit; ++i) {
      const Token& t = passing ? sc.next_nonblank_token() : st();
      seen.push_back({t.code, t.kind, t.text, t.where.line, t.where.column, sc.keyword_seen(), sc.label_followed_by_blank()});
      if (t.code == TOK_EOF) break;
    }
    return seen;
  }
  std::vector<int> all_codes() {
    std::vector<int> codes;
    for (int i = 0; i < 10000; ++i) {
      int c = sc.get_pp_token_A05();
      codes.push_back(c);
      if (c == TOK_EOF) break;
    }
    return codes;
  }
  bool has(char kind, int number) const {
    for (const auto& p : problems)
      if (p.kind == kind && p.number == number) return true;
    return false;
  }

  std::unique_ptr<StringLineSource> src;
  std::FILE* file = nullptr;
  Assembly run;
  std::unique_ptr<SourceReader> file_reader;
  std::unique_ptr<IncludeStackSource> file_input;
  Scanner sc{run};
  std::vector<Problem> problems;
  std::string internal;
};

// ---- numbers -----------------------------------------------------------------------------------

TEST_F(ScannerTest, NumbersInEveryRadixNotation) {
  source(" 10h 17o 17q 101b 99d 0ah 0x1F $ff %101 @17 0X10 12L 7ul B'101' H'1F X'a O'7 D'12");
  std::vector<int> expected = {16, 15, 15, 5, 99, 10, 31, 255, 5, 15, 16, 12, 7, 5, 31, 10, 7, 12};
  for (int v : expected) {
    const Token& t = pp();
    ASSERT_EQ(t.code, TOK_INTEGER) << "value " << v;
    EXPECT_EQ(t.number, v);
  }
  EXPECT_EQ(pp().code, TOK_EOL);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ScannerTest, HexPrefixWithoutDigitsAndBadDigits) {
  source(" 0x\n 19b\n 8q\n 4294967297\n");
  EXPECT_EQ(pp().number, 0);
  EXPECT_TRUE(has('E', 7));
  pp();  // line end
  problems.clear();
  pp();
  EXPECT_TRUE(has('E', 6));
  pp();
  problems.clear();
  pp();
  EXPECT_TRUE(has('E', 6));
  pp();
  EXPECT_EQ(pp().number, 1);  // 32-bit wrap
}

TEST_F(ScannerTest, DefaultRadixAppliesWithoutSuffix) {
  source(" 12 12d 0ah\n");
  sc.default_radix = 16;
  EXPECT_EQ(pp().number, 18);
  EXPECT_EQ(pp().number, 12);
  EXPECT_EQ(pp().number, 10);
}

TEST_F(ScannerTest, FloatsNeedADigitAfterThePoint) {
  source(" 1.5 1. 2.5e2 3.0E 1.5fL 0ah.5\n");
  const Token& f = pp();
  EXPECT_EQ(f.code, TOK_FLOAT);
  EXPECT_DOUBLE_EQ(f.real, 1.5);
  EXPECT_EQ(pp().code, TOK_INTEGER);
  EXPECT_EQ(pp().code, TOK_DOT);
  EXPECT_DOUBLE_EQ(pp().real, 250.0);
  EXPECT_EQ(pp().code, TOK_FLOAT);
  EXPECT_TRUE(has('E', 8));
  EXPECT_DOUBLE_EQ(pp().real, 1.5);
  EXPECT_EQ(pp().number, 10);  // a suffix letter makes it an integer
  EXPECT_EQ(pp().code, TOK_DOT);
}

TEST_F(ScannerTest, LongDigitStringReportsOnce) {
  source(" " + std::string(600, '1') + "\n");
  EXPECT_EQ(pp().code, TOK_INTEGER);
  int count = 0;
  for (const auto& p : problems)
    if (p.number == 12) {
      ++count;
      EXPECT_EQ(p.number_arg, 510);
    }
  EXPECT_EQ(count, 1);
}

TEST_F(ScannerTest, BcdStrings) {
  source(" :1234 :123 :123456789\n");
  const Token& a = pp();
  ASSERT_EQ(a.code, TOK_BCD);
  EXPECT_EQ(a.string->text, std::string("\x12\x34\0\0", 4));
  EXPECT_EQ(a.string->length(), 5u);
  EXPECT_EQ(pp().string->text, std::string("\x12\x30\0\0", 4));
  EXPECT_FALSE(has('E', 56));
  pp();
  EXPECT_TRUE(has('E', 56));
}

// ---- literals ----------------------------------------------------------------------------------

TEST_F(ScannerTest, QuotedLiterals) {
  source(" 'AB' 'A' '' 'it''s' \"x\" '''' \"\"\n");
  const Token& ab = pp();
  ASSERT_EQ(ab.code, TOK_STRING);
  EXPECT_EQ(ab.string->text, "AB");
  EXPECT_EQ(ab.string->quote_kind, 0);
  const Token& a = pp();
  EXPECT_EQ(a.code, TOK_CHAR);
  EXPECT_EQ(a.number, 65);
  const Token& e = pp();
  EXPECT_EQ(e.code, TOK_EMPTY_CHAR);
  EXPECT_EQ(e.number, 0);
  EXPECT_EQ(pp().string->text, "it's");
  const Token& x = pp();
  EXPECT_EQ(x.code, TOK_STRING);  // double quotes: always a string
  EXPECT_EQ(x.string->quote_kind, 1);
  EXPECT_EQ(pp().number, '\'');
  EXPECT_EQ(pp().code, TOK_STRING);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ScannerTest, EscapesInLiterals) {
  source(R"( "\n\t\x41\101\\\"\q" '\x1FF' \' \\)"
         "\n");
  const Token& s = pp();
  ASSERT_EQ(s.code, TOK_STRING);
  EXPECT_EQ(s.string->text, "\n\tAA\\\"q");
  EXPECT_TRUE(has('W', 2));
  EXPECT_EQ(pp().number, 0xFF);
  EXPECT_EQ(pp().number, '\'');
  EXPECT_EQ(pp().number, '\\');
}

TEST_F(ScannerTest, UnterminatedLiteralsGiveEmptyOnes) {
  source(" 'abc\n \"abc\n \"open");
  const Token& a = pp();
  EXPECT_EQ(a.code, TOK_EMPTY_CHAR);
  EXPECT_TRUE(has('E', 13));
  EXPECT_EQ(pp().code, TOK_EOL);  // the line feed is not swallowed
  const Token& b = pp();
  EXPECT_EQ(b.code, TOK_STRING);
  EXPECT_EQ(b.string->text, "");
  EXPECT_EQ(pp().code, TOK_EOL);
  problems.clear();
  pp();
  EXPECT_TRUE(has('E', 13));  // the last line ends too, without a line feed in the text
}

TEST_F(ScannerTest, LongLiteralReportsAndRestarts) {
  source(" \"" + std::string(520, 'a') + "b\"\n");
  const Token& s = pp();
  EXPECT_TRUE(has('E', 12));
  EXPECT_EQ(s.string->text, std::string(11, 'a') + "b");
}

// ---- comments and lines ------------------------------------------------------------------------

TEST_F(ScannerTest, CommentForms) {
  source("* star comment\n   * also a comment\n NOP ; comment\n NOP;x\n NOP // rest\n");
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
  EXPECT_TRUE(sc.comment_seen());
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_SEMICOLON);  // directly after a token
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_IDENT);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(pp().code, TOK_EOL);
  EXPECT_EQ(pp().code, TOK_EOF);
}

TEST_F(ScannerTest, BlockCommentOverThreeLinesGivesOneLineEnd) {
  int listed = 0;
  sc.hooks.line_listed = [&] { ++listed; };
  source(" NOP /* one\ntwo\nthree */ ADD\n NOP\n");
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);  // the end of the comment
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
  const Token& add = sc.token();
  (void)add;
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);  // ADD in the operation field
  EXPECT_EQ(pp().code, TOK_EOL);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(listed, 4);
}

TEST_F(ScannerTest, BlockCommentRunningIntoEndOfInput) {
  source(" /* never closed\n");
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOL);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_EOF);
  EXPECT_TRUE(has('E', 4));
}

TEST_F(ScannerTest, CarriageReturnsAndNulBytes) {
  source(std::string(" NOP\r\n A\0B\r\n", 13));
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(pp().code, TOK_EOL);
  const Token& id = pp();
  EXPECT_EQ(id.text, "AB");  // the NUL is dropped, not the rest of the line
  ASSERT_TRUE(has('E', 15));
  EXPECT_EQ(problems[0].name, "\\0");
  EXPECT_EQ(pp().code, TOK_EOL);
}

TEST_F(ScannerTest, InvalidCharacterIsReportedAndSkipped) {
  source(" | ADD\n");
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].number, 15);
  EXPECT_EQ(problems[0].name, "|");
  EXPECT_EQ(printable_char(7), "\\a");
  EXPECT_EQ(printable_char(200), "\\xc8");
}

TEST_F(ScannerTest, OperatorsPreferRegisteredPairs) {
  source(" a==b a||b a>=b a<<b a<>b a!b\n");
  std::vector<int> ops;
  for (int i = 0; i < 6; ++i) {
    pp();
    ops.push_back(pp().code);
    pp();
  }
  EXPECT_EQ(ops, (std::vector<int>{101, 99, TOK_GE, TOK_SHL, TOK_NE_ANGLE, TOK_BANG}));

  // A pair is found through its upper-case spelling; "=" before a blank stays single.
  ident_tree(run).init_operator_A07("!X", 64, 102, 1);
  source(" a!xb a= b\n");
  pp();
  EXPECT_EQ(pp().code, 102);
  EXPECT_EQ(pp().text, "b");
  pp();
  EXPECT_EQ(pp().code, TOK_ASSIGN);
  EXPECT_EQ(sc.get_pp_token_A05(), TOK_BLANK);
}

// ---- identifiers -------------------------------------------------------------------------------

TEST_F(ScannerTest, LongIdentifierKeeps255Characters) {
  source(" " + std::string(300, 'K') + "\n");
  const Token& t = pp();
  EXPECT_EQ(t.code, TOK_IDENT);
  EXPECT_EQ(t.text.size(), 255u);
  EXPECT_EQ(t.node->name.size(), 255u);
}

TEST_F(ScannerTest, DotRuleForLabelsAndNames) {
  source(".L1: NOP\n RJMP a.b\n LDI x. ,1\n");
  const Token& l = pp();
  EXPECT_EQ(l.text, ".L1");
  EXPECT_EQ(l.kind, KIND_LABEL);
  EXPECT_FALSE(l.node->def->label->flags & LABEL_NOT_PLACED);
  EXPECT_EQ(pp().code, TOK_COLON);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  pp();
  pp();  // RJMP
  EXPECT_EQ(pp().text, "a.b");
  pp();
  pp();
  EXPECT_EQ(pp().text, "x.");
}

TEST_F(ScannerTest, UnregisteredDotIsPunctuation) {
  const ProblemHooks hooks = problem_hooks(run);
  Assembly bare;  // a run whose tree has no dot as part of names
  problem_hooks(bare) = hooks;
  ident_tree(bare).init_mnemonic_A07("NOP", nullptr, 91, 1, 0);
  Scanner bare_sc(bare);
  StringLineSource text(" a.b\n");
  bare_sc.start(&text);
  auto next = [&]() -> const Token& {
    while (bare_sc.get_pp_token_A05() == TOK_BLANK) {
    }
    return bare_sc.token();
  };
  EXPECT_EQ(next().text, "a");
  EXPECT_EQ(next().code, TOK_DOT);
  EXPECT_EQ(next().text, "b");
}

TEST_F(ScannerTest, LabelFieldAndOperationField) {
  source("ADD: ADD R1,R1\nL2 NOP\n  L3: NOP\nL4:ADD\n");
  const Token& lab = pp();
  EXPECT_EQ(lab.kind, KIND_LABEL);
  EXPECT_TRUE(sc.label_followed_by_blank());
  EXPECT_EQ(pp().code, TOK_COLON);
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  EXPECT_EQ(sc.lookup_mode(), MODE_EXPRESSION);
  EXPECT_EQ(pp().kind, KIND_REGISTER);
  pp();
  pp();
  pp();
  EXPECT_EQ(pp().kind, KIND_LABEL);  // L2 in the first column
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
  pp();
  const Token& l3 = pp();
  EXPECT_EQ(l3.kind, KIND_LABEL);  // indented, but followed by ':' and a blank
  EXPECT_FALSE(l3.node->def->label->flags & LABEL_NOT_PLACED);
  pp();
  pp();
  pp();
  EXPECT_EQ(pp().kind, KIND_LABEL);
  EXPECT_EQ(pp().code, TOK_COLON);  // not a BCD string
  EXPECT_EQ(pp().kind, KIND_MNEMONIC);
}

TEST_F(ScannerTest, EqualsDirectiveAndPercentAfterALabel) {
  ident_tree(run).init_directive_A07("=", 21, BLOCK_NONE, true);
  source("X = Y=1\nL %NAME\n");
  EXPECT_EQ(pp().kind, KIND_LABEL);
  const Token& eq = pp();
  EXPECT_EQ(eq.kind, KIND_DIRECTIVE);
  EXPECT_EQ(eq.code, TOK_ASSIGN);
  EXPECT_EQ(sc.lookup_mode(), MODE_EXPRESSION);
  pp();
  EXPECT_EQ(pp().kind, KIND_OPERATOR);  // in the operand the operator
  pp();
  pp();
  pp();
  const Token& p = pp();
  EXPECT_EQ(p.text, "%NAME");
  EXPECT_EQ(p.node->name, "NAME");
}

// Byte 1 may begin a name but is no part of one: after a letter it begins the next name.
TEST_F(ScannerTest, ByteOneOnlyBeginsAName) {
  source(" \x01Q A\x01" "B\n");
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) {
    const Token& t = pp();
    if (t.code == TOK_IDENT) names.push_back(t.text);
    if (t.code == TOK_EOL) break;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"\x01Q", "A", "\x01" "B"}));
}

TEST_F(ScannerTest, BackquotedNamesAreLabels) {
  source(" `NOP` `a\\`b`\n");
  const Token& t = pp();
  EXPECT_EQ(t.kind, KIND_LABEL);
  EXPECT_EQ(t.text, "NOP");
  EXPECT_EQ(pp().text, "a`b");
}

// ---- input stack -------------------------------------------------------------------------------

TEST_F(ScannerTest, PushedTextIsReadFirstAndRestoresListingFlags) {
  source(" A\n B\n");
  sc.listing_flags = 5;
  EXPECT_EQ(pp().text, "A");
  EXPECT_EQ(pp().code, TOK_EOL);    // a pushed text follows the current character
  std::string long_text(700, 'Z');  // longer than any fixed line buffer
  sc.push_input_string_A05(long_text + " C", true, false, 9);
  EXPECT_EQ(sc.listing_flags, 9u);
  const Token& z = pp();
  EXPECT_EQ(z.text.size(), 255u);
  EXPECT_EQ(pp().text, "C");
  EXPECT_EQ(pp().text, "B");  // no line end was pushed: the next line follows at once
  EXPECT_EQ(sc.listing_flags, 5u);
  EXPECT_EQ(sc.input_depth(), 0u);
}

TEST_F(ScannerTest, PushedTextReadsAsTheSameSourceLine) {
  // A held line is taken in runs (blanks, names, the plain characters of a literal): its
  // tokens and problems are those of the same line read character by character.
  const std::string line = "  NAME_1.x   \"" + std::string(600, 'q') + "\" 'it''s' \"a\\tb\\\"c\"\t'open";
  struct Seen {
    std::vector<int> codes;
    std::vector<std::string> texts;
    std::vector<int> problems;
  };
  auto read = [&](bool pushed) {
    problems.clear();
    Seen seen;
    if (pushed) {
      source("\n");
      sc.push_input_string_A05(line, false, true, 0);
    } else {
      source(line + "\n");
    }
    for (int code = sc.get_pp_token_A05(); code != TOK_EOL; code = sc.get_pp_token_A05()) {
      seen.codes.push_back(code);
      seen.texts.push_back(sc.token().string ? sc.token().string->text : sc.token().text);
    }
    for (const Problem& p : problems) seen.problems.push_back(p.number);
    return seen;
  };
  const Seen from_source = read(false);
  const Seen from_text = read(true);
  EXPECT_EQ(from_text.codes, from_source.codes);
  EXPECT_EQ(from_text.texts, from_source.texts);
  EXPECT_EQ(from_text.problems, from_source.problems);
  ASSERT_GE(from_text.texts.size(), 4u);
  EXPECT_EQ(from_text.texts[1], "NAME_1.x");
  EXPECT_EQ(from_text.texts[3].size(), 600u - 509u);  // restarted at the limit, error 12 once
  EXPECT_EQ(std::count(from_text.problems.begin(), from_text.problems.end(), 12), 1);
}

TEST_F(ScannerTest, PushbackLimitIsAnInternalError) {
  source(" A\n");
  for (int i = 0; i < 100; ++i) sc.unget_char_A05('x');
  EXPECT_THROW(sc.unget_char_A05('x'), InternalStop);
  EXPECT_EQ(internal, "buffer full");
  source(" A\n");
  EXPECT_THROW(sc.pop_input(), InternalStop);
  EXPECT_EQ(internal, "no stack");
}

TEST_F(ScannerTest, PushedBackZeroIsACharacter) {
  source(" A\n");
  sc.getch();
  sc.unget_char_A05('B');
  sc.unget_char_A05(0);
  EXPECT_EQ(sc.getch(), 0);
  EXPECT_EQ(sc.getch(), 'B');
}

// ---- statement reader --------------------------------------------------------------------------

TEST_F(ScannerTest, AdjacentStringsAreJoined) {
  source(" DB \"ab\" \"cd\" , \"x\"\n");
  EXPECT_EQ(st().text, "DB");
  const Token& s = st();
  ASSERT_EQ(s.code, TOK_STRING);
  EXPECT_EQ(s.string->text, "abcd");
  EXPECT_EQ(sc.next_token_A07().code, TOK_BLANK);  // the blank before ',' survives
  EXPECT_EQ(st().code, TOK_COMMA);
  EXPECT_EQ(st().string->text, "x");
  EXPECT_EQ(st().code, TOK_EOL);
}

// Strings before "=", a blank or the line end: joined as far as strings follow, and nothing
// read past them is lost or changed.
TEST_F(ScannerTest, StringsBeforeEqualsBlanksAndLineEnds) {
  source(" IF \"a\" \"b\"= \"c\"\t\"d\" \n\"e\"\n \"f\"  =\"g\" \"\"\n");
  EXPECT_EQ(st().text, "IF");
  EXPECT_EQ(st().string->text, "ab");
  EXPECT_EQ(sc.next_token_A07().code, TOK_ASSIGN);
  EXPECT_EQ(st().string->text, "cd");
  EXPECT_EQ(sc.next_token_A07().code, TOK_BLANK);
  EXPECT_EQ(sc.next_token_A07().code, TOK_EOL);
  EXPECT_EQ(sc.next_token_A07().string->text, "e");
  EXPECT_EQ(sc.next_token_A07().code, TOK_EOL);
  const Token& f = st();
  EXPECT_EQ(f.string->text, "f");
  EXPECT_EQ(f.where.column, 2);
  const Token& blank = sc.next_token_A07();
  EXPECT_EQ(blank.code, TOK_BLANK);
  EXPECT_EQ(blank.where.column, 5);
  EXPECT_EQ(sc.next_token_A07().code, TOK_ASSIGN);
  EXPECT_EQ(sc.next_token_A07().string->text, "g");
  EXPECT_EQ(st().code, TOK_EOL);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ScannerTest, JoinedStringIsLimited) {
  std::string a(300, 'a'), b(300, 'b');
  source(" \"" + a + "\" \"" + b + "\"\n");
  const Token& s = st();
  EXPECT_EQ(s.string->text.size(), 509u);
  EXPECT_TRUE(has('E', 12));
}

TEST_F(ScannerTest, DefinedAndDefineExpansion) {
  source("#if defined(FOO) + defined BAR + defined(BAZ\n FOO\n");
  SymbolNode* foo = ident_tree(run).enter("FOO", true, false).node;
  static int dummy_define;
  foo->define = reinterpret_cast<DefineRec*>(&dummy_define);
  std::vector<int> values;
  sc.hooks.preprocessor_line = [&] {
    sc.next_token_A07();  // if
    for (;;) {
      const Token& t = sc.next_token_A07();
      if (t.code == TOK_EOL) break;
      if (t.code == TOK_INTEGER) values.push_back(t.number);
    }
  };
  std::vector<SymbolNode*> expanded;
  sc.hooks.expand_define = [&](SymbolNode* n) {
    expanded.push_back(n);
    sc.insert_text_now("NOP");
    return true;
  };
  EXPECT_EQ(st().kind, KIND_MNEMONIC);  // FOO expands to NOP
  EXPECT_EQ(values, (std::vector<int>{1, 0, 0}));
  EXPECT_TRUE(has('E', 17));
  EXPECT_EQ(ident_tree(run).find_exact("BAR"), nullptr);  // looked up only
  ASSERT_EQ(expanded.size(), 1u);
  EXPECT_EQ(expanded[0], foo);
}

TEST_F(ScannerTest, MacroNameStartsACall) {
  SymbolNode* m = ident_tree(run).enter("MAC", true, false).node;
  m = ident_tree(run).add_meaning(m, KIND_MACRO);
  SymbolNode* called = nullptr;
  sc.hooks.macro_call = [&](SymbolNode* n) { called = n; };
  source(" MAC 1\n");
  EXPECT_EQ(st().code, TOK_MACRO_CALL);
  EXPECT_EQ(called, m);
}

TEST_F(ScannerTest, LookAheadStoreHoldsFourTokens) {
  source(" A B C D E F\n");
  for (int i = 0; i < 4; ++i) {
    st();
    sc.save_token(false);
  }
  st();
  EXPECT_THROW(sc.save_token(false), InternalStop);
  EXPECT_EQ(internal, "Backup overflow");
  EXPECT_FALSE(sc.get_saved_token());  // saved without replay
  sc.clear_saved_tokens();
  EXPECT_EQ(st().text, "F");
  sc.save_token(true);
  EXPECT_EQ(sc.next_token_A07().text, "F");  // replayed first
  EXPECT_EQ(sc.next_token_A07().code, TOK_EOL);
}

TEST_F(ScannerTest, EndOfInputMidStatementIsError4) {
  source(" NOP");
  sc.eof_allowed = false;
  st();
  st();
  EXPECT_EQ(st().code, TOK_EOF);
  EXPECT_TRUE(has('E', 4));
}

TEST_F(ScannerTest, SkipRestOfLineEndsTheStatement) {
  source(" NOP 'unclosed \"x\" ; y\n ADD\n");
  st();
  sc.skip_rest_of_line();
  EXPECT_EQ(sc.token().code, TOK_EOL);
  EXPECT_EQ(st().kind, KIND_MNEMONIC);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ScannerTest, PreprocessorLineIsHandedOverWholly) {
  int calls = 0;
  int mode_seen = 0;
  sc.hooks.preprocessor_line = [&] {
    ++calls;
    mode_seen = sc.lookup_mode();
  };
  source("#define X 1\n   # pragma\n NOP # 1\n");
  EXPECT_EQ(st().kind, KIND_MNEMONIC);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(mode_seen, MODE_PREPROCESSOR);
  EXPECT_EQ(st().code, TOK_HASH);
}

TEST_F(ScannerTest, FalseIfBranchSkipsToThePreprocessorLine) {
  bool active = true;
  sc.hooks.preprocessor_line = [&] {
    std::string word;
    sc.read_delimited_word(" \t", " \t", 20, word);
    active = word != "if0";
  };
  sc.hooks.preprocessor_active = [&] { return active; };
  source("#if0\n NOP\n BAD #\n#endif\n ADD\n");
  EXPECT_EQ(st().kind, KIND_MNEMONIC);
  EXPECT_EQ(sc.token().text, "ADD");
}

TEST_F(ScannerTest, DollarLineIncludesAFile) {
  std::string included;
  sc.hooks.include_file = [&](const std::string& n) { included = n; };
  source("$inc\\file.s71 rest\n NOP $1f\n");
  EXPECT_EQ(st().kind, KIND_MNEMONIC);
  EXPECT_EQ(included, "inc\\file.s71");
  EXPECT_EQ(st().number, 0x1f);
}

TEST_F(ScannerTest, IncludeNameKeepsBackslashes) {
  source("<a\\b.inc> \"c\\d\"\n");
  sc.getch();
  std::string name;
  char form = 0;
  ASSERT_TRUE(sc.read_include_name(name, form));
  EXPECT_EQ(name, "a\\b.inc");
  EXPECT_EQ(form, '<');
}

TEST_F(ScannerTest, ReadsThroughTheIncludeStackReader) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fwrite("  NOP\r\n\tADD R1\0\n", 1, 15, f);
  std::rewind(f);
  SourceReader reader(run);
  reader.start(f, "t.s71");
  IncludeStackSource input(reader);
  sc.start(&input);
  EXPECT_EQ(sc.line_text(), "");
  const Token& nop = pp();
  EXPECT_EQ(nop.kind, KIND_MNEMONIC);
  EXPECT_EQ(nop.where.column, 3);
  EXPECT_EQ(nop.where.line, 1);
  EXPECT_EQ(sc.line_text(), "  NOP");
  EXPECT_EQ(sc.column(), 6);
  EXPECT_EQ(pp().code, TOK_EOL);
  EXPECT_EQ(sc.line_text(), "  NOP");
  const Token& add = pp();
  EXPECT_EQ(add.text, "ADD");
  EXPECT_EQ(add.where.line, 2);
  EXPECT_EQ(pp().kind, KIND_REGISTER);
  // The NUL is dropped with error 15 and counts in no position.
  EXPECT_EQ(pp().code, TOK_EOL);
  EXPECT_EQ(sc.line_text(), "        ADD R1");
  EXPECT_EQ(sc.column(), 15);
  EXPECT_EQ(pp().code, TOK_EOF);
  EXPECT_EQ(sc.line_text(), "");
  reader.reset();
  std::fclose(f);
}

// Blanks between two tokens of a line are passed without a token: what follows reads as it does
// after a blank token (codes, texts, positions, classification, problems), whatever follows.
TEST_F(ScannerTest, PassedBlanksLeaveWhatABlankTokenWould) {
  const std::vector<std::string> inputs = {
      " ADD  R1 ,\tR1\n",  "L1: NOP ; c\n",     "  #  \n NOP\t\t;x\n", "ADD: \tNOP  *\n  * c\n",
      " NOP \n  \n NOP",  " NOP \0 R1\n",       "L2 \t EQU 1\n",       " NOP  ## NOP # x\n",
      "  \t  "};
  auto tokens = [&](bool passing) { return seen_tokens(passing, 200); };
  for (const std::string& text : inputs) {
    for (bool first : {true, false}) {
      // The tokens as read with blank tokens, then as read passing blanks; from the reader's
      // line both times (blanks are passed only there).
      problems.clear();
      file_source(text);
      if (!first) sc.next_token_A07();  // the first token read as it stands
      std::vector<SeenToken> expected = tokens(false);
      std::size_t expected_problems = problems.size();
      problems.clear();
      file_source(text);
      if (!first) sc.next_token_A07();
      EXPECT_TRUE(tokens(true) == expected) << testing::PrintToString(text);
      EXPECT_EQ(problems.size(), expected_problems) << testing::PrintToString(text);
    }
  }
}

// Names are taken from the reader's line in runs: the tokens, their positions and the problems
// are those of the same text read a character at a time.
TEST_F(ScannerTest, SourceReaderAndTextGiveTheSameTokens) {
  using namespace std::string_literals;
  const std::vector<std::string> inputs = {
      std::string(300, 'n') + " x\n",   " a.b @c .d ab:cd e:\n",  " nam\0e R1 na\0\n",
      "L1: ADD R1,R1 ; c\n LAB$?_1 e\n", "x\ny",                  "ab.cd.ef\n\n  q",
      // Names in capitals (keywords, labels, new ones) at the end of a line or of the input,
      // beside the same names in other cases; numbers in the line at hand.
      " ADD R1,R1\nADD: NOP\n NOP", " add Add ADD aDD R1 r1 NOP'X NOP\0\n R1",
      std::string(" ") + std::string(255, 'N') + "\n" + std::string(256, 'M') + "\n",
      " 0x12,0x 019 12h 0x1F,7 10 1.5 1. 0X1fL 0a 12\n" + std::string(511, '3') + "\n 7",
      "NEWNAME\n NEWNAME,NEWNAME:\n"};
  struct Seen {
    int code;
    std::string text;
    long line;
    int column;
    bool operator==(const Seen&) const = default;
  };
  auto tokens = [&] {
    std::vector<Seen> seen;
    for (int i = 0; i < 1000; ++i) {
      int c = sc.get_pp_token_A05();
      seen.push_back({c, sc.token().text, sc.token().where.line, sc.token().where.column});
      if (c == TOK_EOF) break;
    }
    return seen;
  };
  for (bool colon : {false, true}) {
    for (const std::string& text : inputs) {
      problems.clear();
      source(text);
      sc.colon_continues_ident = colon;
      std::vector<Seen> expected = tokens();
      std::size_t expected_problems = problems.size();

      problems.clear();
      file_source(text);
      sc.colon_continues_ident = colon;
      EXPECT_TRUE(tokens() == expected) << testing::PrintToString(text);
      EXPECT_EQ(problems.size(), expected_problems);
    }
  }
  sc.colon_continues_ident = false;
}

// Runs of blanks of every length, spaces alone and ended by tabs and form feeds, before names,
// comments, line ends and the end of the input: taken from the reader's line in runs (as a
// token and passed without one), they give the tokens and positions of the same text, its tabs
// expanded, read a character at a time.
TEST_F(ScannerTest, BlankRunsOfEveryLengthReadAsCharacters) {
  auto expanded = [](const std::string& text) {
    std::string out;
    std::size_t column = 0;
    for (char c : text) {
      if (c == '\t') {
        do out += ' ';
        while (++column % 8 != 0);
        continue;
      }
      out += c;
      column = c == '\n' ? 0 : column + 1;
    }
    return out;
  };
  for (std::size_t n = 1; n <= 20; ++n) {
    for (const std::string tail : {"", "\t", "\f ", " \t  ", "\t\f\t"}) {
      const std::string run = std::string(n, ' ') + tail;
      const std::string text = "L1:" + run + "ADD" + run + "R1," + run + "R1" + run + "; c\n" + run + "NOP" + run +
                               "\n" + run + "\n" + run + "NOP" + run;
      for (bool passing : {false, true}) {
        problems.clear();
        source(expanded(text));
        const std::vector<SeenToken> expected = seen_tokens(passing, 1000);
        const std::size_t expected_problems = problems.size();
        problems.clear();
        file_source(text);
        EXPECT_TRUE(seen_tokens(passing, 1000) == expected) << testing::PrintToString(text);
        EXPECT_EQ(problems.size(), expected_problems);
      }
    }
  }
}

// ---- false conditional branches ----------------------------------------------------------------

class FakeConditional : public ConditionalControl {
 public:
  int state_ = 0;
  int depth_ = 0;
  bool macro = false;
  std::vector<int> saved;
  int state() const override { return state_; }
  void set_state(int s) override { state_ = s; }
  int depth() const override { return depth_; }
  void open_skipped_level() override {
    saved.push_back(state_);
    ++depth_;
    state_ = 5;
  }
  void close_level() override {
    --depth_;
    state_ = saved.back();
    saved.pop_back();
  }
  bool in_macro_expansion() const override { return macro; }
};

TEST_F(ScannerTest, FalseBranchExaminesWholeLines) {
  FakeConditional cond;
  sc.conditional = &cond;
  std::vector<std::string> skipped;
  sc.listing_flags = 1;
  sc.hooks.list_skipped_line = [&](std::string_view l) { skipped.emplace_back(l); };
  std::string long_line = " DB " + std::string(300, 'A') + " ENDIF";
  source(" IF 0\n NOP\n" + long_line + "\n IF 1\n ELSE\n ENDIF\nENDIF ENDIF junk\n ADD\n");
  EXPECT_EQ(st().kind, KIND_DIRECTIVE);
  sc.skip_rest_of_line();
  cond.depth_ = 1;
  cond.state_ = 1;
  const Token& t = st();
  EXPECT_EQ(t.kind, KIND_DIRECTIVE) << t.code << " " << t.text;
  EXPECT_EQ(t.text, "ENDIF");
  EXPECT_EQ(cond.state_, 129);
  EXPECT_EQ(skipped.size(), 6u);  // NOP, the long line, IF, ELSE, ENDIF, "ENDIF ENDIF junk"
  EXPECT_EQ(st().code, TOK_EOL);
  cond.state_ = 0;
  cond.depth_ = 0;
  EXPECT_EQ(st().text, "ADD");  // the rest of the ENDIF line was not carried over
}

TEST_F(ScannerTest, FalseBranchHandsElseifOverWithItsLine) {
  FakeConditional cond;
  sc.conditional = &cond;
  source(" NOP\n ELSEIF 1\n");
  st();
  sc.skip_rest_of_line();
  cond.depth_ = 1;
  cond.state_ = 4;
  EXPECT_EQ(st().text, "ELSEIF");
  EXPECT_EQ(st().number, 1);
}

TEST_F(ScannerTest, FalseBranchInsideAMacroStopsAtItsEnd) {
  FakeConditional cond;
  cond.macro = true;
  sc.conditional = &cond;
  source(" NOP\n MACRO\n ENDM\n ENDM\n");
  st();
  sc.skip_rest_of_line();
  cond.depth_ = 1;
  cond.state_ = 1;
  st();
  EXPECT_TRUE(has('E', 57));
}

// ---- fuzz --------------------------------------------------------------------------------------

TEST_F(ScannerTest, RandomInputAlwaysEnds) {
  std::mt19937 rng(1234);
  const std::string alphabet = "ABCXYZabcxyz0123456789_$?@.:;,'\"`\\/*#%&|!<>=+-()[]{}^~ \t\f\r\n\x01\x7f\xff";
  std::vector<std::string> seeds = {" LDI R16,0x1F ; c\n",
                                    "L1: .L2: a.b 'x' \"yy\" B'101' :12\n",
                                    "/* c\n */ #if 1\n",
                                    " DB 1.5e3, 0ah, $ff, %101, @17\n",
                                    "$file\n",
                                    " `q\\`` '' '\\x41'\n"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    if (round % 3 == 0) {
      text = seeds[rng() % seeds.size()];
      for (int f = 0; f < 3 && !text.empty(); ++f) text[rng() % text.size()] ^= static_cast<char>(1 << (rng() % 8));
      text.resize(rng() % (text.size() + 1));
    } else {
      std::size_t len = rng() % 80;
      for (std::size_t i = 0; i < len; ++i) text += alphabet[rng() % alphabet.size()];
    }
    problems.clear();
    source(text);
    sc.hooks.include_file = [](const std::string&) {};
    int tokens = 0;
    for (;; ++tokens) {
      ASSERT_LT(tokens, 5000) << "no end for input: " << text;
      if (round % 2)
        sc.next_token_A07();
      else
        sc.get_pp_token_A05();
      if (sc.token().code == TOK_EOF) break;
    }
  }
}

}  // namespace
