#include "monitor/watch_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "compiler/tests/monitor_flag_support.h"
#include "monitor/device_map.h"
#include "monitor/memory_device.h"
#include "monitor/tests/recording_surface_support.h"

namespace {

using monitor::WatchParse;
using monitor_test::Op;

class Watch : public ::testing::Test {
 protected:
  Watch() {
    studio->messages = &sink;
    compiler::MonitorFlagForTests::Set(*studio, true);
    studio->doc.Setup.PlcModel = 10;
    monitor::SetDeviceMap(*studio);
  }
  const compiler::DeviceMap& map() const { return studio->monitor.map; }
  compiler::WatchList& list() { return studio->watch; }
  bool Type(std::string text) {
    box = std::move(text);
    return monitor::AddWatchByText(*studio, box);
  }
  void Cell(const std::string& text, int16_t type = compiler::kContactNO) {
    studio->doc.CellText[2][3] = text;
    studio->doc.CellType[2][3] = type;
    studio->doc.CurCol = 2;
    studio->doc.CurRow = 3;
  }

  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::string box;
};

TEST_F(Watch, ShortBitDeviceGetsItsColon) {
  EXPECT_TRUE(Type("m12"));
  EXPECT_EQ(box, "m1:2");
  ASSERT_EQ(list().WatchCount, 1);
  EXPECT_EQ(list().WatchName[0], "M1:2  ");
  EXPECT_EQ(list().WatchKind[0], monitor::kWatchBit);
  EXPECT_EQ(list().WatchMask[0], 4);
  EXPECT_EQ(list().WatchAddr[0], map().AddrM + 1);
  EXPECT_TRUE(Type("P05"));
  EXPECT_EQ(list().WatchName[1], "P0:5  ");
  EXPECT_EQ(list().WatchMask[1], 32);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Watch, AliasBecomesItsDeviceAndLabelsIt) {
  studio->doc.AliasP[3] = "Start";
  EXPECT_TRUE(Type("start"));
  EXPECT_EQ(box, "P0:3");
  EXPECT_EQ(list().WatchName[0], "P0:3  Start");
  EXPECT_EQ(list().WatchAddr[0], map().AddrP);
  EXPECT_EQ(list().WatchMask[0], 8);
}

TEST_F(Watch, EveryAreaClassifies) {
  struct Case {
    const char* text;
    int kind, addr, mask;
    const char* name;
  };
  studio->doc.AliasC[3] = "Cnt";
  studio->doc.AliasT[5] = "Tmr";
  const compiler::DeviceMap& m = map();
  const Case cases[] = {
      {"CNT0", 4, m.AddrHCNT, 0, "CNT0"},
      {"CH3", 0, m.AddrCH + 3, 0, "CH3"},
      {"C3", 2, m.AddrC + 6, m.AddrCF + 3, "C3  Cnt"},
      {"T5", 3, m.AddrT + 10, 0, "T5  Tmr"},
      {"D7", 4, m.AddrD + 14, 0, "D7"},
      {"AD2", 4, m.AddrAD + 4, 0, "AD2"},
      {"A2", 4, m.AddrAD + 4, 0, "A2"},
      {"G39", 0, m.AddrG + 39, 0, "G39"},
      {"F7:7", 1, m.AddrF + 7, 128, "F7:7"},
      {"S15:0", 1, m.AddrS + 15, 1, "S15:0"},
      {"K63:7", 1, m.AddrK + 63, 128, "K63:7  "},
  };
  for (const Case& c : cases) {
    const WatchParse p = monitor::ParseWatchDevice(studio->doc, m, c.text);
    ASSERT_EQ(p.status, WatchParse::kEntry) << c.text;
    EXPECT_EQ(p.slot.kind, c.kind) << c.text;
    EXPECT_EQ(p.slot.addr, c.addr) << c.text;
    if (c.kind == 1 || c.kind == 2) {
      EXPECT_EQ(p.slot.mask, c.mask) << c.text;
    }
    EXPECT_EQ(p.slot.name, c.name) << c.text;
  }
}

TEST_F(Watch, DevicesOutsideTheirAreaOrWithBadBitsGetTheSyntaxMessage) {
  // Model 10: 220 D words, 64 timers, 32 counters, 256 M bits, 8 AD, 1 HCNT, 80 CH.
  for (const char* text :
       {"D220", "T64", "C32", "M32:0", "AD8", "CNT1", "CH80", "G40", "M1:8", "M1:", "D5X", "P99999"}) {
    const WatchParse p = monitor::ParseWatchDevice(studio->doc, map(), text);
    EXPECT_EQ(p.status, WatchParse::kBad) << text;
    EXPECT_FALSE(p.reason.empty()) << text;
  }
  EXPECT_FALSE(Type("d220"));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Syntax Error : Invalid Number !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(box, "d220");  // kept for correction
  studio->shell.KoreanMenu = true;
  EXPECT_FALSE(Type("m1:9"));
  EXPECT_EQ(sink.shown.back().text.rfind("키입력 에러 : ", 0), 0u);
  EXPECT_EQ(list().WatchCount, 0);
}

TEST_F(Watch, TextsThatAreNoDeviceAreIgnoredSilently) {
  for (const char* text : {"X1", "MOV D1", "hello", "C", "CNTX"}) {
    EXPECT_EQ(monitor::ParseWatchDevice(studio->doc, map(), text).status, WatchParse::kNotDevice) << text;
  }
  EXPECT_FALSE(Type("hello"));
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(list().WatchCount, 0);
}

TEST_F(Watch, EntryNeedsMonitoringAndText) {
  EXPECT_FALSE(Type(""));
  compiler::MonitorFlagForTests::Set(*studio, false);
  EXPECT_FALSE(Type("M1:2"));
  EXPECT_EQ(list().WatchCount, 0);
}

TEST_F(Watch, AdditionsStopAtThirtyButAStoredThirtyFirstStays) {
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(Type("D" + std::to_string(i)));
  EXPECT_FALSE(Type("D31"));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Watch Maximun is 30 !");
  studio->shell.KoreanMenu = true;
  EXPECT_FALSE(Type("D31"));
  EXPECT_EQ(sink.shown.back().text, "와치 목록은 최대 30개까지 사용가능합니다.");
  Cell("D5");
  EXPECT_FALSE(monitor::AddWatchFromCell(*studio, true));
  EXPECT_EQ(list().WatchCount, 30);
  EXPECT_EQ(sink.shown.size(), 2u);

  list().WatchCount = 31;  // as a stored file may hold
  monitor::MemoryDevice device;
  monitor_test::RecordingSurface surface(4000, 100000);
  monitor::RefreshWatch(studio->watch, studio->monitor, device, surface);
  EXPECT_EQ(device.reads.size(), 31u);
}

TEST_F(Watch, RightClickTakesTheBoxOperandOrTheWholeCell) {
  Cell("TON T5, 100", compiler::kBox);
  EXPECT_TRUE(monitor::AddWatchFromCell(*studio, true));
  EXPECT_EQ(list().WatchKind[0], monitor::kWatchTimer);
  EXPECT_EQ(list().WatchAddr[0], map().AddrT + 10);
  Cell("P1:2");
  EXPECT_TRUE(monitor::AddWatchFromCell(*studio, true));
  EXPECT_EQ(list().WatchName[1], "P1:2  ");
  Cell("CTU C3, 10", compiler::kCounterBox);
  EXPECT_TRUE(monitor::AddWatchFromCell(*studio, true));
  EXPECT_EQ(list().WatchMask[2], map().AddrCF + 3);
  EXPECT_FALSE(monitor::AddWatchFromCell(*studio, false));  // watch page hidden
  Cell("MOV D1, D2", compiler::kBox);
  EXPECT_FALSE(monitor::AddWatchFromCell(*studio, true));
  Cell("");
  EXPECT_FALSE(monitor::AddWatchFromCell(*studio, true));
  EXPECT_EQ(list().WatchCount, 3);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Watch, RemovalByRow) {
  for (const char* t : {"D0", "D1", "D2"}) ASSERT_TRUE(Type(t));
  const int h = 200, pitch = h + 50;
  EXPECT_FALSE(monitor::RemoveWatchAt(*studio, 3 * pitch, h));  // below the last entry
  EXPECT_FALSE(monitor::RemoveWatchAt(*studio, -5, h));
  EXPECT_EQ(list().WatchCount, 3);
  EXPECT_TRUE(monitor::RemoveWatchAt(*studio, pitch + 10, h));  // second row
  ASSERT_EQ(list().WatchCount, 2);
  EXPECT_EQ(list().WatchName[0], "D0");
  EXPECT_EQ(list().WatchName[1], "D2");
  compiler::MonitorFlagForTests::Set(*studio, false);
  EXPECT_FALSE(monitor::RemoveWatchAt(*studio, 0, h));
  monitor::ClearWatch(*studio);
  EXPECT_EQ(list().WatchCount, 0);
}

// The list is saved with the program: what changes it marks the program changed, what is
// refused or changes nothing does not.
TEST_F(Watch, ChangesOfTheListAreChangesOfTheProgram) {
  auto changedBy = [&](const char* what, auto edit) {
    SCOPED_TRACE(what);
    studio->shell.SourceSaved = true;
    edit();
    return !studio->shell.SourceSaved;
  };
  EXPECT_TRUE(changedBy("typed", [&] { ASSERT_TRUE(Type("D0")); }));
  EXPECT_FALSE(changedBy("refused text", [&] { EXPECT_FALSE(Type("D5X")); }));
  EXPECT_FALSE(changedBy("no device", [&] { EXPECT_FALSE(Type("'note")); }));
  Cell("P1:2");
  EXPECT_TRUE(changedBy("right click", [&] { ASSERT_TRUE(monitor::AddWatchFromCell(*studio, true)); }));
  Cell("MOV D1, D2", compiler::kBox);
  EXPECT_FALSE(changedBy("cell without a device", [&] { EXPECT_FALSE(monitor::AddWatchFromCell(*studio, true)); }));
  EXPECT_FALSE(changedBy("below the last row", [&] { EXPECT_FALSE(monitor::RemoveWatchAt(*studio, 5000, 200)); }));
  EXPECT_TRUE(changedBy("removed", [&] { ASSERT_TRUE(monitor::RemoveWatchAt(*studio, 0, 200)); }));
  EXPECT_EQ(list().WatchCount, 1);
  compiler::MonitorFlagForTests::Set(*studio, false);  // All Clear works out of monitor mode too
  EXPECT_TRUE(changedBy("All Clear", [&] { monitor::ClearWatch(*studio); }));
  EXPECT_EQ(list().WatchCount, 0);
  EXPECT_FALSE(changedBy("All Clear of an empty list", [&] { monitor::ClearWatch(*studio); }));
}

TEST(WatchValue, LinesOfEachKind) {
  using monitor::FormatWatchValue;
  auto v = FormatWatchValue(monitor::kWatchTimer, 0, {0x80, 0x64}, std::nullopt);
  EXPECT_TRUE(v.stateOn);
  EXPECT_EQ(v.state, "On");
  EXPECT_EQ(v.number, "    100 ");
  EXPECT_EQ(v.column, 20);
  v = FormatWatchValue(monitor::kWatchCounter, 0, {0x80, 0x05}, uint8_t{0x00});
  EXPECT_EQ(v.state, "Off");
  EXPECT_EQ(v.number, "    32773 ");
  v = FormatWatchValue(monitor::kWatchBit, 4, {0x04, 0}, std::nullopt);
  EXPECT_EQ(v.state, "    On");
  EXPECT_EQ(v.column, 18);
  EXPECT_TRUE(v.number.empty());
  v = FormatWatchValue(monitor::kWatchBit, 4, {0x03, 0xFF}, std::nullopt);
  EXPECT_EQ(v.state, "    Off");
  v = FormatWatchValue(monitor::kWatchWord, 0, {0x12, 0x34}, std::nullopt);
  EXPECT_EQ(v.number, "  1234    4660 ");
  v = FormatWatchValue(monitor::kWatchWord, 0, {0x00, 0x0A}, std::nullopt);
  EXPECT_EQ(v.number, "  A    10 ");
  v = FormatWatchValue(monitor::kWatchByte, 0, {0xFF, 0x01}, std::nullopt);
  EXPECT_EQ(v.number, " 255 ");
  EXPECT_TRUE(FormatWatchValue(7, 0, {1, 1}, std::nullopt).number.empty());
}

TEST_F(Watch, RefreshDrawsEachEntryAndStopsAtATimeOut) {
  ASSERT_TRUE(Type("T0"));
  ASSERT_TRUE(Type("C1"));
  ASSERT_TRUE(Type("D2"));
  monitor::MemoryDevice device;
  device.SetWord(map().AddrT, 0x80, 0x64);
  device.SetWord(map().AddrC + 2, 0x00, 0x07);
  device.SetByte(map().AddrCF + 1, 0x80);
  monitor_test::RecordingSurface surface(4000, 6000);
  monitor::RefreshWatch(studio->watch, studio->monitor, device, surface);
  EXPECT_EQ(device.reads, (std::vector<int>{map().AddrT, map().AddrC + 2, map().AddrCF + 1, map().AddrD + 4}));
  ASSERT_EQ(surface.ops.front().kind, Op::kClear);
  EXPECT_EQ(surface.TextAt(200, 0), "T0  ");
  EXPECT_EQ(surface.TextAt(1900, 0), "On");
  const auto texts = surface.Of(Op::kText);
  bool redOn = false;
  for (const Op& t : texts)
    if (t.text == "On") redOn = t.color == 0x0000FF;
  EXPECT_TRUE(redOn);
  EXPECT_EQ(surface.TextAt(200, 250), "C1  ");
  const auto lines = surface.Of(Op::kLine);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].y1, 200);
  EXPECT_EQ(lines[0].color, 0xC0C0C0u);
  EXPECT_EQ(lines[1].y1, 450);

  device.reads.clear();
  device.goodReadsLeft = 2;  // the counter's flag read times out
  surface.ops.clear();
  monitor::RefreshWatch(studio->watch, studio->monitor, device, surface);
  EXPECT_EQ(device.reads.size(), 3u);
  EXPECT_EQ(surface.Of(Op::kLine).size(), 1u);
}

