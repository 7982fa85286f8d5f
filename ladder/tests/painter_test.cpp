// The ladder painter and cell symbols, checked on the recording surface.

#include <gtest/gtest.h>

#include <memory>

#include "compiler/document.h"
#include "compiler/studio_state.h"
#include "ladder/cell_symbols.h"
#include "ladder/ladder_painter.h"
#include "ladder/recording_surface.h"

namespace ladder {
namespace {

using compiler::ProgramDocument;

TEST(LadderGeometry, FollowsTheUnitAndRoundsTheTenthToEven) {
  LadderGeometry g = LadderGeometry::FromUnit(80, 300);
  EXPECT_EQ(g.CellW, 720);
  EXPECT_EQ(g.CellH, 560);
  EXPECT_EQ(g.Pitch(), 860);
  EXPECT_EQ(g.Cunit10, 8);
  EXPECT_EQ(g.X(0), 720);
  EXPECT_EQ(g.X(10), 7920);
  EXPECT_EQ(g.Y(5, 3), 560 + 2 * 860);
  EXPECT_EQ(LadderGeometry::FromUnit(45, 300).Cunit10, 4);
  EXPECT_EQ(LadderGeometry::FromUnit(55, 300).Cunit10, 6);
  EXPECT_EQ(LadderGeometry::FromUnit(65, 300).Cunit10, 6);
  EXPECT_EQ(LadderGeometry::FromUnit(75, 300).Cunit10, 8);
  EXPECT_EQ(LadderGeometry::FromUnit(84, 300).Cunit10, 8);
  EXPECT_EQ(LadderGeometry::FromUnit(86, 300).Cunit10, 9);
  EXPECT_EQ(LadderGeometry::FromUnit(121, 300).Cunit10, 12);
  EXPECT_EQ(LadderGeometry::FromUnit(121, 550).CellW, 1089);
  EXPECT_EQ(LadderGeometry::FromUnit(41, 50).CellH, 287);
  EXPECT_EQ(LadderGeometry::FromUnit(500, 9999).Cunit, kMaxCunit);  // out of range is clamped
}

class Painter : public ::testing::Test {
 protected:
  Painter() : doc(std::make_unique<ProgramDocument>()), surface(12000, 9000) {}
  void Paint() {
    surface.ops.clear();
    LadderPainter(surface, *doc, view, &selection).DrawLadder();
  }
  // Lines drawn inside the band of cell (col, shown row i).
  std::vector<DrawOp> LinesIn(int x0, int x1, int y0, int y1) const {
    std::vector<DrawOp> out;
    for (const DrawOp& op : surface.Lines())
      if (std::min(op.x1, op.x2) >= x0 && std::max(op.x1, op.x2) <= x1 && std::min(op.y1, op.y2) >= y0 &&
          std::max(op.y1, op.y2) <= y1)
        out.push_back(op);
    return out;
  }
  std::unique_ptr<ProgramDocument> doc;
  LadderViewState view;
  compiler::BlockSelection selection;
  RecordingSurface surface;
};

TEST_F(Painter, ContactBarsRungAndPenWidths) {
  doc->CellType[0][0] = compiler::kContactNO;
  Paint();
  EXPECT_TRUE(surface.HasLine(720, 960, 960, 960));    // left lead on the rung
  EXPECT_TRUE(surface.HasLine(1200, 960, 1440, 960));  // right lead
  bool bar960 = false, bar1200 = false;
  for (const DrawOp& op : surface.Lines()) {
    if (op.x1 == 960 && op.x2 == 960 && std::min(op.y1, op.y2) == 800 && std::max(op.y1, op.y2) == 1120)
      bar960 = op.penWidth == 2;
    if (op.x1 == 1200 && op.x2 == 1200 && std::min(op.y1, op.y2) == 800 && std::max(op.y1, op.y2) == 1120)
      bar1200 = op.penWidth == 2;
  }
  EXPECT_TRUE(bar960);
  EXPECT_TRUE(bar1200);
  EXPECT_EQ(surface.PenWidth(), 1);
  EXPECT_EQ(surface.GetDrawMode(), DrawMode::Copy);
}

TEST_F(Painter, CoilHasNoRightLeadAndBoxesTheirBracketsAndClearing) {
  doc->CellType[10][0] = compiler::kCoil;
  doc->CellType[2][1] = compiler::kBox;
  doc->CellText[2][1] = "MOV K1 D0";
  Paint();
  const int x = view.geo.X(10), y = view.geo.Y(0, 0), u = 80;
  for (const DrawOp& op : LinesIn(x, x + 9 * u, y, y + 7 * u)) EXPECT_LE(std::max(op.x1, op.x2), x + 7 * u);
  EXPECT_TRUE(surface.HasLine(x, y + 5 * u, x + 2 * u, y + 5 * u));

  const int bx = view.geo.X(2), by = view.geo.Y(1, 0);
  EXPECT_TRUE(surface.HasLine(bx + 15 * u, by + 4 * u, bx + 15 * u, by + 6 * u));
  for (const DrawOp& op : LinesIn(bx, bx + 18 * u, by, by + 7 * u)) EXPECT_LE(std::max(op.x1, op.x2), bx + 15 * u);
  bool cleared = false;
  for (const DrawOp& op : surface.OfKind(DrawOp::FilledBox))
    if (op.x1 == bx + 8 && op.y1 == by && op.x2 == bx + 2 * 720 - 8 && op.y2 == by + 560)
      cleared = op.color == 0xFFFFFF;
  EXPECT_TRUE(cleared);
  const DrawOp* text = surface.FindText("MOV K1 D0");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->x1, bx + u);
  EXPECT_EQ(text->y1, by);
}

TEST_F(Painter, CounterBoxReachesIntoTheRowBelowWithItsLetters) {
  doc->CellType[9][0] = compiler::kCounterBox;
  Paint();
  const int x = view.geo.X(9), y = view.geo.Y(0, 0), u = 80, csai = 300;
  const DrawOp* c = surface.FindText("C");
  const DrawOp* r = surface.FindText("R");
  ASSERT_TRUE(c && r);
  EXPECT_EQ(c->x1, x + 4 * u);
  EXPECT_EQ(c->y1, y + 5 * u);
  EXPECT_EQ(r->x1, x + 4 * u);
  EXPECT_EQ(r->y1, y + 10 * u + csai);
  EXPECT_TRUE(surface.HasLine(x, y + 12 * u + csai, x + 3 * u, y + 12 * u + csai));  // R input lead
  EXPECT_TRUE(surface.HasLine(x + 15 * u, y + 4 * u, x + 15 * u, y + 13 * u + csai));
}

TEST_F(Painter, RowNumbersStopAtTheLastRowAndStartWithABlank) {
  doc->TopRow = 1195;
  Paint();
  EXPECT_NE(surface.FindText(" 1196"), nullptr);
  EXPECT_NE(surface.FindText(" 1200"), nullptr);
  EXPECT_EQ(surface.FindText(" 1201"), nullptr);
  // At 0.1 x CellW (72) " 1200" (5 x 130 twips here) would run into the rail at 712: it
  // moves left to end half a unit before the rail.
  EXPECT_EQ(surface.FindText(" 1200")->x1, 712 - 40 - 650);
  EXPECT_DOUBLE_EQ(surface.FindText(" 1200")->font.size, 9 * 1.2);
  EXPECT_TRUE(surface.FindText(" 1200")->font.bold);
  EXPECT_FALSE(surface.Font().bold);  // bold is off again for the cell texts
  // Nothing is painted below row 1199: the last rung of a wire row.
  doc->CellType[0][1199] = compiler::kWire;
  Paint();
  const int y = view.geo.Y(1199, 1195) + 400;
  EXPECT_TRUE(surface.HasLine(720, y, 1440, y));

  doc->TopRow = 0;
  Paint();
  EXPECT_EQ(surface.FindText(" 1")->x1, 216);  // 0.3 x CellW
  EXPECT_EQ(surface.FindText(" 1")->y1, 560 + 320);
  EXPECT_EQ(surface.FindText(" 10")->x1, 72);
  EXPECT_NE(surface.FindText(" 21"), nullptr);
  EXPECT_EQ(surface.FindText(" 22"), nullptr);  // 21 numbers whatever the height
}

TEST_F(Painter, BranchFromTheRowAboveTheFirstShownRow) {
  doc->VertLink[3][4] = 1;
  doc->TopRow = 5;
  Paint();
  const int x = view.geo.X(3) + 9 * 80;
  EXPECT_TRUE(surface.HasLine(x, 560 + 400, x, 560));
  doc->TopRow = 4;
  Paint();
  EXPECT_TRUE(surface.HasLine(x, 560 + 400, x, 560 + 860 + 400));  // whole branch down
  EXPECT_FALSE(surface.HasLine(x, 560 + 400, x, 560));
}

TEST_F(Painter, AliasBelowTheNameOrInItsPlace) {
  doc->AliasP[11] = "Start";
  doc->CellType[0][0] = compiler::kContactNO;
  doc->CellText[0][0] = "P1:3";
  doc->CellType[2][0] = compiler::kBox;  // no alias is looked up for boxes
  doc->CellText[2][0] = "P1:3";
  Paint();
  const DrawOp* alias = surface.FindText("Start");
  ASSERT_NE(alias, nullptr);
  EXPECT_EQ(alias->x1, 720 + 80);
  EXPECT_EQ(alias->y1, 560 + 560 + 30);
  EXPECT_EQ(alias->color, kAliasColor);
  int names = 0;
  for (const DrawOp& t : surface.Texts()) names += t.text == "P1:3";
  EXPECT_EQ(names, 2);

  view.AliasFirst = 1;
  Paint();
  ASSERT_NE(surface.FindText("Start"), nullptr);
  EXPECT_EQ(surface.FindText("Start")->y1, 560);
  names = 0;
  for (const DrawOp& t : surface.Texts()) names += t.text == "P1:3";
  EXPECT_EQ(names, 1);  // only the box's text

  doc->AliasP[11].clear();
  Paint();
  EXPECT_EQ(surface.FindText("P1:3")->y1, 560);  // no alias: the name
}

TEST_F(Painter, CommentsAreUpperCasedColouredAndBrokenAtSemicolons) {
  doc->CellText[1][0] = "'ab;cd";
  Paint();
  const DrawOp* first = surface.FindText("'AB");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->color, 0xFF0000u);
  EXPECT_EQ(first->x1, 1440 + 80);
  const int blank = surface.CharWidth();
  const int k = (80 + 1440) / blank;
  const DrawOp* second = surface.FindText(std::string(k + 1, ' ') + "CD");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->x1, 0);
  EXPECT_EQ(second->y1, 560 + surface.LineHeight());
  EXPECT_EQ(surface.ForeColor(), view.colors.ViewLineColor);

  view.colors = ColorScheme::For(0);
  Paint();
  EXPECT_EQ(surface.FindText("'AB")->color, 0x00FFFFu);
}

