#include <gtest/gtest.h>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>

#include "platform/tests/qt_test_app.h"

#include <memory>

#include "compiler/tests/monitor_flag_support.h"
#include "ladder/ui/image_surface.h"
#include "monitor/device_map.h"
#include "monitor/memory_device.h"
#include "monitor/tests/quiet_host_support.h"
#include "monitor/ui/dump_panel.h"
#include "monitor/ui/monitor_controller.h"
#include "monitor/ui/monitor_ticker.h"
#include "monitor/ui/picture_box.h"
#include "monitor/ui/watch_panel.h"

namespace {

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(Ticker, NeverStartsInsideATickOrAHold) {
  TestApp();
  int depth = 0, maxDepth = 0;
  monitor::MonitorTicker ticker;
  QObject::connect(&ticker, &monitor::MonitorTicker::tick, [&] {
    maxDepth = std::max(maxDepth, ++depth);
    EXPECT_FALSE(ticker.TickNow());  // as a nested event loop inside the tick would try
    --depth;
  });
  EXPECT_TRUE(ticker.TickNow());
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(ticker.TicksRun(), 1);
  EXPECT_EQ(ticker.TicksDropped(), 1);
  {
    monitor::MonitorTicker::Hold hold(&ticker);
    EXPECT_TRUE(ticker.Busy());
    EXPECT_FALSE(ticker.TickNow());
  }
  EXPECT_FALSE(ticker.Busy());
  EXPECT_TRUE(ticker.TickNow());
}

TEST(Ticker, ModalMessageBoxesHoldIt) {
  TestApp();
  int ticks = 0;
  monitor::MonitorTicker ticker;
  QObject::connect(&ticker, &monitor::MonitorTicker::tick, [&] { ++ticks; });
  struct NestedLoopSink : platform::MessageSink {
    monitor::MonitorTicker* ticker = nullptr;
    bool ran = true;
    platform::MsgResult Show(const platform::Message&) override {
      ran = ticker->TickNow();  // a timer event inside the box's own event loop
      return platform::MsgResult::Ok;
    }
  } inner;
  inner.ticker = &ticker;
  monitor::HoldingMessageSink sink(inner, ticker);
  sink.Show({"c", "t"});
  EXPECT_FALSE(inner.ran);
  EXPECT_EQ(ticks, 0);
}

TEST(Ticker, TimerTicksAtItsIntervalUntilDisabled) {
  TestApp();
  int ticks = 0;
  monitor::MonitorTicker ticker;
  QObject::connect(&ticker, &monitor::MonitorTicker::tick, [&] { ++ticks; });
  EXPECT_EQ(ticker.Interval(), 500);
  ticker.SetInterval(10);
  ticker.SetEnabled(true);
  Pump(150);
  ticker.SetEnabled(false);
  EXPECT_GE(ticks, 3);
  const int seen = ticks;
  Pump(50);
  EXPECT_EQ(ticks, seen);
}

class Panels : public ::testing::Test {
 protected:
  Panels() {
    TestApp();
    studio->doc.Setup.PlcModel = 10;
    monitor::SetDeviceMap(*studio);
    compiler::MonitorFlagForTests::Set(*studio, true);
    studio->messages = &sink;
  }
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  monitor::MemoryDevice device;
};

TEST_F(Panels, DumpTabChangeKeepsEachPagesPosition) {
  monitor::DumpPanel panel(*studio);
  panel.SetReader(&device);
  panel.resize(300, 400);
  panel.show();
  panel.SelectTab(monitor::kTabM);
  panel.ScrollBar()->setValue(40);
  EXPECT_EQ(panel.Pages().DumpTop[monitor::kTabM], 40);
  panel.SelectTab(monitor::kTabAD);  // a range of 0..7
  EXPECT_EQ(panel.ScrollBar()->maximum(), 7);
  EXPECT_EQ(panel.Pages().DumpTop[monitor::kTabM], 40);
  EXPECT_EQ(panel.Pages().DumpTop[monitor::kTabAD], 0);
  panel.SelectTab(monitor::kTabM);
  EXPECT_EQ(panel.ScrollBar()->value(), 40);
  EXPECT_EQ(panel.Tabs()->tabText(11), "CNT");
}

TEST_F(Panels, DumpReadsOnlyWhileVisibleAndNotWhileTheTickerIsBusy) {
  monitor::DumpPanel panel(*studio);
  panel.SetReader(&device);
  panel.resize(300, 400);
  panel.SelectTab(monitor::kTabD);
  device.reads.clear();
  panel.Refresh();  // never shown
  EXPECT_TRUE(device.reads.empty());
  panel.show();
  panel.Refresh();
  EXPECT_FALSE(device.reads.empty());

  monitor::MonitorTicker ticker;
  panel.SetTicker(&ticker);
  device.reads.clear();
  {
    monitor::MonitorTicker::Hold hold(&ticker);
    panel.SelectTab(monitor::kTabT);
    panel.ScrollBar()->setValue(3);
  }
  EXPECT_TRUE(device.reads.empty());
  EXPECT_EQ(panel.Pages().DumpTop[monitor::kTabT], 3);
}

TEST_F(Panels, WatchEntryByEnterAndRemovalByRightClick) {
  monitor::WatchPanel panel(*studio);
  panel.SetReader(&device);
  panel.resize(300, 400);
  panel.show();
  panel.Entry()->setText("m12");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(panel.Entry(), &enter);
  ASSERT_EQ(studio->watch.WatchCount, 1);
  EXPECT_EQ(studio->watch.WatchName[0], "M1:2  ");
  EXPECT_TRUE(panel.Entry()->text().isEmpty());
  EXPECT_EQ(device.reads.back(), studio->monitor.map.AddrM + 1);

  panel.Entry()->setText("D5X");
  QCoreApplication::sendEvent(panel.Entry(), &enter);
  EXPECT_EQ(panel.Entry()->text(), "D5X");  // kept for correction
  ASSERT_EQ(sink.shown.size(), 1u);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(panel.Entry(), &escape);
  EXPECT_TRUE(panel.Entry()->text().isEmpty());

  panel.Picture()->onMousePress(Qt::LeftButton, 0, 10);
  EXPECT_EQ(studio->watch.WatchCount, 1);
  panel.Picture()->onMousePress(Qt::RightButton, 0, 10);
  EXPECT_EQ(studio->watch.WatchCount, 0);

  studio->watch.WatchCount = 3;
  panel.ClearButton()->click();
  EXPECT_EQ(studio->watch.WatchCount, 0);
}

}  // namespace

