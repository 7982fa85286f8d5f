#include "ladder/ui/selection_mouse.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <memory>

#include "compiler/tests/monitor_flag_support.h"
#include "ladder/ui/ladder_view.h"

namespace {

// The middle of cell (col, view row i) at the default geometry, in twips.
double X(int col) { return (col + 1) * 720 + 360; }
double Y(int i) { return 560 + i * 860 + 200; }

TEST(SelectionMouse, PressAndDragOnTheBoardSelectAndMirrorIntoTheView) {
  auto studio = std::make_unique<compiler::Studio>();
  studio->doc.CellText[2][1] = "P0:1";
  ladder::LadderView view;
  view.setStudio(studio.get());
  view.resize(900, 600);
  int rightPresses = 0;
  ladder::ConnectSelectionMouse(view, [&] {
    ++rightPresses;
    return true;
  });
  QString status;
  QObject::connect(&view, &ladder::LadderView::statusText, [&](const QString& s) { status = s; });

  emit view.boardMousePressed(1, 0, X(2), Y(1));
  EXPECT_EQ(studio->doc.CurCol, 2);
  EXPECT_EQ(studio->doc.CurRow, 1);
  EXPECT_EQ(view.operandBox()->text(), "P0:1");
  emit view.boardMouseMoved(1, 0, X(4), Y(3));
  EXPECT_TRUE(studio->editor.selection.BlockActive);
  EXPECT_EQ(studio->editor.selection.BlockCol2, 4);
  EXPECT_EQ(studio->editor.selection.BlockRow2, 3);
  EXPECT_EQ(status, " 2 :  1 To  4 :  3");

  // A right press in monitor mode goes to the watch list; a press ends the selection.
  compiler::MonitorFlagForTests::Set(*studio, true);
  emit view.boardMousePressed(2, 0, X(0), Y(0));
  EXPECT_EQ(rightPresses, 1);
  EXPECT_FALSE(studio->editor.selection.BlockActive);
}

}  // namespace
