#include "monitor/monitor_mode.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/tests/monitor_flag_support.h"
#include "monitor/device_map.h"
#include "monitor/memory_device.h"
#include "monitor/tests/recording_surface_support.h"
#include "monitor/watch_list.h"

namespace {

// The window and the monitor's timer and Dump page as the mode sees them.
struct FakeWindow : monitor::MonitorModeHost, monitor::MonitorLoop {
  std::string caption = "&Monitor on";
  bool timerEnabled = false;
  int interval = 500;
  bool editorShown = true;
  bool speedShown = false;
  int slider = 0;
  int repaints = 0, repaintsWithCursor = 0, focus = 0, watchSelected = 0, dumpCleared = 0, portOpened = 0;
  bool dumpVisible = false;
  bool moduleFails = false;
  std::vector<int> written;
  monitor::MonitorMode* mode = nullptr;
  // The mode's flag as each control found it when the mode switched it ("on"/"off").
  const compiler::MonitorState* state = nullptr;
  std::string flagSeen;
  void See(const char* control) { flagSeen += std::string(control) + (state->MonitorOn() ? "=on " : "=off "); }

  bool CheckModuleModel() override { return moduleFails; }
  void OpenPort() override { ++portOpened; }
  void SetMenuCaption(const std::string& c) override {
    caption = c;
    See("caption");
  }
  void SetTimerEnabled(bool on) override {
    timerEnabled = on;
    See("timer");
  }
  void SetTimerInterval(int ms) override { interval = ms; }
  void ShowCellEditor(bool on) override {
    editorShown = on;
    See("editor");
  }
  void ShowSpeedControls(bool on) override { speedShown = on; }
  void SetSpeedSlider(int v) override {  // a slider runs its handler only on a change
    if (v == slider) return;
    slider = v;
    mode->SpeedChanged(v);
  }
  void RepaintLadder(bool withCursor) override { ++repaints, repaintsWithCursor += withCursor; }
  void FocusLadder() override { ++focus; }
  void SelectWatchPage() override { ++watchSelected; }
  bool DumpVisible() const override { return dumpVisible; }
  void ClearDump() override { ++dumpCleared; }
  void WriteMonSpeed(int v) override { written.push_back(v); }
};

class Mode : public ::testing::Test {
 protected:
  Mode() : mode(studio->monitor, studio->shell, window, window) {
    window.mode = &mode;
    window.state = &studio->monitor;
  }
  bool On() const { return studio->monitor.MonitorOn(); }
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  FakeWindow window;
  monitor::MonitorMode mode;
};

TEST_F(Mode, StartAndStop) {
  studio->monitor.MonSpeed = 5;
  window.slider = 2;
  mode.Toggle();
  EXPECT_TRUE(On());
  EXPECT_EQ(window.caption, "&Monitor off");
  EXPECT_TRUE(window.timerEnabled);
  EXPECT_FALSE(window.editorShown);
  EXPECT_TRUE(window.speedShown);
  EXPECT_EQ(window.slider, 5);
  EXPECT_EQ(window.interval, 600);
  EXPECT_EQ(window.watchSelected, 1);
  EXPECT_EQ(window.repaints, 1);
  EXPECT_EQ(window.portOpened, 1);

  window.dumpVisible = true;
  mode.Toggle();
  EXPECT_FALSE(On());
  EXPECT_EQ(window.caption, "&Monitor on");
  EXPECT_FALSE(window.timerEnabled);
  EXPECT_TRUE(window.editorShown);
  EXPECT_FALSE(window.speedShown);
  EXPECT_EQ(window.repaintsWithCursor, 1);
  EXPECT_EQ(window.focus, 1);
  EXPECT_EQ(window.dumpCleared, 1);
  EXPECT_EQ(window.portOpened, 2);
}

TEST_F(Mode, TheWindowHearsOfTheSwitchAfterTheFlag) {
  // The window may read the flag while it follows the mode (the menu language picks the
  // Monitor item's caption by it): each control is switched after the flag.
  mode.Toggle();
  EXPECT_EQ(window.flagSeen, "caption=on timer=on editor=on ");
  window.flagSeen.clear();
  mode.Toggle();
  EXPECT_EQ(window.flagSeen, "caption=off timer=off editor=off ");
}

TEST_F(Mode, FailedModuleCheckChangesNothing) {
  window.moduleFails = true;
  mode.Toggle();
  EXPECT_FALSE(On());
  EXPECT_EQ(window.caption, "&Monitor on");
  EXPECT_TRUE(window.editorShown);
  EXPECT_FALSE(window.timerEnabled);
  EXPECT_EQ(window.portOpened, 0);
}

TEST_F(Mode, KoreanCaptions) {
  studio->shell.KoreanMenu = true;
  mode.Toggle();
  EXPECT_EQ(window.caption, "모니터링 중지(&M)");
  mode.Toggle();
  EXPECT_EQ(window.caption, "모니터링 시작(&M)");
}

TEST_F(Mode, SpeedSetsTheIntervalAndWritesTheSetting) {
  EXPECT_EQ(mode.IntervalMs(), 500);
  mode.SpeedChanged(0);
  EXPECT_EQ(window.interval, 100);
  mode.SpeedChanged(10);
  EXPECT_EQ(window.interval, 1100);
  EXPECT_EQ(studio->monitor.MonSpeed, 10);
  EXPECT_EQ(window.written, (std::vector<int>{0, 10}));
  // Starting with the slider already at MonSpeed keeps the interval.
  window.slider = 10;
  window.interval = 500;
  mode.Toggle();
  EXPECT_EQ(window.interval, 500);
}

TEST(Tick, LadderThenDumpThenWatchEachEndingAtItsOwnTimeOut) {
  auto studio = std::make_unique<compiler::Studio>();
  compiler::MonitorFlagForTests::Set(*studio, true);
  const compiler::DeviceMap& map = studio->monitor.map;
  studio->doc.MonDevKind[0][0] = 7;
  studio->doc.MonDevKind[1][0] = 7;
  studio->doc.MonDevNum[1][0] = 2;
  std::string box = "D3";
  ASSERT_TRUE(monitor::AddWatchByText(*studio, box));
  monitor::DumpPages pages;
  pages.selectedTab = monitor::kTabHCNT;
  monitor::MemoryDevice device;
  monitor_test::RecordingSurface ladderView(12000, 6000), dump, watch;
  monitor::TickTargets targets{&ladderView, {}, &pages, &dump, true, &watch};
  monitor::MonitorTick(*studio, device, targets);
  EXPECT_EQ(device.reads, (std::vector<int>{map.AddrM, map.AddrM + 2, map.AddrHCNT, map.AddrD + 6}));

  // The ladder's second read times out: the dump and the watch list still run.
  device.reads.clear();
  int n = 0;
  device.onRead = [&](int) { device.goodReadsLeft = (++n == 2) ? 0 : -1; };
  monitor::MonitorTick(*studio, device, targets);
  EXPECT_EQ(device.reads, (std::vector<int>{map.AddrM, map.AddrM + 2, map.AddrHCNT, map.AddrD + 6}));

  device.onRead = nullptr;
  device.goodReadsLeft = -1;
  device.reads.clear();
  targets.dumpVisible = false;
  monitor::MonitorTick(*studio, device, targets);
  EXPECT_EQ(device.reads, (std::vector<int>{map.AddrM, map.AddrM + 2, map.AddrD + 6}));
}

}  // namespace