namespace {

TEST_F(Panels, ControllerRunsTheModeTheTimerAndTheTick) {
  compiler::MonitorFlagForTests::Set(*studio, false);
  studio->monitor.MonSpeed = 0;
  // The window's slider runs its handler on a change; the ladder view is an image.
  struct Window : monitor_test::QuietHost, monitor::LiveLadderTarget {
    monitor::MonitorController* controller = nullptr;
    int slider = 5;
    ladder::ImageSurface view{600, 300};
    ladder::LadderViewState state;
    int painted = 0;
    void SetSpeedSlider(int v) override {
      if (v == slider) return;
      slider = v;
      controller->SliderMonSpeed_Change(v);
    }
    ladder::DrawingSurface& Surface() override { return view; }
    const ladder::LadderViewState& ViewState() const override { return state; }
    void Painted() override { ++painted; }
  } window;
  monitor::MonitorTicker ticker;
  monitor::MonitorController controller(*studio, ticker, window, window);
  window.controller = &controller;
  controller.SetReader(&device);
  studio->doc.MonDevKind[0][0] = 7;

  controller.mnuMonitor_Click();
  ASSERT_TRUE(studio->monitor.MonitorOn());
  EXPECT_TRUE(controller.Ticker().Enabled());
  EXPECT_EQ(controller.Ticker().Interval(), 100);
  controller.tmrMon_Timer();
  EXPECT_EQ(window.painted, 1);
  EXPECT_EQ(device.reads.front(), studio->monitor.map.AddrM);

  controller.cmdMonOut_Click();
  EXPECT_FALSE(studio->monitor.MonitorOn());
  EXPECT_FALSE(controller.Ticker().Enabled());
  device.reads.clear();
  controller.tmrMon_Timer();  // a late timer event after the stop reads nothing
  EXPECT_TRUE(device.reads.empty());
}

}  // namespace
