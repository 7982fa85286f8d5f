// The simulated module runs what the studio downloads: a ladder built with the real road goes
// through the link into the module (in the same process, on the virtual clock), and after the
// run command its outputs follow the inputs set through the control channel, device-word reads
// see the live timer and counter, stop freezes the program and a new download replaces it.

#include <gtest/gtest.h>

#include "link/checksum.h"
#include "link/device.h"
#include "link/download.h"
#include "link/link.h"
#include "link/module_commands.h"
#include "runtime_support.h"
#include "tools/zqvsim/core/avr_machine.h"
#include "tools/zqvsim/core/control_commands.h"
#include "tools/zqvsim/core/sim_port.h"

using namespace runtime_test;
using plclink::AutoOutcome;

namespace {

struct Module {
  explicit Module(int model) {
    zqvsim::Profile p;
    p.model = model;
    p.firmware = model == 1 ? 30 : model == 2 ? 120 : model == 4 ? 60 : model == 10 ? 150 : 30;
    core.SetProfile(p);
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, choice,
                                           [this](int) { return std::make_unique<zqvsim::SimPort>(core, clock); });
    device = std::make_unique<plclink::Device>(*link, messages, status, language);
    device->OpenPort();
  }
  std::string Control(const std::string& line) { return zqvsim::RunControl(core, line, nullptr); }
  // Lets `ms` milliseconds of module time pass.
  void Wait(int ms) {
    for (int i = 0; i < ms; ++i) {
      clock.now += 1000;
      core.Advance(clock.now);
    }
  }
  uint8_t P2() { return core.Outputs()[2]; }
  uint16_t Word(const std::string& area, int n, int model) {
    auto bytes = plclink::ReadDeviceBytes(*link, static_cast<std::int16_t>(model), MapStart(area, model) + 2 * n);
    EXPECT_TRUE(bytes.has_value());
    return bytes ? uint16_t(((*bytes)[0] << 8) | (*bytes)[1]) : 0;
  }

  zqvsim::ModuleCore core;
  zqvsim::SimClock clock;
  platform::RecordingMessageSink messages;
  platform::RecordingStatusPort status;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<plclink::Device> device;
};

plclink::DeviceJob JobOf(const BuiltStudio& b) {
  plclink::DeviceJob job;
  job.folder = b.folder;
  job.plcModel = b.studio->doc.Setup.PlcModel;
  job.romSize = b.studio->build.RomSize;
  job.compileInfo = b.studio->build.CompileInfo;
  return job;
}

TEST(ModuleRun, NeverDownloadedModuleRunsNothing) {
  Module m(10);
  EXPECT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kRun));
  EXPECT_TRUE(m.core.running());
  EXPECT_FALSE(m.core.Executing());
  EXPECT_EQ(m.core.machine(), nullptr);
  EXPECT_EQ(m.Control("outputs"), "ok 00 00 00 00 00");
  m.Wait(5);
  EXPECT_EQ(m.Control("peek 96 2"), "ok 00 00");
}

