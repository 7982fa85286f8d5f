// One monitor tick over a screen full of contacts, painted on the screen's image surface,
// with the device reads going either over a pseudo-terminal to the simulated module, which
// gives every byte its wire time at 19200 baud (--pty), or to an in-process memory that
// waits the wire time of one exchange per read. Prints the time of a tick for a ladder
// whose contacts share bytes as real programs do and for one whose every contact lies in
// a byte of its own.
//
//   monitor_tick_bench [--pty] [ticks] [bytes-per-exchange]     (defaults 20 and 5)

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "compiler/monitor_attrs.h"
#include "ladder/ui/image_surface.h"
#include "link/device.h"
#include "link/link.h"
#include "link/module_commands.h"
#include "monitor/device_map.h"
#include "monitor/link_reader.h"
#include "monitor/live_ladder.h"
#include "monitor/memory_device.h"
#include "tools/zqvsim/core/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
  double msPerTick = 0;
  int readsPerTick = 0;
  int cells = 0;
};

Result Run(bool ownBytes, int ticks, int bytesPerExchange, bool pty) {
  auto studio = std::make_unique<compiler::Studio>();
  studio->doc.Setup.PlcModel = 10;
  monitor::SetDeviceMap(*studio);
  const compiler::DeviceMap& map = studio->monitor.map;
  compiler::ProgramDocument& doc = studio->doc;
  std::mt19937 random(7);
  // Devices that each need a read of their own: bytes two apart (a word read brings two),
  // timers and counter flags.
  std::vector<std::pair<int, int>> own;
  for (int n = 0; n < 64; ++n) own.push_back({compiler::kMonTimerContact, n});
  for (int n = 0; n < 64; n += 2) own.push_back({compiler::kMonKBit, n});
  for (int n = 0; n < 32; n += 2) own.push_back({compiler::kMonMBit, n});
  for (int n = 0; n < 32; n += 2) own.push_back({compiler::kMonCounterContact, n});
  for (int n = 0; n < 16; n += 2) own.push_back({compiler::kMonPBit, n});
  for (int n = 0; n < 16; n += 2) own.push_back({compiler::kMonStep, n});
  for (int n = 0; n < 8; n += 2) own.push_back({compiler::kMonFBit, n});
  int cells = 0;
  for (int row = 0; row < 40; ++row) {
    for (int col = 0; col <= compiler::kOutputCol; ++col) {
      int kind, num;
      if (ownBytes) {
        const auto& [k, n] = own[(row * 11 + col) % own.size()];
        kind = k, num = n;
      } else {
        // Inputs and outputs on P0..P4, internal relays on M0..M31.
        const bool port = random() % 2 == 0;
        kind = port ? compiler::kMonPBit : compiler::kMonMBit;
        num = port ? static_cast<int>(random() % 5) : static_cast<int>(random() % 32);
      }
      doc.MonDevKind[col][row] = static_cast<int16_t>(kind);
      doc.MonDevNum[col][row] = static_cast<int16_t>(num);
      doc.MonDevBit[col][row] = static_cast<int16_t>(random() % 8);
      doc.CellType[col][row] =
          col == compiler::kOutputCol ? compiler::kCoil : (random() % 3 ? compiler::kContactNO : compiler::kContactNC);
    }
  }
  monitor::MemoryDevice memory;
  for (int i = 0; i < 4096; ++i) memory.SetByte(i, static_cast<uint8_t>(random()));
  const auto wire = std::chrono::microseconds(bytesPerExchange * 10 * 1000000 / 19200);
  memory.onRead = [wire](int) { std::this_thread::sleep_for(wire); };

  // Over the pseudo-terminal: the simulated module of model 10 with wire pacing.
  zqvsim::SimProcess sim;
  platform::SilentMessageSink messages;
  platform::NullStatusPort status;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<plclink::Device> commands;
  std::unique_ptr<monitor::LinkDeviceReader> linkReader;
  if (pty) {
    std::string error;
    if (!sim.Start({"--pace"}, &error)) {
      std::fprintf(stderr, "zqvsim did not start: %s\n", error.c_str());
      std::exit(1);
    }
    plclink::LinkConfig config;
    config.portDevices[0] = sim.device();
    link = std::make_unique<plclink::Link>(config, choice);
    commands = std::make_unique<plclink::Device>(*link, messages, status, language);
    if (plclink::CheckModuleModel(*commands, 10)) {
      std::fprintf(stderr, "the simulated module does not answer\n");
      std::exit(1);
    }
    linkReader = std::make_unique<monitor::LinkDeviceReader>(*link, studio->doc.Setup);
  }
  int reads = 0;
  struct Counting : monitor::DeviceReader {
    monitor::DeviceReader* inner;
    int* reads;
    std::optional<monitor::DeviceWord> ReadDeviceWord(int address) override {
      ++*reads;
      return inner->ReadDeviceWord(address);
    }
  } device;
  device.inner = pty ? static_cast<monitor::DeviceReader*>(linkReader.get()) : &memory;
  device.reads = &reads;

  ladder::ImageSurface screen(1024, 768);  // 15360 x 11520 twips
  ladder::LadderViewState view;
  for (int row = 0; row < 40; ++row) {
    const int y = view.geo.Y(row, 0);
    if (y > screen.Height()) break;
    cells += compiler::kOutputCol + 1;
  }
  monitor::MonitorLadder(doc, map, device, screen, view);  // warm up fonts and caches
  reads = 0;
  const auto start = Clock::now();
  for (int i = 0; i < ticks; ++i) {
    monitor::MonitorLadder(doc, map, device, screen, view);
    screen.Image();  // finish the painting as a repaint of the window would
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return {ms / ticks, reads / ticks, cells};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  int arg = 1;
  const bool pty = argc > 1 && std::string(argv[1]) == "--pty";
  if (pty) ++arg;
  const int ticks = argc > arg ? std::atoi(argv[arg]) : 20;
  const int bytes = argc > arg + 1 ? std::atoi(argv[arg + 1]) : 5;
  if (pty) {
    std::printf("monitor tick over a pseudo-terminal to zqvsim --pace (19200 baud), model 10, %d ticks\n", ticks);
  } else {
    std::printf("monitor tick, 19200 baud, %d bytes on the wire per read (%.2f ms), %d ticks\n", bytes,
                bytes * 10 * 1000.0 / 19200, ticks);
  }
  for (bool own : {false, true}) {
    const Result r = Run(own, ticks, bytes, pty);
    // The wire alone: 5 bytes an exchange in model 10's framing over the terminal.
    const double wireMs = r.readsPerTick * (pty ? 5 : bytes) * 10 * 1000.0 / 19200;
    std::printf("%-38s %3d marked cells, %3d reads (wire %5.1f ms), %7.1f ms per tick (goal 100 ms: %s)\n",
                own ? "every contact in a byte of its own:" : "contacts on P0..P4 and M0..M31:", r.cells,
                r.readsPerTick, wireMs, r.msPerTick, r.msPerTick < 100 ? "met" : "not met");
  }
  return 0;
}
