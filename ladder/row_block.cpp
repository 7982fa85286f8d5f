#include "ladder/row_block.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/message_box.h"

namespace ladder {

using compiler::CellCopy;
using compiler::kOutputCol;
using compiler::kProgramRows;
using compiler::ProgramDocument;
using compiler::RowCopy;

namespace {

const std::string kCaptionError = "Korvane Studio ERROR !";
const std::string kBlockSelectFirst = "Block Select First !!!";
const std::string kBlockSelectFirstKo = "먼저 블록선택을 하세요!";

constexpr int kLastRow = kProgramRows - 1;

RowCopy TakeRow(const ProgramDocument& doc, int row) {
  RowCopy copy;
  for (int col = 0; col <= kOutputCol; ++col) copy[col] = TakeCell(doc, col, row);
  return copy;
}

void PutRow(ProgramDocument& doc, int row, const RowCopy& copy) {
  for (int col = 0; col <= kOutputCol; ++col) PutCell(doc, col, row, copy[col]);
}

void ClearRow(ProgramDocument& doc, int row) {
  for (int col = 0; col <= kOutputCol; ++col) ClearCell(doc, col, row);
}

void MoveCell(ProgramDocument& doc, int col, int fromRow, int toRow) {
  doc.CellType[col][toRow] = doc.CellType[col][fromRow];
  doc.CellText[col][toRow] = doc.CellText[col][fromRow];
  doc.VertLink[col][toRow] = doc.VertLink[col][fromRow];
  doc.MonDevNum[col][toRow] = doc.MonDevNum[col][fromRow];
  doc.MonDevBit[col][toRow] = doc.MonDevBit[col][fromRow];
  doc.MonDevKind[col][toRow] = doc.MonDevKind[col][fromRow];
}

int ClampRow(int row) { return std::clamp(row, 0, kLastRow); }
int ClampCol(int col) { return std::clamp(col, 0, kOutputCol); }

}  // namespace

BlockRect NormalisedBlock(const compiler::BlockSelection& s) {
  BlockRect rect;
  rect.col1 = ClampCol(std::min(s.BlockCol1, s.BlockCol2));
  rect.col2 = ClampCol(std::max(s.BlockCol1, s.BlockCol2));
  rect.row1 = ClampRow(std::min(s.BlockRow1, s.BlockRow2));
  rect.row2 = ClampRow(std::max(s.BlockRow1, s.BlockRow2));
  return rect;
}

CellCopy TakeCell(const ProgramDocument& doc, int col, int row) {
  CellCopy cell;
  cell.type = doc.CellType[col][row];
  cell.text = doc.CellText[col][row];
  cell.link = doc.VertLink[col][row];
  cell.devNum = doc.MonDevNum[col][row];
  cell.devBit = doc.MonDevBit[col][row];
  cell.devKind = doc.MonDevKind[col][row];
  return cell;
}

void PutCell(ProgramDocument& doc, int col, int row, const CellCopy& cell) {
  doc.CellType[col][row] = cell.type;
  doc.CellText[col][row] = cell.text;
  doc.VertLink[col][row] = cell.link;
  doc.MonDevNum[col][row] = cell.devNum;
  doc.MonDevBit[col][row] = cell.devBit;
  doc.MonDevKind[col][row] = cell.devKind;
}

void ClearCell(ProgramDocument& doc, int col, int row) { PutCell(doc, col, row, CellCopy{}); }

bool RowIsEmpty(const ProgramDocument& doc, int row) { return !doc.RowUsed(row); }

void RowBlockCommands::DropPasteUndo(compiler::Studio& studio) {
  studio.editor.pasteUndo.valid = false;
  studio.editor.pasteUndo.cells.clear();
}

void RowBlockCommands::Changed() { studio_.shell.SourceSaved = false; }

bool RowBlockCommands::TakeRowsChanged() { return std::exchange(rowsChanged_, false); }

bool RowBlockCommands::InsertRows(int from, int count) {
  ProgramDocument& doc = studio_.doc;
  from = ClampRow(from);
  // Rows that the insertion pushes past row 1199 must be empty.
  for (int row = std::max(from, kProgramRows - count); row <= kLastRow; ++row) {
    if (!RowIsEmpty(doc, row)) return false;
  }
  for (int row = kLastRow; row >= from + count; --row) {
    for (int col = 0; col <= kOutputCol; ++col) MoveCell(doc, col, row - count, row);
  }
  for (int row = from; row < std::min(from + count, kProgramRows); ++row) ClearRow(doc, row);
  return true;
}

EditResult RowBlockCommands::CopyLine() {
  if (Monitoring()) return EditResult::Ignored;
  auto& stack = studio_.editor.rowStack.rows;
  if (static_cast<int>(stack.size()) >= kRowStackCapacity) return EditResult::Refused;
  stack.push_back(TakeRow(studio_.doc, ClampRow(studio_.doc.CurRow)));
  return EditResult::Done;
}

EditResult RowBlockCommands::DeleteLine() {
  if (Monitoring()) return EditResult::Ignored;
  auto& stack = studio_.editor.rowStack.rows;
  if (static_cast<int>(stack.size()) >= kRowStackCapacity) return EditResult::Refused;
  ProgramDocument& doc = studio_.doc;
  const int r = ClampRow(doc.CurRow);
  stack.push_back(TakeRow(doc, r));
  for (int row = r; row < kLastRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) MoveCell(doc, col, row + 1, row);
  }
  ClearRow(doc, kLastRow);
  Changed();
  Repaint();
  return EditResult::Done;
}

