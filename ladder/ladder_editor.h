#pragma once
// The ladder editor: the cell cursor and the first row shown, the key handler of the
// board, the operand entry and the element toolbar. It changes the program document and
// asks its host to repaint; the scroll model's change handler is its own.

#include "compiler/studio_state.h"
#include "ladder/editor_host.h"
#include "ladder/scroll_model.h"
#include "ladder/view_state.h"
#include "platform/ansi_text.h"

namespace ladder {

// Key codes of the key handler (virtual-key numbering) and the modifier mask.
namespace vk {
constexpr int kEnter = 13, kSpace = 32, kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36;
constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kInsert = 45, kDelete = 46;
constexpr int kF3 = 114, kF4 = 115, kF5 = 116, kF6 = 117, kF7 = 118, kF8 = 119, kF9 = 120, kF10 = 121;
constexpr int kF11 = 122, kF12 = 123;
constexpr int kNumpad0 = 96, kNumpad9 = 105;
constexpr int kEquals = 187, kComma = 188, kPeriod = 190, kSlash = 191, kQuote = 222;
constexpr int kShift = 1, kCtrl = 2, kAlt = 4;
}  // namespace vk

// Element toolbar buttons, numbered as the toolbar numbers them.
enum ToolbarButton {
  kToolContactNO = 1,
  kToolContactNC,
  kToolWire,
  kToolLink,
  kToolCoil,
  kToolBox,
  kToolCounter,
  kToolRisingEdge,
  kToolFallingEdge,
  kToolNot,
  kToolEndLine,
};

class LadderEditor {
 public:
  // Takes over scroll.onChange.
  LadderEditor(compiler::Studio& studio, LadderViewState& view, ScrollModel& scroll, EditorHost& host);

  // A key pressed on the board: virtual-key code and modifier mask (1 Shift, 2 Ctrl, 4 Alt).
  void KeyDown(int keyCode, int shift);
  // The scroll bar moved to a new value: the cursor keeps its place on the screen.
  void OnScrollChange(int value);
  // Enter in the operand box with its text (CP949). Returns false when the text was
  // refused: the message is shown, nothing is stored and the box keeps its text.
  bool CommitOperand(const platform::AnsiText& boxText);
  // A text that cannot even be handed over (a character outside the code page).
  void RefuseOperand(const std::string& reasonEnglish, const std::string& reasonKorean);
  // Esc in the operand box.
  void CancelOperand();
  // An element toolbar button (1..11; other numbers only repaint).
  void ToolbarClick(int index);

  // Cursor cell put on the screen (after a change of the cursor or TopRow from outside).
  void SyncCursor() { view_.SyncCursor(doc()); }

  // While the studio monitors (Studio::monitor.MonitorOn()) only paging and the arrows act.
  bool Monitoring() const { return studio_.monitor.MonitorOn(); }

 private:
  compiler::ProgramDocument& doc() { return studio_.doc; }
  const platform::AnsiText& CursorText() { return doc().CellText[doc().CurCol][doc().CurRow]; }
  bool RowBelowFits() const;
  void Repaint();
  void ShowCellText();
  void MarkChanged();
  void ScrollTo(int top);
  void ScrollStep();
  void PageDown();
  void PageUp();
  void Down();
  void Up();
  void UpFrom(bool wrapToLastColumn);
  void Right();
  void Left();
  bool PlaceCounterBox();
  void EditKey(int keyCode, int shift);

  compiler::Studio& studio_;
  LadderViewState& view_;
  ScrollModel& scroll_;
  EditorHost& host_;
};

}  // namespace ladder
