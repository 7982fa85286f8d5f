#include "monitor/dump_pages.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/tests/monitor_flag_support.h"
#include "monitor/device_map.h"
#include "monitor/memory_device.h"
#include "monitor/tests/recording_surface_support.h"

namespace {

using monitor_test::Op;
using monitor_test::RecordingSurface;

class Dump : public ::testing::Test {
 protected:
  Dump() {
    compiler::MonitorFlagForTests::Set(*studio, true);
    studio->doc.Setup.PlcModel = 10;
    monitor::SetDeviceMap(*studio);
  }
  const compiler::DeviceMap& map() const { return studio->monitor.map; }
  std::vector<std::string> Select(int tab, int first) {
    pages.DumpTop[tab] = static_cast<int16_t>(first);
    surface.ops.clear();
    device.reads.clear();
    pages.SelectTab(*studio, device, surface, tab);
    return surface.Texts();
  }

  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  monitor::MemoryDevice device;
  RecordingSurface surface{4000, 100000};  // tall enough for whole areas
  monitor::DumpPages pages;
};

TEST(DumpLines, Formats) {
  EXPECT_EQ(monitor::BitLabel('P', 13), "       P1:5");
  EXPECT_EQ(monitor::BitLabel('M', 1023), "       M127:7");
  EXPECT_EQ(monitor::WordLine("D", 1, 0x1234), "  D1 = 1234  4660");
  EXPECT_EQ(monitor::WordLine("HCNT", 0, 0x3412), "  HCNT0 = 3412  13330");
  EXPECT_EQ(monitor::WordLine("T", 0, 5), "  T0 = 0005  5");
  EXPECT_EQ(monitor::ByteLine("CH", 3, 10), "  CH3 = A   10   .");
  EXPECT_EQ(monitor::ByteLine("G", 0, 'A'), "  G0 = 41   65   A");
  EXPECT_EQ(monitor::ByteChar(0), ".");
  EXPECT_EQ(monitor::ByteChar(127), "\x7F");  // only 0..31 and 128..255 may look otherwise
  EXPECT_EQ(monitor::ByteChar(150), ".");
  EXPECT_EQ(monitor::ByteChar(0xE9), "\xC3\xA9");
  EXPECT_EQ(monitor::DumpHeader(monitor::kTabCH), "        HEX   DEC  ASCII ");
  EXPECT_EQ(monitor::DumpHeader(monitor::kTabC), "           HEX   DEC    On/Off ");
  EXPECT_EQ(monitor::DumpHeader(monitor::kTabT), "             HEX   DEC    On/Off ");
  EXPECT_EQ(monitor::DumpHeader(monitor::kTabD), "           HEX   DEC ");
  EXPECT_EQ(monitor::DumpHeader(monitor::kTabHCNT), "            HEX   DEC ");
  EXPECT_EQ(monitor::DumpTabCaption(12), "CNT");
  EXPECT_EQ(monitor::DumpTabCaption(13), "");
}

TEST_F(Dump, BitPageLayoutEndsAtTheAreasLastBit) {
  studio->doc.AliasP[1] = "Lamp";
  const auto texts = Select(monitor::kTabP, 0);
  EXPECT_EQ(device.reads.size(), 0u);  // the layout reads nothing
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), "       P0:0");
  EXPECT_EQ(texts.back(), "       P15:7");
  EXPECT_EQ(surface.TextAt(1000, 200), "Lamp");  // print column 11
  const auto rules = surface.Of(Op::kLine);
  ASSERT_EQ(rules.size(), 128u);
  EXPECT_EQ(rules[0].color, 0xC0C0C0u);
  EXPECT_EQ(rules[7].color, 0x000000u);
  EXPECT_EQ(rules[0].y1, 200);
}

TEST_F(Dump, KPageShowsNoAliasBeyondItsTableAndFPageNone) {
  studio->doc.AliasK[255] = "Last";
  studio->doc.AliasK[256] = "Spare";  // past the used entries
  Select(monitor::kTabK, 255);
  EXPECT_EQ(surface.TextAt(1000, 0), "Last");
  EXPECT_EQ(surface.TextAt(1000, 200), "");
  studio->doc.AliasP[0] = "X";
  const auto texts = Select(monitor::kTabF, 0);
  EXPECT_EQ(texts.size(), 64u);
}

