// The image surface: twips to pixels, the inverting mode, text metrics, and pictures of a
// drawn program in both colour schemes saved as artifacts.

#include "ladder/ui/image_surface.h"

#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <memory>

#include "compiler/document.h"
#include "ladder/ladder_painter.h"

namespace ladder {
namespace {

QRgb At(ImageSurface& s, int xTwips, int yTwips) {
  return s.Image().pixel(xTwips / kTwipsPerPixel, yTwips / kTwipsPerPixel) & 0xFFFFFF;
}

TEST(ImageSurface, LinesBoxesAndColoursInTwips) {
  ImageSurface s(200, 100);
  EXPECT_EQ(s.Width(), 3000);
  EXPECT_EQ(s.Height(), 1500);
  s.Clear();
  s.Line(150, 300, 1500, 300, 0x0000FF);  // red in 0xBBGGRR
  EXPECT_EQ(At(s, 600, 300), 0xFF0000u);  // red in QRgb
  s.FilledBox(1500, 600, 1800, 900, 0xFF0000);
  EXPECT_EQ(At(s, 1650, 750), 0x0000FFu);
  EXPECT_EQ(At(s, 1800, 900), 0x0000FFu);  // the far corner is filled too
  s.SetBackColor(0);
  s.Clear();
  EXPECT_EQ(At(s, 600, 300), 0u);
}

TEST(ImageSurface, TextMetricsFollowTheFontAndPrintAdvancesALine) {
  ImageSurface s(400, 300);
  SurfaceFont f;
  f.size = 9;
  s.SetFont(f);
  const int w1 = s.TextWidth("M");
  EXPECT_GT(w1, 0);
  EXPECT_GT(s.TextWidth("MMMM"), 3 * w1);
  EXPECT_EQ(s.TextWidth("AB\rABCD"), s.TextWidth("ABCD"));
  EXPECT_GT(s.TextHeight("A\rB"), s.TextHeight("A"));
  s.SetTextPos(300, 450);
  s.Print("X");
  EXPECT_EQ(s.TextX(), 0);
  EXPECT_NEAR(s.TextY(), 450 + s.TextHeight("X"), 1);
  s.SetTextPos(300, 450);
  s.PrintInline("X");
  EXPECT_EQ(s.TextX(), 300 + s.TextWidth("X"));
  f.size = 18;
  s.SetFont(f);
  EXPECT_GT(s.TextWidth("M"), w1 * 3 / 2);
}

class DrawnProgram : public ::testing::Test {
 protected:
  DrawnProgram() : doc(std::make_unique<compiler::ProgramDocument>()) {
    auto& d = *doc;
    d.CellType[0][0] = compiler::kContactNO;
    d.CellText[0][0] = "P0:0";
    d.AliasP[0] = "Start";
    d.CellType[1][0] = compiler::kContactNC;
    d.CellText[1][0] = "P0:1";
    for (int c = 2; c < 10; ++c) d.CellType[c][0] = compiler::kWire;
    d.CellType[10][0] = compiler::kCoil;
    d.CellText[10][0] = "P2:0";
    d.VertLink[0][0] = 1;
    d.CellType[0][1] = compiler::kContactNO;
    d.CellText[0][1] = "P2:0";
    d.CellType[1][2] = compiler::kRisingEdge;
    d.CellType[0][2] = compiler::kContactNO;
    d.CellText[0][2] = "M1:2";
    for (int c = 2; c < 9; ++c) d.CellType[c][2] = compiler::kWire;
    d.CellType[9][2] = compiler::kBox;
    d.CellText[9][2] = "TON T0, 100";
    d.CellType[0][3] = compiler::kNot;
    d.CellType[1][3] = compiler::kFallingEdge;
    d.CellType[9][3] = compiler::kCounterBox;
    d.CellText[9][3] = "CTU C1, 10";
    d.CellType[2][5] = compiler::kInlineBox;
    d.CellText[0][5] = "'reset;line";
    for (int c = 0; c < 9; ++c) d.CellType[c][6] = compiler::kWire;
    d.CellType[9][6] = compiler::kBox;
    d.CellText[9][6] = "END";
  }
  std::unique_ptr<compiler::ProgramDocument> doc;
  LadderViewState view;
};

TEST_F(DrawnProgram, SelectionDrawnTwiceLeavesThePictureIdentical) {
  ImageSurface s(1000, 700);
  view.colors = ColorScheme::For(1);
  s.SetBackColor(view.colors.ViewBackColor);
  s.SetForeColor(view.colors.ViewLineColor);
  LadderPainter painter(s, *doc, view);
  painter.DrawLadder();
  const QImage before = s.Image().copy();
  painter.DrawBlockSelection(1, 0, 6, 3);
  EXPECT_NE(s.Image(), before);
  EXPECT_EQ(At(s, view.geo.X(3) + 100, view.geo.Y(1, 0) + 100), 0x000000u);  // white inverted
  painter.DrawBlockSelection(6, 3, 1, 0);                                    // the same rectangle from its other corner
  EXPECT_EQ(s.Image(), before);
  // A selection reaching far below the view is clipped, not wrapped around.
  painter.DrawBlockSelection(0, 0, 10, 1199);
  painter.DrawBlockSelection(0, 0, 10, 1199);
  EXPECT_EQ(s.Image(), before);
}

TEST_F(DrawnProgram, PicturesInBothSchemes) {
  const std::filesystem::path dir = std::filesystem::path(ZQV_BUILD_BIN_DIR).parent_path() / "artifacts";
  std::filesystem::create_directories(dir);
  for (int scheme : {1, 0}) {
    ImageSurface s(1100, 700);
    view.colors = ColorScheme::For(scheme);
    s.SetBackColor(view.colors.ViewBackColor);
    s.SetForeColor(view.colors.ViewLineColor);
    LadderPainter painter(s, *doc, view);
    painter.DrawLadder();
    view.CurX = view.geo.X(0);
    view.CurY = view.geo.Y(0, 0);
    painter.DrawCursor();
    // Rung of the first contact in the line colour, background elsewhere.
    const QRgb line = ImageSurface::ToQColor(view.colors.ViewLineColor).rgb() & 0xFFFFFF;
    const QRgb back = ImageSurface::ToQColor(view.colors.ViewBackColor).rgb() & 0xFFFFFF;
    EXPECT_EQ(At(s, view.geo.X(0) + 120, view.geo.Y(0, 0) + 400), line);
    EXPECT_EQ(At(s, view.geo.X(5) + 300, view.geo.Y(4, 0) + 300), back);
    const auto name = dir / (scheme == 1 ? "ladder_white.png" : "ladder_black.png");
    EXPECT_TRUE(s.Save(QString::fromStdString(name.string())));
  }
}

}  // namespace
}  // namespace ladder