TEST_F(Painter, SchemesAndMargin) {
  Paint();
  EXPECT_EQ(surface.OfKind(DrawOp::FilledBox).size(), 1u);  // grey margin of the white scheme
  EXPECT_EQ(surface.OfKind(DrawOp::FilledBox)[0].color, kMarginColor);
  EXPECT_EQ(surface.OfKind(DrawOp::FilledBox)[0].x1, 13 * 720 + 8);
  EXPECT_TRUE(surface.HasLine(712, 10, 712, 9000));  // the rail
  view.colors = ColorScheme::For(0);
  Paint();
  EXPECT_TRUE(surface.OfKind(DrawOp::FilledBox).empty());
  EXPECT_EQ(surface.Lines()[0].color, 0xFFFFFFu);
  EXPECT_EQ(ColorScheme::For(7).ViewOnColor, 0xFF0000u);  // any index but 1 is black
}

TEST_F(Painter, SelectionIsInvertedAndLeavesNoInvertModeForLaterPainters) {
  selection = {5, 2, 3, 2, 0, 0, true};
  Paint();
  const auto boxes = surface.OfKind(DrawOp::FilledBox);
  ASSERT_EQ(boxes.size(), 2u);
  const DrawOp& sel = boxes[1];
  EXPECT_EQ(sel.mode, DrawMode::Invert);
  EXPECT_EQ(sel.x1, 4 * 720);
  EXPECT_EQ(sel.x2, 6 * 720 + 720);
  EXPECT_EQ(sel.y1, 560 + 2 * 860);
  EXPECT_EQ(sel.y2, 560 + 2 * 860 + 860);
  LadderPainter painter(surface, *doc, view);
  painter.DrawCursor();
  EXPECT_EQ(surface.ops.back().kind, DrawOp::Box);
  EXPECT_EQ(surface.ops.back().mode, DrawMode::Copy);
  EXPECT_EQ(surface.ops.back().penWidth, 3);
  EXPECT_EQ(surface.ops.back().color, kCursorColor);
}

TEST_F(Painter, CellsOfUnusedCodesShowTheirTextAndBranch) {
  doc->CellType[4][0] = 7;
  doc->CellText[4][0] = "x1";
  doc->VertLink[4][0] = 1;
  doc->CellType[5][0] = 4;
  Paint();
  EXPECT_NE(surface.FindText("X1"), nullptr);
  EXPECT_EQ(surface.Lines().size(), 2u);  // the rail and the branch
}

TEST(CursorStatus, ShowsOneBasedColumnAndRow) {
  auto doc = std::make_unique<ProgramDocument>();
  EXPECT_EQ(CursorStatusText(*doc), "X:1  Y:1");
  doc->CurCol = 10;
  doc->CurRow = 1199;
  EXPECT_EQ(CursorStatusText(*doc), "X:11  Y:1200");
}

}  // namespace
}  // namespace ladder
