#include "ladder/row_block.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/tests/monitor_flag_support.h"
#include "platform/message_box.h"

namespace {

using compiler::Studio;
using ladder::EditResult;
using ladder::RowBlockCommands;

class RowBlockTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<Studio>();
    studio->messages = &sink;
  }
  // Row `row` gets a contact in column 0 named after `tag`, a coil in column 10 and a
  // branch link under column 3, with monitor attributes to follow.
  void FillRow(int row, const std::string& tag) {
    auto& d = studio->doc;
    d.CellType[0][row] = compiler::kContactNO;
    d.CellText[0][row] = tag;
    d.MonDevNum[0][row] = static_cast<int16_t>(row + 1);
    d.MonDevBit[0][row] = 3;
    d.MonDevKind[0][row] = 6;
    d.VertLink[3][row] = 1;
    d.CellType[10][row] = compiler::kCoil;
    d.CellText[10][row] = "M" + tag;
  }
  std::string Tag(int row) const { return studio->doc.CellText[0][row]; }
  void Select(int c1, int r1, int c2, int r2) {
    auto& s = studio->editor.selection;
    s.BlockCol1 = static_cast<int16_t>(c1);
    s.BlockRow1 = static_cast<int16_t>(r1);
    s.BlockCol2 = static_cast<int16_t>(c2);
    s.BlockRow2 = static_cast<int16_t>(r2);
    s.BlockActive = true;
  }
  void Cursor(int col, int row) {
    studio->doc.CurCol = static_cast<int16_t>(col);
    studio->doc.CurRow = static_cast<int16_t>(row);
  }

  std::unique_ptr<Studio> studio;
  platform::RecordingMessageSink sink;
};

TEST_F(RowBlockTest, CopyLineThenRestoreGivesRowsInReverseAndMarksChange) {
  RowBlockCommands cmd(*studio);
  for (int r = 0; r < 3; ++r) {
    FillRow(r, "R" + std::to_string(r));
    Cursor(0, r);
    EXPECT_EQ(cmd.CopyLine(), EditResult::Done);
  }
  EXPECT_EQ(cmd.RowStackCount(), 3);
  EXPECT_TRUE(studio->shell.SourceSaved);  // copying changes nothing
  Cursor(0, 10);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(cmd.RestoreDeletedLine(), EditResult::Done);
  // Each restore inserts at the cursor row, pushing the earlier ones down.
  EXPECT_EQ(Tag(10), "R0");
  EXPECT_EQ(Tag(11), "R1");
  EXPECT_EQ(Tag(12), "R2");
  EXPECT_EQ(studio->doc.MonDevBit[0][10], 3);
  EXPECT_EQ(studio->doc.VertLink[3][11], 1);
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_EQ(cmd.RestoreDeletedLine(), EditResult::Ignored);  // stack empty
}

TEST_F(RowBlockTest, DeleteLineMovesRowsUpAndRestoresThem) {
  RowBlockCommands cmd(*studio);
  FillRow(4, "A");
  FillRow(5, "B");
  FillRow(1199, "Z");
  Cursor(0, 4);
  EXPECT_EQ(cmd.DeleteLine(), EditResult::Done);
  EXPECT_EQ(Tag(4), "B");
  EXPECT_EQ(Tag(1198), "Z");
  EXPECT_TRUE(ladder::RowIsEmpty(studio->doc, 1199));
  EXPECT_TRUE(cmd.TakeRowsChanged());  // the view repaints
  EXPECT_FALSE(cmd.TakeRowsChanged());
  EXPECT_EQ(cmd.RestoreDeletedLine(), EditResult::Done);
  EXPECT_EQ(Tag(4), "A");
  EXPECT_EQ(Tag(5), "B");
  EXPECT_EQ(Tag(1199), "Z");

  Cursor(0, 1199);
  EXPECT_EQ(cmd.DeleteLine(), EditResult::Done);  // the last row is pushed and cleared
  EXPECT_TRUE(ladder::RowIsEmpty(studio->doc, 1199));
  EXPECT_EQ(cmd.RowStackCount(), 1);
}

TEST_F(RowBlockTest, RowStackIsBoundedAndKeepsTheRowWhenFull) {
  RowBlockCommands cmd(*studio);
  FillRow(0, "A");
  Cursor(0, 0);
  for (int i = 0; i < ladder::kRowStackCapacity; ++i) ASSERT_EQ(cmd.CopyLine(), EditResult::Done);
  EXPECT_EQ(cmd.CopyLine(), EditResult::Refused);
  EXPECT_EQ(cmd.DeleteLine(), EditResult::Refused);
  EXPECT_EQ(Tag(0), "A");
  EXPECT_EQ(cmd.RowStackCount(), ladder::kRowStackCapacity);
}

