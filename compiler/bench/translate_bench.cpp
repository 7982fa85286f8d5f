// Times one build's translation step on a full ladder: CompileLadder (translation, monitor
// attributes, QS2OUT.$$$ and QSKLINC.$$$) and WriteCompileOptions (QSKLREN.$$$).
// Usage: translate_bench [folder] [runs]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "compiler/options_header.h"
#include "compiler/studio_state.h"
#include "compiler/translator.h"

using namespace compiler;

namespace {

void Cell(ProgramDocument& d, int col, int row, int16_t code, std::string text = {}) {
  d.CellType[col][row] = code;
  d.CellText[col][row] = std::move(text);
}

std::string Bit(char letter, int n) { return letter + std::to_string(n / 8 % 64) + ":" + std::to_string(n % 8); }

void Wires(ProgramDocument& d, int row, int from, int to) {
  for (int c = from; c <= to; ++c) Cell(d, c, row, kWire);
}

// Fills rows 0..1198 with rungs of every branch family and puts END in row 1199.
void BuildLadder(ProgramDocument& d) {
  int row = 0, n = 0;
  while (row + 2 < kProgramRows - 1) {
    switch ((row / 2) % 6) {
      case 0:  // five contacts in series, one of them a compare
        Cell(d, 0, row, kContactNO, Bit('P', n));
        Cell(d, 1, row, kContactNC, Bit('M', n + 1));
        Cell(d, 2, row, kContactNO, "D>= D" + std::to_string(n % 100) + ", 10");
        Cell(d, 3, row, kContactNO, "T" + std::to_string(n % 64));
        Cell(d, 4, row, kContactNO, "C" + std::to_string(n % 64));
        Wires(d, row, 5, 9);
        Cell(d, 10, row, kCoil, Bit('M', n));
        Cell(d, 0, row + 1, kContactNO, Bit('K', n));
        Wires(d, row + 1, 1, 8);
        Cell(d, 9, row + 1, kBox, "TON T" + std::to_string(n % 64) + ", 100");
        break;
      case 1:  // parallel pairs joined by ORS
        Cell(d, 0, row, kContactNO, Bit('P', n));
        Cell(d, 1, row, kContactNO, Bit('P', n + 1));
        Wires(d, row, 2, 9);
        Cell(d, 10, row, kCoil, Bit('M', n));
        Cell(d, 0, row + 1, kContactNO, Bit('M', n + 2));
        Cell(d, 1, row + 1, kContactNC, Bit('M', n + 3));
        d.VertLink[1][row] = 1;
        break;
      case 2:  // two parallel contacts in series: ANDS
        Cell(d, 0, row, kContactNO, Bit('P', n));
        Cell(d, 1, row, kContactNO, Bit('P', n + 1));
        Wires(d, row, 2, 9);
        Cell(d, 10, row, kCoil, Bit('M', n));
        Cell(d, 0, row + 1, kContactNO, Bit('M', n + 2));
        Cell(d, 1, row + 1, kContactNO, Bit('M', n + 3));
        d.VertLink[0][row] = 1;
        d.VertLink[1][row] = 1;
        break;
      case 3:  // output split: SAVES and RDS
        Cell(d, 0, row, kContactNO, Bit('P', n));
        Cell(d, 1, row, kContactNO, Bit('P', n + 1));
        Wires(d, row, 2, 9);
        Cell(d, 10, row, kCoil, Bit('M', n));
        Cell(d, 2, row + 1, kContactNC, Bit('M', n + 2));
        Wires(d, row + 1, 3, 9);
        Cell(d, 10, row + 1, kCoil, Bit('M', n + 3));
        d.VertLink[1][row] = 1;
        break;
      case 4:  // counter with its reset row
        Cell(d, 0, row, kContactNO, Bit('P', n));
        Cell(d, 1, row, kRisingEdge, Bit('M', n + 1));
        Wires(d, row, 2, 8);
        Cell(d, 9, row, kCounterBox, "CTD C" + std::to_string(n % 64) + ", 10");
        Cell(d, 0, row + 1, kContactNO, Bit('P', n + 2));
        Wires(d, row + 1, 1, 8);
        break;
      default:  // step contacts and a display string with Korean text
        Cell(d, 0, row, kContactNO, "S1:" + std::to_string(n % 200));
        Cell(d, 1, row, kNot);
        Wires(d, row, 2, 8);
        Cell(d, 9, row, kBox, "SGNOUT P0:4, 1, \"\xB0\xA1\xC7\xD1\"");
        Cell(d, 0, row + 1, kContactNO, Bit('P', n + 1));
        Wires(d, row + 1, 1, 9);
        Cell(d, 10, row + 1, kCoil, Bit('M', n + 2));
        break;
    }
    row += 2;
    n += 4;
  }
  Wires(d, kProgramRows - 1, 0, 8);
  Cell(d, 9, kProgramRows - 1, kBox, "END");
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "zqv-translate-bench";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
  fs::create_directories(folder);

  auto studio = std::make_unique<Studio>();
  platform::SilentMessageSink sink;
  studio->messages = &sink;
  studio->ClearProgram();
  BuildLadder(studio->doc);

  std::vector<double> ms;
  size_t bytes = 0;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const CompileResult r = CompileLadder(*studio, folder);
    const bool headerFailed = WriteCompileOptions(*studio, folder);
    const auto t1 = std::chrono::steady_clock::now();
    if (r.CompileErr != 0 || headerFailed) {
      std::fprintf(stderr, "build failed: %s at %d,%d\n", r.TransErrMsg.c_str(), r.ErrCol, r.ErrRow);
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    bytes = fs::file_size(folder / "QS2OUT.$$$");
  }
  std::sort(ms.begin(), ms.end());
  std::printf("1200-row ladder, %d runs: QS2OUT.$$$ %zu bytes; min %.2f ms, median %.2f ms, max %.2f ms\n", runs, bytes,
              ms.front(), ms[ms.size() / 2], ms.back());
  return 0;
}
