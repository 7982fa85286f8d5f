// The link over a real pseudo-terminal with the zqvsim program at the other end.
#include <gtest/gtest.h>

#include <chrono>

#include "link/archive_extract.h"
#include "link/device_menu.h"
#include "link/module_commands.h"
#include "link/readback.h"
#include "link/tests/auto_steps.h"
#include "link/tests/sim_bench.h"
#include "link/tests/stored_zip.h"
#include "tools/zqvsim/core/sim_process.h"

namespace plclink {
namespace {

class PtyLink : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.Start({}, &error)) << error;
    config.portDevices[0] = sim.device();
    config.baseWaitMs = 300;
    Connect();
  }
  // A new link (and device) on the configured port.
  void Connect() {
    device.reset();
    link = std::make_unique<Link>(config, choice);
    device = std::make_unique<Device>(*link, messages, status, language);
  }
  zqvsim::SimProcess sim;
  LinkConfig config;
  platform::RecordingMessageSink messages;
  platform::NullStatusPort status;
  FixedPortChoice choice;
  FixedLanguage language;
  std::unique_ptr<Link> link;
  std::unique_ptr<Device> device;
};

TEST_F(PtyLink, VersionRunStopAndADeviceWord) {
  EXPECT_FALSE(CheckModuleModel(*device, 10));
  EXPECT_EQ(sim.Control("state"), "ok stopped");
  EXPECT_EQ(RunCommand(*device, 0xA5, false), MonitorItem::Enable);
  EXPECT_EQ(sim.Control("state"), "ok running");
  EXPECT_EQ(RunCommand(*device, 0xA7, false), MonitorItem::Disable);
  EXPECT_EQ(sim.Control("state"), "ok stopped");

  EXPECT_EQ(sim.Control("poke 611 11 13"), "ok");  // the flow-control bytes pass unharmed
  ASSERT_FALSE(link->ReadDeviceWord(10, 611));
  EXPECT_EQ(link->ReadBytes()[0], 0x11);
  EXPECT_EQ(link->ReadBytes()[1], 0x13);
  EXPECT_EQ(sim.Control("input P0:3 1"), "ok");
  ASSERT_FALSE(link->ReadDeviceWord(10, 96));
  EXPECT_EQ(link->ReadBytes()[0], 0x08);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PtyLink, PortClosedAndOpenedAgain) {
  EXPECT_EQ(link->GetModuleVersion(), 150);
  Connect();  // closes the port and opens it again
  EXPECT_EQ(link->GetModuleVersion(), 150);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PtyLink, ALateReplyStaysQueuedAfterATimeOut) {
  EXPECT_EQ(sim.Control("fault A3 late 500"), "ok");
  ASSERT_FALSE(link->OpenPort().Failed());
  link->Flush();
  EXPECT_TRUE(link->SendByteWait(0xA3, 3));
  EXPECT_FALSE(link->WaitReply(3));
  EXPECT_EQ(link->Replies(), (std::vector<std::uint8_t>{0xA3, 0xA3, 150}));
}

TEST_F(PtyLink, LongWaitLastsItsShareOfTheBaseWait) {
  ASSERT_FALSE(link->OpenPort().Failed());
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(link->WaitReplyLong(1, 150));
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  // Never shorter than its share; a busy machine may only make it end late.
  EXPECT_GE(ms, 2.987 * 300 * 0.95);
  EXPECT_LT(ms, 2.987 * 300 * 1.5);
}

TEST_F(PtyLink, ModuleKilledMidExchangeEndsInATimeOut) {
  EXPECT_EQ(link->GetModuleVersion(), 150);
  sim.Kill();
  EXPECT_EQ(link->GetModuleVersion(), -1);
  EXPECT_TRUE(SendCommand(*device, 0xA5));
}

