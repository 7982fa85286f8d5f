// The rung logic macros: layout in the library, assembly of bit and compare contacts, their exact
// code, and the rung state they compute on a small AVR model.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "compiler/macro_library.h"
#include "maclib_avr_sim_support.h"
#include "macro_library_support.h"

namespace {

using maclib_test::AvrMachine;

constexpr int kNowSave = 14, kSavest = 15, kNow = 16, kA = 17;

const std::vector<std::string> kContacts = {"LOAD", "LOADN", "IOR", "IORN", "AN", "ANN"};
const std::vector<std::string> kConditions = {"EQ",  "NE",  "GT",  "LT",  "GE",  "LE",
                                              "DEQ", "DNE", "DGT", "DLT", "DGE", "DLE"};

using maclib_test::Lines;

std::vector<std::string> Body(const std::vector<std::string>& lines, const std::string& name) {
  return maclib_test::MacroBodyWithEndm(lines, name, false);
}

AvrMachine Assemble(const std::string& program) { return maclib_test::AssembleOnMachine(program); }

std::vector<uint16_t> Words(const AvrMachine& m) { return maclib_test::MachineWords(m); }

uint16_t TwoReg(uint16_t base, int d, int r) { return uint16_t(base | ((r & 0x10) << 5) | (d << 4) | (r & 0x0F)); }
uint16_t Mov(int d, int r) { return TwoReg(0x2C00, d, r); }
uint16_t Imm(uint16_t base, int d, int k) { return uint16_t(base | ((k & 0xF0) << 4) | ((d - 16) << 4) | (k & 0x0F)); }
uint16_t Bit(uint16_t base, int d, int b) { return uint16_t(base | (d << 4) | b); }
constexpr uint16_t kBst = 0xFA00, kBld = 0xF800, kSbrc = 0xFC00, kSbrs = 0xFE00, kOri = 0x6000, kAndi = 0x7000;

TEST(MaclibRungLogic, ElevenMacrosInOrderWithoutGateOrLabels) {
  auto lines = Lines(compiler::MacroLibRungLogic());
  std::vector<std::string> names;
  for (const auto& l : lines) {
    std::smatch m;
    if (std::regex_match(l, m, std::regex(R"((\S+) +MACRO)"))) names.push_back(m[1]);
    EXPECT_TRUE(l.empty() || l.ends_with("MACRO") || l.starts_with("        ")) << l;
    EXPECT_EQ(l.find("LOCAL"), std::string::npos) << l;
    EXPECT_EQ(l.find("SBRS    NOW,7"), std::string::npos) << l;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"LOAD", "LOADN", "IOR", "IORN", "AN", "ANN", "ORS", "ANDS", "SAVES", "RDS",
                                             "NT"}));
  EXPECT_TRUE(lines.at(0) == "        ;" && lines.at(2) == "        ;") << "heading block";

  for (const auto& name : kContacts) {
    auto body = Body(lines, name);
    std::vector<std::string> tests;
    for (const auto& l : body)
      if (l.starts_with("        IF      ") || l.starts_with("        ELSEIF  ")) tests.push_back(l.substr(16));
    ASSERT_EQ(tests.size(), kConditions.size()) << name;
    for (size_t i = 0; i < kConditions.size(); ++i) {
      EXPECT_EQ(tests[i], "\"\\1\" = \"" + kConditions[i] + "\"") << name;
      std::string cmp = kConditions[i][0] == 'D' ? "DCMP" + kConditions[i].substr(1) : "CMP" + kConditions[i];
      EXPECT_NE(std::find(body.begin(), body.end(),
                          "                " + cmp + std::string(8 - cmp.size(), ' ') + "\\1,\\2,\\3"),
                body.end())
          << name << " " << cmp;
    }
    EXPECT_EQ(body.front() == "        MOV     NOW_SAVE,NOW", name.starts_with("LOAD")) << name;
    EXPECT_NE(std::find(body.begin(), body.end(), "                LDS     A,LWRD(\\1)"), body.end()) << name;
  }
  EXPECT_EQ(Body(lines, "ORS"), (std::vector<std::string>{"        OR      NOW,NOW_SAVE", "        ENDM"}));
  EXPECT_EQ(Body(lines, "ANDS"), (std::vector<std::string>{"        AND     NOW,NOW_SAVE", "        ENDM"}));
  EXPECT_EQ(Body(lines, "SAVES"), (std::vector<std::string>{"        MOV     SAVEST,NOW", "        ENDM"}));
  EXPECT_EQ(Body(lines, "RDS"), (std::vector<std::string>{"        MOV     NOW,SAVEST", "        ENDM"}));
  EXPECT_EQ(Body(lines, "NT"), (std::vector<std::string>{"        COM     NOW", "        ENDM"}));
}

