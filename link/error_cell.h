#pragma once
// A build step that failed at a ladder cell (a translation error, an assembler error found in
// the listing) is shown in one order: the document's cursor goes to the cell with two rows
// above it shown, the ladder view shows the cell marked and takes the keyboard, then the
// step's message comes.

#include "compiler/document.h"
#include "platform/message_box.h"

namespace plclink {

// The ladder view's side: shows the cell the document's cursor is on, scrolled to TopRow,
// marked "ERROR", with the keyboard focus.
class ErrorCellView {
 public:
  virtual ~ErrorCellView() = default;
  virtual void ShowErrorCell() = 0;
};

// Cursor to (col, row), the cell shown through `view`, then `message`.
void ReportErrorCell(compiler::ProgramDocument& doc, ErrorCellView& view, platform::MessageSink* messages, int col,
                     int row, const platform::Message& message);

}  // namespace plclink