TEST(PtyLinkPath, TheLinkedPathServesAsThePortAndGoesAway) {
  plclink::testing::TempFolder folder;
  const auto path = folder.path / "ttyZQV";
  zqvsim::SimProcess other;
  std::string error;
  ASSERT_TRUE(other.Start({"--link", path.string(), "--model", "4", "--firmware", "60"}, &error)) << error;
  platform::RecordingMessageSink messages;
  platform::NullStatusPort status;
  LinkConfig config;
  config.portDevices[1] = path.string();
  FixedPortChoice choice(1);
  FixedLanguage language;
  Link link(config, choice);
  Device device(link, messages, status, language);
  EXPECT_FALSE(CheckModuleModel(device, 4));
  EXPECT_TRUE(messages.shown.empty());
  other.Stop();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path)));
}

TEST(PtyLinkPath, AModuleThatGoesAwayAndComesBackOnItsPathIsReachedAgain) {
  plclink::testing::TempFolder folder;
  const std::string path = (folder.path / "ttyZQV").string();
  platform::RecordingMessageSink messages;
  platform::NullStatusPort status;
  LinkConfig config;
  config.portDevices[0] = path;
  config.baseWaitMs = 300;
  FixedPortChoice choice;
  FixedLanguage language;
  Link link(config, choice);
  Device device(link, messages, status, language);
  std::string error;
  zqvsim::SimProcess first;
  ASSERT_TRUE(first.Start({"--link", path}, &error)) << error;
  EXPECT_FALSE(CheckModuleModel(device, 10));
  first.Kill();  // its link stays behind, pointing nowhere

  // Restarted on the same path: the next command reaches it.
  zqvsim::SimProcess second;
  ASSERT_TRUE(second.Start({"--link", path}, &error)) << error;
  EXPECT_FALSE(CheckModuleModel(device, 10));
  EXPECT_FALSE(SendCommand(device, 0xA5));
  EXPECT_EQ(second.Control("state"), "ok running");
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;

  // Gone with its link: each command says so once, with no port message.
  second.Stop();
  EXPECT_TRUE(CheckModuleModel(device, 10));
  EXPECT_TRUE(CheckModuleModel(device, 10));
  ASSERT_EQ(messages.shown.size(), 2u);
  for (const auto& m : messages.shown) EXPECT_EQ(m.text, "Korvane module Not Found ! ");

  zqvsim::SimProcess third;
  ASSERT_TRUE(third.Start({"--link", path}, &error)) << error;
  EXPECT_FALSE(CheckModuleModel(device, 10));
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(PtyLink, DownloadChecksumVerifyAndUploadBringTheProgramBack) {
  using namespace plclink::testing;
  // Thousands of one-byte exchanges: a loaded machine may stall one of them past a short wait.
  config.baseWaitMs = 1500;
  Connect();
  TempFolder folder;
  const std::string program(300, 'q');
  const Bytes archive = StoredZip({{"QSKLBK.$$$", program}});
  DeviceJob job;
  job.folder = folder.path;
  job.plcModel = 10;
  job.compileInfo = true;
  const Bytes image = MakeImage(600, &archive, &job.romSize);
  WriteFile(job.Image(), image);

  const AutoStepsResult run = RunAutoSteps(*device, job, messages, true, false);
  EXPECT_FALSE(run.ladderTakesKeys);
  EXPECT_EQ(run.monitor, MonitorItem::Enable);
  EXPECT_EQ(sim.Control("state"), "ok running");
  EXPECT_EQ(VerifyCommand(*device, job, false).monitor, MonitorItem::Disable);  // compared equal
  EXPECT_FALSE(UploadSource(*device, folder.path));
  EXPECT_EQ(ReadFile(folder.path / "DNFILE.ZIP"), archive);
  std::string back;
  ASSERT_EQ(ExtractBackup(folder.path / "DNFILE.ZIP", &back), ExtractResult::Ok);
  EXPECT_EQ(back, program);
  EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
}

}  // namespace
}  // namespace plclink
