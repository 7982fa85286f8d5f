// Times the Auto command up to the download image for a full 1,200-row ladder (translation,
// macro library, options header, batch with aq71 on the core and zqlink, listing scan, HEX
// read), median of 5 runs, and the scan time of the built program on the simulated module.
//
//   auto_bench [STUDIO_FOLDER]   (default: the folder of this program's build, ../bin)

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/document.h"
#include "compiler/studio_state.h"
#include "link/build_command.h"
#include "platform/message_box.h"
#include "tools/zqvsim/core/avr_machine.h"

namespace fs = std::filesystem;

namespace {

void Cell(compiler::ProgramDocument& doc, int col, int row, int16_t type, const std::string& text = "") {
  doc.CellType[col][row] = type;
  doc.CellText[col][row] = text;
}

std::string Contact(std::mt19937& rng) { return "P" + std::to_string(rng() % 2) + ":" + std::to_string(rng() % 8); }

// 1,199 rows of rungs (contacts, a parallel branch in every third rung, timers, counters and
// data boxes) and the END row.
void FullLadder(compiler::ProgramDocument& doc) {
  std::mt19937 rng(1200);
  int coil = 0, timer = 0, row = 0;
  while (row < compiler::kProgramRows - 2) {
    const int kind = int(rng() % 10);
    const int width = 2 + int(rng() % 7);
    for (int c = 0; c < width; ++c)
      Cell(doc, c, row, rng() % 4 ? compiler::kContactNO : compiler::kContactNC, Contact(rng));
    for (int c = width; c <= 9; ++c) Cell(doc, c, row, compiler::kWire);
    if (kind == 0) {
      Cell(doc, 9, row, compiler::kBox, "TON T" + std::to_string(timer++ % 64) + ", 100");
      Cell(doc, 8, row, compiler::kWire);
    } else if (kind == 1) {
      Cell(doc, 9, row, compiler::kBox, "WADD D0, D1, D" + std::to_string(2 + rng() % 200));
      Cell(doc, 8, row, compiler::kWire);
    } else {
      Cell(doc, 10, row, compiler::kCoil, "M" + std::to_string((coil / 8) % 32) + ":" + std::to_string(coil % 8));
      ++coil;
    }
    if (row % 3 == 0 && kind > 1 && row + 2 < compiler::kProgramRows - 1) {
      doc.VertLink[1][row] = 1;
      Cell(doc, 0, row + 1, compiler::kWire);
      Cell(doc, 1, row + 1, compiler::kContactNO, Contact(rng));
      row += 2;
    } else {
      row += 1;
    }
  }
  for (int c = 0; c <= 8; ++c) Cell(doc, c, row, compiler::kWire);
  Cell(doc, 9, row, compiler::kBox, "END");
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path self = fs::canonical("/proc/self/exe").parent_path();
  const fs::path bin = argc > 1 ? fs::path(argv[1]) : self.parent_path() / "bin";
  const fs::path folder = fs::temp_directory_path() / ("zqv-auto-bench-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const auto& e : fs::directory_iterator(bin)) {
    const std::string ext = e.path().extension().string(), name = e.path().filename().string();
    if (name == "aq71" || name == "zqlink" || ext == ".BAT" || ext == ".S71" || ext == ".INC")
      fs::create_symlink(fs::absolute(e.path()), folder / name);
  }

  auto studio = std::make_unique<compiler::Studio>();
  platform::SilentMessageSink sink;
  studio->messages = &sink;
  studio->doc.Setup.PlcModel = 10;
  studio->doc.Setup.UploadFlag = false;
  for (int i = 0; i < 40; ++i) studio->doc.Setup.IoDir[size_t(i)] = i < 16 ? 1 : 0;
  FullLadder(studio->doc);

  plclink::SpawnProcessRunner runner;
  plclink::HeadlessAutoHost host;
  plclink::AutoJob job;
  job.folder = folder;
  job.runner = &runner;
  std::vector<double> ms;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const plclink::AutoOutcome outcome = plclink::RunAuto(*studio, host, job);
    const auto t1 = std::chrono::steady_clock::now();
    if (outcome != plclink::AutoOutcome::ImageReady) {
      std::fprintf(stderr, "Auto did not reach the image (outcome %d); see %s\n", int(outcome), folder.c_str());
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  std::printf("Auto up to the image, 1200 rows (model 10): median %.0f ms (runs:", sorted[2]);
  for (double v : ms) std::printf(" %.0f", v);
  std::printf("), image %d bytes\n", studio->build.RomSize);

  std::ifstream in(folder / "ZQVREM.$$$", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  const std::string image = s.str();
  std::vector<uint8_t> program(image.begin(), image.begin() + studio->build.RomSize);
  zqvsim::AvrMachine m;
  if (!m.Load(program) || !m.RunScans(2)) {
    std::fprintf(stderr, "the program does not run: %s\n", m.Error().c_str());
    return 1;
  }
  const int scans = 200;
  const uint64_t c0 = m.Cycles();
  const auto t0 = std::chrono::steady_clock::now();
  if (!m.RunScans(scans, 1000ull * zqvsim::AvrMachine::kClockHz)) {
    std::fprintf(stderr, "scans did not end: %s\n", m.Error().c_str());
    return 1;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cycles = double(m.Cycles() - c0) / scans;
  std::printf(
      "Scan of that program: %.0f cycles = %.3f ms at 16 MHz; simulated %d scans in %.2f s (%.1f x real time)\n",
      cycles, cycles / 16000.0, scans, wall, (cycles * scans / 16e6) / wall);
  // ZQV_BENCH_KEEP keeps the folder for a look at the generated files.
  if (std::getenv("ZQV_BENCH_KEEP"))
    std::printf("files kept in %s\n", folder.c_str());
  else
    fs::remove_all(folder);
  return 0;
}
