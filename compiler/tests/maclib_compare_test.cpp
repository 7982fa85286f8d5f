// The compare macros: their place and layout in the library, assembly with devices and constants,
// the exact set-up and compare code, and the results they compute on a small AVR model.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>

#include "compiler/macro_library.h"
#include "maclib_avr_sim_support.h"
#include "macro_library_support.h"

namespace {

using maclib_test::AvrMachine;

constexpr int kNow = 16, kA = 17;

using maclib_test::Lines;

std::vector<std::string> Body(const std::vector<std::string>& lines, const std::string& name) {
  return maclib_test::MacroBodyWithEndm(lines, name, true);
}

const std::vector<std::string> kMembers = {"EQ", "NE", "GT", "GE", "LT", "LE"};

std::string Call(const std::string& macro, const std::string& cond, const std::string& a, const std::string& b) {
  return " " + macro + std::string(8 - macro.size(), ' ') + cond + "," + a + "," + b;
}

AvrMachine Assemble(const std::string& program) { return maclib_test::AssembleOnMachine(program); }

uint16_t Ldi(int reg, int k) { return uint16_t(0xE000 | ((k & 0xF0) << 4) | ((reg - 16) << 4) | (k & 0x0F)); }

std::vector<uint16_t> Words(const AvrMachine& m) { return maclib_test::MachineWords(m); }

TEST(MaclibCompare, FourteenMacrosInOrderWithTheLibraryLayout) {
  auto lines = Lines(compiler::MacroLibCompare());
  std::vector<std::string> names;
  for (const auto& l : lines) {
    std::smatch m;
    if (std::regex_match(l, m, std::regex(R"((\S+) +MACRO)"))) names.push_back(m[1]);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"CMPSET", "DCMPSET", "CMPEQ", "DCMPEQ", "CMPNE", "DCMPNE", "CMPGT",
                                             "DCMPGT", "CMPGE", "DCMPGE", "CMPLT", "DCMPLT", "CMPLE", "DCMPLE"}));
  for (const auto& l : lines) {
    // Every line is blank, a macro header, a label in column 1 or indented by eight spaces.
    bool ok =
        l.empty() || l.ends_with("MACRO") || l.starts_with("        ") || l == "M_Q" || l == "M_1     SBR     NOW,40H";
    EXPECT_TRUE(ok) << l;
    EXPECT_EQ(l.find("SBRS    NOW,7"), std::string::npos) << "a compare has no rung gate";
  }
  // The opening block names the 16-bit compares and states the constant/device rule.
  std::string text(compiler::MacroLibCompare());
  size_t setup = text.find("CMPSET  MACRO");
  EXPECT_EQ(text.rfind("7FFF0000H", setup) != std::string::npos, true);
  EXPECT_NE(text.substr(0, setup).find("2,147,418,111"), std::string::npos);
  EXPECT_TRUE(text.starts_with("        ;\n"));
  // The double-word block stands right before DCMPSET.
  EXPECT_NE(text.find("        ;\nDCMPSET MACRO"), std::string::npos);

  const std::map<std::string, std::string> condition = {{"NE", "IF A <> B THEN NOW = 1"},
                                                        {"GT", "IF A > B THEN NOW = 1"},
                                                        {"GE", "IF A >= B THEN NOW = 1"},
                                                        {"LT", "IF A < B THEN NOW = 1"},
                                                        {"LE", "IF A <= B THEN NOW = 1"}};
  for (const auto& [member, comment] : condition)
    EXPECT_NE(text.find("\n        ; " + comment + "\nCMP" + member + "   MACRO\n"), std::string::npos) << member;

  for (const auto& member : kMembers) {
    for (std::string d : {"", "D"}) {
      auto body = Body(lines, d + "CMP" + member);
      ASSERT_GE(body.size(), 6u) << d << member;
      EXPECT_EQ(body[0], member == "EQ" ? "        LOCAL   M_Q" : "        LOCAL   M_1,M_Q");
      EXPECT_EQ(body[1], "        " + d + "CMPSET" + std::string(d.empty() ? 2 : 1, ' ') + "\\1,\\2,\\3");
      EXPECT_EQ(body[2], "        CBR     NOW,40H");
      EXPECT_EQ(body[body.size() - 2], "M_Q");
      EXPECT_EQ(body.back(), "        ENDM");
      int cps = 0;
      for (const auto& l : body) cps += l.starts_with("        CP      ");
      EXPECT_EQ(cps, d.empty() ? 2 : 4) << "one CP per byte pair";
    }
  }
}

