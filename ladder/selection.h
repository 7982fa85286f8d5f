#pragma once
// Mouse presses and drags on the ladder view: the cell under the pointer, the cursor a press
// sets, and the block selection a drag stretches from the pressed cell to the cell under the
// pointer. The view draws and erases the selection rectangle as the outcomes say.

#include <string>

#include "compiler/studio_state.h"

namespace ladder {

// The view's geometry as the mouse maths needs it (twips).
struct BoardGeometry {
  int cellW = 720;
  int cellH = 560;
  int csai = 300;
};

// The cell under a pointer at (x, y) twips: col 0..10 (the left margin counts as column 0,
// anything right of column 10 as column 10) and the absolute row, not yet limited.
// c and r are the 1-based column and view-row numbers the cursor position comes from.
struct PointerCell {
  int c = 1, r = 0;
  int col = 0, row = 0;
};
PointerCell CellUnderPointer(double x, double y, const BoardGeometry& geo, int topRow);

enum MouseButtons { kNoButton = 0, kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// Corners of a selection rectangle as drawn (anchor and end, unordered).
struct SelectionCorners {
  int col1 = 0, row1 = 0, col2 = 0, row2 = 0;
};

struct PressOutcome {
  bool eraseOld = false;  // draw `old` once more (inverting) to remove it
  SelectionCorners old;
  int curX = 0, curY = 0;    // the cursor cell's left and top on the view (twips)
  bool rightButton = false;  // a right press: in monitor mode the window adds the cell to the watch list
};

struct DragOutcome {
  bool changed = false;   // nothing else is meaningful when false
  bool eraseOld = false;  // draw `old` once more to remove it, then draw `now`
  SelectionCorners old;
  SelectionCorners now;
  std::string status;  // for the status bar's selection panel
};

// A press puts the cursor on the cell under the pointer (rows kept within 0..1199), ends any
// selection and anchors a new one there. It works in monitor mode too.
PressOutcome MousePress(compiler::Studio& studio, int button, double x, double y, const BoardGeometry& geo);

// A move with a button held (after any press on the view) stretches the selection to the
// cell under the pointer; a move without a button changes nothing.
DragOutcome MouseMove(compiler::Studio& studio, int buttons, double x, double y, const BoardGeometry& geo);

// " 2 :  3 To  4 :  5": anchor and end, 0-based.
std::string SelectionStatusText(const compiler::BlockSelection& selection);

}  // namespace ladder
