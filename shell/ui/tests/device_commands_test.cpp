#include "shell/ui/device_commands.h"

#include <gtest/gtest.h>

#include "compiler/tests/monitor_flag_support.h"
#include "platform/tests/qt_test_app.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <memory>

#include "link/device.h"
#include "link/error_cell.h"
#include "link/link.h"
#include "link/scripted_port.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/studio_language.h"
#include "shell/ui/view_settings_widget.h"

using namespace shell;

namespace {

// These commands never build: no failing cell to show.
struct NoErrorCell : plclink::ErrorCellView {
  void ShowErrorCell() override {}
};

struct DeviceCommandsTest : ::testing::Test {
  NoErrorCell errorCell;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::string iniPath = (std::filesystem::temp_directory_path() / "zqv-device-commands.ini").string();
  std::unique_ptr<ProfileFile> ini;
  std::unique_ptr<FrmMain> window;
  plclink::ScriptedPort* port = nullptr;
  int portOpened = -1;
  bool portFails = false;  // the ports made from now on will not open
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<StudioLanguage> language;
  std::unique_ptr<plclink::Device> device;

  void SetUp() override {
    TestApp();
    std::filesystem::remove(iniPath);
    ini = std::make_unique<ProfileFile>(iniPath);
    studio->messages = &sink;
    window = std::make_unique<FrmMain>(*studio, *ini, std::filesystem::temp_directory_path());
    window->Form_Load();
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, *window->SetupPage(), [this](int portNum) {
      portOpened = portNum;
      auto scripted = std::make_unique<plclink::ScriptedPort>();
      scripted->failOpen = portFails;
      port = scripted.get();
      return scripted;
    });
    language = std::make_unique<StudioLanguage>(*studio);
    device = std::make_unique<plclink::Device>(*link, sink, *window, *language);
    WireDeviceCommands(*window, *device, errorCell);
  }
  void TearDown() override {
    device.reset();
    link.reset();
    window.reset();
    std::filesystem::remove(iniPath);
  }
};

}  // namespace

TEST_F(DeviceCommandsTest, RunAndStopDriveTheMonitorItemOnTheChosenPort) {
  window->UserSettings().SetPort(2);
  window->Commands().mnuMonitor->setEnabled(false);
  window->Commands().mnuRun->trigger();
  EXPECT_EQ(portOpened, 2);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->written, (std::vector<std::uint8_t>{0xA5}));
  EXPECT_TRUE(window->Commands().mnuMonitor->isEnabled());
  window->Commands().mnuStop->trigger();
  EXPECT_FALSE(window->Commands().mnuMonitor->isEnabled());
  // No module answered: each command said so.
  EXPECT_EQ(sink.shown.size(), 2u);

  // While monitoring the commands refuse without sending anything.
  compiler::MonitorFlagForTests::Set(*studio, true);
  sink.shown.clear();
  port->written.clear();
  window->Commands().mnuReset->trigger();
  window->SetupPage()->findChild<QPushButton*>("Command2")->click();
  EXPECT_TRUE(port->written.empty());
  EXPECT_EQ(sink.shown.size(), 2u);  // the refusals
}

TEST_F(DeviceCommandsTest, APortThatWillNotOpenIsReportedWithTheSystemsReason) {
  window->UserSettings().SetPort(1);
  portFails = true;
  window->SetupPage()->findChild<QPushButton*>("Command2")->click();
  EXPECT_EQ(portOpened, 1);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Message");
  EXPECT_EQ(sink.shown[0].text, "Invalid RS232C Port !!! \r\nno such device /dev/ttyS1");

  // In Korean the twin comes first and the reason stays.
  studio->shell.KoreanMenu = true;
  sink.shown.clear();
  window->Commands().mnuRun->trigger();
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "존재하지 않는 RS232C 포트입니다. \r\nno such device /dev/ttyS1");
}
