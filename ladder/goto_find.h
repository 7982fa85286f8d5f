#pragma once
// Go to a numbered row, and find the next cell whose text contains a word. Both move the
// cursor and the first shown row; the window then sets the scroll bar to the new first row
// and repaints.

#include <optional>
#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace ladder {

// The number at the start of a text as the go-to box reads it: leading blanks skipped, an
// optional sign, digits with an optional fraction and exponent, rounded to a whole number
// (a half to the even neighbour). No number, or one outside -32768..32767, reads as 0.
int ParseGotoNumber(std::string_view text);

enum class GotoResult {
  Close,     // 0 or no number: the window just closes
  Moved,     // the row is now the first shown, with the cursor in its first cell
  StayOpen,  // a number out of reach: the window keeps its text
};

// Enter in the go-to window. scrollMax is the ladder scroll bar's maximum (the END row,
// or more after scrolling): only rows above it can be reached.
GotoResult GotoLine(compiler::Studio& studio, std::string_view text, int scrollMax);

enum class FindResult {
  Close,     // empty text: the window closes, nothing else
  Found,     // the hit row is the first shown, the cursor on the hit cell
  NotFound,  // the "Not Found" message was shown; the next search starts at row 0
};

// Enter in the find window with the text as typed (UTF-8). Scans from the resume cell
// for a cell whose text contains the text upper-cased; stops at the END cell.
FindResult FindNext(compiler::Studio& studio, std::string_view typedUtf8);

}  // namespace ladder
