// The logic, rotate, program flow and shift macros: their layout in the library, their assembly
// with aq71, their instruction words and what the expanded code does when it runs.
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
std::string AssembleListing(const std::string& p, bool rungOn = true) {
  return maclib_test::AssembleCleanListing(p, rungOn);
}

using maclib_test::Macros;
using maclib_test::MacroText;

std::string Header(const std::string& name) {
  std::string padded = name;
  if (padded.size() < 8)
    padded.resize(8, ' ');
  else
    padded += ' ';
  return padded + "MACRO";
}

// Expected names in file order; locals empty for an ungated macro.
void ExpectLayout(std::string_view group, const std::vector<std::pair<std::string, std::string>>& expected,
                  const std::string& commentPrefix = "        ;") {
  std::vector<std::string> outside;
  auto macros = Macros(group, &outside);
  ASSERT_EQ(macros.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto& m = macros[i];
    EXPECT_EQ(m.name, expected[i].first);
    EXPECT_EQ(m.header, Header(m.name));
    if (expected[i].second.empty()) continue;
    ASSERT_GE(m.body.size(), 4u) << m.name;
    EXPECT_EQ(m.body[0], "        LOCAL   " + expected[i].second) << m.name;
    const size_t gate = maclib_test::GateLine(m);
    ASSERT_LT(gate + 1, m.body.size()) << m.name;
    if (m.name == "WSHR" || m.name == "WSHL") {
      EXPECT_EQ(m.body[gate - 3], "        IF      \\1 >= \\2");
    }
    EXPECT_EQ(m.body[gate + 1], "        RJMP    M_Q") << m.name;
    EXPECT_EQ(m.body.back(), "M_Q") << m.name;
  }
  for (const auto& l : outside)
    EXPECT_TRUE(l.empty() || l.rfind("        ;", 0) == 0 || l.rfind(commentPrefix, 0) == 0) << l;
  EXPECT_TRUE(group.substr(0, 1) == "\n");
  EXPECT_EQ(group.back(), 'M');
}

TEST(MaclibLogicRotate, Layout) {
  ExpectLayout(compiler::MacroLibLogicRotate(),
               {{"BLOGICAL", "M_Q"}, {"WLOGICAL", "M_Q"}, {"DWLOGICAL", "M_Q"}, {"BAND", ""},     {"WAND", ""},
                {"DWAND", ""},       {"BOR", ""},         {"WOR", ""},          {"DWOR", ""},     {"BXOR", ""},
                {"WXOR", ""},        {"DWXOR", ""},       {"WROL", "M_Q"},      {"DWROL", "M_Q"}, {"WROR", "M_Q"},
                {"DWROR", "M_Q"},    {"WRCL", "M_Q"},     {"DWRCL", "M_Q"},     {"WRCR", "M_Q"},  {"DWRCR", "M_Q"}});
  std::vector<std::string> outside;
  auto macros = Macros(compiler::MacroLibLogicRotate(), &outside);
  // The nine instructions only pass their operands and the AVR instruction on.
  const char* ops[] = {"AND", "OR", "EOR"};
  const char* subs[] = {"BLOGICAL", "WLOGICAL", "DWLOGICAL"};
  for (int op = 0; op < 3; ++op)
    for (int w = 0; w < 3; ++w) {
      const auto& m = macros[3 + op * 3 + w];
      EXPECT_EQ(m.body, std::vector<std::string>{"        " + std::string(subs[w]) + " \\1,\\2,\\3," + ops[op]})
          << m.name;
    }
  for (int i = 0; i < 3; ++i) {
    bool hasOp = false;
    for (const auto& l : macros[i].body) hasOp |= l.find("\\4      A,B") != std::string::npos;
    EXPECT_TRUE(hasOp) << macros[i].name;
  }
}

