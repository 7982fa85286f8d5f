// Random input, bounded: documents with any codes, links and text bytes are painted, and
// random key presses, operand texts and toolbar clicks keep the cursor and every write
// inside the program grid.

#include <gtest/gtest.h>

#include <random>

#include "editor_fixture_support.h"
#include "ladder/ladder_painter.h"
#include "ladder/operand_text.h"
#include "ladder/recording_surface.h"

namespace ladder {
namespace {

using namespace compiler;

std::string RandomBytes(std::mt19937& rng, int maxLen) {
  std::uniform_int_distribution<int> len(0, maxLen), byte(0, 255), pick(0, 3);
  static const std::string kText = "PMKTCFS0123456789:;' ,ENDTON";
  std::string s;
  for (int i = len(rng); i > 0; --i)
    s += pick(rng) == 0 ? static_cast<char>(byte(rng)) : kText[byte(rng) % kText.size()];
  return s;
}

TEST(RandomInput, AnyDocumentPaints) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> code(-3, 20), link(-1, 2), row(0, kGridRows - 1), col(0, kGridCols - 1);
  for (int round = 0; round < 40; ++round) {
    auto doc = std::make_unique<ProgramDocument>();
    for (int i = 0; i < 400; ++i) {
      const int c = col(rng), r = row(rng);
      doc->CellType[c][r] = static_cast<int16_t>(code(rng));
      doc->VertLink[c][r] = static_cast<int16_t>(link(rng));
      doc->CellText[c][r] = RandomBytes(rng, 24);
    }
    for (int i = 0; i < 50; ++i) doc->AliasP[i % 128] = RandomBytes(rng, 10);
    doc->TopRow = static_cast<int16_t>(std::uniform_int_distribution<int>(0, 1199)(rng));
    LadderViewState view;
    view.AliasFirst = round % 2;
    view.colors = ColorScheme::For(round % 3 == 0 ? 0 : 1);
    BlockSelection selection{static_cast<int16_t>(col(rng) % 11),
                             static_cast<int16_t>(row(rng)),
                             static_cast<int16_t>(col(rng) % 11),
                             static_cast<int16_t>(row(rng)),
                             0,
                             0,
                             round % 2 == 0};
    RecordingSurface surface(20000, 15000);
    LadderPainter painter(surface, *doc, view, &selection);
    painter.DrawLadder();
    painter.DrawCursor();
    EXPECT_FALSE(surface.ops.empty());
  }
}

TEST(RandomInput, OperandTextRulesNeverSplitACharacter) {
  std::mt19937 rng(99);
  auto doc = std::make_unique<ProgramDocument>();
  for (int i = 0; i < 2000; ++i) {
    const std::string s = RandomBytes(rng, 12);
    const std::string out = InsertBitColon(s);
    EXPECT_TRUE(out == s || out.size() == s.size() + 1);
    EXPECT_EQ(TrimBlanks(TrimBlanks(s)), TrimBlanks(s));
    DeviceOfAlias(*doc, s);
  }
}

class RandomEditing : public ::testing::Test, public testing::EditorFixture {};

TEST_F(RandomEditing, CursorAndWritesStayInsideTheProgram) {
  std::mt19937 rng(4321);
  static const int kKeys[] = {13,  32,  33,  34,  35,  36,  37,  38,  39,  40,  45,  46,  65,  77,  80,  48,  96, 105,
                              106, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 187, 188, 189, 190, 191, 222};
  std::uniform_int_distribution<int> key(0, std::size(kKeys) - 1), shift(0, 7), what(0, 9), top(0, 1199), tool(0, 12);
  for (int i = 0; i < 6000; ++i) {
    switch (what(rng)) {
      case 0:
        editor.CommitOperand(RandomBytes(rng, 14));
        break;
      case 1:
        editor.ToolbarClick(tool(rng));
        break;
      case 2:
        scroll.SetValue(top(rng));
        break;
      case 3:
        studio->doc.CurRow = static_cast<int16_t>(top(rng));
        break;
      default:
        Key(kKeys[key(rng)], shift(rng) == 0 ? 0 : shift(rng));
        break;
    }
    const auto& d = studio->doc;
    ASSERT_GE(d.CurCol, 0);
    ASSERT_LE(d.CurCol, kOutputCol);
    ASSERT_GE(d.CurRow, 0);
    ASSERT_LT(d.CurRow, kProgramRows);
    ASSERT_EQ(view.CurX, view.geo.X(d.CurCol));
  }
  const auto& d = studio->doc;
  for (int c = 0; c < kGridCols; ++c) EXPECT_EQ(d.CellType[c][kProgramRows], 0) << "spare row, column " << c;
  for (int r = 0; r < kGridRows; ++r) EXPECT_EQ(d.CellType[kGridCols - 1][r], 0) << "spare column, row " << r;
}

}  // namespace
}  // namespace ladder
