#pragma once
// The Edit menu's row and block commands on the ladder grid: copy, delete, insert, duplicate
// and restore a row, and copy, cut, paste (inserting or overlaying) and undo a paste of the
// selected block. Rows pushed by Copy Line and Delete Line go to the row stack, blocks to the
// block clipboard, the cells an overlay covered to the paste-undo snapshot: three separate
// stores in the studio's editor state.

#include "compiler/studio_state.h"

namespace ladder {

// What a command did, for the window: Done changed something (or copied it); Ignored did
// nothing without a word (monitor mode, nothing to do); Refused did nothing because rows or
// cells would be lost or the row stack is full (the window beeps); NoSelection showed the
// "select a block first" message.
enum class EditResult { Done, Ignored, Refused, NoSelection };

// Capacity of the row stack: a whole program.
constexpr int kRowStackCapacity = compiler::kProgramRows;

// The selected block with its corners ordered and kept within columns 0..10, rows 0..1199.
struct BlockRect {
  int col1 = 0, row1 = 0, col2 = 0, row2 = 0;
};
BlockRect NormalisedBlock(const compiler::BlockSelection& selection);

// Reads, writes and clears one cell of the program grid with everything a command moves
// (element code, text, branch link and the monitor attributes).
compiler::CellCopy TakeCell(const compiler::ProgramDocument& doc, int col, int row);
void PutCell(compiler::ProgramDocument& doc, int col, int row, const compiler::CellCopy& cell);
void ClearCell(compiler::ProgramDocument& doc, int col, int row);
// True when a row of the grid holds no element, text or branch link.
bool RowIsEmpty(const compiler::ProgramDocument& doc, int row);

class RowBlockCommands {
 public:
  // While monitor mode is on (studio.monitor.MonitorOn()) every command does nothing.
  explicit RowBlockCommands(compiler::Studio& studio) : studio_(studio) {}

  EditResult DeleteLine();          // Ctrl+D
  EditResult InsertBlankLine();     // Ctrl+I
  EditResult RestoreDeletedLine();  // Ctrl+U
  EditResult CopyLine();            // Ctrl+B
  EditResult DuplicateLine();       // Ctrl+A
  EditResult BlockCopy();           // Ctrl+C
  EditResult BlockCut();            // Ctrl+X
  EditResult BlockPasteInsert();    // Ctrl+V
  EditResult BlockPasteOverlay();   // Ctrl+T
  EditResult BlockPasteUndo();      // Ctrl+Z

  // Whether the commands since the last call changed the rows on the screen: the caller then
  // repaints the ladder from the document.
  bool TakeRowsChanged();
  // Whether Block Paste Undo has something to restore (the menu item's enabled state).
  bool CanUndoPaste() const { return studio_.editor.pasteUndo.valid; }
  int RowStackCount() const { return static_cast<int>(studio_.editor.rowStack.rows.size()); }

  // New, Open and Import replace the program: the undo snapshot no longer belongs to it.
  static void DropPasteUndo(compiler::Studio& studio);

 private:
  bool Monitoring() const { return studio_.monitor.MonitorOn(); }
  bool BlockToClipboard(bool cut);
  // Moves rows from..1198 down by count rows (count rows fall off the end) and clears rows
  // from..from+count-1; refused (false) when a non-empty row would fall off the grid.
  bool InsertRows(int from, int count);
  void Changed();
  void Repaint() { rowsChanged_ = true; }

  compiler::Studio& studio_;
  bool rowsChanged_ = false;
};

}  // namespace ladder