TEST_F(Dump, BitRefreshReadsPerSixteenBits) {
  Select(monitor::kTabM, 13);
  device.SetWord(map().AddrM, 0x00, 0x80);      // bit 15 set
  device.SetWord(map().AddrM + 2, 0x01, 0x00);  // bit 16 set
  surface.ops.clear();
  pages.Refresh(*studio, device, surface, true);
  ASSERT_GE(device.reads.size(), 2u);
  EXPECT_EQ(device.reads[0], map().AddrM);
  EXPECT_EQ(device.reads[1], map().AddrM + 2);
  EXPECT_EQ(device.reads.size(), 1u + (256 - 16 + 15) / 16);
  const auto boxes = surface.Of(Op::kFill);
  ASSERT_EQ(boxes.size(), 256u - 13u);
  EXPECT_EQ(boxes[0].color, 0xFFFFFFu);  // bit 13
  EXPECT_EQ(boxes[2].color, 0x00FF00u);  // bit 15
  EXPECT_EQ(boxes[3].color, 0x00FF00u);  // bit 16
  EXPECT_EQ(boxes[4].color, 0xFFFFFFu);
  EXPECT_EQ(boxes[1].x1, 150);
  EXPECT_EQ(boxes[1].y1, 200 + 30);
  EXPECT_EQ(boxes[1].x2, 300);
  EXPECT_EQ(boxes[1].y2, 400 - 30);
  for (const Op& op : surface.ops) EXPECT_NE(op.kind, Op::kText);  // the tick never redraws labels
}

TEST_F(Dump, BitRefreshStopsAtTheBottomAndAtATimeOut) {
  RecordingSurface small(4000, 100);  // less than one line
  pages.selectedTab = monitor::kTabP;
  pages.Refresh(*studio, device, small, true);
  EXPECT_EQ(small.Of(Op::kFill).size(), 1u);
  EXPECT_EQ(device.reads.size(), 1u);

  device.reads.clear();
  device.goodReadsLeft = 2;
  surface.ops.clear();
  pages.Refresh(*studio, device, surface, true);
  EXPECT_EQ(device.reads.size(), 3u);
  EXPECT_EQ(surface.Of(Op::kFill).size(), 32u);

  // A first bit past the area (the model changed): nothing shown, nothing read.
  device.goodReadsLeft = -1;
  device.reads.clear();
  pages.DumpTop[monitor::kTabP] = 500;
  surface.ops.clear();
  pages.Refresh(*studio, device, surface, true);
  EXPECT_TRUE(device.reads.empty());
  monitor::DrawBitPage(*studio, surface, monitor::kTabP, 500);
  EXPECT_TRUE(surface.Texts().empty());
}

TEST_F(Dump, BytePagesReadPairsAndNeverShowPastTheArea) {
  auto texts = Select(monitor::kTabCH, 0);
  ASSERT_EQ(texts.size(), 81u);
  EXPECT_EQ(texts[80].rfind("  CH79 = ", 0), 0u);
  EXPECT_EQ(device.reads.size(), 40u);
  EXPECT_EQ(device.reads[1], map().AddrCH + 2);

  texts = Select(monitor::kTabCH, 1);
  EXPECT_EQ(device.reads.back(), map().AddrCH + 79);
  EXPECT_EQ(texts.back().rfind("  CH79 = ", 0), 0u);
  EXPECT_EQ(texts.size(), 80u);

  texts = Select(monitor::kTabG, 39);
  EXPECT_EQ(device.reads, std::vector<int>{map().AddrG + 39});
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].rfind("  G39 = ", 0), 0u);
}

TEST_F(Dump, BytePageLinesSitInWhiteBands) {
  device.SetWord(map().AddrCH + 2, 'x', 10);
  Select(monitor::kTabCH, 2);
  EXPECT_EQ(surface.TextAt(0, 0), "        HEX   DEC  ASCII ");
  EXPECT_EQ(surface.TextAt(0, 230), "  CH2 = 78   120   x");
  EXPECT_EQ(surface.TextAt(0, 460), "  CH3 = A   10   .");
  const auto fills = surface.Of(Op::kFill);
  ASSERT_GE(fills.size(), 3u);
  EXPECT_EQ(fills[1].y1, 230);
  EXPECT_EQ(fills[1].y2, 460);
  EXPECT_EQ(fills[1].x2, 4000);
  EXPECT_EQ(fills[1].color, 0xFFFFFFu);
}