TEST(MaclibProgramFlow, Layout) {
  ExpectLayout(compiler::MacroLibProgramFlow(),
               {{"GOTO", "M_Q"}, {"LABEL", ""}, {"CALLS", "M_Q"}, {"SBRT", ""}, {"ENDMAIN", ""}, {"LOOP", "M_Q"}});
  std::vector<std::string> outside;
  auto macros = Macros(compiler::MacroLibProgramFlow(), &outside);
  EXPECT_EQ(macros[0].body[3], "        LJMP    \\1");
  EXPECT_EQ(macros[1].body, std::vector<std::string>{"\\1"});
  EXPECT_EQ(macros[2].body[3], "        LCALL   \\1");
  EXPECT_EQ(macros[3].body, std::vector<std::string>{"\\1"});
  EXPECT_EQ(macros[4].body, std::vector<std::string>{"        RET"});
}

TEST(MaclibShift, Layout) {
  ExpectLayout(compiler::MacroLibShift(),
               {{"BSHR", "M_Q,M_1,M_N"},
                {"BSHL", "M_Q,M_1,M_N"},
                {"DBSHR", "M_Q,M_1,M_N"},
                {"DBSHL", "M_Q,M_1,M_N"},
                {"WSHR", "M_Q,M_1,M_N"},
                {"WSHL", "M_Q,M_1,M_N"}},
               "  ;");
  EXPECT_NE(compiler::MacroLibShift().find("BSHR D0,4"), std::string_view::npos);
  EXPECT_NE(compiler::MacroLibShift().find("WSHR D0,D2"), std::string_view::npos);
}

TEST(MaclibLogicRotate, EveryFormAssemblesTwice) {
  std::string once =
      " BAND   0F0H,3CH,M0\n WAND   D0,D1,D2\n DWAND  D0,12345678H,D2\n BOR    K3,1,M1\n"
      " WOR    1,D1,D2\n DWOR   D0,D2,D10\n BXOR   D0,D1,D2\n WXOR   D0,D0,D2\n DWXOR  1,2,D2\n"
      " WROL   D0\n DWROL  D0\n WROR   T0\n DWROR  D0\n WRCL   C1\n DWRCL  D0\n WRCR   D0\n DWRCR  D0";
  auto words = Assemble(once + "\n" + once);
  EXPECT_FALSE(words.empty());
}

TEST(MaclibLogicRotate, LogicInstructions) {
  auto cpu = Execute(
      " BAND   0F0H,3CH,M0\n WXOR   D0,D0,D1\n DWOR   D2,0,D4\n WAND   D6,0FF0H,D7\n BOR    M1,M2,M3\n"
      " DWXOR  D8,0FFFFFFFFH,D10\n DWAND  0F0F0F0FH,D8,D12\n BXOR   M1,0FFH,M4",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0x1234);
        c.SetWord(Dev("D1"), 0x5555);
        c.SetDword(Dev("D2"), 0xDEADBEEF);
        c.SetWord(Dev("D6"), 0xABCD);
        c.ram[Dev("M1")] = 0x81;
        c.ram[Dev("M2")] = 0x18;
        c.SetDword(Dev("D8"), 0x12345678);
      });
  EXPECT_EQ(cpu.ram[Dev("M0")], 0x30);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0xDEADBEEFu);
  EXPECT_EQ(cpu.Word(Dev("D7")), 0x0BC0);
  EXPECT_EQ(cpu.ram[Dev("M3")], 0x99);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0xEDCBA987u);
  EXPECT_EQ(cpu.Dword(Dev("D12")), 0x02040608u);
  EXPECT_EQ(cpu.ram[Dev("M4")], 0x7E);
}

