#include "ladder/element_writes.h"

#include "ladder/row_block.h"

namespace ladder {

using compiler::kOutputCol;

namespace {

void EmptyCodeAndText(ProgramDocument& doc, int col, int row) {
  doc.CellType[col][row] = compiler::kEmpty;
  doc.CellText[col][row].clear();
}

void FillWireTo(ProgramDocument& doc, int lastWireCol) {
  if (doc.CurCol > lastWireCol) return;
  const int r = doc.CurRow;
  while (doc.CurCol <= lastWireCol) {
    const int c = doc.CurCol;
    doc.CellType[c][r] = compiler::kWire;
    EmptyCodeAndText(doc, c + 1, r);
    doc.CellText[c][r].clear();
    doc.VertLink[c][r] = 0;
    doc.MonDevNum[c][r] = 0;
    doc.MonDevBit[c][r] = 0;
    doc.MonDevKind[c][r] = 0;
    CursorRight(doc);
  }
}

}  // namespace

bool IsDeviceCode(int code) {
  return code == compiler::kContactNO || code == compiler::kContactNC || code == compiler::kCoil ||
         code == compiler::kFallingEdge || code == compiler::kRisingEdge;
}

void CopyCell(ProgramDocument& doc, int fc, int fr, int tc, int tr) {
  doc.CellType[tc][tr] = doc.CellType[fc][fr];
  doc.CellText[tc][tr] = doc.CellText[fc][fr];
  doc.VertLink[tc][tr] = doc.VertLink[fc][fr];
  doc.MonDevNum[tc][tr] = doc.MonDevNum[fc][fr];
  doc.MonDevBit[tc][tr] = doc.MonDevBit[fc][fr];
  doc.MonDevKind[tc][tr] = doc.MonDevKind[fc][fr];
}

void CursorRight(ProgramDocument& doc) {
  if (doc.CurCol < kOutputCol) ++doc.CurCol;
}

void FillWireToBoxColumn(ProgramDocument& doc) { FillWireTo(doc, 8); }
void FillWireToCoilColumn(ProgramDocument& doc) { FillWireTo(doc, 9); }

bool InsertCellAtCursor(ProgramDocument& doc) {
  const int c = doc.CurCol, r = doc.CurRow;
  if (c >= kOutputCol) return false;
  const int t9 = doc.CellType[9][r];
  if (t9 == compiler::kBox || t9 == compiler::kCounterBox) return false;
  if (doc.CellUsed(kOutputCol, r)) return false;
  for (int k = kOutputCol; k > c; --k) CopyCell(doc, k - 1, r, k, r);
  ClearCell(doc, c, r);
  return true;
}

bool DeleteCellAtCursor(ProgramDocument& doc) {
  const int c = doc.CurCol, r = doc.CurRow;
  if (c >= kOutputCol) return false;
  for (int k = c; k < kOutputCol; ++k) CopyCell(doc, k + 1, r, k, r);
  ClearCell(doc, kOutputCol, r);
  return true;
}

void SetCursorCode(ProgramDocument& doc, int code) {
  doc.CellType[doc.CurCol][doc.CurRow] = static_cast<int16_t>(code);
}

void ClearCursorCell(ProgramDocument& doc) {
  EmptyCodeAndText(doc, doc.CurCol, doc.CurRow);
  CursorRight(doc);
}

void ToggleWire(ProgramDocument& doc) {
  int16_t& type = doc.CellType[doc.CurCol][doc.CurRow];
  type = type == compiler::kWire ? compiler::kEmpty : compiler::kWire;
  doc.CellText[doc.CurCol][doc.CurRow].clear();
  CursorRight(doc);
}

void ToggleLink(ProgramDocument& doc) {
  int16_t& link = doc.VertLink[doc.CurCol][doc.CurRow];
  link = link == 0 ? 1 : 0;
}

void PlaceCoil(ProgramDocument& doc) {
  FillWireToCoilColumn(doc);
  SetCursorCode(doc, compiler::kCoil);
}

void PlaceBox(ProgramDocument& doc, bool fillWires) {
  if (fillWires) FillWireToBoxColumn(doc);
  if (doc.CurCol == kOutputCol) doc.CurCol = 9;
  doc.CellType[doc.CurCol][doc.CurRow] = compiler::kBox;
  doc.CellText[doc.CurCol][doc.CurRow].clear();
  EmptyCodeAndText(doc, doc.CurCol + 1, doc.CurRow);
}

void WriteEndLine(ProgramDocument& doc) {
  doc.CurCol = 0;
  FillWireToBoxColumn(doc);
  const int r = doc.CurRow;
  doc.CellType[9][r] = compiler::kBox;
  doc.CellText[9][r] = "END";
  EmptyCodeAndText(doc, kOutputCol, r);
}

bool CounterBoxFits(const ProgramDocument& doc) { return doc.CurRow < compiler::kProgramRows - 1; }

}  // namespace ladder
