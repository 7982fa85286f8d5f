#pragma once
// What the ladder editor asks of the window around it: repaints, the operand box, the
// board's focus, the beep and the height of the board.

#include "platform/ansi_text.h"

namespace ladder {

class EditorHost {
 public:
  virtual ~EditorHost() = default;
  virtual void DrawLadder() = 0;  // full repaint from TopRow, without the cursor
  virtual void DrawCursor() = 0;  // the cursor box and its place in the status bar
  // The operand box: its text (CP949), the focus with the present text, a typed key that
  // takes the focus and replaces the text, and emptying it.
  virtual void SetOperandText(const platform::AnsiText& text) = 0;
  virtual void FocusOperandBox() = 0;
  virtual void TypeIntoOperandBox(char ch) = 0;
  virtual void ClearOperandBox() = 0;
  virtual void FocusBoard() = 0;
  virtual void Beep() = 0;
  virtual void SourceChanged() {}          // an edit made the program differ from its file
  virtual double BoardHeight() const = 0;  // twips
};

}  // namespace ladder