TEST(MaclibRungLogic, BitAndCompareContactsAssembleTwice) {
  std::string program;
  for (int round = 0; round < 2; ++round) {
    for (const auto& name : kContacts) {
      std::string pad(8 - name.size(), ' ');
      program += " " + name + pad + "P0,1\n";
      program += " " + name + pad + "T5,7\n";
      program += " " + name + pad + "F0,1\n";
      program += " " + name + pad + "MC0,0\n";
      for (const auto& cond : kConditions) {
        program += " " + name + pad + cond + ",D0,100\n";
        program += " " + name + pad + cond + ",2147418111,C3\n";
      }
    }
    program += " ORS\n ANDS\n SAVES\n RDS\n NT\n";
  }
  auto run = maclib_test::AssembleWithLibrary(program);
  EXPECT_EQ(run.exit_code, 0) << run.console;
  EXPECT_NE(run.console.find("Warnings: 0"), std::string::npos) << run.console;
}

TEST(MaclibRungLogic, BitContactCode) {
  AvrMachine probe = Assemble(" LOAD    P0,1");
  uint16_t p0 = probe.Addr("P0");
  const uint16_t lds = uint16_t(0x9000 | (kA << 4));
  EXPECT_EQ(Words(probe), (std::vector<uint16_t>{Mov(kNowSave, kNow), lds, p0, Bit(kBst, kA, 1), Bit(kBld, kNow, 7)}));
  EXPECT_EQ(Words(Assemble(" LOADN   P0,3")),
            (std::vector<uint16_t>{Mov(kNowSave, kNow), lds, p0, uint16_t(0x9400 | (kA << 4)), Bit(kBst, kA, 3),
                                   Bit(kBld, kNow, 7)}));
  EXPECT_EQ(Words(Assemble(" IOR     P0,2")),
            (std::vector<uint16_t>{lds, p0, Bit(kSbrc, kA, 2), Imm(kOri, kNow, 0x80)}));
  EXPECT_EQ(Words(Assemble(" IORN    P0,2")),
            (std::vector<uint16_t>{lds, p0, Bit(kSbrs, kA, 2), Imm(kOri, kNow, 0x80)}));
  EXPECT_EQ(Words(Assemble(" AN      P0,4")),
            (std::vector<uint16_t>{lds, p0, Bit(kSbrs, kA, 4), Imm(kAndi, kNow, 0x7F)}));
  EXPECT_EQ(Words(Assemble(" ANN     P0,4")),
            (std::vector<uint16_t>{lds, p0, Bit(kSbrc, kA, 4), Imm(kAndi, kNow, 0x7F)}));
  EXPECT_EQ(Words(Assemble(" ORS\n ANDS\n SAVES\n RDS\n NT")),
            (std::vector<uint16_t>{TwoReg(0x2800, kNow, kNowSave), TwoReg(0x2000, kNow, kNowSave), Mov(kSavest, kNow),
                                   Mov(kNow, kSavest), uint16_t(0x9400 | (kNow << 4))}));
  // A compare contact ends with the two instructions that carry bit 6 into the NOW bit.
  auto w = Words(Assemble(" AN      GT,D0,D2"));
  ASSERT_GE(w.size(), 2u);
  EXPECT_EQ(std::vector<uint16_t>(w.end() - 2, w.end()),
            (std::vector<uint16_t>{Bit(kSbrs, kNow, 6), Imm(kAndi, kNow, 0x7F)}));
}