EditResult RowBlockCommands::InsertBlankLine() {
  if (Monitoring()) return EditResult::Ignored;
  if (!InsertRows(studio_.doc.CurRow, 1)) return EditResult::Refused;
  Changed();
  Repaint();
  return EditResult::Done;
}

EditResult RowBlockCommands::DuplicateLine() {
  if (Monitoring()) return EditResult::Ignored;
  ProgramDocument& doc = studio_.doc;
  const int r = ClampRow(doc.CurRow);
  if (r == 0) return EditResult::Ignored;
  if (!InsertRows(r, 1)) return EditResult::Refused;
  for (int col = 0; col <= kOutputCol; ++col) {
    CellCopy shape = TakeCell(doc, col, r - 1);
    shape.text.clear();
    PutCell(doc, col, r, shape);
  }
  Changed();
  Repaint();
  return EditResult::Done;
}

EditResult RowBlockCommands::RestoreDeletedLine() {
  if (Monitoring()) return EditResult::Ignored;
  auto& stack = studio_.editor.rowStack.rows;
  if (stack.empty()) return EditResult::Ignored;
  const int r = ClampRow(studio_.doc.CurRow);
  if (!InsertRows(r, 1)) return EditResult::Refused;
  PutRow(studio_.doc, r, stack.back());
  stack.pop_back();
  Changed();
  Repaint();
  return EditResult::Done;
}

bool RowBlockCommands::BlockToClipboard(bool cut) {
  const compiler::BlockSelection& sel = studio_.editor.selection;
  if (!sel.BlockActive) {
    if (studio_.messages) {
      studio_.messages->Show({kCaptionError,
                              platform::Pick(studio_.shell.KoreanMenu, kBlockSelectFirst, kBlockSelectFirstKo),
                              platform::MsgIcon::Information, platform::MsgButtons::Ok});
    }
    return false;
  }
  const BlockRect b = NormalisedBlock(sel);
  compiler::Clipboard& clip = studio_.editor.clipboard;
  ProgramDocument& doc = studio_.doc;
  for (int k = 0; k <= b.row2 - b.row1; ++k) {
    for (int j = 0; j <= b.col2 - b.col1; ++j) {
      const int col = b.col1 + j, row = b.row1 + k;
      clip.ClipType[j][k] = doc.CellType[col][row];
      clip.ClipText[j][k] = doc.CellText[col][row];
      clip.ClipLink[j][k] = doc.VertLink[col][row];
      clip.ClipDevNum[j][k] = doc.MonDevNum[col][row];
      clip.ClipDevBit[j][k] = doc.MonDevBit[col][row];
      clip.ClipDevKind[j][k] = doc.MonDevKind[col][row];
      if (cut) ClearCell(doc, col, row);
    }
  }
  clip.ClipW = static_cast<int16_t>(b.col2 - b.col1);
  clip.ClipH = static_cast<int16_t>(b.row2 - b.row1);
  return true;
}