TEST(MaclibCompare, EveryMemberAssemblesWithDevicesAndConstants) {
  std::string program;
  for (const auto& member : kMembers) {
    for (std::string d : {"", "D"}) {
      std::string macro = d + "CMP" + member, cond = d + member;
      // Twice with each operand form: LOCAL labels must not clash.
      for (int i = 0; i < 2; ++i) {
        program += Call(macro, cond, "D0", "D2") + "\n";
        program += Call(macro, cond, "100", "T5") + "\n";
        program += Call(macro, cond, "C3", "2147418111") + "\n";
        program += Call(macro, cond, "0", "65536") + "\n";
      }
    }
  }
  auto run = maclib_test::AssembleWithLibrary(program);
  EXPECT_EQ(run.exit_code, 0) << run.console;
  EXPECT_NE(run.console.find("Warnings: 0"), std::string::npos) << run.console;
}

TEST(MaclibCompare, SetUpCodeForDevicesAndConstants) {
  AvrMachine m = Assemble(Call("CMPSET", "EQ", "D0", "D2"));
  uint16_t d0 = m.Addr("D0"), d2 = m.Addr("D2");
  EXPECT_EQ(Words(m),
            (std::vector<uint16_t>{Ldi(26, d0 & 0xFF), Ldi(27, d0 >> 8), Ldi(28, d2 & 0xFF), Ldi(29, d2 >> 8)}));

  // A constant goes through its buffer, high byte first; X steps back with one "LD A,-X".
  m = Assemble(Call("CMPSET", "EQ", "1234H", "D2"));
  uint16_t b0 = m.Addr("CONSTBF0");
  EXPECT_EQ(Words(m), (std::vector<uint16_t>{Ldi(26, b0 & 0xFF), Ldi(27, b0 >> 8), Ldi(kA, 0x12), 0x931D, Ldi(kA, 0x34),
                                             0x931C, 0x911E, Ldi(28, d2 & 0xFF), Ldi(29, d2 >> 8)}));

  // Four bytes of a double-word constant, three steps back.
  m = Assemble(Call("DCMPSET", "DEQ", "D0", "12345678H"));
  uint16_t b1 = m.Addr("CONSTBF1");
  EXPECT_EQ(Words(m), (std::vector<uint16_t>{Ldi(26, d0 & 0xFF), Ldi(27, d0 >> 8), Ldi(28, b1 & 0xFF), Ldi(29, b1 >> 8),
                                             Ldi(kA, 0x12), 0x9319, Ldi(kA, 0x34), 0x9319, Ldi(kA, 0x56), 0x9319,
                                             Ldi(kA, 0x78), 0x8318, 0x911A, 0x911A, 0x911A}));

  // CMPGT after its set-up: CBR NOW,40H; per pair LD A,X+ / LD B,Y+ / CP B,A; BRCS M_1; BRNE M_Q.
  m = Assemble(Call("CMPGT", "GT", "D0", "D2"));
  auto w = Words(m);
  ASSERT_EQ(w.size(), 4u + 11u);
  EXPECT_EQ(
      std::vector<uint16_t>(w.begin() + 4, w.end()),
      (std::vector<uint16_t>{0x7B0F, 0x911D, 0x9129, 0x1721, 0xF028, 0xF429, 0x911D, 0x9129, 0x1721, 0xF408, 0x6400}));
}

uint32_t Mask(bool dword) { return dword ? 0xFFFFFFFFu : 0xFFFFu; }

bool Expected(const std::string& member, uint32_t a, uint32_t b) {
  if (member == "EQ") return a == b;
  if (member == "NE") return a != b;
  if (member == "GT") return a > b;
  if (member == "GE") return a >= b;
  if (member == "LT") return a < b;
  return a <= b;
}

