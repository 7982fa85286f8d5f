// Symbol and module directives seen through the code and values they leave behind.
#include <gtest/gtest.h>

#include "assembler/run_settings.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;

class SymbolDirectives : public InProcessAssembly {};

TEST_F(SymbolDirectives, VarValuesHoldUntilTheNextVar) {
  ASSERT_EQ(assemble("V VAR 1\n LDI R16,V\n LDI R17,V\nV VAR 2\n LDI R18,V\nV ASSIGN V+1\n LDI R19,V\n END\n"), 0)
      << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xE001, 0xE011, 0xE022, 0xE033}));
  // A VAR symbol made PUBLIC or defined as a plain label is refused.
  EXPECT_EQ(assemble("V VAR 1\nV: NOP\n END\n"), 2);
  EXPECT_NE(out.find("Error[42]"), std::string::npos) << out;
}

TEST_F(SymbolDirectives, EquValuesAndTheirSegments) {
  ASSERT_EQ(assemble(" RSEG C\nL: NOP\nR EQU L\nA EQU 3*4\n LDI R16,A\n END\n"), 0) << out;
  EXPECT_EQ(words(2), (std::vector<std::uint16_t>{0x0000, 0xE00C}));
  Statement* r = statement_of(2, "R EQU");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->kind, StatementKind::LabelDefinition);
  aq71::ValueRec& v = aq71::label_value(aq71_test::test_run(), *aq71::label_record(r->label()));
  EXPECT_EQ(v.kind, aq71::VALUE_RELOCATABLE);
  EXPECT_EQ(v.result_segment, 2);
  // "$" is the location of the statement.
  ASSERT_EQ(assemble(" ORG 0x10\n NOP\nHERE EQU $\n LDI R16,HERE\n END\n"), 0) << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0x0000, 0xE102}));
}

TEST_F(SymbolDirectives, ModuleDirectivesRecordNameKindAndOption) {
  ASSERT_EQ(assemble(" LIBRARY lib(3)\n NOP\n ENDMOD\n NAME prog\n NOP\n END 0\n"), 0) << out;
  const aq71::ModuleState& m = aq71::module_state(run());
  EXPECT_EQ(m.module_count, 2);
  EXPECT_EQ(m.name, "prog");
  EXPECT_EQ(m.kind, aq71::ModuleKind::Program);
  EXPECT_TRUE(m.end_seen);
  ASSERT_NE(m.start_address, nullptr);
  // The module name does not become a label.
  EXPECT_EQ(aq71::ident_tree(aq71_test::test_run()).find_exact("prog"), nullptr);
  EXPECT_EQ(assemble(" NAME lib(5)\n NOP\n END\n"), 0);
  EXPECT_EQ(aq71::module_state(run()).option, 5);
  // A segment name as module name is refused and the source name stays.
  EXPECT_EQ(assemble(" NAME CODE\n NOP\n END\n"), 2);
  EXPECT_EQ(aq71::module_state(run()).name, "t");
}

TEST_F(SymbolDirectives, TargetIdentifierIsPredefined) {
  ASSERT_EQ(assemble(" LDI R16,LOW TID\n LDI R17,HIGH TID\n END\n", 3), 0) << out;
  EXPECT_EQ(aq71::target_id(aq71::settings(aq71_test::test_run())), 0x5A30);
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xE300, 0xE51A}));
}

}  // namespace
}  // namespace aq71_test

namespace aq71_test {
namespace {

// Random statements built from the driver's words end cleanly: an exit code, never a crash.
class DriverFuzz : public InProcessAssembly {};

TEST_F(DriverFuzz, RandomStatementsEndCleanly) {
  const std::vector<std::string> words = {
      "L1:",   "L2",  " NOP",  " EQU",       " VAR",    " =",   " RSEG", " ASEG", " ORG", " ALIGN",
      " EVEN", " DS", " NAME", " MODULE",    " ENDMOD", " END", " LDI",  " R16",  ",",    "(",
      ")",     "1",   "-1",    "0x7FFFFFFF", "L1",      "L2",   "$",     "+",     "*",    ":",
      "CODE",  ";c",  " RJMP", "'A'",        "\"s\"",   " 31",  " 9",    "X"};
  std::mt19937 rng(71);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int lines = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < lines; ++i) {
      int n = static_cast<int>(rng() % 6);
      for (int k = 0; k < n; ++k) text += words[rng() % words.size()];
      text += "\n";
    }
    if (rng() % 2) text += " END\n";
    int code = assemble(text);
    EXPECT_TRUE(code >= 0 && code <= 3) << text;
  }
}

}  // namespace
}  // namespace aq71_test
