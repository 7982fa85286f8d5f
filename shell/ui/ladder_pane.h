#pragma once
// What the window asks of the ladder picture on its board. The window's own empty board
// answers until a ladder view is hosted in its place (FrmMain::SetBoard).

namespace shell {

class LadderPane {
 public:
  virtual ~LadderPane() = default;
  // Paints the program again, and the cursor when the board has the focus.
  virtual void Redraw() = 0;
  // A new program: the background and the cursor.
  virtual void Clear() = 0;
  // The document's cursor and top row were set anew (a program was read, made or imported,
  // or the cell size changed): shows them without moving them; no block is selected and no
  // paste is left to undo.
  virtual void Reset() = 0;
  // The document's cursor and top row were put on a cell to be looked at: shows them there,
  // the cursor drawn and the board holding the keys.
  virtual void ShowCursorCell() {}
};

}  // namespace shell
