#include "ladder/alias_page.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/message_box.h"

namespace {

using ladder::AliasCommit;

TEST(AliasPage, LabelsAndTabs) {
  EXPECT_EQ(ladder::AliasLabel('P', 127), "   P15:7");
  EXPECT_EQ(ladder::AliasLabel('M', 10), "  M1:2");
  EXPECT_EQ(ladder::AliasLabel('K', 255), "   K31:7");
  EXPECT_EQ(ladder::AliasLabel('C', 5), "    C5");
  EXPECT_EQ(ladder::AliasLabel('T', 255), "    T255");
  EXPECT_EQ(ladder::AliasPageOfTab(1), 'P');
  EXPECT_EQ(ladder::AliasPageOfTab(5), 'T');
  EXPECT_EQ(ladder::AliasPageOfTab(6), 0);
  EXPECT_EQ(ladder::AliasPageOf('M')->entries, 1024);
  EXPECT_FALSE(ladder::AliasPageOf('D'));
}

TEST(AliasPage, LayoutEndsAtTheTableAndAtTheBottom) {
  auto studio = std::make_unique<compiler::Studio>();
  studio->doc.AliasP[127] = "LAMP";
  // Scrolled to 120 with room for more: P15:0..P15:7, every row ruled, black under bit 7.
  auto rows = ladder::LayOutAliasPage(studio->doc, 'P', 120, 5000, 240);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows.front().label, "   P15:0");
  EXPECT_EQ(rows.back().label, "   P15:7");
  EXPECT_EQ(rows.back().aliasUtf8, "LAMP");
  EXPECT_TRUE(rows.back().rule);
  EXPECT_EQ(rows.back().ruleColor, ladder::kAliasBlack);
  EXPECT_EQ(rows[6].ruleColor, ladder::kAliasGrey);
  EXPECT_EQ(rows[3].y, 3 * 240);
  // A page that does not fit: the row crossing the bottom is the last and has no rule.
  rows = ladder::LayOutAliasPage(studio->doc, 'M', 0, 1000, 240);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_TRUE(rows[3].rule);
  EXPECT_FALSE(rows[4].rule);
  // Counters and timers have grey rules only.
  rows = ladder::LayOutAliasPage(studio->doc, 'C', 0, 5000, 240);
  EXPECT_EQ(rows[7].ruleColor, ladder::kAliasGrey);
}

class AliasCommitTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
  }
  void Edit(char page, int entry) {
    studio->editor.aliasPage.AliasType = page;
    studio->editor.aliasPage.AliasSel = static_cast<int16_t>(entry);
  }
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
};

TEST_F(AliasCommitTest, AliasesAreUniqueIgnoringCaseAndBlanks) {
  studio->doc.AliasT[3] = "Motor";
  Edit('P', 0);
  EXPECT_EQ(ladder::CommitAlias(*studio, "Motor"), AliasCommit::Duplicate);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Already exsiting Word, Try another word !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(ladder::CommitAlias(*studio, "MOTOR"), AliasCommit::Duplicate);
  EXPECT_EQ(ladder::CommitAlias(*studio, " motor "), AliasCommit::Duplicate);
  EXPECT_TRUE(studio->doc.AliasP[0].empty());
  EXPECT_TRUE(studio->shell.SourceSaved);

  EXPECT_EQ(ladder::CommitAlias(*studio, " Start "), AliasCommit::Stored);
  EXPECT_EQ(studio->doc.AliasP[0], "Start");
  EXPECT_FALSE(studio->shell.SourceSaved);
  // Enter on the unchanged alias is no error: the entry does not collide with itself.
  EXPECT_EQ(ladder::CommitAlias(*studio, "Start"), AliasCommit::Stored);
  EXPECT_EQ(sink.shown.size(), 3u);

  // Korean text goes in as the program file's code page.
  Edit('M', 1023);
  EXPECT_EQ(ladder::CommitAlias(*studio, "가"), AliasCommit::Stored);
  EXPECT_EQ(studio->doc.AliasM[1023], "\xb0\xa1");
  EXPECT_EQ(ladder::AliasEntryText(*studio, 'M', 1023), "가");
  EXPECT_EQ(ladder::CommitAlias(*studio, "\xf0\x9f\x98\x80"), AliasCommit::Unencodable);
  EXPECT_EQ(studio->doc.AliasM[1023], "\xb0\xa1");
}

TEST_F(AliasCommitTest, EmptyTextClearsAndBadEntriesAreIgnored) {
  studio->doc.AliasC[9] = "Count";
  Edit('C', 9);
  EXPECT_EQ(ladder::CommitAlias(*studio, ""), AliasCommit::Cleared);
  EXPECT_TRUE(studio->doc.AliasC[9].empty());
  EXPECT_EQ(ladder::CommitAlias(*studio, ""), AliasCommit::Cleared);  // already empty
  Edit('P', 130);
  EXPECT_EQ(ladder::CommitAlias(*studio, "X"), AliasCommit::NoEntry);
  Edit(0, 0);
  EXPECT_EQ(ladder::CommitAlias(*studio, "X"), AliasCommit::NoEntry);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(AliasCommitTest, ClickPlacesTheEditorOnlyOnEntriesOfTheTable) {
  auto& state = studio->editor.aliasPage;
  EXPECT_FALSE(ladder::AliasClick(state, 100, 240, 4000, 255));  // no page chosen yet
  state.AliasType = 'P';
  state.AliasTopP = 120;
  auto place = ladder::AliasClick(state, 3 * 240 + 10, 240, 4000, 255);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->entry, 123);
  EXPECT_EQ(place->top, 720);
  EXPECT_EQ(place->left, 840);
  EXPECT_EQ(place->width, 4000 - 820 - 255 - 20);
  EXPECT_FALSE(ladder::AliasClick(state, 9 * 240, 240, 4000, 255));  // entry 129: beyond P15:7
  // Each page keeps its own first entry.
  state.AliasType = 'M';
  state.AliasTopM = 500;
  EXPECT_EQ(ladder::AliasClick(state, 0, 240, 4000, 255)->entry, 500);
  EXPECT_EQ(ladder::AliasTop(state, 'P'), 120);
}

}  // namespace
