// Expressions: operator levels and semantics on 32-bit values, labels and relocation, the
// unsolved list and the resolve steps, limits, strings, depth limits and a fuzz run.
#include "assembler/expressions.h"
#include "assembler/assembly.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assembler/diagnostics.h"
#include "assembler/operand_grammar.h"
#include "assembler/operator_keywords.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/tests/test_run.h"

using namespace aq71;

namespace {

struct Problem {
  char kind;
  int number;
  std::string text;
  long arg;
};

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    aq71_test::start_test_run();
    problem_hooks(aq71_test::test_run()).error = [this](int n, std::string_view s, long a) {
      problems.push_back({'E', n, std::string(s), a});
    };
    problem_hooks(aq71_test::test_run()).warning = [this](int n, std::string_view s, long a) {
      problems.push_back({'W', n, std::string(s), a});
    };
    problem_hooks(aq71_test::test_run()).internal = [this](const char* f, const char* d) {
      internal = std::string(f) + ": " + d;
    };
    expression_hooks(aq71_test::test_run()).pass2_error = [this](const ValueRec*, const LabelRec*, int n,
                                                                 MessageArgs a) {
      problems.push_back({'E', n, std::string(a.text), a.number});
    };
    expression_hooks(aq71_test::test_run()).pass2_warning = [this](const ValueRec*, int n, MessageArgs a) {
      problems.push_back({'W', n, std::string(a.text), a.number});
    };
    expression_hooks(aq71_test::test_run()).location_label = [this]() -> LabelRec* { return here; };
    IdentTree& t = ident_tree(aq71_test::test_run());
    t.case_sensitive = true;
    init_operand_keywords_B00(t, 6);
    t.init_comment_char_A07(';', TOK_SEMICOLON);
    t.env.make_value = [](LabelRec& l) { return new_label_value(aq71_test::test_run(), l); };
    // Two relocatable segments and ASEG's number for SFB/SIZEOF.
    segment("CODE", 2);
    segment("DATA", 3);
    segment("ASEG", 1);
  }
  void TearDown() override { aq71_test::start_test_run(); }

  void segment(const char* name, int number) {
    IdentTree& t = ident_tree(aq71_test::test_run());
    SymbolNode* head = t.find_exact(name);
    if (!head) head = t.enter(name, false, false).node;
    SymbolNode* n = t.add_meaning(head, KIND_SEGMENT);
    n->def->b = number;
  }

  // Parses a whole-line expression.
  ValueRec* parse(const std::string& text) {
    src = std::make_unique<StringLineSource>(" " + text + "\n");  // not in the label field
    sc = std::make_unique<Scanner>(aq71_test::test_run());
    sc->start(src.get());
    sc->next_token_A07();  // the blank in front: the line has begun
    return parse_expression_A08(*sc, false, false);
  }
  std::int32_t value(const std::string& text) {
    ValueRec* e = parse(text);
    EXPECT_TRUE(e->absolute()) << text << " -> " << print_expression_A08(e);
    return e->signed_value();
  }
  bool syntax_error(const std::string& text) {
    problems.clear();
    ValueRec* e = parse(text);
    return e->failed && has('E', 0);
  }
  bool has(char kind, int number) const {
    for (const Problem& p : problems)
      if (p.kind == kind && p.number == number) return true;
    return false;
  }
  int count(char kind, int number) const {
    int n = 0;
    for (const Problem& p : problems)
      if (p.kind == kind && p.number == number) ++n;
    return n;
  }
  LabelRec* label(const std::string& name) {
    SymbolNode* n = ident_tree(aq71_test::test_run()).find_kind(name, KIND_LABEL);
    if (!n) {
      ClassifyContext ctx;
      ctx.mode = MODE_EXPRESSION;
      n = ident_tree(aq71_test::test_run()).classify(name, ctx).node;
    }
    return n->def->label;
  }

  std::vector<Problem> problems;
  std::string internal;
  LabelRec* here = nullptr;
  std::unique_ptr<StringLineSource> src;
  std::unique_ptr<Scanner> sc;
};

