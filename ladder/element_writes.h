#pragma once
// The cell writes of the ladder editor on the program document (a cell is emptied with
// ClearCell of row_block.h): moving cells, the cursor step to the right, the wire fills up to the box or coil column,
// inserting and deleting a cell in a row, and the END line.

#include "compiler/document.h"

namespace ladder {

using compiler::ProgramDocument;

// Copies a cell (code, text, link and every monitor field) over another one.
void CopyCell(ProgramDocument& doc, int fromCol, int fromRow, int toCol, int toRow);

// One column to the right; nothing at column 10.
void CursorRight(ProgramDocument& doc);
// Wires from the cursor to column 8 (cursor ends on 9) or to column 9 (cursor ends on 10);
// nothing when the cursor is already right of that column.
void FillWireToBoxColumn(ProgramDocument& doc);
void FillWireToCoilColumn(ProgramDocument& doc);

// Moves the cells from the cursor to column 9 one column right and empties the cursor
// cell. Refused (false, no change) in column 10, when column 9 holds a box or counter box,
// or when column 10 holds anything (an element, a text or a link).
bool InsertCellAtCursor(ProgramDocument& doc);
// Moves the cells right of the cursor one column left over it and empties column 10.
// Nothing happens in column 10 (false).
bool DeleteCellAtCursor(ProgramDocument& doc);

// Element writes of the keys and toolbar buttons, at the cursor cell.
void SetCursorCode(ProgramDocument& doc, int code);   // contacts, edges, NOT: the code only
void ClearCursorCell(ProgramDocument& doc);           // Space: code and text; then one right
void ToggleWire(ProgramDocument& doc);                // wire <-> empty, text cleared; then one right
void ToggleLink(ProgramDocument& doc);                // branch link on/off
void PlaceCoil(ProgramDocument& doc);                 // wires to column 9, coil in 10
void PlaceBox(ProgramDocument& doc, bool fillWires);  // instruction box (in 9 when at 10)
void WriteEndLine(ProgramDocument& doc);              // wires 0..8, END box in 9..10

// The counter box's cells from the cursor (after the wire fill): the box in its column and
// the next one on the cursor row, both cells of the row below emptied. Needs a row below
// inside the program: false and no change on the last row.
bool CounterBoxFits(const ProgramDocument& doc);

// True for the codes that take a device operand: contacts, coil and edges.
bool IsDeviceCode(int code);

}  // namespace ladder
