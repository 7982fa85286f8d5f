// Times the link's bulk exchanges over a serial device against their wire time at 19200
// baud (10 bits a byte, both directions counted, as the exchange is strictly request and
// reply). Run by tools/bench/link_bench.sh against zqvsim --pace.
//   zqv_link_bench readback DEVICE [BYTES]      read-back of BYTES (default 32768)
//   zqv_link_bench download DEVICE FOLDER       download + checksum + verify of FOLDER/ZQVREM.$$$

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "link/checksum.h"
#include "link/download.h"
#include "link/module_commands.h"
#include "link/readback.h"
#include "link/termios_port.h"

namespace {

// Counts the bytes that cross the line.
class CountingPort : public plclink::TermiosPort {
 public:
  void Write(const std::uint8_t* bytes, std::size_t count) override {
    sent += count;
    TermiosPort::Write(bytes, count);
  }
  std::vector<std::uint8_t> TakeAll() override {
    auto got = TermiosPort::TakeAll();
    received += got.size();
    return got;
  }
  std::size_t sent = 0, received = 0;
};

struct Printer : platform::MessageSink {
  platform::MsgResult Show(const platform::Message& m) override {
    std::fprintf(stderr, "message: %s\n", m.text.c_str());
    return platform::MsgResult::Ok;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: zqv_link_bench readback DEVICE [BYTES] | download DEVICE FOLDER\n");
    return 2;
  }
  const std::string mode = argv[1];
  Printer messages;
  platform::NullStatusPort status;
  plclink::LinkConfig config;
  config.portDevices[0] = argv[2];
  CountingPort* port = nullptr;
  plclink::FixedPortChoice choice;
  plclink::FixedLanguage language;
  plclink::Link link(config, choice, [&](int) {
    auto p = std::make_unique<CountingPort>();
    port = p.get();
    return p;
  });
  plclink::Device device(link, messages, status, language);
  if (device.OpenPort()) return 1;
  const int model = 10;
  if (plclink::CheckModuleModel(device, model)) return 1;
  port->sent = port->received = 0;
  auto t0 = std::chrono::steady_clock::now();
  bool failed = false;
  if (mode == "readback") {
    const long bytes = argc > 3 ? std::atol(argv[3]) : 32768;
    link.Flush();
    failed = link.SendByteWait(plclink::cmd::kReadBack, 2);
    link.SendWord(static_cast<int>(bytes / 2));
    failed = failed || link.WaitReply(3);
    link.SendWord(0);
    failed = failed || link.WaitReply(3);
    for (long i = 0; i < bytes && !failed; ++i) {
      link.SendByte(0x00);
      failed = link.WaitReply(link.DataEchoMode() ? 2 : 1);
    }
  } else if (mode == "download" && argc > 3) {
    plclink::DeviceJob job;
    job.folder = argv[3];
    job.plcModel = model;
    job.compileInfo = true;
    job.romSize = static_cast<std::int32_t>(std::filesystem::file_size(job.Image()) - 2);
    failed = plclink::DownloadProgram(device, job) || plclink::VerifyChecksum(device, job) ||
             plclink::CheckModuleModel(device, model) || plclink::VerifyProgram(device, job);
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double wire = static_cast<double>(port->sent + port->received) * 10.0 / 19200.0;
  std::printf("%s: %zu bytes sent, %zu received, %.2f s, wire time %.2f s, ratio %.3f%s\n", mode.c_str(), port->sent,
              port->received, seconds, wire, seconds / wire, failed ? " (FAILED)" : "");
  return failed ? 1 : 0;
}
