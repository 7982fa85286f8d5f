// The data move and arithmetic macros: their layout in the library, their assembly with aq71,
// their instruction words and what the expanded code does to device words when it runs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "compiler/macro_library.h"
#include "maclib_avr_sim_support.h"
#include "macro_library_support.h"

namespace {

using maclib_test::Execute;
std::vector<uint16_t> Assemble(const std::string& p, bool rungOn = true) {
  return maclib_test::AssembleClean(p, rungOn);
}
uint16_t Dev(const std::string& name) { return maclib_test::Device(name); }

using maclib_test::Macros;
using maclib_test::MacroText;

// Checks the header padding, the LOCAL line, the rung gate and the closing M_Q of a gated macro.
void ExpectGated(const MacroText& m, const std::string& locals) {
  std::string padded = m.name;
  if (padded.size() < 8)
    padded.resize(8, ' ');
  else
    padded += ' ';
  EXPECT_EQ(m.header, padded + "MACRO");
  ASSERT_GE(m.body.size(), 4u) << m.name;
  EXPECT_EQ(m.body[0], "        LOCAL   " + locals) << m.name;
  const size_t gate = maclib_test::GateLine(m);
  ASSERT_LT(gate + 1, m.body.size()) << m.name;
  EXPECT_EQ(m.body[gate + 1], "        RJMP    M_Q") << m.name;
  EXPECT_EQ(m.body.back(), "M_Q") << m.name;
}

void ExpectLayout(std::string_view group, const std::vector<std::pair<std::string, std::string>>& expected) {
  std::vector<std::string> outside;
  auto macros = Macros(group, &outside);
  ASSERT_EQ(macros.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(macros[i].name, expected[i].first);
    ExpectGated(macros[i], expected[i].second);
    for (const auto& l : macros[i].body)
      EXPECT_TRUE(l.rfind("        ", 0) == 0 || l.rfind("M_", 0) == 0) << macros[i].name << ": " << l;
  }
  // Between the macros only blank lines and comment lines.
  for (const auto& l : outside) EXPECT_TRUE(l.empty() || l.rfind("        ;", 0) == 0) << l;
  EXPECT_TRUE(group.substr(0, 1) == "\n");  // a blank line before the group
  EXPECT_EQ(group.back(), 'M');             // no line end after the last ENDM
}

bool Contains(const std::vector<uint16_t>& words, const std::vector<uint16_t>& seq) {
  for (size_t i = 0; i + seq.size() <= words.size(); ++i)
    if (std::equal(seq.begin(), seq.end(), words.begin() + i)) return true;
  return false;
}

TEST(MaclibDataMove, LayoutAndGates) {
  ExpectLayout(compiler::MacroLibDataMove(), {{"MOVE", "M_Q,M_D"},
                                              {"CMOVE", "M_Q,M_D"},
                                              {"WMOV", "M_Q,M_D"},
                                              {"DWMOV", "M_Q,M_D"},
                                              {"WCMOV", "M_Q,M_D"},
                                              {"DWCMOV", "M_Q,M_D"},
                                              {"WNEG", "M_Q,M_D"},
                                              {"DWNEG", "M_Q,M_D"},
                                              {"WXCHG", "M_Q,M_D,M_E"},
                                              {"DWXCHG", "M_Q,M_D,M_E"},
                                              {"FMOV", "M_Q,M_1,M_D"},
                                              {"GMOV", "M_Q,M_1,M_D,M_E"}});
}

TEST(MaclibArithmetic, LayoutAndGates) {
  ExpectLayout(compiler::MacroLibArithmetic(), {{"WINC", "M_Q,M_D"},
                                                {"DWINC", "M_Q,M_D"},
                                                {"WDEC", "M_Q,M_D"},
                                                {"DWDEC", "M_Q,M_D"},
                                                {"WADD", "M_Q,M_D"},
                                                {"DWADD", "M_Q,M_D"},
                                                {"WSUB", "M_Q,M_D"},
                                                {"DWSUB", "M_Q,M_D"},
                                                {"WMUL", "M_Q,M_1,M_2,M_D"},
                                                {"DWMUL", "M_Q,M_1,M_2,M_D"},
                                                {"WDIV", "M_Q,M_1,M_2,M_3,M_4,M_D"},
                                                {"DWDIV", "M_Q,M_1,M_2,M_3,M_4,M_D"}});
}

TEST(MaclibDataMove, EveryFormAssemblesTwiceAndUsesImmediatesForConstants) {
  std::string once =
      " MOVE   5,D0\n MOVE   D1,M3\n CMOVE  0,D0\n CMOVE  K1,D0\n"
      " WMOV   1234H,D0\n WMOV   T5,D2\n DWMOV  2147418111,D0\n DWMOV  D0,D2\n"
      " WCMOV  1,D0\n WCMOV  C3,D0\n DWCMOV 7,D2\n DWCMOV D1,D2\n"
      " WNEG   1,D0\n WNEG   D1,D0\n DWNEG  80000000H,D4\n DWNEG  D1,D2\n"
      " WXCHG  D0,D1\n DWXCHG D0,D2\n FMOV   7,D0,3\n FMOV   D1,D0,D2\n GMOV   D0,D2,D10\n GMOV   D0,D2,2";
  auto words = Assemble(once + "\n" + once);
  // The +1 of the negation: SUBI B,LOW(-1) and SBCI A,HIGH(-1).
  EXPECT_TRUE(Contains(words, {0x5F2F, 0x4F1F}));
  // The fill and group loops count Z down with SBIW ZL,1.
  EXPECT_TRUE(Contains(words, {0x9731}));
  // A constant word move loads the destination pointer and stores immediates only.
  auto wmov = Assemble(" WMOV   1234H,D0");
  uint16_t d0 = Dev("D0");
  EXPECT_EQ(wmov, (std::vector<uint16_t>{0xE800, 0xFF07, 0xC006, uint16_t(0xE0C0 | ((d0 & 0xF0) << 4) | (d0 & 0x0F)),
                                         uint16_t(0xE0D0 | ((d0 >> 4) & 0xF00) | ((d0 >> 8) & 0x0F)), 0xE112, 0x9319,
                                         0xE314, 0x8318}));
}

TEST(MaclibDataMove, MovesComplementsAndNegations) {
  auto cpu = Execute(
      " MOVE   1234H,M0\n MOVE   D1,M1\n CMOVE  0,M2\n WMOV   0ABCDH,D2\n DWMOV  12345678H,D4\n"
      " DWMOV  D4,D6\n WCMOV  D1,D8\n DWCMOV 0F0F0F0F0H,D10\n"
      " WNEG   D20,D21\n WNEG   8000H,D22\n WNEG   1,D23\n DWNEG  D24,D26\n DWNEG  80000000H,D28\n"
      " DWNEG  0,D30",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D1"), 0x5AA5);
        c.SetWord(Dev("D20"), 0);
        c.SetDword(Dev("D24"), 1);
        c.SetDword(Dev("D30"), 0x11111111);
      });
  EXPECT_EQ(cpu.ram[Dev("M0")], 0x34);
  EXPECT_EQ(cpu.ram[Dev("M1")], 0x5A);  // a word source moves its high byte
  EXPECT_EQ(cpu.ram[Dev("M2")], 0xFF);
  EXPECT_EQ(cpu.Word(Dev("D2")), 0xABCD);
  EXPECT_EQ(cpu.ram[Dev("D4")], 0x12);
  EXPECT_EQ(cpu.ram[Dev("D4") + 3], 0x78);
  EXPECT_EQ(cpu.Dword(Dev("D6")), 0x12345678u);
  EXPECT_EQ(cpu.Word(Dev("D8")), 0xA55A);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0x0F0F0F0Fu);
  EXPECT_EQ(cpu.Word(Dev("D21")), 0);
  EXPECT_EQ(cpu.Word(Dev("D22")), 0x8000);
  EXPECT_EQ(cpu.Word(Dev("D23")), 0xFFFF);
  EXPECT_EQ(cpu.Dword(Dev("D26")), 0xFFFFFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D28")), 0x80000000u);
  EXPECT_EQ(cpu.Dword(Dev("D30")), 0u);
}

