#pragma once
// Start-up values the main window derives from the settings: the ladder geometry and colours
// and the run-time defaults of the studio.

#include <cstdint>

#include "compiler/studio_state.h"
#include "shell/settings.h"

namespace shell {

// Cunit / 10 rounded to the nearest whole number, a half to the even neighbour (45 -> 4, 55 -> 6).
int16_t RoundCunit10(int cunit);

struct LadderGeometry {
  int16_t Cunit10 = 8;
  int16_t CellW = 720;  // 9 x Cunit
  int16_t CellH = 560;  // 7 x Cunit
};
LadderGeometry GeometryFor(int cunit);

// Colours in 0x00BBGGRR.
struct LadderColors {
  uint32_t ViewBackColor = 0xFFFFFF;
  uint32_t ViewLineColor = 0;
  uint32_t ViewOnColor = 0x00FF00;
};
LadderColors ColorsFor(int color);  // 1 white background, any other value black

// The studio's state before any program is opened: model ZQV-E, the default compile options
// with their twins, cursor and first row 0, EndRow 1, nothing to save, empty watch list.
// Also copies the settings the compiler half reads (language, geometry).
void ApplyRunTimeDefaults(compiler::Studio& studio, const Settings& settings);

}  // namespace shell
