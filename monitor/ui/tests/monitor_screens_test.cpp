// Pictures of the live monitor as the window shows them, drawn offscreen and saved under
// the build's screenshots folder: the live ladder, the watch list and a dump page.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QImage>

#include "platform/tests/qt_test_app.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "compiler/monitor_attrs.h"
#include "compiler/tests/monitor_flag_support.h"
#include "ladder/ladder_painter.h"
#include "ladder/ui/image_surface.h"
#include "monitor/device_map.h"
#include "monitor/live_ladder.h"
#include "monitor/memory_device.h"
#include "monitor/ui/dump_panel.h"
#include "monitor/ui/picture_box.h"
#include "monitor/ui/watch_panel.h"
#include "monitor/watch_list.h"

namespace {

QString ShotPath(const char* name) {
  const QString dir = QString::fromUtf8(std::getenv("ZQV_BIN_DIR")) + "/../artifacts";
  QDir().mkpath(dir);
  return dir + "/" + name;
}

// Pixels close to a colour (text is drawn smoothed, so its pixels are only near it).
int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      n += std::abs(qRed(p) - qRed(colour)) < 80 && std::abs(qGreen(p) - qGreen(colour)) < 80 &&
           std::abs(qBlue(p) - qBlue(colour)) < 80;
    }
  }
  return n;
}

class Screens : public ::testing::Test {
 protected:
  Screens() {
    TestApp();
    studio->doc.Setup.PlcModel = 10;
    monitor::SetDeviceMap(*studio);
    compiler::MonitorFlagForTests::Set(*studio, true);
    studio->messages = &sink;
    compiler::ProgramDocument& d = studio->doc;
    const auto put = [&d](int col, int row, int16_t type, const char* text) {
      d.CellType[col][row] = type;
      d.CellText[col][row] = text;
    };
    put(0, 0, compiler::kContactNO, "P0:0");
    put(1, 0, compiler::kContactNC, "M0:1");
    for (int c = 2; c < 10; ++c) put(c, 0, compiler::kWire, "");
    put(10, 0, compiler::kCoil, "P2:0");
    put(0, 1, compiler::kContactNO, "P0:0");
    put(1, 1, compiler::kBox, "TON T0, 100");
    put(0, 2, compiler::kContactNO, "T0");
    put(1, 2, compiler::kCounterBox, "CTU C0, 10");
    put(0, 4, compiler::kContactNO, "C0");
    for (int c = 1; c < 10; ++c) put(c, 4, compiler::kWire, "");
    put(10, 4, compiler::kCoil, "M0:1");
    put(0, 5, compiler::kBox, "END");
    d.AliasP[0] = "Start";
    d.FindEndLine();
    compiler::SetMonitorAttributes(d);
    device.SetByte(studio->monitor.map.AddrP, 0x01);
    device.SetByte(studio->monitor.map.AddrP + 2, 0x01);
    device.SetWord(studio->monitor.map.AddrT, 0x00, 37);
    device.SetWord(studio->monitor.map.AddrC, 0x00, 4);
  }
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  monitor::MemoryDevice device;
};

TEST_F(Screens, LiveLadder) {
  ladder::ImageSurface screen(900, 480);
  ladder::LadderViewState view;
  ladder::LadderPainter(screen, studio->doc, view).DrawLadder();
  monitor::MonitorLadder(studio->doc, studio->monitor.map, device, screen, view);
  const QImage image = screen.Image();
  EXPECT_TRUE(image.save(ShotPath("live_ladder.png")));
  EXPECT_GT(CountColour(image, qRgb(0, 255, 0)), 50);  // states and values in the on colour
  EXPECT_FALSE(device.reads.empty());
}

TEST_F(Screens, WatchList) {
  monitor::WatchPanel panel(*studio);
  panel.SetReader(&device);
  panel.resize(320, 300);
  panel.show();
  for (const char* text : {"start", "T0", "C0", "D3", "CH1", "m01"}) {
    std::string box = text;
    ASSERT_TRUE(monitor::AddWatchByText(*studio, box)) << text;
  }
  device.SetWord(studio->monitor.map.AddrD + 6, 0x12, 0x34);
  device.SetByte(studio->monitor.map.AddrCH + 1, 'Q');
  panel.Refresh();
  const QImage image = panel.Picture()->Picture();
  EXPECT_TRUE(panel.grab().save(ShotPath("watch_list.png")));
  EXPECT_GT(CountColour(image, qRgb(255, 0, 0)), 10);  // a red "On"
}

TEST_F(Screens, DumpPage) {
  monitor::DumpPanel panel(*studio);
  panel.SetReader(&device);
  panel.resize(320, 400);
  panel.show();
  for (int i = 0; i < 20; ++i) device.SetWord(studio->monitor.map.AddrT + 2 * i, i % 3 ? 0x00 : 0x80, 10 * i);
  panel.SelectTab(monitor::kTabT);
  panel.Refresh();
  EXPECT_TRUE(panel.grab().save(ShotPath("dump_timers.png")));
  panel.SelectTab(monitor::kTabP);
  panel.Refresh();
  const QImage image = panel.Picture()->Picture();
  EXPECT_TRUE(panel.grab().save(ShotPath("dump_p_bits.png")));
  EXPECT_GT(CountColour(image, qRgb(0, 255, 0)), 10);  // P0:0 and P2:0 are set
}

}  // namespace
