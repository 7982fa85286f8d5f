// Master control, step and output macros: layout of their library text, clean assembly of every
// macro (twice, so LOCAL labels cannot clash) and the instruction words they expand into.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/macro_library.h"
#include "compiler/tests/macro_library_support.h"

namespace {

using maclib_test::Clean;
using maclib_test::CodeOfLine;
using maclib_test::ExpectWords;
using maclib_test::kAny;
using maclib_test::Lines;

// Program lines begin at listing line 5 (after the three includes and the segment line).
constexpr int kFirstLine = 5;

const std::vector<std::string> kNames = {"MCS",   "MCSCLR",  "SLOAD",   "SLOADN", "SAN",    "SANN", "SIOR",
                                         "SIORN", "STEPOUT", "STEPSET", "SETOUT", "RSTOUT", "OT"};

}  // namespace

TEST(MaclibMasterStepOutput, TextLayout) {
  auto lines = Lines(compiler::MacroLibMasterStepOutput());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "");  // a blank line parts the group from the rung logic before it

  std::vector<std::string> names;
  std::vector<std::vector<std::string>> bodies;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.empty() || l.rfind("        ", 0) == 0 || l.rfind("M_Q:", 0) == 0) continue;
    // A macro header: the name padded to eight columns, then MACRO.
    ASSERT_GE(l.size(), 13u) << l;
    EXPECT_EQ(l.substr(8, 5), "MACRO") << l;
    names.push_back(l.substr(0, l.find(' ')));
    bodies.emplace_back();
    for (++i; i < lines.size() && lines[i] != "        ENDM"; ++i) bodies.back().push_back(lines[i]);
    ASSERT_LT(i, lines.size()) << "no ENDM after " << names.back();
  }
  EXPECT_EQ(names, kNames);

  for (size_t m = 0; m < names.size(); ++m) {
    const auto& body = bodies[m];
    bool gated = names[m] == "STEPOUT" || names[m] == "STEPSET" || names[m] == "SETOUT" || names[m] == "RSTOUT";
    if (names[m] == "MCSCLR") {
      EXPECT_TRUE(body.empty());
      continue;
    }
    ASSERT_GE(body.size(), 3u) << names[m];
    if (gated) {
      EXPECT_EQ(body[0], "        LOCAL   M_Q") << names[m];
      EXPECT_EQ(body[1], "        SBRS    NOW,7") << names[m];
      EXPECT_EQ(body[2], "        RJMP    M_Q") << names[m];
      EXPECT_EQ(body.back(), "M_Q:") << names[m];
    } else {
      for (const auto& l : body) {
        EXPECT_EQ(l.find("LOCAL"), std::string::npos) << names[m];
        EXPECT_EQ(l.rfind("        ", 0), 0u) << names[m] << ": label in " << l;
      }
    }
  }
}

TEST(MaclibMasterStepOutput, EveryMacroAssemblesTwice) {
  const std::string calls =
      " MCS    0\n MCS    7\n MCSCLR 0\n"
      " SLOAD  S0,5\n SLOADN S1,0\n SAN    S2,255\n SANN   S0,1\n SIOR   S31,7\n SIORN  S3,2\n"
      " STEPOUT S0,4\n STEPSET S0,0\n STEPSET S0,9\n"
      " SETOUT P0,0\n SETOUT M12,7\n RSTOUT K3,5\n RSTOUT F1,1\n OT     P1,2\n OT     T4,7\n";
  for (int model : {1, 2, 3, 4, 5, 10}) {
    auto run = maclib_test::AssembleWithLibrary(calls + calls, model);
    EXPECT_TRUE(Clean(run)) << "model " << model << "\n" << run.console;
  }
}

TEST(MaclibMasterStepOutput, ExpandsToTheExpectedWords) {
  // Reference lines give the addresses the stub assigns.
  const char* program =
      " LDS    R0,LWRD(MC0)\n"  // 5
      " LDS    R0,LWRD(S0)\n"   // 6
      " LDS    R0,LWRD(P1)\n"   // 7
      " MCS    3\n"             // 8
      " MCSCLR 3\n"             // 9
      " SLOAD  S0,5\n"          // 10
      " SLOADN S0,5\n"          // 11
      " SAN    S0,5\n"          // 12
      " SANN   S0,5\n"          // 13
      " SIOR   S0,5\n"          // 14
      " SIORN  S0,5\n"          // 15
      " STEPOUT S0,200\n"       // 16
      " STEPSET S0,0\n"         // 17
      " STEPSET S0,3\n"         // 18
      " SETOUT P1,3\n"          // 19
      " RSTOUT P1,3\n"          // 20
      " OT     P1,6\n";         // 21
  auto run = maclib_test::AssembleWithLibrary(program);
  ASSERT_TRUE(Clean(run)) << run.console;
  auto line = [&](int n) { return CodeOfLine(run.listing, n); };
  auto address = [&](int n) {
    auto w = line(n);
    return w.size() == 2 ? w[1] : -2;
  };
  const int mc0 = address(kFirstLine), s0 = address(kFirstLine + 1), p1 = address(kFirstLine + 2);
  ASSERT_GE(mc0, 0);

  // LDS A,MC0 / BST NOW,7 / BLD A,3 / STS MC0,A
  ExpectWords(line(8), {0x9110, mc0, 0xFB07, 0xF913, 0x9310, mc0}, "MCS");
  EXPECT_TRUE(line(9).empty());
  // MOV NOW_SAVE,NOW / CLR NOW / LDS A,S0 / CPI A,5 / BRNE $+4 / SBR NOW,80H
  ExpectWords(line(10), {0x2EE0, 0x2700, 0x9110, s0, 0x3015, 0xF409, 0x6800}, "SLOAD");
  ExpectWords(line(11), {0x2EE0, 0x2700, 0x9110, s0, 0x3015, 0xF009, 0x6800}, "SLOADN");
  // The branch skips exactly the one-word set or clear (CBR NOW,80H = ANDI NOW,7FH).
  ExpectWords(line(12), {0x9110, s0, 0x3015, 0xF009, 0x770F}, "SAN");
  ExpectWords(line(13), {0x9110, s0, 0x3015, 0xF409, 0x770F}, "SANN");
  ExpectWords(line(14), {0x9110, s0, 0x3015, 0xF409, 0x6800}, "SIOR");
  ExpectWords(line(15), {0x9110, s0, 0x3015, 0xF009, 0x6800}, "SIORN");
  // Gate, LDI A,200 / STS S0,A
  ExpectWords(line(16), {0xFF07, 0xC003, 0xEC18, 0x9310, s0}, "STEPOUT");
  // Step 0: CLR A and store, no increment.
  ExpectWords(line(17), {0xFF07, 0xC003, 0x2711, 0x9310, s0}, "STEPSET 0");
  // LDS / INC A / CPI A,3 / BRNE M_Q / STS: stored only when the register held step - 1.
  ExpectWords(line(18), {0xFF07, 0xC007, 0x9110, s0, 0x9513, 0x3013, 0xF411, 0x9310, s0}, "STEPSET 3");
  ExpectWords(line(19), {0xFF07, 0xC005, 0x9110, p1, 0x6018, 0x9310, p1}, "SETOUT");
  ExpectWords(line(20), {0xFF07, 0xC005, 0x9110, p1, 0x7F17, 0x9310, p1}, "RSTOUT");
  ExpectWords(line(21), {0x9110, p1, 0xFB07, 0xF916, 0x9310, p1}, "OT");
}