TEST_F(RowBlockTest, RowsNeverFallOffTheGrid) {
  RowBlockCommands cmd(*studio);
  FillRow(1199, "Z");
  FillRow(3, "C");
  Cursor(0, 5);
  EXPECT_EQ(cmd.InsertBlankLine(), EditResult::Refused);
  EXPECT_EQ(cmd.DuplicateLine(), EditResult::Refused);
  EXPECT_EQ(cmd.CopyLine(), EditResult::Done);
  EXPECT_EQ(cmd.RestoreDeletedLine(), EditResult::Refused);
  EXPECT_EQ(cmd.RowStackCount(), 1);  // a refused restore keeps its row
  studio->editor.clipboard.ClipH = 0;
  EXPECT_EQ(cmd.BlockPasteInsert(), EditResult::Refused);
  EXPECT_EQ(Tag(1199), "Z");
  EXPECT_TRUE(studio->shell.SourceSaved);

  // With the last rows empty the same commands go through.
  studio->doc.CellType[0][1199] = 0;
  studio->doc.CellText[0][1199].clear();
  studio->doc.CellText[10][1199].clear();
  studio->doc.CellType[10][1199] = 0;
  studio->doc.VertLink[3][1199] = 0;
  EXPECT_EQ(cmd.InsertBlankLine(), EditResult::Done);
  EXPECT_EQ(Tag(3), "C");
}

TEST_F(RowBlockTest, DuplicateLineCopiesTheShapeOfTheRowAbove) {
  RowBlockCommands cmd(*studio);
  FillRow(4, "A");
  FillRow(5, "B");
  Cursor(0, 0);
  EXPECT_EQ(cmd.DuplicateLine(), EditResult::Ignored);
  Cursor(2, 5);
  EXPECT_EQ(cmd.DuplicateLine(), EditResult::Done);
  const auto& d = studio->doc;
  EXPECT_EQ(d.CellType[0][5], compiler::kContactNO);
  EXPECT_EQ(d.CellType[10][5], compiler::kCoil);
  EXPECT_EQ(d.VertLink[3][5], 1);
  EXPECT_EQ(d.MonDevNum[0][5], 5);
  EXPECT_TRUE(d.CellText[0][5].empty());
  EXPECT_TRUE(d.CellText[10][5].empty());
  EXPECT_EQ(Tag(6), "B");
}

TEST_F(RowBlockTest, BlockCopyNeedsASelectionAndIgnoresDragDirection) {
  RowBlockCommands cmd(*studio);
  sink.shown.clear();
  EXPECT_EQ(cmd.BlockCopy(), EditResult::NoSelection);
  EXPECT_EQ(cmd.BlockCut(), EditResult::NoSelection);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].text, "Block Select First !!!");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ERROR !");
  studio->shell.KoreanMenu = true;
  cmd.BlockCopy();
  EXPECT_EQ(sink.shown.back().text, "먼저 블록선택을 하세요!");

  FillRow(7, "A");
  FillRow(8, "B");
  Select(10, 8, 0, 7);  // dragged right to left, bottom to top
  ASSERT_EQ(cmd.BlockCopy(), EditResult::Done);
  const auto& clip = studio->editor.clipboard;
  EXPECT_EQ(clip.ClipW, 10);
  EXPECT_EQ(clip.ClipH, 1);
  EXPECT_EQ(clip.ClipText[0][0], "A");
  EXPECT_EQ(clip.ClipText[10][1], "MB");
  EXPECT_EQ(clip.ClipDevBit[0][1], 3);
  EXPECT_TRUE(studio->editor.selection.BlockActive);
  EXPECT_TRUE(studio->shell.SourceSaved);
}

TEST_F(RowBlockTest, CutClearsTheBlockAndRowPushesLeaveTheClipboardAlone) {
  RowBlockCommands cmd(*studio);
  FillRow(2, "A");
  Select(0, 2, 3, 2);
  ASSERT_EQ(cmd.BlockCut(), EditResult::Done);
  EXPECT_EQ(studio->doc.CellType[0][2], 0);
  EXPECT_EQ(studio->doc.VertLink[3][2], 0);
  EXPECT_EQ(studio->doc.CellText[10][2], "MA");  // outside the block
  EXPECT_FALSE(studio->shell.SourceSaved);
  FillRow(9, "X");
  Cursor(0, 9);
  cmd.CopyLine();
  EXPECT_EQ(studio->editor.clipboard.ClipText[0][0], "A");
}

