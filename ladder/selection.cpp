#include "ladder/selection.h"

#include <algorithm>
#include <cmath>

namespace ladder {

namespace {

constexpr int kLastRow = compiler::kProgramRows - 1;

// A number as the status bar shows it: a blank in the sign's place when it is not negative.
std::string Signed(int n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

// Whole-number division that drops the remainder (towards zero).
int Quotient(int a, int b) { return b == 0 ? 0 : a / b; }

SelectionCorners Corners(const compiler::BlockSelection& s, int col2, int row2) {
  return {s.BlockCol1, s.BlockRow1, col2, row2};
}

// Twips of a pointer position: the nearest whole number, a half to the even neighbour.
int WholeTwips(double value) {
  if (!std::isfinite(value)) return 0;
  const double r = std::nearbyint(value);  // the default rounding mode: to nearest, ties to even
  return static_cast<int>(std::clamp(r, -1.0e9, 1.0e9));
}

}  // namespace

PointerCell CellUnderPointer(double x, double y, const BoardGeometry& geo, int topRow) {
  PointerCell cell;
  cell.c = std::clamp(Quotient(WholeTwips(x), geo.cellW), 1, 11);
  cell.r = Quotient(WholeTwips(geo.csai + y), geo.cellH + geo.csai);
  cell.col = cell.c - 1;
  cell.row = cell.r - 1 + topRow;
  return cell;
}

PressOutcome MousePress(compiler::Studio& studio, int button, double x, double y, const BoardGeometry& geo) {
  compiler::BlockSelection& s = studio.editor.selection;
  compiler::ProgramDocument& doc = studio.doc;
  PressOutcome out;
  if (s.BlockActive) {
    s.BlockActive = false;
    s.BlockCol2 = s.BlockPrevCol;
    s.BlockRow2 = s.BlockPrevRow;
    out.eraseOld = true;
    out.old = Corners(s, s.BlockCol2, s.BlockRow2);
  }
  s.BoardMouseDown = true;
  const PointerCell cell = CellUnderPointer(x, y, geo, doc.TopRow);
  out.curX = geo.cellW * cell.c;
  out.curY = (geo.cellH + geo.csai) * cell.r - geo.csai;
  doc.CurCol = static_cast<int16_t>(std::max(cell.col, 0));
  doc.CurRow = static_cast<int16_t>(std::clamp(cell.row, 0, kLastRow));
  s.BlockCol1 = s.BlockPrevCol = doc.CurCol;
  s.BlockRow1 = s.BlockPrevRow = doc.CurRow;
  out.rightButton = button == kRightButton;
  return out;
}

DragOutcome MouseMove(compiler::Studio& studio, int buttons, double x, double y, const BoardGeometry& geo) {
  compiler::BlockSelection& s = studio.editor.selection;
  DragOutcome out;
  if (buttons == kNoButton || !s.BoardMouseDown) return out;
  const PointerCell cell = CellUnderPointer(x, y, geo, studio.doc.TopRow);
  s.BlockCol2 = static_cast<int16_t>(cell.col);
  s.BlockRow2 = static_cast<int16_t>(std::clamp(cell.row, 0, kLastRow));
  if (s.BlockCol2 == s.BlockPrevCol && s.BlockRow2 == s.BlockPrevRow) return out;
  out.changed = true;
  out.eraseOld = s.BlockActive;
  out.old = Corners(s, s.BlockPrevCol, s.BlockPrevRow);
  out.now = Corners(s, s.BlockCol2, s.BlockRow2);
  s.BlockActive = true;
  s.BlockPrevCol = s.BlockCol2;
  s.BlockPrevRow = s.BlockRow2;
  out.status = SelectionStatusText(s);
  return out;
}

std::string SelectionStatusText(const compiler::BlockSelection& s) {
  return Signed(s.BlockCol1) + " : " + Signed(s.BlockRow1) + " To " + Signed(s.BlockCol2) + " : " + Signed(s.BlockRow2);
}

}  // namespace ladder
