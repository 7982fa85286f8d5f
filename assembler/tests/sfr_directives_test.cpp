// SFR declarations (SFRB, SFRW, SFRTYPE, CONST) and the directives DEFINE, LIMIT, CASEON,
// CASEOFF and RADIX, seen through the symbols, code and problem reports they leave; floating
// constants through the whole assembler.
#include <gtest/gtest.h>

#include "assembler/sfr_directives.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;

class SfrDirectives : public InProcessAssembly {
 protected:
  // The module's names have left the tree: the label is found through the statement that
  // defined it last.
  aq71::LabelRec* label(const std::string& name) {
    aq71::LabelRec* found = nullptr;
    for (Statement* st : chain(aq71::SEG_ASEG))
      if (st->label() && st->label()->name == name) found = aq71::label_record(st->label());
    return found;
  }
  std::uint32_t sfr_bits(const std::string& name) {
    aq71::LabelRec* l = label(name);
    return l ? l->flags & aq71::SFR_ATTR_ALL : 0xFFFFFFFFu;
  }
};

TEST_F(SfrDirectives, DeclarationsGiveValuesAndAttributes) {
  ASSERT_EQ(assemble(" SFRB PORTB = 0x18\n CONST SFRB PINB = 0x16\n SFRW SP = 0x3D\n"
                     " CONST SFRW RO = 0x20\n SFRTYPE P READ,BYTE = 0x16\n"
                     " IN R16,PORTB\n OUT PORTB,R16\n IN R17,PINB\n SBI PORTB,3\n IN R18,P\n END\n"),
            0)
      << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xB308, 0xBB08, 0xB316, 0x9AC3, 0xB326}));
  EXPECT_EQ(sfr_bits("PORTB"), 0x81A00u);
  EXPECT_EQ(sfr_bits("PINB"), 0x80A00u);
  EXPECT_EQ(sfr_bits("SP"), 0x101A00u);
  EXPECT_EQ(sfr_bits("RO"), 0x100A00u);
  EXPECT_EQ(sfr_bits("P"), 0x80A00u);
  ASSERT_NE(label("SP"), nullptr);
  EXPECT_EQ(aq71::label_value(aq71_test::test_run(), *label("SP")).value, 0x3Du);
  EXPECT_FALSE(has("Warning")) << out;
  // CONST lasts for its line only.
  ASSERT_EQ(assemble(" CONST SFRB A1 = 1\n SFRB A2 = 2\n END\n"), 0) << out;
  EXPECT_EQ(sfr_bits("A1"), 0x80A00u);
  EXPECT_EQ(sfr_bits("A2"), 0x81A00u);
}

TEST_F(SfrDirectives, InstructionsCheckAccessAndSize) {
  EXPECT_EQ(assemble(" CONST SFRB PINB = 0x16\n OUT PINB,R16\n END\n"), 2);
  EXPECT_TRUE(has("Error[401]")) << out;
  EXPECT_EQ(assemble(" SFRW SP = 0x3D\n IN R16,SP\n END\n"), 2);
  EXPECT_TRUE(has("Error[402]")) << out;
  EXPECT_EQ(assemble(" SFRTYPE W WRITE,BYTE = 5\n SBIC W,1\n END\n"), 2);
  EXPECT_TRUE(has("Error[401]")) << out;
}

TEST_F(SfrDirectives, SfrTypeCompletesTheAttributes) {
  ASSERT_EQ(assemble(" SFRTYPE P READ,BYTE = 0x16\n END\n"), 0) << out;
  EXPECT_FALSE(has("Warning")) << out;
  ASSERT_EQ(assemble(" SFRTYPE P READ,WRITE = 0x16\n END\n"), 0) << out;
  EXPECT_TRUE(has("Warning[402]")) << out;
  EXPECT_EQ(sfr_bits("P"), 0x81A00u);
  ASSERT_EQ(assemble(" SFRTYPE P BYTE,WORD,READ = 0x16\n END\n"), 0) << out;
  EXPECT_TRUE(has("Warning[401]")) << out;
  EXPECT_EQ(sfr_bits("P"), 0x80A00u);
  ASSERT_EQ(assemble(" SFRTYPE P WORD = 0x16\n END\n"), 0) << out;
  EXPECT_TRUE(has("Warning[400]")) << out;
  EXPECT_EQ(sfr_bits("P"), 0x100200u);
  // SFRTYPE replaces the attributes of an earlier declaration.
  ASSERT_EQ(assemble(" SFRW P = 1\n SFRTYPE P READ,BYTE = 2\n END\n"), 0) << out;
  EXPECT_TRUE(has("Warning[13]")) << out;
  EXPECT_EQ(sfr_bits("P"), 0x80A00u);
  ASSERT_NE(label("P"), nullptr);
  EXPECT_EQ(aq71::label_value(aq71_test::test_run(), *label("P")).value, 2u);
}