TEST_F(ExprTest, LevelsAreNotThoseOfC) {
  EXPECT_EQ(value("1 + 1 << 2"), 5);
  EXPECT_EQ(value("(1 + 1) << 2"), 8);
  EXPECT_EQ(value("1 - 2 - 3"), -4);
  EXPECT_EQ(value("2 + 3 * 4"), 14);
  EXPECT_EQ(value("HIGH 0x1234 * 2"), 0x24);
  EXPECT_EQ(value("- 1 * 2"), -2);
  EXPECT_EQ(value("1 == 2 & 3"), 0);  // 1 == (2 & 3)
  EXPECT_EQ(value("2 == 2 & 3"), 1);
  EXPECT_EQ(value("1 == 2 == 3"), 0);  // (1 == 2) == 3
  EXPECT_EQ(value("0 == 0 == 1"), 1);
  EXPECT_EQ(value("1 OR 0 AND 0"), 1);
  EXPECT_EQ(value("1 | 2 & 0"), 1);  // | looser than &
  EXPECT_EQ(value("3 + 4 > 6"), 1);  // comparison loosest
  EXPECT_EQ(value("1 = 1"), 1);
  EXPECT_EQ(value("1 <> 1"), 0);
  EXPECT_EQ(value("100 / 10 / 5"), 2);
  EXPECT_EQ(value("-(-1)"), 1);
  EXPECT_EQ(value("NOT (NOT 5)"), 1);
  EXPECT_EQ(value("~0"), -1);
  EXPECT_EQ(value("'A' + 1"), 66);
  // A class-1 operator between two operands binds tighter than * and works on its right one.
  EXPECT_EQ(value("1 + 2 LOW 0x105"), 6);
  EXPECT_EQ(value("3 * 2 HIGH 0x400"), 12);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, TwoUnaryOperatorsInARowAndOtherShapesAreSyntaxErrors) {
  for (const char* text : {"- - 1", "NOT NOT 1", "HIGH -1", "1 +", "(1", "1 2", "R16 + 1", "(R16)", "X", "1 * * 2", ")",
                           "", "\"ab\" == \"ab\"", "\"a\" = 1", "1 = \"a\"", "\"a\" < \"b\""}) {
    EXPECT_TRUE(syntax_error(text)) << text;
  }
  EXPECT_TRUE(internal.empty()) << internal;
}

