// Row numbers in real fonts: at every cell size the size slider offers and in the fonts the
// font dialog offers, every row number, 1200 included, fits the column left of the rail,
// on screen and on paper.

#include "ladder/row_numbers.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <algorithm>
#include <cctype>
#include <memory>

#include "compiler/studio_state.h"
#include "ladder/ladder_painter.h"
#include "ladder/print_ladder.h"
#include "ladder/ui/image_surface.h"
#include "platform/tests/qt_test_app.h"

namespace ladder {
namespace {

struct Label {
  std::string text;
  int x, width;
  SurfaceFont font;
};

// Measures texts with the screen's fonts and keeps every printed line; draws nothing.
class MeasuringSurface : public ImageSurface, public PrintPages {
 public:
  MeasuringSurface() : ImageSurface(1, 1) {}
  void Line(int, int, int, int, Color) override {}
  void Box(int, int, int, int, Color) override {}
  void FilledBox(int, int, int, int, Color) override {}
  void Print(const std::string& utf8) override {
    printed.push_back({utf8, TextX(), TextWidth(utf8), Font()});
    SetTextPos(0, TextY() + TextHeight(utf8));
  }
  void NewPage() override {}
  void EndDocument() override {}
  std::string Failure() const override { return {}; }
  // The printed row numbers: texts of digits, with or without the leading blank.
  std::vector<Label> Numbers() const {
    std::vector<Label> out;
    for (const Label& l : printed) {
      const std::string digits =
          l.text.substr(l.text.find_first_not_of(' ') == std::string::npos ? 0 : l.text.find_first_not_of(' '));
      if (!digits.empty() &&
          std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        out.push_back(l);
    }
    return out;
  }
  std::vector<Label> printed;
};

struct RowNumbers : ::testing::Test {
  void SetUp() override { TestApp(); }
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();

  // Paints the background of the view from topRow with the font and cell size; the numbers.
  std::vector<Label> Screen(const SurfaceFont& font, int cunit, int topRow) {
    MeasuringSurface s;
    s.SetFont(font);
    LadderViewState view;
    view.geo = LadderGeometry::FromUnit(cunit, kDefaultCsai);
    studio->doc.TopRow = topRow;
    LadderPainter(s, studio->doc, view).DrawLadderBackground();
    EXPECT_EQ(s.Font().size, RoundHalfEven(font.size)) << "the cell texts get the whole size back";
    return s.Numbers();
  }
};

std::vector<SurfaceFont> OfferedFonts() {
  std::vector<SurfaceFont> fonts;
  for (const QString& family : QFontDatabase::families()) {
    for (bool bold : {false, true}) fonts.push_back({family.toStdString(), 9.0, bold, !bold});
  }
  for (int size : QFontDatabase::standardSizes()) fonts.push_back({"DejaVu Sans", double(size), size % 2 == 0, false});
  return fonts;
}

// The rail stands at CellW - Cunit10; no number reaches it.
TEST_F(RowNumbers, EveryNumberFitsItsColumnOnScreen) {
  const auto fonts = OfferedFonts();
  ASSERT_GT(fonts.size(), 20u);
  for (const SurfaceFont& font : fonts) {
    for (int slider = 0; slider <= 80; ++slider) {
      const LadderGeometry g = LadderGeometry::FromUnit(slider + 41, kDefaultCsai);
      const int rail = g.CellW - g.Cunit10;
      for (int top : {0, 1179}) {
        const std::vector<Label> numbers = Screen(font, g.Cunit, top);
        ASSERT_EQ(numbers.size(), 21u);
        for (const Label& n : numbers) {
          EXPECT_GE(n.x, 0) << font.name << " " << font.size << " u " << g.Cunit << " " << n.text;
          EXPECT_LT(n.x + n.width, rail) << font.name << " " << font.size << " u " << g.Cunit << " " << n.text;
          EXPECT_TRUE(n.font.bold);
        }
        if (top == 1179) {
          EXPECT_EQ(numbers.back().text, " 1200");
        }
      }
    }
  }
}

// Where the numbers fit as they are, they keep their size (1.2 times the whole point size)
// and their place (0.3 or 0.1 of a cell's width from the left).
TEST_F(RowNumbers, NumbersThatFitKeepTheirSizeAndPlace) {
  const std::vector<Label> numbers = Screen({"DejaVu Sans", 9.0, false, false}, 121, 0);
  ASSERT_EQ(numbers.size(), 21u);
  for (const Label& n : numbers) {
    EXPECT_DOUBLE_EQ(n.font.size, 9 * 1.2) << n.text;
    EXPECT_EQ(n.x, n.text.size() == 2 ? RoundHalfEven(0.3 * 9 * 121) : RoundHalfEven(0.1 * 9 * 121)) << n.text;
  }
}

// On paper the rail stands at CellW and the numbers in the printer's 9 point font left of it.
TEST_F(RowNumbers, EveryNumberFitsItsColumnOnPaper) {
  studio->doc.CellType[0][1199] = compiler::kBox;
  studio->doc.CellText[0][1199] = "END";
  for (int slider = 0; slider <= 80; ++slider) {
    const LadderGeometry g = LadderGeometry::FromUnit(slider + 41, kDefaultCsai);
    MeasuringSurface s;
    ASSERT_EQ(PrintLadder(*studio, g, s, s), PrintResult::Printed);
    const std::vector<Label> numbers = s.Numbers();
    ASSERT_EQ(numbers.size(), 1200u);
    EXPECT_EQ(numbers.back().text, "1200");
    for (const Label& n : numbers) {
      EXPECT_GE(n.x, 0) << g.Cunit << " " << n.text;
      EXPECT_LT(n.x + n.width, g.CellW) << g.Cunit << " " << n.text;
    }
  }
}

}  // namespace
}  // namespace ladder
