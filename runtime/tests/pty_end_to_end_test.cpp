// The whole road against the zqvsim program over a pseudo-terminal, as the studio drives a
// module: Auto on a drawn ladder with the real batch, aq71 and zqlink, download, checksum,
// keep clear and run; the simulated outputs then follow the inputs set through the control
// channel, the monitor's device reads see the timer and the counter move, Verify passes and
// Upload brings back the program that was downloaded.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "compiler/program_file.h"
#include "link/auto_device_steps.h"
#include "link/device.h"
#include "link/device_menu.h"
#include "link/exec_cmd.h"
#include "monitor/link_reader.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/tests/ordinary_user_support.h"
#include "runtime_support.h"
#include "tools/zqvsim/core/module_core.h"
#include "tools/zqvsim/core/sim_process.h"

using namespace runtime_test;
using plclink::AutoOutcome;

namespace {

struct PtyRoad {
  explicit PtyRoad(int model) : model(model) {
    b.studio->doc.Setup.PlcModel = static_cast<int16_t>(model);
    DemoLadder(*b.studio);
    std::string error;
    started = sim.Start(
        {"--model", std::to_string(model), "--firmware", std::to_string(zqvsim::DefaultFirmware(model))}, &error);
    EXPECT_TRUE(started) << error;
    config.portDevices[0] = sim.device();
    config.baseWaitMs = 500;
    link = std::make_unique<plclink::Link>(config, choice);
    device = std::make_unique<plclink::Device>(*link, messages, status, language);
  }

  AutoOutcome Auto() {
    plclink::SpawnProcessRunner runner;
    plclink::LinkDeviceSteps steps(*device, b.studio->doc.Setup, b.studio->build, b.folder);
    plclink::HeadlessAutoHost host;
    plclink::AutoJob job;
    job.folder = b.folder;
    job.runner = &runner;
    job.device = &steps;
    return plclink::RunAuto(*b.studio, host, job);
  }

  plclink::DeviceJob Job() const {
    return plclink::LinkDeviceSteps(*device, b.studio->doc.Setup, b.studio->build, b.folder).Job();
  }