TEST(MaclibDataMove, ExchangesFillsAndGroupMoves) {
  auto cpu = Execute(
      " WXCHG  D0,D1\n DWXCHG D2,D4\n WXCHG  D6,D6\n FMOV   1234H,D10,1\n FMOV   D7,D20,D8\n"
      " GMOV   D20,D40,D9\n GMOV   D0,D50,2",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0x1111);
        c.SetWord(Dev("D1"), 0x2222);
        c.SetDword(Dev("D2"), 0x01020304);
        c.SetDword(Dev("D4"), 0x05060708);
        c.SetWord(Dev("D6"), 0x6666);
        c.SetWord(Dev("D7"), 0xBEEF);
        c.SetWord(Dev("D8"), 3);
        c.SetWord(Dev("D9"), 3);
        c.SetWord(Dev("D11"), 0x7777);
        c.SetWord(Dev("D23"), 0x7777);
      });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0x2222);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0x1111);
  EXPECT_EQ(cpu.Dword(Dev("D2")), 0x05060708u);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0x01020304u);
  EXPECT_EQ(cpu.Word(Dev("D6")), 0x6666);
  EXPECT_EQ(cpu.Word(Dev("D10")), 0x1234);
  EXPECT_EQ(cpu.Word(Dev("D11")), 0x7777);  // a count of 1 writes one word
  for (const char* d : {"D20", "D21", "D22", "D40", "D41", "D42"}) EXPECT_EQ(cpu.Word(Dev(d)), 0xBEEF) << d;
  EXPECT_EQ(cpu.Word(Dev("D23")), 0x7777);
  EXPECT_EQ(cpu.Word(Dev("D43")), 0);
  EXPECT_EQ(cpu.Word(Dev("D9")), 3);  // the count device is only read
  EXPECT_EQ(cpu.Word(Dev("D50")), 0x2222);
  EXPECT_EQ(cpu.Word(Dev("D51")), 0x1111);
}