TEST_F(Watch, RefreshShowsNothingOffOrEmpty) {
  monitor::MemoryDevice device;
  monitor_test::RecordingSurface surface;
  monitor::RefreshWatch(studio->watch, studio->monitor, device, surface);
  ASSERT_TRUE(Type("D0"));
  compiler::MonitorFlagForTests::Set(*studio, false);
  monitor::RefreshWatch(studio->watch, studio->monitor, device, surface);
  EXPECT_TRUE(device.reads.empty());
  for (const Op& op : surface.ops) EXPECT_EQ(op.kind, Op::kClear);
}

}  // namespace

namespace {

// Random and cut device texts: the parser never reads past its text, and every entry it
// accepts lies inside its area.
TEST_F(Watch, RandomTextsGiveEntriesOnlyInsideTheirAreas) {
  std::mt19937 random(1234);
  const std::string alphabet = "PMKFSCTDAGHN0123456789:: ,X\x80\xB0";
  const compiler::DeviceMap& m = map();
  const int lowest = m.AddrP, highest = m.AddrAD + 2 * m.CountAD;
  int entries = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int length = static_cast<int>(random() % 9);
    for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    const WatchParse p = monitor::ParseWatchDevice(studio->doc, m, text);
    if (p.status != WatchParse::kEntry) continue;
    ++entries;
    EXPECT_GE(p.slot.addr, lowest) << text;
    EXPECT_LT(p.slot.addr, highest) << text;
    if (p.slot.kind == monitor::kWatchBit) {
      EXPECT_TRUE(p.slot.mask >= 1 && p.slot.mask <= 128 && (p.slot.mask & (p.slot.mask - 1)) == 0) << text;
    }
    std::string box = text;
    monitor::AddWatchByText(*studio, box);
    if (list().WatchCount >= monitor::kWatchAddLimit) monitor::ClearWatch(*studio);
  }
  EXPECT_GT(entries, 100);
}

}  // namespace