TEST_F(Dump, WordPagesShowTheirValuesAndStates) {
  device.SetWord(map().AddrD + 2, 0x12, 0x34);
  Select(monitor::kTabD, 0);
  EXPECT_EQ(surface.TextAt(0, 460), "  D1 = 1234  4660");
  EXPECT_EQ(device.reads.size(), 220u);

  device.SetWord(map().AddrT, 0x80, 0x05);
  Select(monitor::kTabT, 0);
  EXPECT_EQ(surface.TextAt(0, 230), "  T0 = 0005  5");
  ASSERT_EQ(surface.TextAt(2000, 230), "On");
  for (const Op& t : surface.Of(Op::kText)) {
    if (t.x1 == 2000 && t.y1 == 230) {
      EXPECT_EQ(t.color, 0x0000FFu);
    }
  }
  EXPECT_EQ(surface.TextAt(2000, 460), "Off");

  device.SetWord(map().AddrC, 0x80, 0x05);
  device.SetByte(map().AddrCF + 1, 0x80);
  Select(monitor::kTabC, 0);
  EXPECT_EQ(surface.TextAt(0, 230), "  C0 = 8005  32773");
  EXPECT_EQ(surface.TextAt(2000, 230), "Off");
  EXPECT_EQ(surface.TextAt(2000, 460), "On");
  EXPECT_EQ(device.reads[0], map().AddrC);
  EXPECT_EQ(device.reads[1], map().AddrCF);
  EXPECT_EQ(device.reads[3], map().AddrCF + 1);
}

TEST_F(Dump, PlainPagesClearAndPrintFromTheTop) {
  device.SetWord(map().AddrHCNT, 0x12, 0x34);
  auto texts = Select(monitor::kTabHCNT, 0);
  EXPECT_EQ(texts, (std::vector<std::string>{"            HEX   DEC ", "  HCNT0 = 3412  13330"}));
  device.SetWord(map().AddrAD + 2, 0x12, 0x34);
  texts = Select(monitor::kTabAD, 0);
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts[2], "  AD1 = 1234  4660");
  EXPECT_EQ(surface.TextAt(0, 400), "  AD1 = 1234  4660");
  device.goodReadsLeft = 0;
  surface.ops.clear();
  pages.Refresh(*studio, device, surface, true);
  EXPECT_EQ(surface.Texts(), std::vector<std::string>{"           HEX   DEC "});
}

TEST_F(Dump, BandPagesStopAtThePictureBottomAndATimeOut) {
  RecordingSurface small(4000, 1000);  // header and three full lines
  pages.selectedTab = monitor::kTabD;
  pages.Refresh(*studio, device, small, true);
  EXPECT_EQ(device.reads.size(), 4u);  // the fourth line crosses the bottom, then stop

  device.reads.clear();
  device.goodReadsLeft = 0;
  small.ops.clear();
  pages.Refresh(*studio, device, small, true);
  EXPECT_EQ(small.Texts(), std::vector<std::string>{"           HEX   DEC "});  // old lines stay
  for (const Op& op : small.ops) EXPECT_NE(op.kind, Op::kClear);
}

TEST_F(Dump, HiddenFrameOrMonitorOffReadsNothing) {
  for (int tab = 1; tab <= 12; ++tab) {
    pages.selectedTab = tab;
    pages.Refresh(*studio, device, surface, false);
  }
  EXPECT_TRUE(device.reads.empty());
  compiler::MonitorFlagForTests::Set(*studio, false);
  for (int tab = 1; tab <= 12; ++tab) Select(tab, 0);
  EXPECT_TRUE(device.reads.empty());
  EXPECT_TRUE(surface.Texts().empty());
}

TEST_F(Dump, SelectionKeepsEachPagesPositionWithinItsArea) {
  pages.DumpTop[monitor::kTabM] = 40;
  auto range = pages.SelectTab(*studio, device, surface, monitor::kTabM);
  EXPECT_EQ(range.maximum, 255);
  EXPECT_EQ(range.position, 40);
  pages.Scroll(*studio, device, surface, 100);
  EXPECT_EQ(pages.DumpTop[monitor::kTabM], 100);
  range = pages.SelectTab(*studio, device, surface, monitor::kTabAD);
  EXPECT_EQ(range.maximum, 7);
  EXPECT_EQ(pages.DumpTop[monitor::kTabM], 100);  // another tab leaves it alone
  range = pages.SelectTab(*studio, device, surface, monitor::kTabM);
  EXPECT_EQ(range.position, 100);
  // After a model change made the area smaller, the selection brings it back in.
  pages.DumpTop[monitor::kTabT] = 200;
  range = pages.SelectTab(*studio, device, surface, monitor::kTabT);
  EXPECT_EQ(range.maximum, 63);
  EXPECT_EQ(range.position, 63);
  range = pages.SelectTab(*studio, device, surface, 13);
  EXPECT_EQ(range.maximum, 0);
}

}  // namespace
