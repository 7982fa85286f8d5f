#include "ladder/ladder_editor.h"

#include "compiler/operands.h"
#include "ladder/element_writes.h"
#include "ladder/ladder_texts.h"
#include "ladder/operand_text.h"

namespace ladder {

namespace {

constexpr int kLastRow = compiler::kProgramRows - 1;

}  // namespace

LadderEditor::LadderEditor(compiler::Studio& studio, LadderViewState& view, ScrollModel& scroll, EditorHost& host)
    : studio_(studio), view_(view), scroll_(scroll), host_(host) {
  scroll_.onChange = [this](int value) { OnScrollChange(value); };
}

bool LadderEditor::RowBelowFits() const {
  return view_.CurY + 2 * view_.geo.CellH + view_.geo.Csai < host_.BoardHeight();
}

void LadderEditor::Repaint() {
  view_.SyncCursor(doc());
  host_.DrawLadder();
  host_.DrawCursor();
}

void LadderEditor::ShowCellText() { host_.SetOperandText(CursorText()); }

void LadderEditor::MarkChanged() {
  studio_.shell.SourceSaved = false;
  host_.SourceChanged();
}

void LadderEditor::OnScrollChange(int value) {
  auto& d = doc();
  d.TopRow = static_cast<int16_t>(value);
  // The cursor keeps its row on the screen (rows above the view count as the first).
  const int shown = view_.CurY / view_.geo.Pitch();
  d.CurRow = static_cast<int16_t>(std::min(std::max(shown, 0) + value, kLastRow));
  Repaint();
  host_.FocusBoard();
}

// Moves the view; when the scroll bar already stands there, repaints anyway so that a
// moved cursor is not left drawn at its old place.
void LadderEditor::ScrollTo(int top) {
  doc().TopRow = static_cast<int16_t>(top);
  if (!scroll_.SetValue(top)) Repaint();
}

void LadderEditor::ScrollStep() {
  const int top = doc().TopRow + 1;
  if (scroll_.Max() < top) scroll_.SetMax(top + 1);
  ScrollTo(top);
}

void LadderEditor::PageDown() {
  int top = doc().TopRow;
  if (doc().CurRow < kLastRow - 8) top += 8;
  if (scroll_.Max() < top) scroll_.SetMax(top + 1);
  if (top != doc().TopRow) ScrollTo(top);
  ShowCellText();
}

void LadderEditor::PageUp() {
  const int top = doc().TopRow > 8 ? doc().TopRow - 8 : 0;
  if (top != doc().TopRow) ScrollTo(top);
  ShowCellText();
}

void LadderEditor::Down() {
  auto& d = doc();
  if (RowBelowFits()) {
    if (d.CurRow < kLastRow) ++d.CurRow;
    Repaint();
  } else if (d.CurRow < kLastRow) {
    ScrollStep();
  } else {
    Repaint();
  }
  ShowCellText();
}

void LadderEditor::Up() { UpFrom(false); }

void LadderEditor::UpFrom(bool wrapToLastColumn) {
  auto& d = doc();
  if (view_.CurY <= view_.geo.CellH) {
    if (d.TopRow > 0)
      ScrollTo(d.TopRow - 1);
    else if (wrapToLastColumn)
      Repaint();
  } else {
    if (d.CurRow > 0) --d.CurRow;
    Repaint();
  }
  ShowCellText();
}

void LadderEditor::Right() {
  auto& d = doc();
  if (d.CurCol < compiler::kOutputCol) {
    ++d.CurCol;
    Repaint();
    ShowCellText();
    return;
  }
  d.CurCol = 0;
  view_.CurX = view_.geo.X(0);
  Down();
}

void LadderEditor::Left() {
  auto& d = doc();
  if (d.CurCol != 0) {
    --d.CurCol;
    Repaint();
    ShowCellText();
    return;
  }
  d.CurCol = compiler::kOutputCol;
  view_.CurX = view_.geo.X(compiler::kOutputCol);
  UpFrom(true);
}

bool LadderEditor::PlaceCounterBox() {
  auto& d = doc();
  if (!CounterBoxFits(d)) return false;  // the box's second row would lie outside the program
  FillWireToBoxColumn(d);
  if (d.CurCol == compiler::kOutputCol) d.CurCol = 9;
  const int c = d.CurCol, r = d.CurRow;
  d.CellType[c][r] = compiler::kCounterBox;
  d.CellType[c + 1][r] = compiler::kEmpty;
  d.CellText[c][r].clear();
  d.CellText[c + 1][r].clear();
  for (int k : {c, c + 1}) {
    d.CellType[k][r + 1] = compiler::kEmpty;
    d.CellText[k][r + 1].clear();
  }
  const bool fits = RowBelowFits();
  d.CurCol = 0;
  ++d.CurRow;
  if (!fits && d.TopRow < kLastRow) {
    ++d.TopRow;
    if (scroll_.Max() < d.TopRow) scroll_.SetMax(d.TopRow + 1);
    scroll_.SetValueQuietly(d.TopRow);  // the bar stays in step with the view
  }
  d.CellType[0][d.CurRow] = compiler::kContactNO;
  CursorRight(d);
  for (int i = 0; i < 8; ++i) {
    d.CellType[d.CurCol][d.CurRow] = compiler::kWire;
    d.CellType[d.CurCol + 1][d.CurRow] = compiler::kEmpty;
    d.CellText[d.CurCol + 1][d.CurRow].clear();
    CursorRight(d);
  }
  d.CurCol = 0;
  view_.SyncCursor(d);
  return true;
}

void LadderEditor::KeyDown(int keyCode, int shift) {
  auto& d = doc();
  view_.SyncCursor(d);
  const bool paging =
      keyCode == vk::kPageUp || keyCode == vk::kPageDown || (keyCode >= vk::kLeft && keyCode <= vk::kDown);
  if (Monitoring() && !paging) return;
  switch (keyCode) {
    case vk::kPageDown:
      PageDown();
      return;
    case vk::kPageUp:
      PageUp();
      return;
    case vk::kDown:
      Down();
      return;
    case vk::kUp:
      Up();
      return;
    case vk::kRight:
      Right();
      return;
    case vk::kLeft:
      Left();
      return;
    case vk::kHome:
      d.CurCol = 0;
      Repaint();
      ShowCellText();
      return;
    case vk::kEnd:
      d.CurCol = compiler::kOutputCol;
      Repaint();
      ShowCellText();
      return;
    default:
      break;
  }
  MarkChanged();
  if (keyCode == vk::kEnter) {
    ShowCellText();
    host_.FocusOperandBox();
    studio_.editor.EditCellType = 0;
    host_.DrawCursor();
    return;
  }
  EditKey(keyCode, shift);
}

void LadderEditor::EditKey(int keyCode, int shift) {
  auto& d = doc();
  int16_t& edit = studio_.editor.EditCellType;
  switch (keyCode) {
    case vk::kInsert:
      InsertCellAtCursor(d);
      break;
    case vk::kDelete:
      if (!studio_.editor.selection.BlockActive) DeleteCellAtCursor(d);
      break;
    case vk::kSpace:
      ClearCursorCell(d);
      edit = 0;
      break;
    case vk::kF3:
      SetCursorCode(d, compiler::kContactNO);
      edit = compiler::kContactNO;
      break;
    case vk::kF4:
      SetCursorCode(d, compiler::kContactNC);
      edit = compiler::kContactNC;
      break;
    case vk::kF5:
      ToggleWire(d);
      edit = 0;
      break;
    case vk::kF6:
      ToggleLink(d);
      edit = 0;
      break;
    case vk::kF7:
      PlaceCoil(d);
      edit = compiler::kCoil;
      break;
    case vk::kF8:
      PlaceBox(d, (shift & vk::kShift) != 0);
      edit = compiler::kBox;
      break;
    case vk::kF9:
      PlaceCounterBox();
      edit = 0;
      break;
    case vk::kF11:
      SetCursorCode(d, compiler::kRisingEdge);
      edit = 0;
      break;
    case vk::kF12:
      SetCursorCode(d, compiler::kFallingEdge);
      edit = 0;
      break;
    case vk::kSlash:
      SetCursorCode(d, compiler::kNot);
      edit = 0;
      break;
    default:
      break;
  }
  view_.SyncCursor(d);
  ShowCellText();

  if (keyCode >= 49 && keyCode <= 110 && keyCode != 91 && shift == 0) {
    if (keyCode >= vk::kNumpad0 && keyCode <= vk::kNumpad9)
      host_.TypeIntoOperandBox(static_cast<char>('0' + keyCode - vk::kNumpad0));
    else if (keyCode < vk::kNumpad0)
      host_.TypeIntoOperandBox(static_cast<char>(keyCode));
    // the other keypad keys (* + - . and the separator) type nothing
  }
  switch (keyCode) {
    case vk::kEquals:
      host_.TypeIntoOperandBox('=');
      break;
    case vk::kComma:
      host_.TypeIntoOperandBox('<');
      break;
    case vk::kPeriod:
      host_.TypeIntoOperandBox('>');
      break;
    case vk::kQuote:
      host_.TypeIntoOperandBox('\'');
      break;
    case vk::kSlash:
      break;
    default:
      if (keyCode > 128) host_.Beep();
      break;
  }
  Repaint();
}

bool LadderEditor::CommitOperand(const platform::AnsiText& boxText) {
  auto& d = doc();
  view_.SyncCursor(d);
  const int row = d.CurRow;
  const int type = d.CellType[d.CurCol][row];
  int16_t& edit = studio_.editor.EditCellType;
  const bool device = IsDeviceCode(type) || IsDeviceCode(edit);

  platform::AnsiText text(TrimBlanks(boxText));
  const platform::AnsiText aliased = device ? DeviceOfAlias(d, text) : platform::AnsiText();
  if (!aliased.empty()) {
    text = aliased;
  } else {
    if (device) text = InsertBitColon(text);
    std::string reason;
    if (compiler::CheckInstructionOperand(compiler::AnsiUpper(text), type, edit, reason)) {
      RefuseOperand(reason, reason);
      return false;
    }
  }

  if (type == compiler::kEmpty && !IsComment(text)) {
    switch (edit) {
      case compiler::kContactNO:
      case compiler::kContactNC:
      case compiler::kBox:
      case compiler::kFallingEdge:
      case compiler::kRisingEdge:
        SetCursorCode(d, edit);
        break;
      case compiler::kCoil:
        PlaceCoil(d);
        break;
      default:
        break;
    }
  }
  d.CellText[d.CurCol][row] = compiler::AnsiUpper(text);
  MarkChanged();
  host_.ClearOperandBox();
  host_.FocusBoard();
  CursorRight(d);
  Repaint();
  return true;
}

void LadderEditor::RefuseOperand(const std::string& reasonEnglish, const std::string& reasonKorean) {
  const bool korean = studio_.shell.KoreanMenu;
  platform::Message m;
  m.caption = texts::kErrorCaption;
  m.text = (korean ? texts::kSyntaxErrorKo : texts::kSyntaxError) + (korean ? reasonKorean : reasonEnglish);
  m.icon = platform::MsgIcon::Information;
  m.buttons = platform::MsgButtons::Ok;
  if (studio_.messages) studio_.messages->Show(m);
}

void LadderEditor::CancelOperand() {
  host_.ClearOperandBox();
  host_.FocusBoard();
}

void LadderEditor::ToolbarClick(int index) {
  auto& d = doc();
  view_.SyncCursor(d);
  int16_t& edit = studio_.editor.EditCellType;
  bool changed = true;
  switch (index) {
    case kToolContactNO:
      SetCursorCode(d, compiler::kContactNO);
      edit = compiler::kContactNO;
      break;
    case kToolContactNC:
      SetCursorCode(d, compiler::kContactNC);
      edit = compiler::kContactNC;
      break;
    case kToolWire:
      ToggleWire(d);
      edit = 0;
      break;
    case kToolLink:
      ToggleLink(d);
      edit = 0;
      break;
    case kToolCoil:
      PlaceCoil(d);
      edit = compiler::kCoil;
      break;
    case kToolBox:
      PlaceBox(d, false);
      edit = compiler::kBox;
      break;
    case kToolCounter:
      changed = PlaceCounterBox();
      edit = 0;
      break;
    case kToolRisingEdge:
      SetCursorCode(d, compiler::kRisingEdge);
      edit = 0;
      break;
    case kToolFallingEdge:
      SetCursorCode(d, compiler::kFallingEdge);
      edit = 0;
      break;
    case kToolNot:
      SetCursorCode(d, compiler::kNot);
      edit = 0;
      break;
    case kToolEndLine:
      WriteEndLine(d);
      edit = compiler::kBox;
      break;
    default:
      changed = false;
      break;
  }
  if (changed) MarkChanged();
  Repaint();
  host_.FocusBoard();
}

}  // namespace ladder