TEST(ModuleRun, DownloadedLadderFollowsInputsTimerAndCounter) {
  constexpr int kModel = 10;
  BuiltStudio b;
  b.studio->doc.Setup.PlcModel = kModel;
  DemoLadder(*b.studio);
  ASSERT_EQ(b.Build(), AutoOutcome::ImageReady) << (b.sink.shown.empty() ? "" : b.sink.shown[0].text);
  const plclink::DeviceJob job = JobOf(b);

  Module m(kModel);
  m.Control("input P0:0 1");  // set before the program exists: the pin keeps it
  ASSERT_FALSE(plclink::DownloadProgram(*m.device, job));
  ASSERT_FALSE(plclink::VerifyChecksum(*m.device, job));
  EXPECT_FALSE(m.core.Executing());
  ASSERT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kRun));
  ASSERT_TRUE(m.core.Executing()) << m.core.machine()->Error();
  m.Wait(5);
  EXPECT_EQ(m.P2(), 0x01);
  EXPECT_EQ(m.Control("outputs"), "ok 00 00 01 00 00");

  // Combinational rungs, each input pattern of P0:0..3.
  for (int bits = 0; bits < 16; ++bits) {
    for (int i = 0; i < 4; ++i) m.Control("input P0:" + std::to_string(i) + ((bits >> i) & 1 ? " 1" : " 0"));
    m.Wait(2);
    EXPECT_EQ(m.P2(), DemoLogic(uint8_t(bits), false, false)) << bits;
  }
  for (int i = 0; i < 4; ++i) m.Control("input P0:" + std::to_string(i) + " 0");

  // The timer counts its 10 ms ticks and is seen rising through device-word reads.
  m.Control("input P0:5 1");
  m.Wait(100);
  const uint16_t early = m.Word("T", 0, kModel);
  m.Wait(100);
  const uint16_t later = m.Word("T", 0, kModel);
  EXPECT_NE(early, later);
  EXPECT_EQ(m.P2() & 4, 0);
  m.Wait(kDemoPreset * 10);
  EXPECT_EQ(m.P2() & 4, 4);
  m.Control("input P0:5 0");
  m.Wait(2);
  EXPECT_EQ(m.P2() & 4, 0);

  // The counter counts rising edges of P0:6 and is reset by P0:7.
  for (int i = 1; i <= 3; ++i) {
    m.Control("input P0:6 1");
    m.Wait(2);
    m.Control("input P0:6 0");
    m.Wait(2);
    EXPECT_EQ(m.Word("C", 0, kModel), i);
  }
  EXPECT_EQ(m.P2() & 8, 8);
  m.Control("input P0:7 1");
  m.Wait(2);
  m.Control("input P0:7 0");
  m.Wait(2);
  EXPECT_EQ(m.Word("C", 0, kModel), 0);
  EXPECT_EQ(m.P2() & 8, 0);

  // Stopped, the program no longer follows its inputs; run starts it again.
  ASSERT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kStop));
  m.Control("input P0:2 1");
  m.Wait(5);
  EXPECT_EQ(m.P2() & 2, 0);
  ASSERT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kRun));
  m.Wait(5);
  EXPECT_EQ(m.P2() & 2, 2);
  // Reset restarts it and it keeps running.
  ASSERT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kReset));
  m.Wait(5);
  EXPECT_TRUE(m.core.Executing());
  EXPECT_EQ(m.P2() & 2, 2);

  // A new download (the erase of the next image) takes the program away until the next run.
  ASSERT_FALSE(plclink::DownloadProgram(*m.device, job));
  EXPECT_EQ(m.core.machine(), nullptr);
  EXPECT_EQ(m.core.Outputs()[2], 0);
  EXPECT_TRUE(m.messages.shown.empty()) << m.messages.shown[0].text;
}

TEST(ModuleRun, KeepAreaSurvivesALoadAndIsClearedLive) {
  constexpr int kModel = 4;
  BuiltStudio b;
  b.studio->doc.Setup.PlcModel = kModel;
  DemoLadder(*b.studio);
  ASSERT_EQ(b.Build(), AutoOutcome::ImageReady);
  const plclink::DeviceJob job = JobOf(b);
  Module m(kModel);
  const int keep = m.core.KeepArea().first;
  ASSERT_FALSE(plclink::DownloadProgram(*m.device, job));
  m.core.WriteData(uint32_t(keep + 1), 0x5A);
  ASSERT_FALSE(plclink::SendCommand(*m.device, plclink::cmd::kRun));
  m.Wait(3);
  EXPECT_EQ(m.core.ReadData(uint32_t(keep + 1)), 0x5A);
  plclink::ClearKeepArea(*m.device, job.romSize);
  EXPECT_EQ(m.core.ReadData(uint32_t(keep + 1)), 0x00);
  EXPECT_EQ(m.core.machine()->ReadDevice(uint32_t(keep + 1)), 0x00);
}

}  // namespace
