// Macro library operands at their edges: empty strings, zero counts, shift counts at and past the
// width, constants where only a device can stand, timer presets of 0, the omitted module count of
// SGNOUT and user labels spelled like the library's own labels. Each case assembles the macros
// with aq71 and, where it computes something, runs the code on the AVR simulator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/macro_library.h"
#include "compiler/tests/maclib_avr_sim_support.h"
#include "compiler/tests/macro_library_support.h"

namespace {

using maclib_test::Execute;

uint16_t Dev(const std::string& name) { return maclib_test::Device(name); }

std::string Words(const std::string& program, int model = 1) {
  auto run = maclib_test::AssembleWithLibrary(program, model);
  EXPECT_EQ(run.exit_code, 0) << program << run.console;
  return maclib_test::CodeWordsHex(run.listing);
}

// The call is refused at assembly with the library's own message.
void ExpectRefused(const std::string& call, const std::string& message) {
  auto run = maclib_test::AssembleWithLibrary(call);
  EXPECT_EQ(run.exit_code, 2) << call << run.console;
  EXPECT_NE(run.console.find("Error[70]: Limit exceeded: '" + message + "'"), std::string::npos) << call << run.console;
}

}  // namespace

TEST(MaclibOperandEdges, EmptyStringWritesNothing) {
  auto cpu = Execute(" STRING CH0,\"\"\n STRING CH4,\"AB\"",
                     [](maclib_test::AvrMachine& c) { c.SetWord(Dev("CH0"), 0x5A5A); });
  EXPECT_EQ(cpu.Word(Dev("CH0")), 0x5A5A);
  EXPECT_EQ(cpu.Word(Dev("CH4")), 0x4142);
}

// A count of 0, constant or read from a device, moves nothing; the words around stay.
TEST(MaclibOperandEdges, FillAndGroupMovesOfNoWords) {
  auto cpu = Execute(
      " FMOV   1234H,D10,0\n GMOV   D0,D20,0\n FMOV   D1,D30,D9\n GMOV   D0,D40,D9\n"
      " FMOV   D1,D50,D8",
      [](maclib_test::AvrMachine& c) {
        c.SetWord(Dev("D0"), 0x1111);
        c.SetWord(Dev("D1"), 0x2222);
        c.SetWord(Dev("D8"), 2);
        for (int d = 10; d < 60; ++d) c.SetWord(Dev("D" + std::to_string(d)), 0x7777);
      });
  for (int d = 10; d < 50; ++d) EXPECT_EQ(cpu.Word(Dev("D" + std::to_string(d))), 0x7777) << d;
  EXPECT_EQ(cpu.Word(Dev("D50")), 0x2222);
  EXPECT_EQ(cpu.Word(Dev("D51")), 0x2222);
  EXPECT_EQ(cpu.Word(Dev("D52")), 0x7777);
  // A constant count of 0 generates no code at all.
  EXPECT_EQ(Words(" FMOV 5,D0,0\n GMOV D0,D2,0\n"), Words(""));
}

// A count of 0 keeps the value; a count at or past the width gives 0.
TEST(MaclibOperandEdges, ShiftCounts) {
  auto cpu = Execute(
      " BSHR   D0,0\n BSHL   D1,16\n BSHR   D2,257\n BSHL   D3,15\n DBSHR  D4,0\n"
      " DBSHL  D6,32\n DBSHR  D8,300\n DBSHL  D10,31",
      [](maclib_test::AvrMachine& c) {
        for (const char* d : {"D0", "D1", "D2", "D3"}) c.SetWord(Dev(d), 0xFFFF);
        for (const char* d : {"D4", "D6", "D8", "D10"}) c.SetDword(Dev(d), 0xFFFFFFFF);
      });
  EXPECT_EQ(cpu.Word(Dev("D0")), 0xFFFF);
  EXPECT_EQ(cpu.Word(Dev("D1")), 0);
  EXPECT_EQ(cpu.Word(Dev("D2")), 0);
  EXPECT_EQ(cpu.Word(Dev("D3")), 0x8000);
  EXPECT_EQ(cpu.Dword(Dev("D4")), 0xFFFFFFFFu);
  EXPECT_EQ(cpu.Dword(Dev("D6")), 0u);
  EXPECT_EQ(cpu.Dword(Dev("D8")), 0u);
  EXPECT_EQ(cpu.Dword(Dev("D10")), 0x80000000u);
  // A count of 0 generates no code.
  EXPECT_EQ(Words(" BSHR D0,0\n DBSHL D0,0\n"), Words(""));
  // The count must be a constant.
  for (const char* call : {" BSHR D0,D1\n", " BSHL D0,M3\n", " DBSHR D0,T1\n", " DBSHL D0,-1\n"})
    ExpectRefused(call, "shift count must be a constant");
}

