// Timer, edge and counter macros: layout of their library text, clean assembly of every macro
// (twice, so LOCAL labels cannot clash) and the instruction words they expand into, above all
// the preset each timer loads and the pointers each counter passes.

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

const std::vector<std::string> kNames = {"TON", "TOFF", "TAON", "TAOFF", "DF", "DFN", "CTU", "CTD"};

}  // namespace

TEST(MaclibTimerEdgeCounter, TextLayout) {
  auto lines = Lines(compiler::MacroLibTimerEdgeCounter());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "");

  std::vector<std::string> names;
  std::vector<std::vector<std::string>> bodies;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.empty() || l.rfind("        ", 0) == 0) continue;
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
    ASSERT_GE(body.size(), 4u) << names[m];
    // None of these is gated: the core routines must see the rung in both states.
    for (size_t i = 0; i + 1 < body.size(); ++i)
      EXPECT_FALSE(body[i] == "        SBRS    NOW,7" && body[i + 1] == "        RJMP    M_Q")
          << names[m] << " is gated";
    bool timer = m < 4;
    if (timer) {
      EXPECT_EQ(body[0], "        LOCAL   M_RST,M_Q") << names[m];
      EXPECT_NE(body[1], "        SBRS    NOW,7") << names[m];
      EXPECT_EQ(body.back(), "M_Q:") << names[m];
      // The reset label stands on the line that chooses the constant or the variable preset.
      int resets = 0;
      for (const auto& l : body) resets += l == "M_RST:  IF      \\2 < 7FFF0000H";
      EXPECT_EQ(resets, 1) << names[m];
    } else {
      for (const auto& l : body) {
        EXPECT_EQ(l.find("LOCAL"), std::string::npos) << names[m];
        EXPECT_EQ(l.rfind("        ", 0), 0u) << names[m] << ": label in " << l;
      }
    }
  }
}

TEST(MaclibTimerEdgeCounter, EveryMacroAssemblesTwice) {
  const std::string calls =
      " TON    T0,100\n TON    T5,D3\n TOFF   T1,1\n TOFF   T255,T2\n"
      " TAON   T2,32767\n TAON   T6,C4\n TAOFF  T3,40000\n TAOFF  T7,D511\n"
      " DF     M0,0\n DF     P3,7\n DFN    M127,7\n DFN    K1,4\n"
      " CTU    C0,10\n CTU    C255,D0\n CTD    C1,65535\n CTD    C3,T9\n";
  auto run = maclib_test::AssembleWithLibrary(calls + calls);
  EXPECT_TRUE(Clean(run)) << run.console;
  // The largest constant is still a constant; a symbol at 7FFF0000H and above is a device.
  run = maclib_test::AssembleWithLibrary(" TON T4,2147418111\n CTU C2,2147418111\n");
  EXPECT_TRUE(Clean(run)) << run.console;
}