TEST_F(ExprTest, ExpressionEndsAtCommaUnmatchedParenthesisAndComment) {
  ValueRec* e = parse("1 + 2, 7");
  EXPECT_EQ(e->signed_value(), 3);
  EXPECT_EQ(sc->token().code, TOK_COMMA);
  e = parse("4 * 2 ; a comment");
  EXPECT_EQ(e->signed_value(), 8);
  e = parse("(1 + 2) * 3) rest");
  EXPECT_EQ(e->signed_value(), 9);
  EXPECT_EQ(sc->token().code, TOK_RPAREN);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, ArithmeticIsDefinedOnAll32BitValues) {
  EXPECT_EQ(static_cast<std::uint32_t>(value("0x80000000 / -1")), 0x80000000u);
  EXPECT_EQ(value("0x80000000 MOD -1"), 0);
  EXPECT_EQ(value("0x7FFFFFFF + 1"), static_cast<std::int32_t>(0x80000000u));
  EXPECT_EQ(value("0x10000 * 0x10000"), 0);
  EXPECT_EQ(value("-7 / 2"), -3);
  EXPECT_EQ(value("-7 % 2"), -1);
  EXPECT_EQ(value("-1 SHR 28"), 15);
  EXPECT_EQ(value("-1 >> 28"), 15);
  EXPECT_EQ(value("1 SHL 31"), static_cast<std::int32_t>(0x80000000u));
  EXPECT_EQ(value("1 << 32"), 1);  // low five bits of the count
  EXPECT_EQ(value("8 >> 35"), 1);
  EXPECT_EQ(value("-1 GT 0"), 0);
  EXPECT_EQ(value("-1 UGT 0"), 1);
  EXPECT_EQ(value("-1 ULT 0"), 0);
  EXPECT_EQ(value("-1 < 0"), 1);
  EXPECT_EQ(value("5 >= 5"), 1);
  EXPECT_EQ(value("5 <= 4"), 0);
  EXPECT_EQ(value("3 != 4"), 1);
  EXPECT_EQ(value("HIGH 0x1234"), 0x12);
  EXPECT_EQ(value("BYTE2 0x1234"), 0x12);
  EXPECT_EQ(value("LOW 0x1234"), 0x34);
  EXPECT_EQ(value("BYTE3 0x123456"), 0x12);
  EXPECT_EQ(value("LWRD 0x12345678"), 0x5678);
  EXPECT_EQ(value("HWRD 0x12345678"), 0x1234);
  EXPECT_EQ(value("!5"), 0);
  EXPECT_EQ(value("3 XOR 0"), 1);
  EXPECT_EQ(value("3 XOR 4"), 0);
  EXPECT_EQ(value("3 && 4"), 1);
  EXPECT_EQ(value("0 || 0"), 0);
  EXPECT_EQ(value("6 & 3"), 2);
  EXPECT_EQ(value("6 BITOR 3"), 7);
  EXPECT_EQ(value("6 ^ 3"), 5);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, DivisionByZeroWarnsAndGivesMinusOneOrZero) {
  EXPECT_EQ(value("5 / 0"), -1);
  EXPECT_EQ(count('W', 14), 1);
  EXPECT_EQ(value("5 MOD 0"), 0);
  EXPECT_EQ(count('W', 14), 2);
}

TEST_F(ExprTest, DateFieldsAndError48) {
  std::tm tm{};
  tm.tm_sec = 5;
  tm.tm_min = 6;
  tm.tm_hour = 7;
  tm.tm_mday = 8;
  tm.tm_mon = 8;  // September
  tm.tm_year = 126;
  set_assembly_time(aq71_test::test_run(), tm);
  EXPECT_EQ(value("DATE 1"), 5);
  EXPECT_EQ(value("DATE 2"), 6);
  EXPECT_EQ(value("DATE 3"), 7);
  EXPECT_EQ(value("DATE 4"), 8);
  EXPECT_EQ(value("DATE 5"), 9);
  EXPECT_EQ(value("DATE 6"), 126);
  EXPECT_TRUE(problems.empty());
  value("DATE 7");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].number, 48);
  EXPECT_EQ(problems[0].text, "1-6");
}

TEST_F(ExprTest, SegmentNamesAndSegmentOperators) {
  ValueRec* e = parse("CODE + 1");
  EXPECT_TRUE(has('E', 84));
  EXPECT_TRUE(e->absolute());
  EXPECT_EQ(e->value, 0u);

  problems.clear();
  e = parse("SFB(CODE)");
  EXPECT_EQ(e->kind, VALUE_COMPLEX);
  ASSERT_EQ(e->reduced.size(), 1u);
  EXPECT_EQ(e->reduced[0].kind, ExprTerm::SegmentBegin);
  EXPECT_EQ(e->reduced[0].segment, 2);
  e = parse("SIZEOF DATA");
  EXPECT_EQ(e->kind, VALUE_COMPLEX);
  ASSERT_EQ(e->reduced.size(), 3u);
  EXPECT_EQ(e->reduced[0].kind, ExprTerm::SegmentEnd);
  EXPECT_EQ(e->reduced[1].kind, ExprTerm::SegmentBegin);
  EXPECT_EQ(e->reduced[2].token, OP_SUB);
  EXPECT_TRUE(problems.empty());
  parse("SIZEOF(ASEG)");
  EXPECT_TRUE(has('E', 69));
}

