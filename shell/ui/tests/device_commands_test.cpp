#include "shell/ui/device_commands.h"

#include <gtest/gtest.h>

#include "platform/tests/qt_test_app.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <memory>

#include "link/link.h"
#include "link/scripted_port.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/view_settings_widget.h"

using namespace shell;

namespace {

struct DeviceCommandsTest : ::testing::Test {
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::string iniPath = (std::filesystem::temp_directory_path() / "zqv-device-commands.ini").string();
  std::unique_ptr<ProfileFile> ini;
  std::unique_ptr<FrmMain> window;
  plclink::ScriptedPort* port = nullptr;
  int portOpened = -1;
  std::unique_ptr<plclink::Link> link;

  void SetUp() override {
    TestApp();
    std::filesystem::remove(iniPath);
    ini = std::make_unique<ProfileFile>(iniPath);
    studio->messages = &sink;
    window = std::make_unique<FrmMain>(*studio, *ini, std::filesystem::temp_directory_path());
    window->Form_Load();
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, sink, *window, [this](int portNum) {
      portOpened = portNum;
      auto scripted = std::make_unique<plclink::ScriptedPort>();
      port = scripted.get();
      return scripted;
    });
    WireDeviceCommands(*window, *link);
  }
  void TearDown() override {
    link.reset();
    window.reset();
    std::filesystem::remove(iniPath);
  }
};

}  // namespace

TEST_F(DeviceCommandsTest, RunAndStopDriveTheMonitorItemOnTheChosenPort) {
  window->View().PortNum = 2;
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
  studio->monitor.MonitorOn = 1;
  sink.shown.clear();
  port->written.clear();
  window->Commands().mnuReset->trigger();
  window->SetupPage()->findChild<QPushButton*>("Command2")->click();
  EXPECT_TRUE(port->written.empty());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].text, "You can't use Monitoring mode ! ");
}
