#include "monitor/live_ladder.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/monitor_attrs.h"
#include "monitor/device_map.h"
#include "monitor/memory_device.h"
#include "monitor/tests/recording_surface_support.h"

namespace {

using monitor_test::Op;
using monitor_test::RecordingSurface;

class LiveLadder : public ::testing::Test {
 protected:
  void Mark(int col, int row, int kind, int num, int bit = 0, int16_t type = compiler::kContactNO) {
    doc().MonDevKind[col][row] = static_cast<int16_t>(kind);
    doc().MonDevNum[col][row] = static_cast<int16_t>(num);
    doc().MonDevBit[col][row] = static_cast<int16_t>(bit);
    doc().CellType[col][row] = type;
  }
  compiler::ProgramDocument& doc() { return studio->doc; }
  void Run() { monitor::MonitorLadder(doc(), map, device, surface, view); }
  // The state box of cell (col, shown row i) with the default look.
  const Op* StateBox(int col, int shownRow) const {
    const int x = (col + 1) * 720 + 4 * 80, y = 560 + shownRow * 860 + 4 * 80;
    for (const Op& op : surface.ops)
      if (op.kind == Op::kFill && op.x1 == x && op.y1 == y) return &op;
    return nullptr;
  }

  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  compiler::DeviceMap map = monitor::DeviceMapFor(10);
  monitor::MemoryDevice device;
  RecordingSurface surface{12000, 6000};
  ladder::LadderViewState view;
  const ladder::ColorScheme& look = view.colors;
};

TEST_F(LiveLadder, NormallyClosedContactShowsTheInverseAndRedrawsItsSlash) {
  Mark(0, 0, compiler::kMonMBit, 3, 2, compiler::kContactNC);
  device.SetByte(map.AddrM + 3, 0x04);
  Run();
  ASSERT_NE(StateBox(0, 0), nullptr);
  EXPECT_EQ(StateBox(0, 0)->color, look.ViewBackColor);
  EXPECT_EQ(StateBox(0, 0)->x2, 720 + 400);
  EXPECT_EQ(StateBox(0, 0)->y2, 560 + 480);
  const auto lines = surface.Of(Op::kLine);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].x1, 720 + 400);
  EXPECT_EQ(lines[0].y1, 560 + 320);
  EXPECT_EQ(lines[0].x2, 720 + 320);
  EXPECT_EQ(lines[0].y2, 560 + 480);
  EXPECT_EQ(lines[0].color, look.ViewLineColor);

  surface.ops.clear();
  device.SetByte(map.AddrM + 3, 0x00);
  Run();
  EXPECT_EQ(StateBox(0, 0)->color, look.ViewOnColor);
  EXPECT_EQ(device.reads.back(), map.AddrM + 3);
}

TEST_F(LiveLadder, ContactKindsReadTheirAreas) {
  Mark(0, 0, compiler::kMonPBit, 1, 7);
  Mark(1, 0, compiler::kMonFBit, 2, 0);
  Mark(2, 0, compiler::kMonKBit, 4, 1);
  Mark(3, 0, compiler::kMonTimerContact, 5);
  Mark(4, 0, compiler::kMonCounterContact, 6);
  Mark(5, 0, compiler::kMonStep, 2, 5);
  device.SetByte(map.AddrP + 1, 0x80);
  device.SetByte(map.AddrF + 2, 0x02);  // bit 0 clear
  device.SetByte(map.AddrK + 4, 0x02);
  device.SetByte(map.AddrT + 10, 0x80);
  device.SetByte(map.AddrCF + 6, 0x7F);  // bit 7 clear
  device.SetByte(map.AddrS + 2, 5);
  Run();
  EXPECT_EQ(device.reads, (std::vector<int>{map.AddrP + 1, map.AddrF + 2, map.AddrK + 4, map.AddrT + 10, map.AddrCF + 6,
                                            map.AddrS + 2}));
  EXPECT_EQ(StateBox(0, 0)->color, look.ViewOnColor);
  EXPECT_EQ(StateBox(1, 0)->color, look.ViewBackColor);
  EXPECT_EQ(StateBox(2, 0)->color, look.ViewOnColor);
  EXPECT_EQ(StateBox(3, 0)->color, look.ViewOnColor);
  EXPECT_EQ(StateBox(4, 0)->color, look.ViewBackColor);
  EXPECT_EQ(StateBox(5, 0)->color, look.ViewOnColor);
}

TEST_F(LiveLadder, StepContactIsOnOnlyAtItsOwnStep) {
  Mark(0, 0, compiler::kMonStep, 2, 5);
  for (int value : {0, 4, 5, 6, 0x25}) {
    surface.ops.clear();
    device.SetByte(map.AddrS + 2, static_cast<uint8_t>(value));
    Run();
    EXPECT_EQ(StateBox(0, 0)->color, value == 5 ? look.ViewOnColor : look.ViewBackColor) << value;
  }
}

