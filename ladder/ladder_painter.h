#pragma once
// Paints the ladder on a drawing surface: the background with the rail and row numbers,
// every visible cell's symbol, branch, text and alias, the block selection, the cursor.
// The painters draw relative to the view's CurX/CurY (the cell being painted); DrawLadder
// moves them cell by cell and puts them back before it returns.

#include <string>

#include "compiler/document.h"
#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "ladder/view_state.h"
#include "platform/ansi_text.h"

namespace ladder {

class LadderPainter {
 public:
  // The selection, when given, is drawn over every full repaint while it is active.
  LadderPainter(DrawingSurface& surface, const compiler::ProgramDocument& doc, LadderViewState& view,
                const compiler::BlockSelection* selection = nullptr)
      : s_(surface), doc_(doc), view_(view), selection_(selection) {}

  // Full repaint from TopRow: background, visible cells, selection. No cursor.
  void DrawLadder();
  // Clears the surface and draws the rail, the grey margin (white scheme, from its left
  // edge to marginRight, the surface's width when negative) and the row numbers.
  void DrawLadderBackground(int marginRight = -1);
  // Prints a cell's text (CP949) at (CurX + u, CurY).
  void DrawCellText(platform::AnsiText text);
  // Prints the alias of a device text (CP949), if it has one.
  void DrawAlias(const platform::AnsiText& device);
  // Red box around the cursor cell, in the surface's current drawing mode.
  void DrawCursor();
  // Inverts the rectangle of the selection's corners; drawing it twice restores the picture.
  void DrawBlockSelection();
  // The same for given corners (columns, absolute rows, any order).
  void DrawBlockSelection(int col1, int row1, int col2, int row2);
  // Prints "ERROR" in red over the cell whose left and top are (x, y).
  void MarkError(int x, int y);

 private:
  void DrawCell(int col, int row, bool firstRow);
  DrawingSurface& s_;
  const compiler::ProgramDocument& doc_;
  LadderViewState& view_;
  const compiler::BlockSelection* selection_;
  bool aliasDrawn_ = false;
};

// The cursor's place as the status bar shows it: "X:1  Y:1" for the top-left cell.
std::string CursorStatusText(const compiler::ProgramDocument& doc);

}  // namespace ladder