TEST_F(ExprTest, StringComparisons) {
  EXPECT_EQ(value("\"abc\" = \"abc\""), 1);
  EXPECT_EQ(value("\"abc\" = \"abd\""), 0);
  EXPECT_EQ(value("\"abc\" <> \"abd\""), 1);
  EXPECT_EQ(value("\"\" <> \"\""), 0);
}

TEST_F(ExprTest, DeepNestingIsASyntaxErrorAndLongChainsAreFine) {
  EXPECT_TRUE(syntax_error(std::string(300, '(') + "1" + std::string(300, ')')));
  EXPECT_EQ(value(std::string(50, '(') + "7" + std::string(50, ')')), 7);
  std::string chain = "1";
  for (int i = 0; i < 20000; ++i) chain += "+1";
  EXPECT_EQ(value(chain), 20001);
}

TEST_F(ExprTest, LabelsAndRelocation) {
  LabelRec* l1 = label("L1");
  LabelRec* l2 = label("L2");
  LabelRec* far = label("FAR");
  LabelRec* abs = label("ABS");
  ValueRec* diff = parse("L2 - L1");
  ValueRec* plus = parse("L1 + 2");
  ValueRec* single = parse("L1");
  ValueRec* other = parse("FAR - L1");
  ValueRec* absplus = parse("ABS + 2 * 3");
  for (ValueRec* e : {diff, plus, single, other, absplus}) EXPECT_EQ(e->kind, VALUE_UNSOLVED);
  EXPECT_EQ(unsolved_count(aq71_test::test_run()), 5u);

  set_label_location(aq71_test::test_run(), *l1, 2, false, 0x10, true);
  set_label_location(aq71_test::test_run(), *l2, 2, false, 0x30, true);
  set_label_location(aq71_test::test_run(), *far, 3, false, 0x4, true);
  set_label_location(aq71_test::test_run(), *abs, 1, true, 0x100, true);
  EXPECT_EQ(diff->kind, VALUE_ABSOLUTE);
  EXPECT_EQ(diff->value, 0x20u);
  EXPECT_EQ(plus->kind, VALUE_COMPLEX);
  ASSERT_EQ(plus->reduced.size(), 3u);
  EXPECT_EQ(plus->reduced[0].kind, ExprTerm::Constant);
  EXPECT_EQ(plus->reduced[0].segment, 2);
  EXPECT_EQ(plus->reduced[0].value, 0x10u);
  EXPECT_EQ(plus->operand_value().kind, ValueKind::kLinker);
  EXPECT_EQ(single->kind, VALUE_RELOCATABLE);
  EXPECT_EQ(single->result_segment, 2);
  EXPECT_EQ(single->operand_value().kind, ValueKind::kRelocatable);
  EXPECT_EQ(other->kind, VALUE_COMPLEX);
  EXPECT_EQ(absplus->kind, VALUE_ABSOLUTE);
  EXPECT_EQ(absplus->value, 0x106u);
  EXPECT_EQ(unsolved_count(aq71_test::test_run()), 0u);
  EXPECT_TRUE(undefined_labels(aq71_test::test_run()).empty());
}

TEST_F(ExprTest, ExternalsStayForTheLinker) {
  LabelRec* ext = label("EXT");
  ext->flags |= LABEL_EXTERN;
  ext->extern_index = 3;
  ValueRec* e = parse("EXT + 4 * 2");
  EXPECT_EQ(e->kind, VALUE_COMPLEX);
  ASSERT_EQ(e->reduced.size(), 3u);  // folded: EXT 8 +
  EXPECT_EQ(e->reduced[0].kind, ExprTerm::External);
  EXPECT_EQ(e->reduced[0].extern_index, 3);
  EXPECT_EQ(e->reduced[1].value, 8u);
}