TEST_F(LiveLadder, TimerAndCounterBoxesShowTheirValues) {
  Mark(0, 0, compiler::kMonTimerValue, 1, 0, compiler::kBox);
  Mark(3, 0, compiler::kMonCounterValue, 2, 0, compiler::kCounterBox);
  device.SetWord(map.AddrT + 2, 0x81, 0x2C);
  device.SetWord(map.AddrC + 4, 0xFF, 0xFF);
  Run();
  const int tx = 720 + 7 * 80, ty = 560 + 4 * 80;
  EXPECT_EQ(surface.TextAt(tx, ty), "00300");
  EXPECT_EQ(surface.TextAt(4 * 720 + 7 * 80, ty), "65535");
  EXPECT_EQ(StateBox(0, 0)->color, look.ViewOnColor);
  EXPECT_EQ(StateBox(3, 0), nullptr);  // counters have no state box
  // The value field: the width of "00000" and the height of "0", in the on colour.
  const auto fills = surface.Of(Op::kFill);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills[0].x1, tx);
  EXPECT_EQ(fills[0].x2, tx + 500);
  EXPECT_EQ(fills[0].y2, ty + 200);
  EXPECT_EQ(fills[0].color, look.ViewOnColor);

  surface.ops.clear();
  device.SetWord(map.AddrT + 2, 0x01, 0x2C);
  Run();
  EXPECT_EQ(surface.TextAt(tx, ty), "00300");
  EXPECT_EQ(StateBox(0, 0)->color, look.ViewBackColor);
}

TEST_F(LiveLadder, FirstTimeOutEndsThePass) {
  Mark(0, 0, compiler::kMonMBit, 0, 0);
  Mark(1, 0, compiler::kMonMBit, 2, 0);
  Mark(0, 1, compiler::kMonMBit, 4, 0);
  device.goodReadsLeft = 1;
  Run();
  EXPECT_EQ(device.reads.size(), 2u);
  EXPECT_EQ(surface.Of(Op::kFill).size(), 1u);
}

TEST_F(LiveLadder, OnlyRowsOnScreenFromTheTopRowAreRead) {
  for (int row = 0; row < compiler::kProgramRows; ++row) Mark(0, row, compiler::kMonMBit, 2 * (row % 100), 0);
  doc().TopRow = 10;
  Run();  // height 6000: rows at 560, 1420, ... while y <= 6000
  ASSERT_FALSE(device.reads.empty());
  EXPECT_EQ(device.reads.front(), map.AddrM + 20);
  EXPECT_EQ(device.reads.size(), 7u);

  device.reads.clear();
  doc().TopRow = 1197;
  Run();
  EXPECT_EQ(device.reads.size(), 3u);  // rows 1197 to 1199, never row 1200
}

TEST_F(LiveLadder, NeighbouringBytesAndRepeatedDevicesShareOneRead) {
  Mark(0, 0, compiler::kMonMBit, 0, 1);
  Mark(1, 0, compiler::kMonMBit, 1, 3);  // in the word read for M0
  Mark(2, 0, compiler::kMonMBit, 0, 1);  // the same device again
  Mark(3, 0, compiler::kMonTimerValue, 0, 0, compiler::kBox);
  Mark(0, 1, compiler::kMonTimerContact, 0);  // the timer's first byte, read already
  // A value box needs both bytes: one byte known from another read is not enough.
  Mark(1, 1, compiler::kMonPBit, map.AddrC - 1 - map.AddrP, 0);
  Mark(2, 1, compiler::kMonCounterValue, 0, 0, compiler::kCounterBox);
  device.SetWord(map.AddrM, 0x02, 0x08);
  device.SetWord(map.AddrT, 0x80, 0x07);
  device.SetWord(map.AddrC - 1, 0x11, 0x22);
  device.SetByte(map.AddrC + 1, 0x33);
  Run();
  EXPECT_EQ(device.reads, (std::vector<int>{map.AddrM, map.AddrT, map.AddrC - 1, map.AddrC}));
  EXPECT_EQ(StateBox(1, 0)->color, look.ViewOnColor);
  EXPECT_EQ(StateBox(0, 1)->color, look.ViewOnColor);
  EXPECT_EQ(surface.TextAt(3 * 720 + 7 * 80, 560 + 860 + 4 * 80), "08755");  // 0x2233
}

TEST_F(LiveLadder, UnmarkedCellsAreLeftAlone) {
  doc().CellType[0][0] = compiler::kContactNO;
  Mark(1, 0, 4, 0);
  Mark(2, 0, 13, 0);
  Run();
  EXPECT_TRUE(device.reads.empty());
  EXPECT_TRUE(surface.ops.empty());
}

TEST_F(LiveLadder, DrawsInCopyModeAndLeavesTheSurfaceAsItWas) {
  Mark(0, 0, compiler::kMonMBit, 0, 0, compiler::kContactNC);
  surface.SetDrawMode(ladder::DrawMode::Invert);
  surface.SetPenWidth(2);
  surface.SetForeColor(0x123456);
  Run();
  for (const Op& op : surface.ops) EXPECT_EQ(op.mode, ladder::DrawMode::Copy);
  EXPECT_EQ(surface.GetDrawMode(), ladder::DrawMode::Invert);
  EXPECT_EQ(surface.PenWidth(), 2);
  EXPECT_EQ(surface.ForeColor(), 0x123456u);
}

}  // namespace