TEST_F(SfrDirectives, MalformedDeclarations) {
  struct Case {
    const char* source;
    const char* report;
  };
  for (Case c : {Case{" SFRB 5 = 3\n END\n", "Error[41]"},
                 {" SFRB A 3\n END\n", "Error[65]"},
                 {" SFRW\n END\n", "Error[41]"},
                 {" SFRTYPE B READ,FOO = 3\n END\n", "Error[83]"},
                 {" SFRTYPE B READ 3\n END\n", "Error[0]"},
                 {" SFRTYPE B = 3\n END\n", "Error[83]"},
                 {"L: NOP\n SFRB L = 3\n END\n", "Error[42]"},
                 {" SFRB A = 0x40\n END\n", "Error[70]"},
                 {" SFRB A = -1\n END\n", "Error[70]"},
                 {" SFRB A = 3 4\n END\n", "Error[0]"},
                 {" CONST NOP\n END\n", "Error[0]"}}) {
    EXPECT_EQ(assemble(c.source), 2) << c.source;
    EXPECT_TRUE(has(c.report)) << c.source << out;
  }
  // The address range is checked once a forward value is known.
  EXPECT_EQ(assemble(" SFRB A = B\nB EQU 0x100\n END\n"), 2);
  EXPECT_TRUE(has("Special Function Register (SFR) address is out of range")) << out;
  EXPECT_EQ(assemble(" SFRB A = B\nB EQU 0x3F\n IN R0,A\n END\n"), 0) << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xB60F}));
}

TEST_F(SfrDirectives, DefineAndLimit) {
  ASSERT_EQ(assemble("K DEFINE 5\n LDI R16,K\nV VAR 1\nV DEFINE 2\n LDI R17,V\n END\n"), 0) << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xE005, 0xE012}));
  EXPECT_EQ(assemble("K DEFINE 5\nK DEFINE 6\n END\n"), 2);
  EXPECT_TRUE(has("Error[42]")) << out;
  EXPECT_EQ(assemble(" DEFINE 5\n END\n"), 2);
  EXPECT_TRUE(has("Error[41]")) << out;

  // Known values are checked at once, others when they are solved.
  EXPECT_EQ(assemble("K EQU 11\n LIMIT K,0,10,\"K too big\"\n END\n"), 2);
  EXPECT_TRUE(has("Limit exceeded: 'K too big', value is: 11")) << out;
  EXPECT_EQ(assemble(" LIMIT K,0,10,\nK EQU -1\n END\n"), 2);
  EXPECT_TRUE(has("Error[70]")) << out;
  EXPECT_TRUE(has("'K', value is: -1")) << out;
  EXPECT_EQ(assemble(" LIMIT K,0,10,\"m\"\nK EQU 10\n LIMIT J,-5,5,\"j\"\nJ EQU -5\n END\n"), 0) << out;
  for (const char* bad : {" LIMIT K 0,1,\"m\"\n", " LIMIT K,0\n", " LIMIT K,0,1\n"}) {
    EXPECT_EQ(assemble(std::string(bad) + "K EQU 1\n END\n"), 2) << bad;
    EXPECT_TRUE(has("Error[44]")) << bad << out;
  }
  EXPECT_EQ(assemble(" LIMIT 3,0,1,\"m\"\n END\n"), 2);
  EXPECT_TRUE(has("Error[41]")) << out;
}

TEST_F(SfrDirectives, CaseAndRadix) {
  ASSERT_EQ(assemble(" CASEOFF\nlab: NOP\n RJMP LAB\n END\n"), 0) << out;
  EXPECT_EQ(assemble(" CASEON\nlab: NOP\n RJMP LAB\n END\n"), 2);
  EXPECT_TRUE(has("Error[50]")) << out;
  ASSERT_EQ(assemble(" RADIX 16\n LDI R16,10\n RADIX 0AH\n LDI R17,10\n RADIX 2\n LDI R18,101\n END\n"), 0) << out;
  EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xE100, 0xE01A, 0xE025}));
  // A radix without digits to match stays refused; the old one holds.
  for (const char* bad : {" RADIX 0\n", " RADIX 17\n", " RADIX -2\n", " RADIX\n", " RADIX 10 5\n"}) {
    EXPECT_EQ(assemble(std::string(bad) + " LDI R16,12\n END\n"), 2) << bad;
    EXPECT_EQ(words(1), (std::vector<std::uint16_t>{0xE00C})) << bad;
  }
}

TEST_F(SfrDirectives, FloatingConstantsWarnThroughTheAssembler) {
  // Floating constants are no data items, but their value is computed as they are read.
  EXPECT_EQ(assemble(" DB 1.0e400\n END\n"), 2);
  EXPECT_TRUE(has("Warning[5]: Floating point value out-of-range")) << out;
  EXPECT_TRUE(has("Error[0]")) << out;
  EXPECT_EQ(assemble(" DB 2.5e-3\n END\n"), 2);
  EXPECT_FALSE(has("Warning")) << out;
}

// Random lines of the directives' words end with an exit code, never a crash.
TEST_F(SfrDirectives, RandomDirectiveLinesEndCleanly) {
  const std::vector<std::string> words = {
      " SFRB", " SFRW", " SFRTYPE", " CONST",   " LIMIT", " DEFINE", " CASEON", " CASEOFF", " RADIX", " A",  " B",
      "L:",    " READ", " WRITE",   " BYTE",    " WORD",  " =",      ",",       "0x3F",     "1",      "-1",  "16",
      "\"m\"", " VAR",  " EQU",     " IN R0,A", " 1.5",   "1.0e999", "(",       ")",        ";c",     " NOP"};
  std::mt19937 rng(4242);
  for (int run = 0; run < 300; ++run) {
    std::string text;
    int lines = static_cast<int>(rng() % 6) + 1;
    for (int l = 0; l < lines; ++l) {
      int n = static_cast<int>(rng() % 7);
      for (int k = 0; k < n; ++k) text += words[rng() % words.size()];
      text += "\n";
    }
    text += " END\n";
    int code = assemble(text);
    ASSERT_TRUE(code == 0 || code == 2) << code << "\n" << text << out;
  }
}

}  // namespace
}  // namespace aq71_test