TEST(MaclibLogicRotate, RotationsAndTheCarry) {
  auto cpu = Execute(
      " WROL   D0\n WROR   D1\n DWROL  D2\n DWROR  D4\n CLC\n WRCL   D6\n WRCL   D6\n"
      " SEC\n WRCR   D7\n CLC\n DWRCL  D8\n SEC\n DWRCR  D10\n WROR   D12\n WRCL   D13",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0x8001);
        c.SetWord(Dev("D1"), 0x8001);
        c.SetDword(Dev("D2"), 0x80000001);
        c.SetDword(Dev("D4"), 0x80000001);
        c.SetWord(Dev("D6"), 0x8000);
        c.SetWord(Dev("D7"), 0x0002);
        c.SetDword(Dev("D8"), 0x40000000);
        c.SetDword(Dev("D10"), 0x00000002);
        c.SetWord(Dev("D12"), 0x0001);
        c.SetWord(Dev("D13"), 0x0000);
      });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0x0003);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0xC000);
  EXPECT_EQ(cpu.Dword(Dev("D2")), 0x00000003u);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0xC0000000u);
  EXPECT_EQ(cpu.Word(Dev("D6")), 0x0001);  // the bit that left the first WRCL enters with the second
  EXPECT_EQ(cpu.Word(Dev("D7")), 0x8001);
  EXPECT_EQ(cpu.Dword(Dev("D8")), 0x80000000u);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0x80000001u);
  EXPECT_EQ(cpu.Word(Dev("D13")), 0x0001);  // WROR left bit 0 of D12 in the carry
  EXPECT_TRUE(cpu.c == false);
}

TEST(MaclibProgramFlow, LabelsJumpsCallsAndTheEndOfMain) {
  std::string once = " GOTO   L_@\n CALLS  S_@\n LOOP   L_@,D0\n LABEL  L_@\n ENDMAIN\n SBRT   S_@\n RET";
  std::string twice;
  for (const char* n : {"1", "2"}) {
    std::string t = once;
    for (size_t p; (p = t.find('@')) != std::string::npos;) t.replace(p, 1, n);
    twice += t + "\n";
  }
  AssembleListing(twice);
  // Labels produce no code; ENDMAIN is one RET whatever the rung state.
  EXPECT_EQ(Assemble(" LABEL  LBL1\n SBRT   SUB1\n ENDMAIN", false), (std::vector<uint16_t>{0xE70F, 0x9508}));
  // GOTO and CALLS skip their two-word transfer when the rung is off.
  auto listing = AssembleListing(" GOTO   0\n CALLS  0");
  EXPECT_EQ(maclib_test::CodeWords(listing),
            (std::vector<uint16_t>{0xE800, 0xFF07, 0xC002, 0x940C, 0x0000, 0xFF07, 0xC002, 0x940E, 0x0000}));
}

TEST(MaclibProgramFlow, LoopCountsDownAndJumpsBack) {
  // JMP 0 returns to the start, which turns the rung on again and runs the body.
  auto run = [](uint16_t count, bool rungOn) {
    return Execute(
        " WINC   D1\n LOOP   0,D0", [&](maclib_test::AvrMachine& c) { c.SetWord(Dev("D0"), count); }, rungOn);
  };
  auto three = run(3, true);
  EXPECT_EQ(three.Word(Dev("D1")), 3);
  EXPECT_EQ(three.Word(Dev("D0")), 1);
  auto one = run(1, true);
  EXPECT_EQ(one.Word(Dev("D1")), 1);
  EXPECT_EQ(one.Word(Dev("D0")), 1);
  auto zero = run(0, true);
  EXPECT_EQ(zero.Word(Dev("D1")), 0);  // 65536 passes in all: the word wrapped around
  EXPECT_EQ(zero.Word(Dev("D0")), 1);
  auto off = run(3, false);
  EXPECT_EQ(off.Word(Dev("D1")), 0);
  EXPECT_EQ(off.Word(Dev("D0")), 3);
}

TEST(MaclibShift, EveryFormAssemblesTwice) {
  std::string once =
      " BSHR   D0,4\n BSHL   D0,15\n DBSHR  D0,4\n DBSHL  D0,31\n WSHR   D0,D2\n WSHL   D10,D20\n"
      " WSHR   D2,D0\n WSHL   D2,D2";
  EXPECT_FALSE(Assemble(once + "\n" + once).empty());
  // With the first word at or above the last, WSHR and WSHL produce no code at all.
  EXPECT_EQ(Assemble(" WSHR   D2,D0\n WSHL   D2,D2\n WSHR   T1,T1"), (std::vector<uint16_t>{0xE800}));
}

