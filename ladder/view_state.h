#pragma once
// What the ladder view shows besides the program: geometry, colour scheme, alias display,
// font and the cursor's position on the screen. The block selection is the studio's
// (compiler::EditorState::selection).

#include <algorithm>

#include "compiler/document.h"
#include "ladder/drawing_surface.h"
#include "ladder/ladder_geometry.h"

namespace ladder {

constexpr Color kAliasColor = 0xFF0000;      // blue
constexpr Color kCursorColor = 0x0000FF;     // red
constexpr Color kErrorColor = 0x0000FF;      // red
constexpr Color kMarginColor = 0xF8F8F8;     // grey right margin of the white scheme
constexpr Color kSelectionColor = 0xFFFFFF;  // inverting pen of the selection

struct ColorScheme {
  int Color = 1;  // 1 white background, 0 black
  ladder::Color ViewBackColor = 0xFFFFFF;
  ladder::Color ViewLineColor = 0x000000;
  ladder::Color ViewOnColor = 0x00FF00;
  // 1 gives the white scheme, any other value the black one.
  static ColorScheme For(int color);
  // Comments: blue on white, yellow on any other background.
  ladder::Color CommentColor() const { return ViewBackColor == 0xFFFFFF ? 0xFF0000 : 0x00FFFF; }
};

struct LadderViewState {
  LadderGeometry geo;
  ColorScheme colors;
  int AliasFirst = 0;  // 1: a device's alias is drawn in place of its name
  SurfaceFont font;
  // Left and top of the cursor cell in twips; always follow CurCol, CurRow and TopRow
  // (see SyncCursor).
  int CurX = 9 * kDefaultCunit;
  int CurY = 7 * kDefaultCunit;

  // Keeps the document's cursor within the grid (columns 0..10, rows 0..1199, TopRow
  // 0..1199) and recomputes CurX and CurY from it.
  void SyncCursor(compiler::ProgramDocument& doc);
};

}  // namespace ladder
