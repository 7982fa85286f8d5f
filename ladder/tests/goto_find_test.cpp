#include "ladder/goto_find.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "platform/message_box.h"

namespace {

using ladder::FindResult;
using ladder::GotoResult;

TEST(ParseGotoNumber, ReadsTheLeadingNumber) {
  EXPECT_EQ(ladder::ParseGotoNumber("12"), 12);
  EXPECT_EQ(ladder::ParseGotoNumber("  7abc"), 7);
  EXPECT_EQ(ladder::ParseGotoNumber("abc"), 0);
  EXPECT_EQ(ladder::ParseGotoNumber(""), 0);
  EXPECT_EQ(ladder::ParseGotoNumber("-5"), -5);
  EXPECT_EQ(ladder::ParseGotoNumber("2.5"), 2);  // a half goes to the even neighbour
  EXPECT_EQ(ladder::ParseGotoNumber("3.5"), 4);
  EXPECT_EQ(ladder::ParseGotoNumber("1e2"), 100);
  EXPECT_EQ(ladder::ParseGotoNumber("40000"), 0);
  EXPECT_EQ(ladder::ParseGotoNumber("-32768"), -32768);
  EXPECT_EQ(ladder::ParseGotoNumber("1e999"), 0);
}

TEST(ParseGotoNumber, SurvivesRandomText) {
  std::mt19937 rng(17);
  for (int i = 0; i < 3000; ++i) {
    std::string text(rng() % 24, ' ');
    for (char& c : text) c = "0123456789+-.eEdD \tx\xb0"[rng() % 21];
    const int n = ladder::ParseGotoNumber(text);
    EXPECT_GE(n, -32768);
    EXPECT_LE(n, 32767);
  }
}

class GotoFindTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
  }
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
};

TEST_F(GotoFindTest, GotoMovesOnlyToRowsAboveTheScrollMaximum) {
  auto& d = studio->doc;
  d.CurCol = 5;
  EXPECT_EQ(ladder::GotoLine(*studio, "1", 40), GotoResult::Moved);
  EXPECT_EQ(d.TopRow, 0);
  EXPECT_EQ(d.CurRow, 0);
  EXPECT_EQ(d.CurCol, 0);
  EXPECT_EQ(ladder::GotoLine(*studio, "0", 40), GotoResult::Close);
  EXPECT_EQ(ladder::GotoLine(*studio, "abc", 40), GotoResult::Close);
  EXPECT_EQ(ladder::GotoLine(*studio, "-5", 40), GotoResult::StayOpen);
  EXPECT_EQ(ladder::GotoLine(*studio, "40", 40), GotoResult::StayOpen);
  EXPECT_EQ(ladder::GotoLine(*studio, "39", 40), GotoResult::Moved);
  EXPECT_EQ(d.TopRow, 38);
  EXPECT_EQ(ladder::GotoLine(*studio, "1199", 5000), GotoResult::StayOpen);
}

TEST_F(GotoFindTest, FindContinuesAfterTheHitAndWrapsAfterAMiss) {
  auto& d = studio->doc;
  d.CellText[2][3] = "P0:1";
  d.CellText[7][3] = "P0:2";
  d.CellText[0][5] = "SETOUT P0:3";
  d.CellText[0][6] = "END";
  d.CellText[0][8] = "P0:4";   // after END: never found
  d.CellText[11][4] = "P0:9";  // the spare column is not searched
  EXPECT_EQ(ladder::FindNext(*studio, "p0"), FindResult::Found);
  EXPECT_EQ(d.CurCol, 2);
  EXPECT_EQ(d.CurRow, 3);
  EXPECT_EQ(d.TopRow, 3);
  EXPECT_EQ(studio->editor.find.FindWord, "p0");  // kept as typed
  EXPECT_EQ(ladder::FindNext(*studio, "p0"), FindResult::Found);
  EXPECT_EQ(d.CurCol, 7);
  EXPECT_EQ(ladder::FindNext(*studio, "p0"), FindResult::Found);
  EXPECT_EQ(d.CurRow, 5);
  EXPECT_EQ(d.CurCol, 0);
  EXPECT_EQ(ladder::FindNext(*studio, "p0"), FindResult::NotFound);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Not Found [p0] ");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ERROR !");
  EXPECT_EQ(studio->editor.find.FindRow, 0);
  EXPECT_EQ(ladder::FindNext(*studio, "P0"), FindResult::Found);  // from row 0 again
  EXPECT_EQ(d.CurRow, 3);
  EXPECT_EQ(d.CurCol, 2);
  EXPECT_EQ(ladder::FindNext(*studio, ""), FindResult::Close);
}

TEST_F(GotoFindTest, FindMissesLowerCaseCellsAndSpeaksKorean) {
  studio->doc.CellText[0][0] = "'comment";
  studio->doc.CellText[0][1] = "END";
  studio->shell.KoreanMenu = true;
  EXPECT_EQ(ladder::FindNext(*studio, "comment"), FindResult::NotFound);
  EXPECT_EQ(sink.shown.back().text, "comment을 찾을 수 없습니다. ");
  // A double-byte character is not matched by the tail of the one before it.
  studio->doc.CellText[0][0] = "\xb0\xa1\xb0\xa1";  // two CP949 characters
  EXPECT_EQ(ladder::FindNext(*studio, "가"), FindResult::Found);
  studio->editor.find = {};
  EXPECT_EQ(ladder::FindNext(*studio, "\u201c"), FindResult::NotFound);  // CP949 A1 B0
}

}  // namespace