// The NOW bit a contact macro leaves, given the NOW bit before and the contact.
bool NowBit(const std::string& name, bool before, bool contact) {
  if (name == "LOAD") return contact;
  if (name == "LOADN") return !contact;
  if (name == "IOR") return before || contact;
  if (name == "IORN") return before || !contact;
  if (name == "AN") return before && contact;
  return before && !contact;
}

TEST(MaclibRungLogic, ContactsSetTheNowBit) {
  for (const auto& name : kContacts) {
    std::string pad(8 - name.size(), ' ');
    const AvrMachine bitContact = Assemble(" " + name + pad + "M3,5");
    const AvrMachine compare = Assemble(" " + name + pad + "DGT,D0,D2");
    for (int now : {0x00, 0x80, 0x7F, 0xFF, 0x55, 0xAA}) {
      for (bool contact : {false, true}) {
        AvrMachine m = bitContact;
        m.r[kNow] = uint8_t(now);
        m.r[kNowSave] = 0x11;
        m.ram[m.Addr("M3")] = contact ? 0x20 : uint8_t(~0x20);
        ASSERT_TRUE(m.Run()) << m.error;
        bool bit = NowBit(name, now & 0x80, contact);
        std::string what = name + " now " + std::to_string(now) + " contact " + std::to_string(contact);
        EXPECT_EQ(m.r[kNow], uint8_t((now & 0x7F) | (bit ? 0x80 : 0))) << what;
        EXPECT_EQ(m.r[kNowSave], name.starts_with("LOAD") ? now : 0x11) << what;

        m = compare;
        m.r[kNow] = uint8_t(now);
        m.PutDword("D0", contact ? 0x00010000 : 0x0000FFFF);
        m.PutDword("D2", 0x0000FFFF);
        ASSERT_TRUE(m.Run()) << m.error;
        EXPECT_EQ((m.r[kNow] & 0x80) != 0, bit) << what << " (compare)";
        if (name == "LOADN") {
          EXPECT_EQ(m.r[kNow] & 0x7F, (~now & 0x3F) | (contact ? 0 : 0x40)) << "LOADN complements all of NOW";
        } else {
          EXPECT_EQ(m.r[kNow] & 0x3F, now & 0x3F) << what;
        }
      }
    }
  }
}

TEST(MaclibRungLogic, BlockMacrosWorkOnWholeRegisters) {
  const AvrMachine ors = Assemble(" ORS"), ands = Assemble(" ANDS"), saves = Assemble(" SAVES"), rds = Assemble(" RDS"),
                   nt2 = Assemble(" NT\n NT");
  for (auto [now, saved] : {std::pair{0x80, 0x00}, {0x00, 0x80}, {0x5A, 0xC3}, {0xFF, 0x00}}) {
    AvrMachine m = ors;
    m.r[kNow] = uint8_t(now), m.r[kNowSave] = uint8_t(saved);
    ASSERT_TRUE(m.Run());
    EXPECT_EQ(m.r[kNow], now | saved);
    m = ands;
    m.r[kNow] = uint8_t(now), m.r[kNowSave] = uint8_t(saved);
    ASSERT_TRUE(m.Run());
    EXPECT_EQ(m.r[kNow], now & saved);
    m = saves;
    m.r[kNow] = uint8_t(now);
    ASSERT_TRUE(m.Run());
    EXPECT_EQ(m.r[kSavest], now);
    m = rds;
    m.r[kSavest] = uint8_t(saved);
    ASSERT_TRUE(m.Run());
    EXPECT_EQ(m.r[kNow], saved);
    m = nt2;
    m.r[kNow] = uint8_t(now);
    ASSERT_TRUE(m.Run());
    EXPECT_EQ(m.r[kNow], now);
  }
}

}  // namespace
