#include "ladder/row_numbers.h"

#include <algorithm>

namespace ladder {

namespace {

int Widest(const DrawingSurface& s, const std::vector<std::string>& labels) {
  int widest = 0;
  for (const std::string& label : labels) widest = std::max(widest, s.TextWidth(label));
  return widest;
}

constexpr double kSmallestSize = 1.0;  // points: below this a label is not drawn smaller

}  // namespace

void FitRowNumberFont(DrawingSurface& s, SurfaceFont font, int right, const std::vector<std::string>& labels) {
  s.SetFont(font);
  int widest = Widest(s, labels);
  if (widest <= right || right <= 0) return;
  // Text width grows with the size about in proportion; the steps after the first cover the
  // rounding of the measured widths.
  font.size = std::max(kSmallestSize, font.size * right / widest);
  for (;;) {
    s.SetFont(font);
    widest = Widest(s, labels);
    if (widest <= right || font.size <= kSmallestSize) return;
    font.size = std::max(kSmallestSize, font.size * 0.95);
  }
}

int RowNumberX(const DrawingSurface& s, const std::string& label, int preferredX, int right) {
  return std::max(0, std::min(preferredX, right - s.TextWidth(label)));
}

}  // namespace ladder
