// Times a full repaint of the ladder view (the painter into the screen's image surface)
// on a screen full of elements, texts, aliases and branches: the median of many repaints
// at the default board size and at the board of the largest window.
//
//   ladder_paint_bench [repeats]

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "compiler/document.h"
#include "ladder/ladder_painter.h"
#include "ladder/ui/image_surface.h"

namespace {

// Processor time of this thread: on a busy machine the wall clock also counts waiting.
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Times {
  double wallMs, cpuMs;
};

void FillBusyProgram(compiler::ProgramDocument& doc) {
  for (int r = 0; r < compiler::kProgramRows; ++r) {
    for (int c = 0; c < 9; ++c) {
      doc.CellType[c][r] =
          (c % 3 == 0) ? compiler::kContactNO : (c % 3 == 1 ? compiler::kContactNC : compiler::kRisingEdge);
      doc.CellText[c][r] = "M" + std::to_string(r % 128) + ":" + std::to_string(c % 8);
      doc.VertLink[c][r] = (r + c) % 2;
    }
    doc.CellType[9][r] = compiler::kWire;
    doc.CellType[10][r] = compiler::kCoil;
    doc.CellText[10][r] = "P2:" + std::to_string(r % 8);
  }
  for (int i = 0; i < compiler::kAliasMUsed; i += 3) doc.AliasM[i] = "Alias" + std::to_string(i);
}

Times MedianMs(int widthPx, int heightPx, int repeats, const compiler::ProgramDocument& doc) {
  ladder::ImageSurface surface(widthPx, heightPx);
  ladder::LadderViewState view;
  view.colors = ladder::ColorScheme::For(1);
  surface.SetBackColor(view.colors.ViewBackColor);
  surface.SetForeColor(view.colors.ViewLineColor);
  ladder::LadderPainter painter(surface, doc, view);
  std::vector<double> wall, cpu;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ThreadCpuMs();
    painter.DrawLadder();
    surface.Image();  // finishes the painting
    cpu.push_back(ThreadCpuMs() - c0);
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
  auto doc = std::make_unique<compiler::ProgramDocument>();
  FillBusyProgram(*doc);
  struct Size {
    const char* name;
    int w, h;
  };
  for (const Size s :
       {Size{"default board (760x560 px)", 760, 560}, Size{"largest window board (3550x2040 px)", 3550, 2040}}) {
    const Times t = MedianMs(s.w, s.h, repeats, *doc);
    std::printf("%-40s median %.2f ms (processor %.2f ms) over %d repaints\n", s.name, t.wallMs, t.cpuMs, repeats);
  }
  return 0;
}
