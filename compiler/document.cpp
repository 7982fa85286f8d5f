#include "compiler/document.h"

#include <algorithm>

#include "compiler/studio_state.h"

namespace compiler {

ProgramDocument::ProgramDocument() { Setup.IoDir.fill(1); }

void ProgramDocument::ClearProgram(Clipboard* clipboard) {
  for (int col = 0; col <= kOutputCol; ++col) {
    for (int row = 0; row < kProgramRows; ++row) {
      CellType[col][row] = kEmpty;
      CellText[col][row].clear();
      VertLink[col][row] = 0;
      MonDevNum[col][row] = 0;
      MonDevKind[col][row] = 0;
      if (clipboard) {
        clipboard->ClipType[col][row] = 0;
        clipboard->ClipText[col][row].clear();
        clipboard->ClipLink[col][row] = 0;
      }
    }
  }
  for (int i = 0; i <= 255; ++i) Setup.IoDir[i] = 1;
  for (int i = 0; i < kAliasPUsed; ++i) AliasP[i].clear();
  for (int i = 0; i < kAliasMUsed; ++i) AliasM[i].clear();
  for (int i = 0; i < kAliasKUsed; ++i) AliasK[i].clear();
  for (int i = 0; i < kAliasCUsed; ++i) AliasC[i].clear();
  for (int i = 0; i < kAliasTUsed; ++i) AliasT[i].clear();
}

void ProgramDocument::SelectErrorCell(int col, int row) {
  col = std::clamp(col, 0, kOutputCol);
  row = std::clamp(row, 0, kProgramRows - 1);
  CurCol = static_cast<int16_t>(col);
  CurRow = static_cast<int16_t>(row);
  TopRow = static_cast<int16_t>(ErrorTopRow(row));
}

bool ProgramDocument::FindEndCell(int& endCol, int& endRow) const {
  for (int row = 0; row < kProgramRows; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      if (CellText[col][row] == "END") {
        endCol = col;
        endRow = row;
        return true;
      }
    }
  }
  return false;
}

bool ProgramDocument::FindEndLine() {
  int col = 0, row = 0;
  if (!FindEndCell(col, row)) return true;
  EndRow = static_cast<int16_t>(row);
  return false;
}

bool ProgramDocument::RowUsed(int row) const {
  for (int col = 0; col <= kOutputCol; ++col)
    if (CellUsed(col, row)) return true;
  return false;
}

int16_t ProgramDocument::TypeAt(int col, int row) const {
  return InProgram(col, row) ? CellType[col][row] : int16_t{0};
}

const platform::AnsiText& ProgramDocument::TextAt(int col, int row) const {
  static const platform::AnsiText kNone;
  return InProgram(col, row) ? CellText[col][row] : kNone;
}

int16_t ProgramDocument::LinkAt(int col, int row) const {
  return InProgram(col, row) ? VertLink[col][row] : int16_t{0};
}

}  // namespace compiler