  // Waits (real time) until the control channel's outputs show P2 == want; the last P2 seen.
  int AwaitP2(int want, int timeoutMs = 1000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int p2 = -1;
    do {
      const std::string reply = sim.Control("outputs");  // "ok AA BB CC DD EE"
      if (reply.size() >= 11 && reply.rfind("ok ", 0) == 0) p2 = std::stoi(reply.substr(9, 2), nullptr, 16);
      if (p2 == want) return p2;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
    return p2;
  }

  void Input(const std::string& bit, bool on) { EXPECT_EQ(sim.Control("input " + bit + (on ? " 1" : " 0")), "ok"); }

  std::string Texts() const {
    std::string t;
    for (const auto& m : messages.shown) t += m.text + " | ";
    for (const auto& m : b.sink.shown) t += m.text + " | ";
    return t;
  }

  int model;
  bool started = false;
  BuiltStudio b;
  zqvsim::SimProcess sim;
  plclink::LinkConfig config;
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<plclink::Device> device;
};

std::string Encoded(const compiler::ProgramDocument& doc) {
  std::string bytes;
  EXPECT_TRUE(compiler::EncodeProgramFile(doc, bytes));
  return bytes;
}

TEST(PtyEndToEnd, AutoRunMonitorVerifyAndUpload) {
  PtyRoad r(10);
  ASSERT_TRUE(r.started);
  r.b.studio->doc.Setup.UploadFlag = true;  // the source goes down with the program
  r.b.studio->doc.Setup.ClearKeepFlag = true;
  ASSERT_EQ(r.Auto(), AutoOutcome::Started) << r.Texts();
  EXPECT_EQ(r.sim.Control("state"), "ok running");

  // The module stored the image that was read from the HEX file, and its sum matched.
  std::string image;
  ASSERT_TRUE(platform::ReadWholeFile(r.b.folder / "ZQVREM.$$$", image));
  const int32_t romSize = r.b.studio->build.RomSize;
  ASSERT_GT(romSize, 10);
  for (int32_t at = 0; at < romSize; at += 4096) {
    const int32_t n = std::min<int32_t>(4096, romSize - at);
    std::string want = "ok";
    char hex[4];
    for (int32_t i = 0; i < n; ++i) {
      std::snprintf(hex, sizeof hex, " %02X", uint8_t(image[size_t(at + i)]));
      want += hex;
    }
    ASSERT_EQ(r.sim.Control("progpeek " + std::to_string(at) + " " + std::to_string(n)), want) << at;
  }

  // Outputs follow the inputs.
  for (int bits : {0x1, 0x3, 0x4, 0x8, 0x0, 0x5}) {
    for (int i = 0; i < 4; ++i) r.Input("P0:" + std::to_string(i), (bits >> i) & 1);
    EXPECT_EQ(r.AwaitP2(DemoLogic(uint8_t(bits), false, false)), DemoLogic(uint8_t(bits), false, false)) << bits;
  }
  for (int i = 0; i < 4; ++i) r.Input("P0:" + std::to_string(i), false);

  // The monitor sees the timer value rise while its input is on, then the timer's output.
  monitor::LinkDeviceReader reader(*r.link, r.b.studio->doc.Setup);
  const int timer = MapStart("T", r.model);
  auto word = [&](int addr) {
    auto w = reader.ReadDeviceWord(addr);
    EXPECT_TRUE(w.has_value());
    return w ? (w->b0 << 8) | w->b1 : -1;
  };
  r.Input("P0:5", true);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const int first = word(timer);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const int second = word(timer);
  EXPECT_NE(first, second);
  EXPECT_EQ(r.AwaitP2(0x4, 2000), 0x4);
  r.Input("P0:5", false);
  EXPECT_EQ(r.AwaitP2(0x0), 0x0);

  // The counter counts the edges of its input.
  const int counter = MapStart("C", r.model);
  // Each level stays until a scan has taken it into P0 (the ladder of that scan sees it).
  auto seen = [&](int bit, bool on) {
    const std::string want = on ? "1" : "0";
    for (int i = 0; i < 1000; ++i) {
      const std::string reply = r.sim.Control("peek 96 1");  // "ok XX"
      if (reply.size() == 5 && ((std::stoi(reply.substr(3), nullptr, 16) >> bit) & 1) == on) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  };
  for (int i = 1; i <= 3; ++i) {
    r.Input("P0:6", true);
    ASSERT_TRUE(seen(6, true));
    r.Input("P0:6", false);
    ASSERT_TRUE(seen(6, false));
    int count = -1;
    for (int k = 0; k < 100 && count != i; ++k) count = word(counter);
    EXPECT_EQ(count, i);
  }
  EXPECT_EQ(r.AwaitP2(0x8), 0x8);
  r.Input("P0:7", true);
  EXPECT_EQ(r.AwaitP2(0x0), 0x0);
  EXPECT_EQ(word(counter), 0);

  // Verify compares the module's program with the image.
  const plclink::DeviceJob job = r.Job();
  // Only a verify that compared equal turns the Monitor item off.
  EXPECT_EQ(plclink::VerifyCommand(*r.device, job, false).monitor, plclink::MonitorItem::Disable) << r.Texts();

  // Upload brings the downloaded program back as the document.
  const std::string downloaded = Encoded(r.b.studio->doc);
  r.b.studio->shell.SourceSaved = true;
  r.messages.answers = {platform::MsgResult::Yes};
  // The window's side: only the opening of the uploaded program is looked at.
  struct Host : plclink::UploadHost {
    void SaveProgram() override {}
    void SaveAs() override {}
    bool Unsaved() override { return false; }  // saved just before
    void OpenProgram(const std::filesystem::path& p) override {
      std::string bytes;
      ASSERT_TRUE(platform::ReadWholeFile(p, bytes));
      compiler::ProgramDocument fresh;
      ASSERT_EQ(compiler::DecodeProgramFile(bytes, fresh), compiler::ProgramFileStatus::kOk);
      uploaded = Encoded(fresh);
    }
    void SetCaption(const std::string&) override {}
    std::string uploaded;
  } host;
  std::filesystem::remove(r.b.folder / "QSKLBK.$$$");
  plclink::Outcome up = plclink::UploadCommand(*r.device, job, r.b.studio->shell, host, false);
  EXPECT_TRUE(up.ladderTakesKeys);  // the upload ends with the ladder view taking the focus
  EXPECT_EQ(host.uploaded, downloaded);
  ASSERT_EQ(r.messages.shown.size(), 1u) << r.Texts();  // only the question
  EXPECT_TRUE(r.b.sink.shown.empty()) << r.Texts();
}

// The studio's folder does not let an ordinary user remove the last build's outputs (mode
// 555, its files writable): Auto of another program stops before the batch with a message
// that names the file, and the module is not touched.
TEST(PtyEndToEnd, AutoOfAnotherProgramDownloadsNothingWhenTheFolderKeepsTheLastBuild) {
  PtyRoad r(10);
  ASSERT_TRUE(r.started);
  ASSERT_EQ(r.Auto(), AutoOutcome::Started) << r.Texts();
  const std::string programA = r.sim.Control("program");
  // Stopped, so that a download, which ends in the run command, would show.
  EXPECT_EQ(plclink::RunCommand(*r.device, plclink::cmd::kStop, false), plclink::MonitorItem::Disable);
  ASSERT_EQ(r.sim.Control("state"), "ok stopped");

  r.b.studio->doc.CellText[10][0] = "P2:4";  // another program
  for (const auto& entry : std::filesystem::directory_iterator(r.b.folder))
    if (entry.is_regular_file() && !entry.is_symlink()) {
      ASSERT_EQ(chmod(entry.path().c_str(), 0666), 0);
    }
  ASSERT_EQ(chmod(r.b.folder.c_str(), 0555), 0);
  const std::string hex = (r.b.folder / "ZQOUT.HEX").string();
  const int status = ordinary_user::Run([&] {
    CHILD_CHECK(r.Auto() == AutoOutcome::OutputKept);
    CHILD_CHECK(r.b.sink.shown.size() == 1 && r.messages.shown.empty());
    CHILD_CHECK(r.b.sink.shown[0].text.find(" : " + hex + "\r\n") != std::string::npos);
    CHILD_CHECK(!r.b.studio->build.CompileInfo);
    return 0;
  });
  chmod(r.b.folder.c_str(), 0755);
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
  EXPECT_EQ(r.sim.Control("state"), "ok stopped");
  EXPECT_EQ(r.sim.Control("program"), programA);
}

// Every model code builds, downloads with its own framing and runs.
class PtyModels : public ::testing::TestWithParam<int> {};

TEST_P(PtyModels, AutoThenOutputsFollowInputs) {
  PtyRoad r(GetParam());
  ASSERT_TRUE(r.started);
  ASSERT_EQ(r.Auto(), AutoOutcome::Started) << r.Texts();
  for (int bits : {0x1, 0x4, 0x3, 0x0}) {
    for (int i = 0; i < 4; ++i) r.Input("P0:" + std::to_string(i), (bits >> i) & 1);
    EXPECT_EQ(r.AwaitP2(DemoLogic(uint8_t(bits), false, false)), DemoLogic(uint8_t(bits), false, false)) << bits;
  }
  EXPECT_TRUE(r.messages.shown.empty()) << r.Texts();
}

INSTANTIATE_TEST_SUITE_P(Models, PtyModels, ::testing::Values(1, 2, 3, 4, 5, 10));

}  // namespace