EditResult RowBlockCommands::BlockCopy() {
  if (Monitoring()) return EditResult::Ignored;
  return BlockToClipboard(false) ? EditResult::Done : EditResult::NoSelection;
}

EditResult RowBlockCommands::BlockCut() {
  if (Monitoring()) return EditResult::Ignored;
  if (!BlockToClipboard(true)) return EditResult::NoSelection;
  Changed();
  Repaint();
  return EditResult::Done;
}

namespace {

// Writes the block clipboard at (col, row), leaving out what lies beyond column 10 or row 1199.
void WriteBlock(ProgramDocument& doc, const compiler::Clipboard& clip, int col, int row) {
  for (int k = 0; k <= clip.ClipH && row + k < kProgramRows; ++k) {
    for (int j = 0; j <= clip.ClipW && col + j <= kOutputCol; ++j) {
      CellCopy cell;
      cell.type = clip.ClipType[j][k];
      cell.text = clip.ClipText[j][k];
      cell.link = clip.ClipLink[j][k];
      cell.devNum = clip.ClipDevNum[j][k];
      cell.devBit = clip.ClipDevBit[j][k];
      cell.devKind = clip.ClipDevKind[j][k];
      PutCell(doc, col + j, row + k, cell);
    }
  }
}

}  // namespace

EditResult RowBlockCommands::BlockPasteInsert() {
  if (Monitoring()) return EditResult::Ignored;
  ProgramDocument& doc = studio_.doc;
  const int col = ClampCol(doc.CurCol), row = ClampRow(doc.CurRow);
  const compiler::Clipboard& clip = studio_.editor.clipboard;
  if (!InsertRows(row, clip.ClipH + 1)) return EditResult::Refused;
  WriteBlock(doc, clip, col, row);
  Changed();
  Repaint();
  return EditResult::Done;
}

EditResult RowBlockCommands::BlockPasteOverlay() {
  if (Monitoring()) return EditResult::Ignored;
  ProgramDocument& doc = studio_.doc;
  const int col = ClampCol(doc.CurCol), row = ClampRow(doc.CurRow);
  const compiler::Clipboard& clip = studio_.editor.clipboard;
  compiler::PasteUndo& undo = studio_.editor.pasteUndo;
  undo.col = col;
  undo.row = row;
  undo.width = std::min(clip.ClipW + 1, kOutputCol + 1 - col);
  undo.height = std::min(clip.ClipH + 1, kProgramRows - row);
  undo.cells.clear();
  undo.cells.reserve(static_cast<size_t>(undo.width) * static_cast<size_t>(undo.height));
  for (int k = 0; k < undo.height; ++k) {
    for (int j = 0; j < undo.width; ++j) undo.cells.push_back(TakeCell(doc, col + j, row + k));
  }
  undo.valid = true;
  WriteBlock(doc, clip, col, row);
  Changed();
  Repaint();
  return EditResult::Done;
}

EditResult RowBlockCommands::BlockPasteUndo() {
  if (Monitoring()) return EditResult::Ignored;
  compiler::PasteUndo& undo = studio_.editor.pasteUndo;
  if (!undo.valid) return EditResult::Ignored;
  size_t i = 0;
  for (int k = 0; k < undo.height; ++k) {
    for (int j = 0; j < undo.width; ++j) PutCell(studio_.doc, undo.col + j, undo.row + k, undo.cells[i++]);
  }
  DropPasteUndo(studio_);
  Changed();
  Repaint();
  return EditResult::Done;
}

}  // namespace ladder