TEST_F(ExprTest, AssignedLabelsSolveThroughChains) {
  // A EQU B + 1, B EQU C * 2 with C placed later.
  LabelRec* a = label("A");
  LabelRec* b = label("B");
  LabelRec* c = label("C");
  ValueRec* use = parse("A + 100");
  assign_label_value(aq71_test::test_run(), *a, *parse("B + 1"));
  assign_label_value(aq71_test::test_run(), *b, *parse("C * 2"));
  EXPECT_FALSE(label_solved(*a));
  set_label_location(aq71_test::test_run(), *c, 1, true, 21, true);
  EXPECT_TRUE(label_solved(*a));
  EXPECT_EQ(a->value->value, 43u);
  EXPECT_EQ(use->value, 143u);
  resolve_unsolved_A08(aq71_test::test_run());
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, LabelsGivenANumberSolveTheirUsersAndMayBeGivenAnother) {
  LabelRec* n = label("N");
  ValueRec* use = parse("N * 2");
  assign_label_number(aq71_test::test_run(), *n, -3);
  EXPECT_TRUE(use->absolute());
  EXPECT_EQ(use->signed_value(), -6);
  ValueRec* again = parse("N");
  assign_label_number(aq71_test::test_run(), *n, 4, true);
  EXPECT_EQ(n->value->kind, VALUE_TEMPORARY);
  EXPECT_EQ(n->value->value, 4u);
  EXPECT_EQ(again->signed_value(), -3);  // what was folded stays
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, UndefinedSymbolIsReportedOnceAndCountsAsOne) {
  ValueRec* e1 = parse("NOWHERE + 1");
  ValueRec* e2 = parse("NOWHERE * 5");
  LabelRec* a = label("CA");
  LabelRec* b = label("CB");
  assign_label_value(aq71_test::test_run(), *a, *parse("CB"));
  assign_label_value(aq71_test::test_run(), *b, *parse("CA + 1"));
  ValueRec* e3 = parse("CA");
  resolve_unsolved_A08(aq71_test::test_run());
  EXPECT_EQ(e1->kind, VALUE_UNSOLVED);
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_EQ(count('E', 50), 2);  // NOWHERE and one of the circle
  EXPECT_EQ(e1->value, 2u);
  EXPECT_EQ(e2->value, 5u);
  EXPECT_TRUE(e3->absolute());
  EXPECT_TRUE(label_solved(*a));
  EXPECT_TRUE(label_solved(*b));
  EXPECT_TRUE(undefined_labels(aq71_test::test_run()).empty());
  EXPECT_EQ(unsolved_count(aq71_test::test_run()), 0u);
  // Nothing is reported twice on a second final evaluation.
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_EQ(count('E', 50), 2);
}

// A label carries its users and its error-50 report for one module only: a new module neither
// folds the last module's expressions again nor stays silent about the label.
TEST_F(ExprTest, LabelBookkeepingStartsAfreshWithEachModule) {
  LabelRec* l = label("MODLAB");
  ValueRec* old_use = parse("MODLAB + 1");
  begin_module_expressions(aq71_test::test_run());
  ValueRec* use = parse("MODLAB * 3");
  set_label_location(aq71_test::test_run(), *l, 1, true, 40, true);
  EXPECT_EQ(use->value, 120u);
  EXPECT_EQ(old_use->kind, VALUE_UNSOLVED);  // the last module's users are not folded again
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_EQ(count('E', 50), 0);

  for (int module = 0; module < 2; ++module) {
    begin_module_expressions(aq71_test::test_run());
    l->value->kind = VALUE_UNSOLVED;
    ValueRec* e = parse("MODLAB + 2");
    final_evaluation_A08(aq71_test::test_run());
    final_evaluation_A08(aq71_test::test_run());
    EXPECT_EQ(count('E', 50), module + 1);  // once in each module
    EXPECT_EQ(e->value, 3u);
  }
}

