// Repeat blocks and the block stack.
#include <gtest/gtest.h>

#include "assembler/assembly.h"
#include "assembler/repeat_blocks.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;
using W = std::vector<std::uint16_t>;

class RepeatBlocks : public InProcessAssembly {};

TEST_F(RepeatBlocks, CountsNestingAndZero) {
  ASSERT_EQ(assemble(" REPT 3\n NOP\n ENDR\n REPT 0\n LDI R16,1\n ENDR\n LDI R17,2\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0, 0, 0, 0xE012}));
  EXPECT_EQ(aq71::block_stack(aq71_test::test_run()).size(), 0u);
  ASSERT_EQ(assemble(" REPT 3\n LDI R16,1\n REPT 2\n NOP\n ENDR\n ENDR\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE001, 0, 0, 0xE001, 0, 0, 0xE001, 0, 0}));
  EXPECT_EQ(assemble(" REPT -1\n NOP\n ENDR\n LDI R16,3\n END\n"), 2);
  EXPECT_TRUE(has("Error[74]")) << out;
  EXPECT_EQ(words(), (W{0xE003}));
}

// A body that has played to its end is let go of when the next block begins: a source of many
// nested blocks holds no more bodies than one nest (each listed line asks whether one plays).
TEST_F(RepeatBlocks, PlayedBodiesAreLetGo) {
  std::string nest;
  for (int copy = 0; copy < 8; ++copy) nest += " REPT 2\n REPT 2\n REPT 2\n REPT 2\n NOP\n ENDR\n ENDR\n ENDR\n ENDR\n";
  ASSERT_EQ(assemble(nest + " END\n"), 0) << out;
  EXPECT_EQ(words().size(), 8u * 16u);
  EXPECT_LE(aq71::repeat_bodies_held(aq71_test::test_run()), 5u);
  // A block left by EXITM is let go of as well.
  ASSERT_EQ(assemble("Q MACRO\n REPT 3\n INC R1\n EXITM\n ENDR\n ENDM\n Q\n Q\n Q\n REPT 2\n NOP\n ENDR\n END\n"), 0)
      << out;
  EXPECT_EQ(words(), (W{0x9413, 0x9413, 0x9413, 0, 0}));
  EXPECT_EQ(aq71::repeat_bodies_held(aq71_test::test_run()), 1u);
}

TEST_F(RepeatBlocks, FormalsOfReptiAndReptc) {
  ASSERT_EQ(assemble(" REPTI X,R16,R17\n CLR X\n ENDR\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0x2700, 0x2711}));
  // The replacement is textual: the formal R also changes the R of the registers.
  ASSERT_EQ(assemble(" REPTI R,1,2\n LDI R16,R\n ENDR\n END\n"), 2);
  ASSERT_EQ(assemble(" REPTC C,\"AB\"\n LDI R16,'C'\n ENDR\n REPTC V,12 ; two\n LDI R17,V\n ENDR\n END\n"), 0) << out;
  EXPECT_EQ(words(), (W{0xE401, 0xE402, 0xE011, 0xE012}));
  EXPECT_EQ(assemble(" REPTI X\n NOP\n ENDR\n END\n"), 2);
  EXPECT_TRUE(has("Error[0]")) << out;
  EXPECT_EQ(assemble(" REPTC C,\"AB\n NOP\n ENDR\n END\n"), 2);
  EXPECT_TRUE(has("Error[13]")) << out;
}

TEST_F(RepeatBlocks, StringMacroOverCharacters) {
  // The macro library's text macro: a REPTC over the characters of its parameter.
  const char* src =
      "STR MACRO s\n"
      " REPTC CHR,s\n"
      " LDI R16,'CHR'\n"
      " ST X+,R16\n"
      " ENDR\n"
      " ENDM\n"
      " STR \"AB\"\n"
      " END\n";
  ASSERT_EQ(assemble(src), 0) << out;
  EXPECT_EQ(words(), (W{0xE401, 0x930D, 0xE402, 0x930D}));
}

TEST_F(RepeatBlocks, MisplacedEnds) {
  EXPECT_EQ(assemble(" ENDR\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[68]")) << out;
  EXPECT_EQ(assemble(" REPT 2\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[75]")) << out;
  EXPECT_EQ(assemble(" REPT 2\n NOP\n ENDM\n ENDR\n END\n"), 3);
  EXPECT_TRUE(has("Error[79]")) << out;
  EXPECT_EQ(assemble(" REPT 2\n NOP\n"), 3);
  EXPECT_TRUE(has("Error[76]")) << out;
}

TEST_F(RepeatBlocks, BlockStackReportsTheOpenKind) {
  aq71::BlockStack b(aq71_test::test_run());
  EXPECT_EQ(b.pop(aq71::OPEN_MACRO), aq71::OPEN_NONE);
  EXPECT_EQ(aq71::diagnostic_counts(aq71_test::test_run()).run_errors, 1);
  b.push(aq71::OPEN_REPEAT, 7);
  b.push(aq71::OPEN_CONDITIONAL, 9);
  ASSERT_TRUE(b.origin());
  EXPECT_EQ(b.origin()->second, 9);
  EXPECT_EQ(b.pop(aq71::OPEN_CONDITIONAL), aq71::OPEN_REPEAT);
  EXPECT_EQ(b.pop(aq71::OPEN_MACRO), aq71::OPEN_NONE);  // error 79, removed all the same
  EXPECT_EQ(aq71::diagnostic_counts(aq71_test::test_run()).run_errors, 2);
  EXPECT_FALSE(b.origin());
  b.push(aq71::OPEN_MACRO, 3, false);  // replaces nothing: the bottom node stays
  EXPECT_EQ(b.size(), 1u);
}

TEST_F(RepeatBlocks, HeaderSplitting) {
  EXPECT_EQ(aq71::split_repti_header("X, a ,\"b,c\",d ; c"), (std::vector<std::string>{"X", "a", "\"b,c\"", "d"}));
  std::string f;
  std::vector<std::string> v;
  bool missing = false;
  EXPECT_TRUE(aq71::split_reptc_header(" C , xy  ", f, v, missing));
  EXPECT_EQ(f, "C");
  EXPECT_EQ(v, (std::vector<std::string>{"x", "y"}));
  EXPECT_FALSE(aq71::split_reptc_header("C", f, v, missing));
  EXPECT_FALSE(aq71::split_reptc_header("C,\"\"", f, v, missing));
  EXPECT_EQ(aq71::replace_formal("RR R", "R", "ab"), "abab ab");
  EXPECT_EQ(aq71::statement_words("L: endr ; x"), (std::pair<std::string, std::string>{"L", "ENDR"}));
  EXPECT_EQ(aq71::statement_words(" REPT 3").second, "REPT");
}

}  // namespace
}  // namespace aq71_test
