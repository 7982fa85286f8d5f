#include "link/error_cell.h"

namespace plclink {

void ReportErrorCell(compiler::ProgramDocument& doc, ErrorCellView& view, platform::MessageSink* messages, int col,
                     int row, const platform::Message& message) {
  doc.SelectErrorCell(col, row);
  view.ShowErrorCell();
  if (messages) messages->Show(message);
}

}  // namespace plclink
