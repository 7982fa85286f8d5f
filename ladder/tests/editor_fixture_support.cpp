#include "editor_fixture_support.h"

namespace ladder::testing {

EditorFixture::EditorFixture() : studio(std::make_unique<compiler::Studio>()), editor(*studio, view, scroll, host) {
  studio->messages = &messages;
  scroll.SetMax(1199);
}

void EditorFixture::At(int col, int row, int top) {
  auto& d = studio->doc;
  d.CurCol = static_cast<int16_t>(col);
  d.CurRow = static_cast<int16_t>(row);
  if (top >= 0) {
    d.TopRow = static_cast<int16_t>(top);
    scroll.SetValueQuietly(top);
  }
  view.SyncCursor(d);
}

}  // namespace ladder::testing
