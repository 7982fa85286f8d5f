#pragma once
// A ladder editor on a studio with a host that records what the editor asked of it.

#include <memory>
#include <string>
#include <vector>

#include "compiler/studio_state.h"
#include "ladder/ladder_editor.h"

namespace ladder::testing {

struct RecordingHost : EditorHost {
  void DrawLadder() override { ++ladderDraws; }
  void DrawCursor() override { ++cursorDraws; }
  void SetOperandText(const platform::AnsiText& text) override { box = text; }
  void FocusOperandBox() override { boxFocused = true; }
  void TypeIntoOperandBox(char ch) override {
    box = std::string(1, ch);
    boxFocused = true;
    typed += ch;
  }
  void ClearOperandBox() override { box.clear(); }
  void FocusBoard() override {
    boxFocused = false;
    ++boardFocus;
  }
  void Beep() override { ++beeps; }
  void SourceChanged() override { ++changes; }
  double BoardHeight() const override { return height; }

  int ladderDraws = 0, cursorDraws = 0, beeps = 0, changes = 0, boardFocus = 0;
  bool boxFocused = false;
  std::string box, typed;
  double height = 9000;  // rows 0..8 of a default view fit
};

struct EditorFixture {
  EditorFixture();
  // Presses a key; returns nothing, inspect the document and the host.
  void Key(int code, int shift = 0) { editor.KeyDown(code, shift); }
  void At(int col, int row, int top = -1);
  int Type(int col, int row) const { return studio->doc.CellType[col][row]; }
  const std::string& Text(int col, int row) const { return studio->doc.CellText[col][row]; }

  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink messages;
  LadderViewState view;
  ScrollModel scroll;
  RecordingHost host;
  LadderEditor editor;
};

}  // namespace ladder::testing
