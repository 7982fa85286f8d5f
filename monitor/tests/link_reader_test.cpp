// The monitor over a pseudo-terminal with the simulated module at the other end: inputs
// changed on the module show in the next tick.
#include "monitor/link_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/monitor_attrs.h"
#include "link/device.h"
#include "link/module_commands.h"
#include "monitor/device_map.h"
#include "monitor/monitor_mode.h"
#include "monitor/tests/quiet_host_support.h"
#include "monitor/tests/recording_surface_support.h"
#include "monitor/watch_list.h"
#include "tools/zqvsim/core/sim_process.h"

namespace {

using monitor_test::Op;
using monitor_test::RecordingSurface;

class OverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.Start({"--pace"}, &error)) << error;
    config.portDevices[0] = sim.device();
    config.baseWaitMs = 300;
    link = std::make_unique<plclink::Link>(config, choice);
    device = std::make_unique<plclink::Device>(*link, messages, status, language);
    studio->messages = &messages;
    studio->doc.Setup.PlcModel = 10;
    monitor::SetDeviceMap(*studio);
    reader = std::make_unique<monitor::LinkDeviceReader>(*link, studio->doc.Setup);
  }
  void Cell(int col, int row, int16_t type, const char* text) {
    studio->doc.CellType[col][row] = type;
    studio->doc.CellText[col][row] = text;
  }
  const Op* StateBox(const RecordingSurface& s, int col, int shownRow) const {
    const int x = (col + 1) * 720 + 320, y = 560 + shownRow * 860 + 320;
    const Op* found = nullptr;
    for (const Op& op : s.ops)
      if (op.kind == Op::kFill && op.x1 == x && op.y1 == y) found = &op;
    return found;
  }

  zqvsim::SimProcess sim;
  plclink::LinkConfig config;
  platform::RecordingMessageSink messages;
  platform::NullStatusPort status;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<plclink::Device> device;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  std::unique_ptr<monitor::LinkDeviceReader> reader;
};

TEST_F(OverPty, AnInputToggledOnTheModuleShowsInTheNextTick) {
  Cell(0, 0, compiler::kContactNO, "P0:3");
  Cell(10, 0, compiler::kCoil, "P2:0");
  Cell(1, 1, compiler::kBox, "TON T0, 100");
  Cell(1, 2, compiler::kCounterBox, "CTU C1, 10");
  Cell(0, 4, compiler::kBox, "END");
  ASSERT_FALSE(studio->FindEndLine());
  compiler::SetMonitorAttributes(studio->doc);

  // Monitor mode starts after the module check, as the menu item does.
  struct ModuleCheck : monitor_test::QuietHost {
    plclink::Device& device;
    const compiler::Studio& studio;
    ModuleCheck(plclink::Device& d, const compiler::Studio& s) : device(d), studio(s) {}
    bool CheckModuleModel() override { return plclink::CheckModuleModel(device, studio.doc.Setup.PlcModel); }
  } host(*device, *studio);
  monitor_test::QuietLoop loop;
  monitor::MonitorMode mode(studio->monitor, studio->shell, host, loop);
  mode.Toggle();
  ASSERT_TRUE(studio->monitor.MonitorOn()) << (messages.shown.empty() ? "" : messages.shown[0].text);
  std::string box = "C1";
  ASSERT_TRUE(monitor::AddWatchByText(*studio, box));

  const compiler::DeviceMap& map = studio->monitor.map;
  RecordingSurface view(12000, 6000), watch;
  monitor::TickTargets targets{&view, {}, nullptr, nullptr, false, &watch};
  monitor::MonitorTick(*studio, *reader, targets);
  ASSERT_NE(StateBox(view, 0, 0), nullptr);
  EXPECT_EQ(StateBox(view, 0, 0)->color, 0xFFFFFFu);
  EXPECT_EQ(StateBox(view, 10, 0)->color, 0xFFFFFFu);

  EXPECT_EQ(sim.Control("input P0:3 1"), "ok");
  EXPECT_EQ(sim.Control("input P2:0 1"), "ok");
  EXPECT_EQ(sim.Control("poke " + std::to_string(map.AddrT) + " 80 2A"), "ok");
  EXPECT_EQ(sim.Control("poke " + std::to_string(map.AddrC + 2) + " 00 07"), "ok");
  EXPECT_EQ(sim.Control("poke " + std::to_string(map.AddrCF + 1) + " 80"), "ok");
  view.ops.clear();
  monitor::MonitorTick(*studio, *reader, targets);
  EXPECT_EQ(StateBox(view, 0, 0)->color, 0x00FF00u);
  EXPECT_EQ(StateBox(view, 10, 0)->color, 0x00FF00u);
  EXPECT_EQ(view.TextAt(2 * 720 + 560, 560 + 860 + 320), "00042");
  EXPECT_EQ(StateBox(view, 1, 1)->color, 0x00FF00u);
  EXPECT_EQ(view.TextAt(2 * 720 + 560, 560 + 2 * 860 + 320), "00007");
  EXPECT_EQ(watch.TextAt(1900, 0), "On");
  EXPECT_TRUE(messages.shown.empty());

  // The module goes away: the tick ends quietly and the mode stays on.
  sim.Kill();
  view.ops.clear();
  monitor::MonitorTick(*studio, *reader, targets);
  EXPECT_TRUE(view.Of(Op::kFill).empty());
  EXPECT_TRUE(studio->monitor.MonitorOn());
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
