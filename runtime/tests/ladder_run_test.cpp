// Ladders built with the real road run on the simulated ATmega128: after every scan the
// outputs equal the logic of the drawing; timers, counters, edges, set/reset, master control
// and data instructions behave as drawn.

#include <gtest/gtest.h>

#include <random>

#include "ladder_builder_support.h"
#include "runtime_support.h"

using namespace runtime_test;
using namespace ladder_test;
using plclink::AutoOutcome;

namespace {

constexpr int kModel = 10;
constexpr uint64_t kTick = zqvsim::AvrMachine::kClockHz / 100;  // 10 ms in cycles

std::vector<std::string> BoxRow(const std::string& contact, const std::string& box) {
  std::vector<std::string> row{contact};
  for (int c = 1; c <= 8; ++c) row.push_back("-");
  row.push_back("[" + box + "]");
  return row;
}

std::string RandomContact(std::mt19937& rng) {
  const std::string name = "P" + std::to_string(rng() % 2) + ":" + std::to_string(rng() % 8);
  return rng() % 3 == 0 ? "/" + name : name;
}

// Coils: M bits, and every eighth one a port output bit of P2 to P4.
std::string NextCoil(int& n) {
  const int k = n++ % 256;  // the M area of the model holds 256 bits; a reused coil takes the later rung
  if (k % 8 == 7 && k / 8 < 24) return "P" + std::to_string(2 + (k / 8) / 8) + ":" + std::to_string((k / 8) % 8);
  return "M" + std::to_string(k / 8) + ":" + std::to_string(k % 8);
}

// One random rung of series contacts with parallel branches from the rail, parallel blocks
// in the middle or an output split. Returns its rows.
int RandomRung(compiler::ProgramDocument& doc, std::mt19937& rng, int r, int& coilNo) {
  auto chance = [&](int percent) { return int(rng() % 100) < percent; };
  const int width = 1 + int(rng() % 8);
  for (int c = 0; c < width; ++c) SetCell(doc, c, r, chance(85) || c == 0 ? RandomContact(rng) : "-");
  for (int c = width; c <= 9; ++c) SetCell(doc, c, r, "-");
  SetCell(doc, 10, r, "(" + NextCoil(coilNo) + ")");
  const int shape = int(rng() % 4);
  if (shape == 1) {  // output split after column k
    const int k = int(rng() % unsigned(width));
    Link(doc, k, r);
    for (int c = k + 1; c <= 9; ++c) SetCell(doc, c, r + 1, chance(30) ? RandomContact(rng) : "-");
    SetCell(doc, 10, r + 1, "(" + NextCoil(coilNo) + ")");
    return 2;
  }
  if (shape == 2) {  // parallel from the rail over columns 0..s
    const int s = int(rng() % unsigned(width));
    Link(doc, s, r);
    const int at = int(rng() % unsigned(s + 1));
    for (int x = 0; x <= s; ++x) SetCell(doc, x, r + 1, x == at ? RandomContact(rng) : "-");
    return 2;
  }
  if (shape == 3 && width >= 3) {  // a parallel block over columns a..b
    const int a = 1 + int(rng() % unsigned(width - 2));
    const int b = a + int(rng() % unsigned(width - 1 - a));
    Link(doc, a - 1, r);
    Link(doc, b, r);
    const int at = a + int(rng() % unsigned(b - a + 1));
    for (int x = a; x <= b; ++x) SetCell(doc, x, r + 1, x == at ? RandomContact(rng) : "-");
    return 2;
  }
  return 1;
}

// Five programs of 200 random ladders each: 1,000 ladders, each checked on 24 scans.
class RandomLadders : public ::testing::TestWithParam<int> {};

TEST_P(RandomLadders, DoWhatTheyDraw) {
  std::mt19937 rng(20261209u + unsigned(GetParam()));
  int ladders = 0, checked = 0;
  {
    const int program = GetParam();
    BuiltStudio b;
    b.studio->doc.Setup.PlcModel = kModel;
    InputsOnP0P1(*b.studio);
    int row = 0, coilNo = 0;
    for (int n = 0; n < 200; ++n, ++ladders) row += RandomRung(b.studio->doc, rng, row, coilNo);
    EndRung(b.studio->doc, row);
    ASSERT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
    zqvsim::AvrMachine m;
    ASSERT_TRUE(m.Load(b.Program())) << m.Error();
    ASSERT_TRUE(m.RunScans(1)) << m.Error();
    for (int step = 0; step < 24; ++step) {
      const uint16_t bits = uint16_t(rng());
      for (int i = 0; i < 16; ++i) m.SetInput(i / 8, i % 8, (bits >> i) & 1);
      ASSERT_TRUE(m.RunScans(1)) << m.Error();
      auto input = [&](const std::string& name) {
        const int port = name[1] - '0', bit = name[3] - '0';
        return ((bits >> (port * 8 + bit)) & 1) != 0;
      };
      for (const auto& [coil, on] : EvaluateDrawing(b.studio->doc, 0, row - 1, input)) {
        ASSERT_EQ(BitOf(m, coil, kModel), on) << coil << " program " << program << " inputs " << bits;
        if (coil[0] == 'P') {
          const int port = coil[1] - '0', bit = coil[3] - '0';
          ASSERT_EQ(((m.Outputs(port) >> bit) & 1) != 0, on) << coil;
        }
        ++checked;
      }
    }
  }
  EXPECT_EQ(ladders, 200);
  EXPECT_GT(checked, 200 * 24);
}

INSTANTIATE_TEST_SUITE_P(Programs, RandomLadders, ::testing::Range(0, 5));

// One program with the edge, set/reset, master-control, timer, counter and data rungs.
struct Machine {
  Machine() {
    auto& doc = b.studio->doc;
    doc.Setup.PlcModel = kModel;
    InputsOnP0P1(*b.studio);
    int r = 0;
    Rung(doc, r++, {"P0:0", "^M20:0"}, "M0:0");
    Rung(doc, r++, {"P0:0", "%M20:1"}, "M0:1");
    SetRow(doc, r++, BoxRow("P0:1", "SETOUT M1:0"));
    SetRow(doc, r++, BoxRow("P0:2", "RSTOUT M1:0"));
    SetRow(doc, r++, BoxRow("P0:3", "MCS 0"));
    Rung(doc, r++, {"P0:4"}, "M1:1");
    SetRow(doc, r++, BoxRow("F0:1", "MCSCLR 0"));
    SetRow(doc, r++, BoxRow("P0:5", "TON T0, 10"));
    Rung(doc, r++, {"T0"}, "M1:2");
    SetRow(doc, r++, BoxRow("P0:6", "TOFF T1, 10"));
    Rung(doc, r++, {"T1"}, "M1:3");
    SetRow(doc, r++, BoxRow("P0:7", "TAON T2, 3"));
    Rung(doc, r++, {"T2"}, "M1:4");
    SetRow(doc, r++, BoxRow("P1:4", "TON T3, D10"));
    Rung(doc, r++, {"T3"}, "M1:5");
    SetRow(doc, r++, {"P1:0", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C0, 3}"});
    SetRow(doc, r++, {"P1:1", "-", "-", "-", "-", "-", "-", "-", "-"});
    Rung(doc, r++, {"C0"}, "M2:0");
    SetRow(doc, r++, {"P1:2", "-", "-", "-", "-", "-", "-", "-", "-", "{CTD C1, 2}"});
    SetRow(doc, r++, {"P1:3", "-", "-", "-", "-", "-", "-", "-", "-"});
    Rung(doc, r++, {"C1"}, "M2:1");
    SetRow(doc, r++, BoxRow("F0:1", "WMOV D0, D6"));
    SetRow(doc, r++, BoxRow("F0:1", "WADD D0, D1, D2"));
    SetRow(doc, r++, BoxRow("F0:1", "WSUB D0, D1, D7"));
    SetRow(doc, r++, BoxRow("F0:1", "WBCD D0, D8"));
    SetRow(doc, r++, BoxRow("F0:1", "HEX D0, CH0"));
    Rung(doc, r++, {">,D0,D1"}, "M2:2");
    Rung(doc, r++, {"=,D0,1234"}, "M2:3");
    EndRung(doc, r);
    EXPECT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
    EXPECT_TRUE(m.Load(b.Program())) << m.Error();
    EXPECT_TRUE(m.RunScans(1)) << m.Error();
  }
  bool Bit(const std::string& operand) const { return BitOf(m, operand, kModel); }
  void Scan(int n = 1) { ASSERT_TRUE(m.RunScans(n)) << m.Error(); }
  // Scans until the bit has the value; the cycles it took, or 0 when it never came.
  uint64_t CyclesUntil(const std::string& operand, bool value, uint64_t limit) {
    const uint64_t start = m.Cycles();
    while (m.Cycles() - start < limit) {
      if (!m.RunScans(1)) return 0;
      if (Bit(operand) == value) return m.Cycles() - start;
    }
    return 0;
  }
  BuiltStudio b;
  zqvsim::AvrMachine m;
};

TEST(LadderRun, EdgesSetResetAndMasterControl) {
  Machine x;
  x.Scan(2);
  EXPECT_FALSE(x.Bit("M0:0"));
  x.m.SetInput(0, 0, true);
  x.Scan();
  EXPECT_TRUE(x.Bit("M0:0"));
  EXPECT_FALSE(x.Bit("M0:1"));
  x.Scan();
  EXPECT_FALSE(x.Bit("M0:0"));  // one scan only
  x.m.SetInput(0, 0, false);
  x.Scan();
  EXPECT_TRUE(x.Bit("M0:1"));
  x.Scan();
  EXPECT_FALSE(x.Bit("M0:1"));

  x.m.SetInput(0, 1, true);
  x.Scan();
  x.m.SetInput(0, 1, false);
  x.Scan(3);
  EXPECT_TRUE(x.Bit("M1:0"));  // set stays
  x.m.SetInput(0, 2, true);
  x.Scan();
  EXPECT_FALSE(x.Bit("M1:0"));
  x.m.SetInput(0, 2, false);

  x.m.SetInput(0, 4, true);
  x.Scan();
  EXPECT_FALSE(x.Bit("M1:1"));  // zone off
  x.m.SetInput(0, 3, true);
  x.Scan();
  EXPECT_TRUE(x.Bit("M1:1"));
}

TEST(LadderRun, TimersRunOutOnTheirTick) {
  Machine x;
  // TON T0, 10: constant preset N runs out on the N-th 10 ms tick.
  x.m.SetInput(0, 5, true);
  x.Scan();
  uint64_t took = x.CyclesUntil("M1:2", true, 20 * kTick);
  EXPECT_GT(took, 9 * kTick);
  EXPECT_LE(took, 10 * kTick + kTick / 10);
  x.m.SetInput(0, 5, false);
  x.Scan();
  EXPECT_FALSE(x.Bit("M1:2"));

  // TOFF T1, 10: on at once, off 10 ticks after the input went off.
  x.m.SetInput(0, 6, true);
  x.Scan();
  EXPECT_TRUE(x.Bit("M1:3"));
  x.m.SetInput(0, 6, false);
  x.Scan();
  EXPECT_TRUE(x.Bit("M1:3"));
  took = x.CyclesUntil("M1:3", false, 20 * kTick);
  EXPECT_GT(took, 9 * kTick);
  EXPECT_LE(took, 10 * kTick + kTick / 10);

  // TAON T2, 3: three 100 ms ticks.
  x.m.SetInput(0, 7, true);
  x.Scan();
  took = x.CyclesUntil("M1:4", true, 50 * kTick);
  EXPECT_GT(took, 20 * kTick);
  EXPECT_LE(took, 30 * kTick + kTick / 10);

  // A data word as preset: N gives N + 1 ticks.
  SetWordOf(x.m, "D", 10, 4, kModel);
  x.Scan(2);
  x.m.SetInput(1, 4, true);
  x.Scan();
  took = x.CyclesUntil("M1:5", true, 20 * kTick);
  EXPECT_GT(took, 4 * kTick);
  EXPECT_LE(took, 5 * kTick + kTick / 10);
}

TEST(LadderRun, CountersCountEdgesAndReset) {
  Machine x;
  x.Scan();
  EXPECT_TRUE(x.Bit("M2:1") == false);
  EXPECT_EQ(WordOf(x.m, "C", 1, kModel), 2);  // loaded at power-up
  for (int i = 1; i <= 4; ++i) {
    x.m.SetInput(1, 0, true);
    x.m.SetInput(1, 2, true);
    x.Scan(2);  // held on for two scans: one count
    x.m.SetInput(1, 0, false);
    x.m.SetInput(1, 2, false);
    x.Scan();
    EXPECT_EQ(WordOf(x.m, "C", 0, kModel), std::min(i, 3)) << i;
    EXPECT_EQ(x.Bit("M2:0"), i >= 3) << i;
    EXPECT_EQ(WordOf(x.m, "C", 1, kModel), std::max(2 - i, 0)) << i;
    EXPECT_EQ(x.Bit("M2:1"), i >= 2) << i;
  }
  x.m.SetInput(1, 1, true);
  x.m.SetInput(1, 3, true);
  x.Scan();
  EXPECT_EQ(WordOf(x.m, "C", 0, kModel), 0);
  EXPECT_FALSE(x.Bit("M2:0"));
  EXPECT_EQ(WordOf(x.m, "C", 1, kModel), 2);
  EXPECT_FALSE(x.Bit("M2:1"));
}

TEST(LadderRun, DataArithmeticAndCompares) {
  Machine x;
  SetWordOf(x.m, "D", 0, 1234, kModel);
  SetWordOf(x.m, "D", 1, 1000, kModel);
  x.Scan(2);
  EXPECT_EQ(WordOf(x.m, "D", 6, kModel), 1234);
  EXPECT_EQ(WordOf(x.m, "D", 2, kModel), 2234);
  EXPECT_EQ(WordOf(x.m, "D", 7, kModel), 234);
  EXPECT_EQ(WordOf(x.m, "D", 8, kModel), 0x1234);
  const uint32_t ch = uint32_t(MapStart("CH", kModel));
  EXPECT_EQ(std::string({char(x.m.ReadDevice(ch)), char(x.m.ReadDevice(ch + 1)), char(x.m.ReadDevice(ch + 2)),
                         char(x.m.ReadDevice(ch + 3))}),
            "04D2");
  EXPECT_TRUE(x.Bit("M2:2"));
  EXPECT_TRUE(x.Bit("M2:3"));
  SetWordOf(x.m, "D", 0, 65535, kModel);
  x.Scan(2);
  EXPECT_EQ(WordOf(x.m, "D", 8, kModel), 0x5535);  // the ten-thousands digit is dropped
  EXPECT_FALSE(x.Bit("M2:3"));
  SetWordOf(x.m, "D", 0, 999, kModel);
  x.Scan(2);
  EXPECT_FALSE(x.Bit("M2:2"));
}

TEST(LadderRun, KeepRelaysSurviveAResetOthersDoNot) {
  Machine x;
  const uint32_t k = uint32_t(MapStart("K", kModel)), d = uint32_t(MapStart("D", kModel));
  x.m.WriteDevice(k + 3, 0x5A);
  x.m.WriteDevice(d + 40, 0x77);
  x.m.Reset();
  x.Scan(2);
  EXPECT_EQ(x.m.ReadDevice(k + 3), 0x5A);
  EXPECT_EQ(x.m.ReadDevice(d + 40), 0);
}

}  // namespace
