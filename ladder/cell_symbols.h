#pragma once
// The symbols of the ladder cells, drawn with straight lines at the cell whose left and
// top edges are (x, y). Every procedure starts in copy mode with pen width 1 and leaves
// the surface that way; the foreground colour is left alone (the counter box prints its
// "C" and "R" in it).

#include "ladder/drawing_surface.h"
#include "ladder/ladder_geometry.h"

namespace ladder {

struct CellPen {
  DrawingSurface& surface;
  const LadderGeometry& geo;
  Color line;  // symbols
  Color back;  // the clearing box of two-cell symbols
  int x = 0, y = 0;
};

void DrawContactNO(const CellPen& p);
void DrawContactNC(const CellPen& p);
void DrawWire(const CellPen& p);
void DrawCoil(const CellPen& p);
void DrawOutputBox(const CellPen& p);   // instruction box, two cells wide
void DrawCounterBox(const CellPen& p);  // two cells wide, two rows high
void DrawInlineBox(const CellPen& p);   // two cells wide
void DrawNotSlash(const CellPen& p);
void DrawFallingEdge(const CellPen& p);
void DrawRisingEdge(const CellPen& p);
void DrawBranchDown(const CellPen& p);       // from this rung down to the next row's rung
void DrawBranchFromAbove(const CellPen& p);  // the part of a branch from the row above

// Draws the symbol of an element code; codes without a symbol draw nothing.
void DrawCellSymbol(const CellPen& p, int cellType);

}  // namespace ladder
