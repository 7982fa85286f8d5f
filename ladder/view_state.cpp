#include "ladder/view_state.h"

namespace ladder {

ColorScheme ColorScheme::For(int color) {
  ColorScheme s;
  if (color == 1) {
    s.Color = 1;
    s.ViewBackColor = 0xFFFFFF;
    s.ViewLineColor = 0x000000;
    s.ViewOnColor = 0x00FF00;
  } else {
    s.Color = 0;
    s.ViewBackColor = 0x000000;
    s.ViewLineColor = 0xFFFFFF;
    s.ViewOnColor = 0xFF0000;
  }
  return s;
}

void LadderViewState::SyncCursor(compiler::ProgramDocument& doc) {
  doc.CurCol = static_cast<int16_t>(std::clamp<int>(doc.CurCol, 0, compiler::kOutputCol));
  doc.CurRow = static_cast<int16_t>(std::clamp<int>(doc.CurRow, 0, compiler::kProgramRows - 1));
  doc.TopRow = static_cast<int16_t>(std::clamp<int>(doc.TopRow, 0, compiler::kProgramRows - 1));
  CurX = geo.X(doc.CurCol);
  CurY = geo.Y(doc.CurRow, doc.TopRow);
}

}  // namespace ladder
