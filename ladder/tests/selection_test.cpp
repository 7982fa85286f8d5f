#include "ladder/selection.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using ladder::BoardGeometry;
using ladder::kLeftButton;
using ladder::kNoButton;
using ladder::kRightButton;

// Default geometry: cells 720 x 560 twips, 300 twips between rows (pitch 860).
constexpr BoardGeometry kGeo{};

// The middle of cell (col, view row i).
double X(int col) { return (col + 1) * 720 + 360; }
double Y(int i) { return 560 + i * 860 + 200; }

TEST(CellUnderPointer, MarginsGapsAndRounding) {
  EXPECT_EQ(ladder::CellUnderPointer(10, Y(0), kGeo, 0).col, 0);      // left margin
  EXPECT_EQ(ladder::CellUnderPointer(20000, Y(0), kGeo, 0).col, 10);  // right of column 10
  EXPECT_EQ(ladder::CellUnderPointer(X(4), Y(0), kGeo, 0).col, 4);
  // The gap below a row belongs to that row: y = 560 + 860 - 1 is still row 0.
  EXPECT_EQ(ladder::CellUnderPointer(X(0), 1419, kGeo, 7).row, 7);
  EXPECT_EQ(ladder::CellUnderPointer(X(0), 1420, kGeo, 7).row, 8);
  // Halves round to even: 1439.5 -> 1440 (column 1), 1438.5 -> 1438 (column 0).
  EXPECT_EQ(ladder::CellUnderPointer(1439.5, Y(0), kGeo, 0).col, 1);
  EXPECT_EQ(ladder::CellUnderPointer(1438.5, Y(0), kGeo, 0).col, 0);
  // The band above the first shown row is the row above the view.
  EXPECT_EQ(ladder::CellUnderPointer(X(0), 100, kGeo, 5).row, 4);
}

class SelectionTest : public testing::Test {
 protected:
  void SetUp() override { studio = std::make_unique<compiler::Studio>(); }
  compiler::BlockSelection& sel() { return studio->editor.selection; }
  std::unique_ptr<compiler::Studio> studio;
};

TEST_F(SelectionTest, PressPlacesTheCursorAndAnchors) {
  studio->doc.TopRow = 10;
  const auto out = ladder::MousePress(*studio, kLeftButton, X(3), Y(2), kGeo);
  EXPECT_FALSE(out.eraseOld);
  EXPECT_EQ(studio->doc.CurCol, 3);
  EXPECT_EQ(studio->doc.CurRow, 12);
  EXPECT_EQ(out.curX, 4 * 720);
  EXPECT_EQ(out.curY, 560 + 2 * 860);
  EXPECT_EQ(sel().BlockCol1, 3);
  EXPECT_EQ(sel().BlockRow1, 12);
  EXPECT_FALSE(sel().BlockActive);
  // Above the first row with TopRow 0: row 0, cursor top at -Csai.
  studio->doc.TopRow = 0;
  const auto top = ladder::MousePress(*studio, kRightButton, X(0), 100, kGeo);
  EXPECT_EQ(studio->doc.CurRow, 0);
  EXPECT_EQ(top.curY, -300);
  EXPECT_TRUE(top.rightButton);
}

TEST_F(SelectionTest, DragStretchesAndPressEndsTheSelection) {
  // Moving without a button, or before any press, changes nothing.
  EXPECT_FALSE(ladder::MouseMove(*studio, kLeftButton, X(5), Y(5), kGeo).changed);
  ladder::MousePress(*studio, kLeftButton, X(2), Y(3), kGeo);
  EXPECT_FALSE(ladder::MouseMove(*studio, kNoButton, X(5), Y(5), kGeo).changed);
  EXPECT_FALSE(sel().BlockActive);
  // Moving within the anchor cell selects nothing yet.
  EXPECT_FALSE(ladder::MouseMove(*studio, kLeftButton, X(2) + 100, Y(3), kGeo).changed);

  auto d = ladder::MouseMove(*studio, kLeftButton, X(4), Y(5), kGeo);
  ASSERT_TRUE(d.changed);
  EXPECT_FALSE(d.eraseOld);
  EXPECT_TRUE(sel().BlockActive);
  EXPECT_EQ(d.status, " 2 :  3 To  4 :  5");

  d = ladder::MouseMove(*studio, kLeftButton, X(6), Y(5), kGeo);
  ASSERT_TRUE(d.changed);
  EXPECT_TRUE(d.eraseOld);
  EXPECT_EQ(d.old.col2, 4);
  EXPECT_EQ(d.now.col2, 6);

  // Back onto the anchor: still a (one-cell) selection.
  d = ladder::MouseMove(*studio, kLeftButton, X(2), Y(3), kGeo);
  ASSERT_TRUE(d.changed);
  EXPECT_TRUE(sel().BlockActive);
  EXPECT_EQ(d.status, " 2 :  3 To  2 :  3");

  // Another press removes the rectangle last drawn and ends the selection.
  ladder::MouseMove(*studio, kLeftButton, X(7), Y(8), kGeo);
  const auto p = ladder::MousePress(*studio, kLeftButton, X(0), Y(0), kGeo);
  EXPECT_TRUE(p.eraseOld);
  EXPECT_EQ(p.old.col1, 2);
  EXPECT_EQ(p.old.row1, 3);
  EXPECT_EQ(p.old.col2, 7);
  EXPECT_EQ(p.old.row2, 8);
  EXPECT_FALSE(sel().BlockActive);
}

TEST_F(SelectionTest, CornersStayWithinTheGrid) {
  studio->doc.TopRow = 1195;
  ladder::MousePress(*studio, kLeftButton, X(1), Y(10), kGeo);  // below row 1199
  EXPECT_EQ(studio->doc.CurRow, 1199);
  studio->doc.TopRow = 0;
  ladder::MouseMove(*studio, kLeftButton, -5000, -9000, kGeo);  // far above and left of the view
  EXPECT_EQ(sel().BlockRow2, 0);
  EXPECT_EQ(sel().BlockCol2, 0);
}

}  // namespace