TEST(MaclibDataMove, NothingChangesWhileTheRungIsOff) {
  auto cpu = Execute(
      " MOVE   5,D0\n WMOV   1,D1\n DWNEG  1,D2\n WXCHG  D4,D5\n FMOV   1,D6,2\n GMOV   D4,D8,1",
      [](maclib_test::AvrMachine& c) { c.SetWord(Dev("D4"), 0x4444); }, false);
  for (const char* d : {"D0", "D1", "D2", "D3", "D5", "D6", "D7", "D8"}) EXPECT_EQ(cpu.Word(Dev(d)), 0) << d;
  EXPECT_EQ(cpu.Word(Dev("D4")), 0x4444);
}

TEST(MaclibArithmetic, EveryFormAssemblesTwice) {
  std::string once =
      " WINC   D0\n DWINC  D0\n WDEC   C1\n DWDEC  D2\n WADD   1,D0,D2\n WADD   D0,2,D2\n"
      " DWADD  D0,D1,D2\n DWADD  12345678H,2147418111,D2\n WSUB   D0,1,D0\n WSUB   7,T2,D0\n"
      " DWSUB  5,D1,D2\n DWSUB  D1,5,D2\n WMUL   D0,D1,D2\n WMUL   3,4,D2\n DWMUL  D0,D2,D10\n"
      " DWMUL  3,4,D10\n WDIV   D0,7,D2\n WDIV   100,D1,D2\n DWDIV  D0,D2,D10\n DWDIV  100,7,D10";
  auto words = Assemble(once + "\n" + once);
  EXPECT_TRUE(Contains(words, {0x9631}));  // ADIW ZL,1
  EXPECT_TRUE(Contains(words, {0x9731}));  // SBIW ZL,1
  EXPECT_TRUE(Contains(words, {0x1B66}));  // SUB F,F clears the remainder and the carry
  EXPECT_TRUE(Contains(words, {0x1BCC}));  // SUB YL,YL
}

TEST(MaclibArithmetic, IncrementAndDecrementWrapAround) {
  auto cpu = Execute(" WINC   D0\n DWINC  D2\n DWINC  D4\n WDEC   D6\n DWDEC  D8\n DWDEC  D10\n DWINC  D12",
                     [](maclib_test::AvrMachine& c) {
                       c.SetWord(Dev("D0"), 0xFFFF);
                       c.SetDword(Dev("D2"), 0x0000FFFF);
                       c.SetDword(Dev("D4"), 0xFFFFFFFF);
                       c.SetWord(Dev("D6"), 0);
                       c.SetDword(Dev("D8"), 0x00010000);
                       c.SetDword(Dev("D10"), 0);
                       c.SetDword(Dev("D12"), 0x12340005);
                     });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0);
  EXPECT_EQ(cpu.Dword(Dev("D2")), 0x00010000u);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0u);
  EXPECT_EQ(cpu.Word(Dev("D6")), 0xFFFF);
  EXPECT_EQ(cpu.Dword(Dev("D8")), 0x0000FFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0xFFFFFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D12")), 0x12340006u);
}