// Term lists keep one term inline and move to the heap beyond that: copies, moves and appends
// of a list to itself keep every term.
TEST(TermList, CopiesMovesAndSelfAppendsKeepEveryTerm) {
  auto values = [](const TermList& l) {
    std::vector<std::uint32_t> v;
    for (const ExprTerm& t : l) v.push_back(t.value);
    return v;
  };
  for (std::uint32_t n : {0u, 1u, 2u, 5u, 17u}) {
    TermList a;
    std::vector<std::uint32_t> want;
    for (std::uint32_t i = 0; i < n; ++i) {
      a.push_back(ExprTerm::constant(i + 1));
      want.push_back(i + 1);
    }
    TermList copy = a;
    EXPECT_EQ(values(copy), want);
    TermList moved = std::move(copy);
    EXPECT_EQ(values(moved), want);
    EXPECT_TRUE(copy.empty());
    copy = moved;  // a moved-from list takes new terms
    copy.push_back(ExprTerm::constant(99));
    moved = std::move(copy);
    std::vector<std::uint32_t> more = want;
    more.push_back(99);
    EXPECT_EQ(values(moved), more);

    a.append(a);  // itself, across the step from inline to heap
    std::vector<std::uint32_t> twice = want;
    twice.insert(twice.end(), want.begin(), want.end());
    EXPECT_EQ(values(a), twice);
    if (!a.empty()) {
      a.push_back(a.front());  // its own first term while growing
      EXPECT_EQ(a.back().value, 1u);
    }
    a.assign(1, ExprTerm::constant(7));
    EXPECT_EQ(values(a), std::vector<std::uint32_t>{7});
  }
}

// A label alone is the value of its label, whatever kind of value that is; only a value that
// may be given again (VAR) is taken as the number it is now.
TEST_F(ExprTest, ALoneLabelTakesItsLabelsValue) {
  LabelRec* var = label("V");
  assign_label_number(aq71_test::test_run(), *var, 9, true);
  ValueRec* v = parse("V");
  EXPECT_EQ(v->kind, VALUE_ABSOLUTE);
  EXPECT_EQ(v->value, 9u);
  EXPECT_EQ(v->operand_value().kind, ValueKind::kAbsolute);

  ValueRec* nowhere = parse("NOWHERE");
  EXPECT_EQ(nowhere->kind, VALUE_UNSOLVED);
  EXPECT_EQ(nowhere->first_undefined, label("NOWHERE"));
  EXPECT_EQ(unsolved_count(aq71_test::test_run()), 1u);

  LabelRec* ext = label("EXT3");
  ext->flags |= LABEL_EXTERN;
  ext->extern_index = 5;
  ValueRec* x = parse("EXT3");
  EXPECT_EQ(x->kind, VALUE_COMPLEX);
  ASSERT_EQ(x->reduced.size(), 1u);
  EXPECT_EQ(x->reduced[0].kind, ExprTerm::External);
  EXPECT_EQ(x->reduced[0].extern_index, 5);
  EXPECT_EQ(x->first_undefined, nullptr);

  // A label defined by an expression for the linker hands its folded terms on.
  LabelRec* near = label("NEAR");
  assign_label_value(aq71_test::test_run(), *near, *parse("EXT3 + 2 * 3"));
  ValueRec* n = parse("NEAR");
  EXPECT_EQ(n->kind, VALUE_COMPLEX);
  ASSERT_EQ(n->reduced.size(), 3u);
  EXPECT_EQ(n->reduced[0].kind, ExprTerm::External);
  EXPECT_EQ(n->reduced[1].value, 6u);
  EXPECT_EQ(n->reduced[2].token, OP_ADD);

  // A label used before it is placed: solved with it, and nothing left unsolved.
  ValueRec* fwd = parse("LATE");
  set_label_location(aq71_test::test_run(), *label("LATE"), 3, false, 0x22, true);
  EXPECT_EQ(fwd->kind, VALUE_RELOCATABLE);
  EXPECT_EQ(fwd->result_segment, 3);
  EXPECT_EQ(fwd->value, 0x22u);
  EXPECT_EQ(fwd->first_undefined, nullptr);
  EXPECT_TRUE(problems.empty());
}