TEST(MaclibTimerEdgeCounter, TimersLoadTheirPresetAndTestTheirTimeBase) {
  const char* program =
      " LDS    R0,LWRD(F0)\n"  // 5
      " LDS    R0,LWRD(T5)\n"  // 6
      " LDS    R0,LWRD(D3)\n"  // 7
      " TON    T5,100\n"       // 8
      " TON    T5,D3\n"        // 9
      " TOFF   T5,100\n"       // 10
      " TOFF   T5,D3\n"        // 11
      " TAON   T5,40000\n"     // 12
      " TAOFF  T5,40000\n";    // 13
  auto run = maclib_test::AssembleWithLibrary(program);
  ASSERT_TRUE(Clean(run)) << run.console;
  auto line = [&](int n) { return CodeOfLine(run.listing, n); };
  auto address = [&](int n) {
    auto w = line(n);
    return w.size() == 2 ? w[1] : -2;
  };
  const int f0 = address(kFirstLine), t5 = address(kFirstLine + 1), d3 = address(kFirstLine + 2);
  ASSERT_GE(t5, 0);
  auto ldi = [](int reg, int k) { return 0xE000 | (k & 0xF0) << 4 | (reg - 16) << 4 | (k & 0x0F); };
  const int xl = ldi(26, t5 & 0xFF), xh = ldi(27, t5 >> 8);

  // Relative jumps from word `at` to word `to` of one expansion.
  auto rjmp = [](int at, int to) { return 0xC000 | ((to - at - 1) & 0xFFF); };
  auto brne = [](int at, int to) { return 0xF401 | ((to - at - 1) & 0x7F) << 3; };

  // X at the timer; F0 bit 4 or the NOW bit off: reset (word 15); TIME_DIV bits 1, 0 = 1, 0:
  // count; every other way leads to M_Q after the reset block.
  auto tonHead = [&](int mq) {
    return std::vector<int>{xl,     xh,          0x9110, f0,           0xFD14, rjmp(5, 15), 0xFF07,      rjmp(7, 15),
                            0xFEC1, rjmp(9, mq), 0xFCC0, rjmp(11, mq), kAny,   kAny,        rjmp(14, mq)};
  };
  // Constant 100 is stored as 99 with the contact clear: LDI A,0 / ST X+,A / LDI A,63H / ST X,A.
  auto want = tonHead(19);
  want.insert(want.end(), {ldi(17, 0), 0x931D, ldi(17, 0x63), 0x931C});
  ExpectWords(line(8), want, "TON constant");
  // A variable preset is copied unchanged except for the contact bit: ANDI A,7FH.
  want = tonHead(22);
  want.insert(want.end(), {0x9110, d3, 0x771F, 0x931D, 0x9110, d3 + 1, 0x931C});
  ExpectWords(line(9), want, "TON variable");

  // NOW bit on: reset; contact (bit 7 of the timer's high byte) off: leave; else count.
  auto toffHead = [&](int mq) {
    return std::vector<int>{xl,     xh,          0xFD07, rjmp(3, 15),  0x9110, t5,   0xFF17,      rjmp(7, mq),
                            0xFEC1, rjmp(9, mq), 0xFCC0, rjmp(11, mq), kAny,   kAny, rjmp(14, mq)};
  };
  want = toffHead(19);
  want.insert(want.end(), {ldi(17, 0x80), 0x931D, ldi(17, 0x63), 0x931C});  // contact set
  ExpectWords(line(10), want, "TOFF constant");
  want = toffHead(22);
  want.insert(want.end(), {0x9110, d3, 0x6810, 0x931D, 0x9110, d3 + 1, 0x931C});  // ORI A,80H
  ExpectWords(line(11), want, "TOFF variable");

  // 100 ms timers: TST TIME_DIV20 / BRNE M_Q before the call. 40000 - 1 = 9C3FH.
  ExpectWords(line(12),
              {xl, xh, 0x9110, f0, 0xFD14, rjmp(5, 13), 0xFF07, rjmp(7, 13), 0x20DD, brne(9, 17), kAny, kAny,
               rjmp(12, 17), ldi(17, 0x1C), 0x931D, ldi(17, 0x3F), 0x931C},
              "TAON 40000 keeps the low 15 bits");
  ExpectWords(line(13),
              {xl, xh, 0xFD07, rjmp(3, 13), 0x9110, t5, 0xFF17, rjmp(7, 17), 0x20DD, brne(9, 17), kAny, kAny,
               rjmp(12, 17), ldi(17, 0x9C), 0x931D, ldi(17, 0x3F), 0x931C},
              "TAOFF 40000 forces the contact");
}

TEST(MaclibTimerEdgeCounter, EdgesAndCountersPassPointersAndPresets) {
  const char* program =
      " LDS    R0,LWRD(M2)\n"   // 5
      " LDS    R0,LWRD(C3)\n"   // 6
      " LDS    R0,LWRD(CC3)\n"  // 7
      " LDS    R0,LWRD(D2)\n"   // 8
      " DF     M2,3\n"          // 9
      " DFN    M2,7\n"          // 10
      " CTU    C3,1000\n"       // 11
      " CTD    C3,D2\n";        // 12
  auto run = maclib_test::AssembleWithLibrary(program);
  ASSERT_TRUE(Clean(run)) << run.console;
  auto line = [&](int n) { return CodeOfLine(run.listing, n); };
  auto address = [&](int n) {
    auto w = line(n);
    return w.size() == 2 ? w[1] : -2;
  };
  const int m2 = address(5), c3 = address(6), cc3 = address(7), d2 = address(8);
  ASSERT_GE(cc3, 0);
  auto ldi = [](int reg, int k) { return 0xE000 | (k & 0xF0) << 4 | (reg - 16) << 4 | (k & 0x0F); };

  // X at the edge byte, B = bit mask, then the core routine; no gate.
  ExpectWords(line(9), {ldi(26, m2 & 0xFF), ldi(27, m2 >> 8), ldi(18, 0x08), kAny, kAny}, "DF");
  ExpectWords(line(10), {ldi(26, m2 & 0xFF), ldi(27, m2 >> 8), ldi(18, 0x80), kAny, kAny}, "DFN");
  // X at the count word, Y at its control byte, preset low byte in B, high byte in C.
  const std::vector<int> pointers = {ldi(26, c3 & 0xFF), ldi(27, c3 >> 8), ldi(28, cc3 & 0xFF), ldi(29, cc3 >> 8)};
  auto want = pointers;
  want.insert(want.end(), {ldi(18, 0xE8), ldi(19, 0x03), kAny, kAny});
  ExpectWords(line(11), want, "CTU constant");
  want = pointers;
  want.insert(want.end(), {0x9120, d2 + 1, 0x9130, d2, kAny, kAny});
  ExpectWords(line(12), want, "CTD variable");
}