TEST(MaclibShift, BitShifts) {
  auto cpu = Execute(
      " BSHR   D0,15\n BSHL   D1,4\n BSHR   D2,257\n BSHL   D3,16\n BSHR   D4,0\n DBSHR  D6,31\n"
      " DBSHL  D8,20\n DBSHL  D10,32\n DBSHR  D12,4",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0x8000);
        c.SetWord(Dev("D1"), 0x0001);
        c.SetWord(Dev("D2"), 0x8000);
        c.SetWord(Dev("D3"), 0xFFFF);
        c.SetWord(Dev("D4"), 0xFFFF);
        c.SetDword(Dev("D6"), 0x80000000);
        c.SetDword(Dev("D8"), 0x00000FFF);
        c.SetDword(Dev("D10"), 0xFFFFFFFF);
        c.SetDword(Dev("D12"), 0x12345678);
      });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0x0001);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0x0010);
  EXPECT_EQ(cpu.Word(Dev("D2")), 0);  // a count past the width clears the word
  EXPECT_EQ(cpu.Word(Dev("D3")), 0);
  EXPECT_EQ(cpu.Word(Dev("D4")), 0xFFFF);  // a count of 0 leaves it
  EXPECT_EQ(cpu.Dword(Dev("D6")), 1u);
  EXPECT_EQ(cpu.Dword(Dev("D8")), 0xFFF00000u);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0u);
  EXPECT_EQ(cpu.Dword(Dev("D12")), 0x01234567u);
}

TEST(MaclibShift, WordShiftsOfARange) {
  auto cpu = Execute(" WSHR   D0,D2\n WSHL   D10,D12\n WSHR   D20,D21", [](maclib_test::AvrMachine& c) {
    for (int i = 0; i < 3; ++i) {
      c.SetWord(Dev("D" + std::to_string(i)), i + 1);
      c.SetWord(Dev("D" + std::to_string(10 + i)), i + 1);
    }
    c.SetWord(Dev("D3"), 0x3333);
    c.SetWord(Dev("D20"), 0x2020);
    c.SetWord(Dev("D21"), 0x2121);
    c.SetWord(Dev("D22"), 0x2222);
  });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0);
  EXPECT_EQ(cpu.Word(Dev("D1")), 1);
  EXPECT_EQ(cpu.Word(Dev("D2")), 2);
  EXPECT_EQ(cpu.Word(Dev("D3")), 0x3333);
  EXPECT_EQ(cpu.Word(Dev("D10")), 2);
  EXPECT_EQ(cpu.Word(Dev("D11")), 3);
  EXPECT_EQ(cpu.Word(Dev("D12")), 0);
  EXPECT_EQ(cpu.Word(Dev("D20")), 0);
  EXPECT_EQ(cpu.Word(Dev("D21")), 0x2020);
  EXPECT_EQ(cpu.Word(Dev("D22")), 0x2222);
}

TEST(MaclibLogicFlowShift, NothingChangesWhileTheRungIsOff) {
  auto cpu = Execute(
      " BAND   1,1,D0\n WROL   D1\n WRCR   D2\n BSHL   D3,1\n WSHL   D4,D6\n WSHR   D4,D6",
      [](maclib_test::AvrMachine& c) {
        for (int i = 1; i < 7; ++i) c.SetWord(Dev("D" + std::to_string(i)), 0x1001 * i);
      },
      false);
  EXPECT_EQ(cpu.Word(Dev("D0")), 0);
  for (int i = 1; i < 7; ++i) EXPECT_EQ(cpu.Word(Dev("D" + std::to_string(i))), 0x1001 * i) << i;
}

}  // namespace