TEST_F(ExprTest, QueuedExpressionsStillUnsolvedGiveError64) {
  ValueRec* e = parse("LATER + 2");
  queue_for_resolve(aq71_test::test_run(), *e);
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_EQ(count('E', 64), 1);
  EXPECT_TRUE(e->absolute());
  EXPECT_EQ(e->value, 0u);
}

TEST_F(ExprTest, ProvisionalLabelsStayUnsolved) {
  LabelRec* l = label("P");
  ValueRec* e = parse("P + 1");
  set_label_location(aq71_test::test_run(), *l, 1, true, 8, false);
  EXPECT_EQ(e->kind, VALUE_UNSOLVED);
  set_label_location(aq71_test::test_run(), *l, 1, true, 10, true);
  EXPECT_EQ(e->value, 11u);
  // A later walk that moves the label folds its users again.
  set_label_location(aq71_test::test_run(), *l, 1, true, 12, true);
  EXPECT_EQ(e->value, 13u);
}

TEST_F(ExprTest, CurrentLocationComesFromTheDriver) {
  LabelRec* loc = label("__lab0");
  here = loc;
  ValueRec* e = parse("$ + 2");
  set_label_location(aq71_test::test_run(), *loc, 1, true, 0x40, true);
  EXPECT_EQ(e->value, 0x42u);
  // In a relocatable segment "$" moved by a number stays relocatable; other arithmetic on it
  // is left to the linker.
  LabelRec* rel = label("__lab1");
  here = rel;
  ValueRec* fwd = parse("$ + 6 - 2");
  ValueRec* back = parse("-2 + $");
  ValueRec* scaled = parse("$ * 2");
  set_label_location(aq71_test::test_run(), *rel, 2, false, 0x40, true);
  EXPECT_EQ(fwd->kind, VALUE_RELOCATABLE);
  EXPECT_EQ(fwd->result_segment, 2);
  EXPECT_EQ(fwd->value, 0x44u);
  EXPECT_EQ(back->kind, VALUE_RELOCATABLE);
  EXPECT_EQ(back->value, 0x3Eu);
  EXPECT_EQ(scaled->kind, VALUE_COMPLEX);
  // A label other than "$" plus a number stays for the linker.
  EXPECT_EQ(parse("__lab1 + 2")->kind, VALUE_COMPLEX);
  here = nullptr;
  EXPECT_TRUE(syntax_error("$"));
}

TEST_F(ExprTest, LimitsAreCheckedNowOrDeferred) {
  ValueRec* e = parse("LIM");
  set_value_limit(aq71_test::test_run(), *e, ValueLimit{3, false, 0, 10, "too big"});
  set_label_location(aq71_test::test_run(), *label("LIM"), 1, true, 11, true);
  ASSERT_EQ(count('E', 70), 1);
  EXPECT_EQ(problems.back().text, "too big");
  EXPECT_EQ(problems.back().arg, 11);

  LabelRec* ext = label("EXT2");
  ext->flags |= LABEL_EXTERN;
  ValueRec* c = parse("EXT2");
  set_value_limit(aq71_test::test_run(), *c, ValueLimit{3, false, -5, 5, "msg"});
  EXPECT_TRUE(limit_ok_A08(aq71_test::test_run(), *c));
  ASSERT_EQ(c->reduced.size(), 8u);
  EXPECT_EQ(c->reduced[1].kind, ExprTerm::String);
  EXPECT_STREQ(c->reduced[1].text, "msg");
  EXPECT_EQ(c->reduced[2].token, OP_ERROR_TEXT);
  EXPECT_EQ(c->reduced[3].value, 5u);
  EXPECT_EQ(static_cast<std::int32_t>(c->reduced[4].value), -5);
  EXPECT_EQ(c->reduced[5].token, OP_CHECK_RANGE);
}