TEST(MaclibOperandEdges, WordShiftsOverWholeWordsOnly) {
  ExpectRefused(" WSHR D0,D2+1\n", "distance must be whole words");
  ExpectRefused(" WSHL M1,D0\n", "distance must be whole words");
  EXPECT_FALSE(Words(" WSHR D0,D2\n WSHL D4,D8\n").empty());
}

// Only a device may stand where a macro writes (a constant would be a core register address).
TEST(MaclibOperandEdges, ConstantsWhereOnlyADeviceCanStand) {
  ExpectRefused(" WMOV D0,10\n", "operand 2 must be a device");
  ExpectRefused(" MOVE 1,5\n", "operand 2 must be a device");
  ExpectRefused(" WINC 18\n", "operand 1 must be a device");
  ExpectRefused(" DWDEC 0\n", "operand 1 must be a device");
  ExpectRefused(" WADD D0,D1,3\n", "operand 3 must be a device");
  ExpectRefused(" WXCHG 2,D0\n", "operand 1 must be a device");
  ExpectRefused(" GMOV 4,D0,2\n", "operand 1 must be a device");
  ExpectRefused(" FMOV 4,7,2\n", "operand 2 must be a device");
  // Constants as sources stay allowed.
  EXPECT_FALSE(Words(" WMOV 10,D0\n WADD 1,2,D3\n FMOV 4,D0,2\n MOVE 5,M0\n").empty());
}

// A constant preset of 0 runs out on the first tick, like a preset of 1; presets past 32767 keep
// only their low 15 bits.
TEST(MaclibOperandEdges, TimerPresetOfZero) {
  for (const char* t : {"TON", "TOFF", "TAON", "TAOFF"}) {
    const std::string zero = Words(std::string(" ") + t + " T5,0\n");
    EXPECT_EQ(zero, Words(std::string(" ") + t + " T5,1\n")) << t;
    EXPECT_NE(zero, Words(std::string(" ") + t + " T5,2\n")) << t;
  }
  // 40000 - 1 = 9C3FH: 1CH and 3FH are loaded.
  const std::string wrapped = Words(" TON T5,40000\n");
  EXPECT_NE(wrapped.find("E11C "), std::string::npos) << wrapped;
  EXPECT_NE(wrapped.find("E31F "), std::string::npos) << wrapped;
}

// SGNOUT without a module count sends to one module (mode 10).
TEST(MaclibOperandEdges, SgnoutDefaultsToOneModule) {
  EXPECT_EQ(Words(" SGNOUT P1,0,\n", 2), Words(" SGNOUT P1,0,1\n", 2));
  EXPECT_EQ(Words(" SGNOUT P1,0\n", 2), Words(" SGNOUT P1,0,1\n", 2));
  EXPECT_NE(Words(" SGNOUT P1,0,2\n", 2), Words(" SGNOUT P1,0,1\n", 2));
}

// A user's label spelled like a library label is the one the user's jump reaches (here an
// absolute address, so the jump's words are known at assembly).
TEST(MaclibOperandEdges, UserLabelsNeverMeetLibraryLabels) {
  EXPECT_EQ(Words("M_Q EQU 100H\n GOTO M_Q\n"), Words(" GOTO 100H\n"));
  EXPECT_EQ(Words("M_Q EQU 200H\n CALLS M_Q\n"), Words(" CALLS 200H\n"));
  EXPECT_EQ(Words("M_Q EQU 300H\n LOOP M_Q,D0\n"), Words(" LOOP 300H,D0\n"));
  // The written library spells every label of its own apart; the group texts keep the plain names.
  const std::string text = compiler::MacroLibraryText();
  EXPECT_EQ(text.find("RJMP    M_Q"), std::string::npos);
  EXPECT_NE(text.find("RJMP    `M:Q`"), std::string::npos);
  EXPECT_EQ(compiler::MarkLocalLabels("M_Q XM_Q M_1,M_Q\nM_MULA: LDI ZL,LOW(M_1)"),
            "`M:Q` XM_Q `M:1`,`M:Q`\n`M:MULA`: LDI ZL,LOW(`M:1`)");
}