TEST(MaclibArithmetic, AdditionAndSubtraction) {
  auto cpu = Execute(
      " WADD   D0,1,D2\n WSUB   0,1,D3\n DWSUB  0,1,D4\n WADD   D0,D1,D1\n WSUB   D10,D11,D10\n"
      " DWADD  D20,D22,D22\n DWADD  12345678H,11111111H,D24\n DWSUB  D26,D28,D28\n WSUB   D12,1,D12",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0xFFFF);
        c.SetWord(Dev("D1"), 0x0102);
        c.SetWord(Dev("D10"), 0x1000);
        c.SetWord(Dev("D11"), 0x0001);
        c.SetWord(Dev("D12"), 0x8000);
        c.SetDword(Dev("D20"), 0x00FFFFFF);
        c.SetDword(Dev("D22"), 0x00000001);
        c.SetDword(Dev("D26"), 0x10000000);
        c.SetDword(Dev("D28"), 0x00000001);
      });
  EXPECT_EQ(cpu.Word(Dev("D2")), 0);
  EXPECT_EQ(cpu.Word(Dev("D3")), 0xFFFF);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0xFFFFFFFFu);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0x0101);  // the result may be a source
  EXPECT_EQ(cpu.Word(Dev("D10")), 0x0FFF);
  EXPECT_EQ(cpu.Dword(Dev("D22")), 0x01000000u);
  EXPECT_EQ(cpu.Dword(Dev("D24")), 0x23456789u);
  EXPECT_EQ(cpu.Dword(Dev("D28")), 0x0FFFFFFFu);
  EXPECT_EQ(cpu.Word(Dev("D12")), 0x7FFF);  // constants are not sign-extended
}

TEST(MaclibArithmetic, MultiplicationAndDivision) {
  auto cpu = Execute(
      " WMUL   D0,D0,D2\n WMUL   1234H,5678H,D4\n DWMUL  D6,D6,D10\n DWMUL  12345678H,9ABCH,D14\n"
      " WDIV   100,7,D20\n WDIV   5,10,D22\n WDIV   D24,0,D26\n DWDIV  D30,D32,D34\n"
      " DWDIV  D40,0,D42\n DWDIV  123456789,1000,D46",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0xFFFF);
        c.SetDword(Dev("D6"), 0xFFFFFFFF);
        c.SetWord(Dev("D24"), 0x4321);
        c.SetDword(Dev("D30"), 0xFFFFFFFF);
        c.SetDword(Dev("D32"), 0x10000);
        c.SetDword(Dev("D40"), 0x87654321);
      });
  EXPECT_EQ(cpu.Dword(Dev("D2")), 0xFFFE0001u);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0x1234u * 0x5678u);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0xFFFFFFFEu);
  EXPECT_EQ(cpu.Dword(Dev("D12")), 0x00000001u);
  uint64_t p = 0x12345678ull * 0x9ABCull;
  EXPECT_EQ(cpu.Dword(Dev("D14")), uint32_t(p >> 32));
  EXPECT_EQ(cpu.Dword(Dev("D16")), uint32_t(p));
  EXPECT_EQ(cpu.Word(Dev("D20")), 14);
  EXPECT_EQ(cpu.Word(Dev("D21")), 2);
  EXPECT_EQ(cpu.Word(Dev("D22")), 0);
  EXPECT_EQ(cpu.Word(Dev("D23")), 5);
  EXPECT_EQ(cpu.Word(Dev("D26")), 0xFFFF);  // division by 0: all ones, dividend as remainder
  EXPECT_EQ(cpu.Word(Dev("D27")), 0x4321);
  EXPECT_EQ(cpu.Dword(Dev("D34")), 0xFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D36")), 0xFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D42")), 0xFFFFFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D44")), 0x87654321u);
  EXPECT_EQ(cpu.Dword(Dev("D46")), 123456u);
  EXPECT_EQ(cpu.Dword(Dev("D48")), 789u);
}

TEST(MaclibArithmetic, NothingChangesWhileTheRungIsOff) {
  auto cpu = Execute(
      " WINC   D0\n DWDEC  D2\n WADD   1,2,D4\n WMUL   2,3,D6\n DWDIV  9,2,D8", [](maclib_test::AvrMachine&) {}, false);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(cpu.Word(Dev("D" + std::to_string(i))), 0) << i;
}

}  // namespace