TEST(MaclibCompare, UnsignedResultInBit6AndTheOtherBitsKept) {
  std::mt19937 rng(7);
  for (const auto& member : kMembers) {
    for (bool dword : {false, true}) {
      std::string d = dword ? "D" : "";
      const AvrMachine base = Assemble(Call(d + "CMP" + member, d + member, "D0", "D2"));
      std::vector<std::pair<uint32_t, uint32_t>> pairs = {
          {1, 65535}, {65535, 1},       {0x8000, 0x7FFF}, {0x7FFF, 0x8000}, {5, 5},
          {0, 0},     {0x1234, 0x1235}, {0x1235, 0x1234}, {0x0100, 0x00FF}, {0xFFFF, 0xFFFF}};
      if (dword) {
        pairs.insert(pairs.end(), {{0x80000000u, 0x7FFFFFFFu},
                                   {0x12345678, 0x12345679},
                                   {0x12345679, 0x12345678},
                                   {0x01000000, 0x00FFFFFF},
                                   {0xFFFFFFFFu, 0xFFFFFFFFu}});
      }
      for (int i = 0; i < 60; ++i) {
        uint32_t a = rng() & Mask(dword);
        uint32_t b = a ^ ((rng() & 0xFF) << (8 * (rng() % (dword ? 4 : 2))));  // often equal in most bytes
        pairs.push_back({a, b});
      }
      for (auto [a, b] : pairs) {
        for (uint8_t now : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x80), uint8_t(0x3F), uint8_t(rng())}) {
          AvrMachine m = base;
          if (dword) {
            m.PutDword("D0", a);
            m.PutDword("D2", b);
          } else {
            m.PutWord("D0", uint16_t(a));
            m.PutWord("D2", uint16_t(b));
          }
          m.r[kNow] = now;
          ASSERT_TRUE(m.Run()) << m.error;
          uint8_t want = uint8_t((now & ~0x40) | (Expected(member, a, b) ? 0x40 : 0));
          EXPECT_EQ(m.r[kNow], want) << d << member << " " << a << "," << b << " now " << int(now);
        }
      }
    }
  }
}

TEST(MaclibCompare, ConstantsAreStoredAndCutToTheWidth) {
  struct Case {
    std::string call;
    bool result;
  } cases[] = {
      {Call("CMPEQ", "EQ", "65536", "0"), true},     // a 16-bit compare sees the low word only
      {Call("DCMPEQ", "DEQ", "65536", "0"), false},  // a 32-bit compare sees all of it
      {Call("DCMPGT", "DGT", "65536", "65535"), true}, {Call("CMPLT", "LT", "1", "65535"), true},
      {Call("CMPGT", "GT", "1", "65535"), false},      {Call("DCMPGE", "DGE", "2147418111", "2147418110"), true},
      {Call("CMPNE", "NE", "7", "D0"), true},  // D0 holds 0
      {Call("CMPLE", "LE", "D0", "0"), true},
  };
  for (const auto& c : cases) {
    AvrMachine m = Assemble(c.call);
    ASSERT_TRUE(m.Run()) << m.error;
    EXPECT_EQ((m.r[kNow] & 0x40) != 0, c.result) << c.call;
  }
  // Both constants land in their buffers, most significant byte first.
  AvrMachine m = Assemble(Call("DCMPEQ", "DEQ", "01020304H", "0A0B0C0DH"));
  ASSERT_TRUE(m.Run()) << m.error;
  uint16_t b0 = m.Addr("CONSTBF0"), b1 = m.Addr("CONSTBF1");
  EXPECT_EQ((std::vector<int>{m.ram[b0], m.ram[b0 + 1], m.ram[b0 + 2], m.ram[b0 + 3]}), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ((std::vector<int>{m.ram[b1], m.ram[b1 + 1], m.ram[b1 + 2], m.ram[b1 + 3]}),
            (std::vector<int>{10, 11, 12, 13}));
}

}  // namespace