TEST_F(RowBlockTest, PasteClipsAtTheRightEdgeAndTheLastRow) {
  RowBlockCommands cmd(*studio);
  for (int c = 0; c < 4; ++c) studio->doc.CellText[c][0] = "W" + std::to_string(c);
  Select(0, 0, 3, 1);
  ASSERT_EQ(cmd.BlockCopy(), EditResult::Done);
  Cursor(9, 20);
  ASSERT_EQ(cmd.BlockPasteInsert(), EditResult::Done);
  EXPECT_EQ(studio->doc.CellText[9][20], "W0");
  EXPECT_EQ(studio->doc.CellText[10][20], "W1");
  EXPECT_TRUE(studio->doc.CellText[11][20].empty());  // the spare column stays untouched

  Cursor(0, 1199);
  ASSERT_EQ(cmd.BlockPasteOverlay(), EditResult::Done);  // two rows high, one fits
  EXPECT_EQ(studio->doc.CellText[3][1199], "W3");
  EXPECT_TRUE(studio->doc.CellText[0][1200].empty());
  EXPECT_EQ(cmd.BlockPasteUndo(), EditResult::Done);
  EXPECT_TRUE(ladder::RowIsEmpty(studio->doc, 1199));
}

TEST_F(RowBlockTest, OverlayUndoRestoresWhereThePasteWasOnce) {
  RowBlockCommands cmd(*studio);
  FillRow(0, "A");
  FillRow(1, "B");
  FillRow(30, "P");
  FillRow(31, "Q");
  EXPECT_FALSE(cmd.CanUndoPaste());
  EXPECT_EQ(cmd.BlockPasteUndo(), EditResult::Ignored);
  Select(0, 0, 10, 1);
  cmd.BlockCopy();
  Cursor(0, 30);
  ASSERT_EQ(cmd.BlockPasteOverlay(), EditResult::Done);
  EXPECT_EQ(Tag(30), "A");
  EXPECT_EQ(Tag(31), "B");
  EXPECT_TRUE(cmd.CanUndoPaste());
  Cursor(5, 100);  // the cursor moved away since the paste
  ASSERT_EQ(cmd.BlockPasteUndo(), EditResult::Done);
  EXPECT_EQ(Tag(30), "P");
  EXPECT_EQ(Tag(31), "Q");
  EXPECT_EQ(studio->doc.MonDevNum[0][31], 32);
  EXPECT_TRUE(ladder::RowIsEmpty(studio->doc, 100));
  EXPECT_FALSE(cmd.CanUndoPaste());
  EXPECT_EQ(cmd.BlockPasteUndo(), EditResult::Ignored);

  Cursor(0, 30);
  cmd.BlockPasteOverlay();
  RowBlockCommands::DropPasteUndo(*studio);  // a new program came in
  EXPECT_FALSE(cmd.CanUndoPaste());
}

TEST_F(RowBlockTest, EveryCommandIsANoOpWhileMonitoring) {
  RowBlockCommands cmd(*studio);
  compiler::MonitorFlagForTests::Set(*studio, true);
  FillRow(3, "A");
  Cursor(0, 3);
  Select(0, 3, 2, 3);
  studio->editor.rowStack.rows.resize(1);
  EXPECT_EQ(cmd.DeleteLine(), EditResult::Ignored);
  EXPECT_EQ(cmd.InsertBlankLine(), EditResult::Ignored);
  EXPECT_EQ(cmd.RestoreDeletedLine(), EditResult::Ignored);
  EXPECT_EQ(cmd.CopyLine(), EditResult::Ignored);
  EXPECT_EQ(cmd.DuplicateLine(), EditResult::Ignored);
  EXPECT_EQ(cmd.BlockCopy(), EditResult::Ignored);
  EXPECT_EQ(cmd.BlockCut(), EditResult::Ignored);
  EXPECT_EQ(cmd.BlockPasteInsert(), EditResult::Ignored);
  EXPECT_EQ(cmd.BlockPasteOverlay(), EditResult::Ignored);
  EXPECT_EQ(cmd.BlockPasteUndo(), EditResult::Ignored);
  EXPECT_EQ(Tag(3), "A");
  EXPECT_EQ(cmd.RowStackCount(), 1);
  EXPECT_FALSE(cmd.TakeRowsChanged());
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_TRUE(studio->shell.SourceSaved);
}

TEST(NormalisedBlock, ClampsCornersToTheGrid) {
  compiler::BlockSelection s;
  s.BlockCol1 = 12;
  s.BlockRow1 = 1300;
  s.BlockCol2 = -1;
  s.BlockRow2 = -4;
  const ladder::BlockRect b = ladder::NormalisedBlock(s);
  EXPECT_EQ(b.col1, 0);
  EXPECT_EQ(b.row1, 0);
  EXPECT_EQ(b.col2, 10);
  EXPECT_EQ(b.row2, 1199);
}

}  // namespace