TEST_F(ExprTest, JoinedExpressionsAndConstants) {
  ValueRec* l = new_constant_expression_A08(aq71_test::test_run(), 6);
  ValueRec* r = new_constant_expression_A08(aq71_test::test_run(), 7);
  ValueRec* j = cat_expressions_A08(aq71_test::test_run(), *l, OP_MUL, *r);
  EXPECT_EQ(j->value, 42u);
  EXPECT_TRUE(j->absolute());
}

TEST_F(ExprTest, RandomInputEndsCleanly) {
  const char* pieces[] = {"1",   "0x7F", "L1", "(",   ")",    "+",   "-",    "*",   "/", "MOD",
                          "SHL", ">>",   "==", "<>",  "HIGH", "NOT", "~",    ",",   "$", "\"s\"",
                          "R5",  "X",    "=",  "UGT", "DATE", "SFB", "CODE", "'c'", ";", "&&"};
  std::mt19937 rng(7);
  here = label("__here");
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) {
      text += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
      text += rng() % 3 ? " " : "";
    }
    problems.clear();
    ValueRec* e = parse(text);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(internal.empty()) << text << ": " << internal;
    const int c = sc->token().code;
    EXPECT_TRUE(c == TOK_EOL || c == TOK_COMMA || c == TOK_RPAREN || c == TOK_EOF || c == TOK_SEMICOLON)
        << text << " ended at " << c;
  }
  resolve_unsolved_A08(aq71_test::test_run());
  final_evaluation_A08(aq71_test::test_run());
  EXPECT_TRUE(internal.empty()) << internal;
}

// Two runs side by side: labels, unsolved lists, queues and the DATE of one never show in the
// other, and ending one leaves the other's records intact.
TEST(ExpressionRuns, EachRunKeepsItsOwnExpressions) {
  Assembly kept;
  LabelRec in_kept;
  ValueRec* waiting =
      expression_from_terms(kept, {ExprTerm::symbol(&in_kept), ExprTerm::constant(1), ExprTerm::op(OP_ADD)});
  queue_for_resolve(kept, *waiting);
  std::tm kept_time{};
  kept_time.tm_hour = 7;
  set_assembly_time(kept, kept_time);
  {
    Assembly other;
    LabelRec in_other;
    ValueRec* e = expression_from_terms(other, {ExprTerm::symbol(&in_other)});
    EXPECT_EQ(unsolved_count(other), 1u);
    EXPECT_EQ(unsolved_count(kept), 1u);
    std::tm other_time{};
    other_time.tm_hour = 21;
    set_assembly_time(other, other_time);
    std::uint32_t hour = 0;
    ASSERT_TRUE(apply_operator(other, OP_DATE, true, 0, 3, hour));
    EXPECT_EQ(hour, 21u);
    set_label_location(other, in_other, 1, true, 0x40, true);
    EXPECT_TRUE(e->absolute());
    EXPECT_EQ(e->value, 0x40u);
    final_evaluation_A08(other);
    EXPECT_TRUE(undefined_labels(other).empty());
    EXPECT_EQ(undefined_labels(kept).size(), 1u);
  }
  std::uint32_t hour = 0;
  ASSERT_TRUE(apply_operator(kept, OP_DATE, true, 0, 3, hour));
  EXPECT_EQ(hour, 7u);
  EXPECT_EQ(waiting->kind, VALUE_UNSOLVED);
  set_label_location(kept, in_kept, 1, true, 0x10, true);
  resolve_unsolved_A08(kept);
  EXPECT_TRUE(waiting->absolute());
  EXPECT_EQ(waiting->value, 0x11u);
  EXPECT_EQ(unsolved_count(kept), 0u);
}

}  // namespace
