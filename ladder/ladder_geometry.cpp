#include "ladder/ladder_geometry.h"

#include <algorithm>
#include <cmath>

namespace ladder {

int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));  // the default rounding mode is to-nearest-even
}

LadderGeometry LadderGeometry::FromUnit(int cunit, int csai) {
  LadderGeometry g;
  g.Cunit = std::clamp(cunit, kMinCunit, kMaxCunit);
  g.Csai = std::clamp(csai, kMinCsai, kMaxCsai);
  g.CellW = 9 * g.Cunit;
  g.CellH = 7 * g.Cunit;
  g.Cunit10 = RoundHalfEven(g.Cunit / 10.0);
  return g;
}

}  // namespace ladder
