// The key handler of the ladder board: cursor movement and scrolling, the element keys,
// Insert and Delete, the keys handed to the operand box, monitoring and the changed flag.

#include <gtest/gtest.h>

#include "compiler/tests/monitor_flag_support.h"
#include "editor_fixture_support.h"
#include "ladder/element_writes.h"

namespace ladder {
namespace {

using namespace compiler;

class Keyboard : public ::testing::Test, public testing::EditorFixture {};

TEST_F(Keyboard, DownMovesWithinTheViewScrollsAtItsFootAndStopsAtTheLastRow) {
  At(0, 0, 0);
  Key(vk::kDown);
  EXPECT_EQ(studio->doc.CurRow, 1);
  EXPECT_EQ(view.CurY, 560 + 860);
  At(0, 9, 0);  // last row shown on a 9000-twip board
  Key(vk::kDown);
  EXPECT_EQ(studio->doc.TopRow, 1);
  EXPECT_EQ(scroll.Value(), 1);
  EXPECT_EQ(studio->doc.CurRow, 10);  // kept its place on the screen
  EXPECT_EQ(view.CurY, 560 + 9 * 860);

  At(3, 1199, 1195);
  const int draws = host.ladderDraws;
  Key(vk::kDown);
  EXPECT_EQ(studio->doc.CurRow, 1199);
  EXPECT_EQ(studio->doc.TopRow, 1195);
  EXPECT_GT(host.ladderDraws, draws);  // repainted all the same
}

TEST_F(Keyboard, PagingMovesTheViewByEightAndTheCursorWithIt) {
  At(2, 3, 0);
  Key(vk::kPageDown);
  EXPECT_EQ(studio->doc.TopRow, 8);
  EXPECT_EQ(studio->doc.CurRow, 11);
  Key(vk::kPageUp);
  EXPECT_EQ(studio->doc.TopRow, 0);
  EXPECT_EQ(studio->doc.CurRow, 3);
  At(0, 1191, 1190);
  Key(vk::kPageDown);
  EXPECT_EQ(studio->doc.TopRow, 1190);
  EXPECT_EQ(studio->doc.CurRow, 1191);
  // The scroll maximum grows when paging passes it.
  scroll.SetMax(2);
  At(0, 0, 0);
  Key(vk::kPageDown);
  EXPECT_EQ(scroll.Max(), 9);
  EXPECT_EQ(scroll.Value(), 8);
}

TEST_F(Keyboard, RightAndLeftWrapAroundTheRow) {
  At(10, 9, 0);
  Key(vk::kRight);
  EXPECT_EQ(studio->doc.CurCol, 0);
  EXPECT_EQ(studio->doc.CurRow, 10);
  EXPECT_EQ(studio->doc.TopRow, 1);

  At(10, 1199, 1190);  // last row, at the foot of the view
  const int draws = host.ladderDraws;
  Key(vk::kRight);
  EXPECT_EQ(studio->doc.CurCol, 0);
  EXPECT_EQ(studio->doc.CurRow, 1199);
  EXPECT_GT(host.ladderDraws, draws);  // the cursor is drawn at its new column

  At(0, 0, 0);
  Key(vk::kLeft);
  EXPECT_EQ(studio->doc.CurCol, 10);
  EXPECT_EQ(studio->doc.CurRow, 0);
  At(0, 5, 5);
  Key(vk::kLeft);
  EXPECT_EQ(studio->doc.CurCol, 10);
  EXPECT_EQ(studio->doc.CurRow, 4);
  EXPECT_EQ(studio->doc.TopRow, 4);
  At(0, 6, 4);
  Key(vk::kLeft);
  EXPECT_EQ(studio->doc.CurCol, 10);
  EXPECT_EQ(studio->doc.CurRow, 5);
  Key(vk::kHome);
  EXPECT_EQ(studio->doc.CurCol, 0);
  Key(vk::kEnd);
  EXPECT_EQ(studio->doc.CurCol, 10);
  EXPECT_EQ(view.CurX, 11 * 720);
}

TEST_F(Keyboard, UpScrollsFromTheFirstShownRow) {
  At(1, 5, 5);
  Key(vk::kUp);
  EXPECT_EQ(studio->doc.TopRow, 4);
  EXPECT_EQ(studio->doc.CurRow, 4);
  At(1, 0, 0);
  Key(vk::kUp);
  EXPECT_EQ(studio->doc.CurRow, 0);
  At(1, 3, 0);
  Key(vk::kUp);
  EXPECT_EQ(studio->doc.CurRow, 2);
}

TEST_F(Keyboard, ScrollBarKeepsTheCursorOnItsScreenRowWithinTheProgram) {
  At(0, 2, 0);
  scroll.SetValue(10);
  EXPECT_EQ(studio->doc.TopRow, 10);
  EXPECT_EQ(studio->doc.CurRow, 12);
  EXPECT_EQ(view.CurY, 560 + 2 * 860);
  scroll.SetValue(1199);
  EXPECT_EQ(studio->doc.CurRow, 1199);  // not beyond the last row
  EXPECT_EQ(view.CurY, 560);
  // A cursor row outside the grid set from elsewhere is pulled back.
  studio->doc.CurRow = -3;
  Key(vk::kHome);
  EXPECT_EQ(studio->doc.CurRow, 0);
}

TEST_F(Keyboard, InsertShiftsTheRowRightUnlessTheOutputColumnIsTaken) {
  At(2, 0, 0);
  studio->doc.CellType[2][0] = kContactNO;
  studio->doc.CellText[2][0] = "P0:1";
  studio->doc.MonDevBit[2][0] = 1;
  studio->doc.CellType[9][0] = kContactNC;
  Key(vk::kInsert);
  EXPECT_EQ(Type(3, 0), kContactNO);
  EXPECT_EQ(Text(3, 0), "P0:1");
  EXPECT_EQ(studio->doc.MonDevBit[3][0], 1);
  EXPECT_EQ(Type(10, 0), kContactNC);
  EXPECT_EQ(Type(2, 0), kEmpty);
  EXPECT_EQ(studio->doc.MonDevBit[2][0], 0);

  Key(vk::kInsert);  // column 10 now holds an element
  EXPECT_EQ(Type(3, 0), kContactNO);

  At(0, 1, 0);
  studio->doc.CellType[9][1] = kBox;
  studio->doc.CellType[0][1] = kWire;
  Key(vk::kInsert);
  EXPECT_EQ(Type(0, 1), kWire);

  At(0, 2, 0);
  studio->doc.CellText[10][2] = "'note";  // a text alone in column 10 is kept
  studio->doc.CellType[0][2] = kWire;
  Key(vk::kInsert);
  EXPECT_EQ(Type(0, 2), kWire);
  EXPECT_EQ(Text(10, 2), "'note");
  studio->doc.CellText[10][2].clear();
  studio->doc.VertLink[10][2] = 1;
  Key(vk::kInsert);
  EXPECT_EQ(Type(0, 2), kWire);
}

TEST_F(Keyboard, DeletePullsTheOutputIntoTheRowUnlessABlockIsSelected) {
  At(4, 0, 0);
  studio->doc.CellType[4][0] = kContactNO;
  studio->doc.CellType[10][0] = kCoil;
  studio->doc.CellText[10][0] = "P2:0";
  studio->editor.selection.BlockActive = true;
  Key(vk::kDelete);
  EXPECT_EQ(Type(4, 0), kContactNO);
  studio->editor.selection.BlockActive = false;
  Key(vk::kDelete);
  EXPECT_EQ(Type(4, 0), kEmpty);
  EXPECT_EQ(Type(9, 0), kCoil);
  EXPECT_EQ(Text(9, 0), "P2:0");
  EXPECT_EQ(Type(10, 0), kEmpty);
  EXPECT_EQ(Text(10, 0), "");
  At(10, 0);
  Key(vk::kDelete);
  EXPECT_EQ(Type(9, 0), kCoil);
}

TEST_F(Keyboard, ElementKeys) {
  At(0, 0, 0);
  Key(vk::kF3);
  EXPECT_EQ(Type(0, 0), kContactNO);
  EXPECT_EQ(studio->editor.EditCellType, kContactNO);
  Key(vk::kF4);
  EXPECT_EQ(Type(0, 0), kContactNC);
  Key(vk::kF11);
  EXPECT_EQ(Type(0, 0), kRisingEdge);
  EXPECT_EQ(studio->editor.EditCellType, 0);
  Key(vk::kF12);
  EXPECT_EQ(Type(0, 0), kFallingEdge);
  Key(vk::kSlash);
  EXPECT_EQ(Type(0, 0), kNot);
  EXPECT_EQ(host.beeps, 0);
  EXPECT_EQ(studio->doc.CurCol, 0);  // these keys leave the cursor where it is

  studio->doc.VertLink[0][0] = 7;
  Key(vk::kF6);
  EXPECT_EQ(studio->doc.VertLink[0][0], 0);
  Key(vk::kF6);
  EXPECT_EQ(studio->doc.VertLink[0][0], 1);

  studio->doc.CellText[0][0] = "X";
  Key(vk::kF5);
  EXPECT_EQ(Type(0, 0), kWire);
  EXPECT_EQ(Text(0, 0), "");
  EXPECT_EQ(studio->doc.CurCol, 1);
  At(0, 0);
  Key(vk::kF5);
  EXPECT_EQ(Type(0, 0), kEmpty);

  At(4, 1);
  Key(vk::kF7);
  for (int c = 4; c <= 9; ++c) EXPECT_EQ(Type(c, 1), kWire) << c;
  EXPECT_EQ(Type(10, 1), kCoil);
  EXPECT_EQ(studio->doc.CurCol, 10);
  EXPECT_EQ(studio->editor.EditCellType, kCoil);

  At(10, 2);
  studio->doc.CellType[10][2] = kCoil;
  Key(vk::kF8);
  EXPECT_EQ(Type(9, 2), kBox);
  EXPECT_EQ(Type(10, 2), kEmpty);
  EXPECT_EQ(studio->doc.CurCol, 9);

  At(3, 3);
  Key(vk::kF8, vk::kShift);
  for (int c = 3; c <= 8; ++c) EXPECT_EQ(Type(c, 3), kWire) << c;
  EXPECT_EQ(Type(9, 3), kBox);
  EXPECT_EQ(studio->editor.EditCellType, kBox);

  At(5, 4);
  studio->doc.CellType[5][4] = kContactNO;
  studio->doc.CellText[5][4] = "P0:0";
  Key(vk::kSpace);
  EXPECT_EQ(Type(5, 4), kEmpty);
  EXPECT_EQ(Text(5, 4), "");
  EXPECT_EQ(studio->doc.CurCol, 6);
}

TEST_F(Keyboard, CounterBoxWithItsResetRung) {
  At(2, 4, 0);
  studio->doc.CellText[0][5] = "P0:3";
  studio->doc.CellText[1][5] = "'keep";
  studio->doc.CellText[5][5] = "'gone";
  Key(vk::kF9);
  for (int c = 2; c <= 8; ++c) EXPECT_EQ(Type(c, 4), kWire) << c;
  EXPECT_EQ(Type(9, 4), kCounterBox);
  EXPECT_EQ(Type(10, 4), kEmpty);
  EXPECT_EQ(Type(0, 5), kContactNO);
  EXPECT_EQ(Text(0, 5), "P0:3");
  EXPECT_EQ(Text(1, 5), "'keep");
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(Type(c, 5), kWire) << c;
  EXPECT_EQ(Text(5, 5), "");
  EXPECT_EQ(Type(9, 5), kEmpty);
  EXPECT_EQ(Type(10, 5), kEmpty);
  EXPECT_EQ(studio->doc.CurCol, 0);
  EXPECT_EQ(studio->doc.CurRow, 5);
  EXPECT_EQ(studio->editor.EditCellType, 0);

  At(0, 9, 0);  // at the foot of the view the box scrolls the view by one row
  Key(vk::kF9);
  EXPECT_EQ(studio->doc.CurRow, 10);
  EXPECT_EQ(studio->doc.TopRow, 1);
  EXPECT_EQ(scroll.Value(), 1);

  At(0, 1199, 1195);  // no room for its second row: nothing is written
  Key(vk::kF9);
  for (int c = 0; c <= 10; ++c) EXPECT_EQ(Type(c, 1199), kEmpty);
  EXPECT_EQ(studio->doc.CellType[9][1200], kEmpty);
  EXPECT_EQ(studio->doc.CurRow, 1199);
}

TEST_F(Keyboard, KeysHandedToTheOperandBoxAndTheBeep) {
  At(0, 0, 0);
  studio->doc.CellText[0][0] = "OLD";
  Key('A');
  EXPECT_EQ(host.box, "A");  // replaces the cell's text shown in the box
  EXPECT_TRUE(host.boxFocused);
  host = {};
  Key('A', vk::kShift);
  EXPECT_EQ(host.typed, "");
  Key('0');
  EXPECT_EQ(host.typed, "");
  Key('1');
  Key(vk::kNumpad0);
  Key(vk::kNumpad9);
  Key(106);  // keypad *
  Key(110);  // keypad .
  EXPECT_EQ(host.typed, "109");
  Key(vk::kEquals);
  Key(vk::kComma);
  Key(vk::kPeriod);
  Key(vk::kQuote);
  EXPECT_EQ(host.typed, "109=<>'");
  EXPECT_EQ(host.beeps, 0);
  Key(189);
  Key(192);
  EXPECT_EQ(host.beeps, 2);
  Key(vk::kF10);
  EXPECT_EQ(host.beeps, 2);

  host = {};
  Key(vk::kEnter);
  EXPECT_EQ(host.box, "OLD");  // Enter edits the cell's text
  EXPECT_TRUE(host.boxFocused);
  EXPECT_EQ(host.ladderDraws, 0);
}

TEST_F(Keyboard, ChangedFlagAndMonitoring) {
  studio->shell.SourceSaved = true;
  Key(vk::kHome);
  Key(vk::kEnd);
  Key(vk::kDown);
  EXPECT_TRUE(studio->shell.SourceSaved);
  Key(vk::kF10);
  EXPECT_FALSE(studio->shell.SourceSaved);
  studio->shell.SourceSaved = true;
  Key(vk::kEnter);
  EXPECT_FALSE(studio->shell.SourceSaved);

  studio->shell.SourceSaved = true;
  compiler::MonitorFlagForTests::Set(*studio, true);
  At(0, 0, 0);
  Key(vk::kF3);
  Key(vk::kEnd);
  Key('A');
  EXPECT_EQ(Type(0, 0), kEmpty);
  EXPECT_EQ(studio->doc.CurCol, 0);
  EXPECT_TRUE(host.typed.empty());
  EXPECT_TRUE(studio->shell.SourceSaved);
  Key(vk::kRight);
  Key(vk::kDown);
  EXPECT_EQ(studio->doc.CurCol, 1);
  EXPECT_EQ(studio->doc.CurRow, 1);
}

TEST(ElementWrites, WireFillsStopAtTheirColumn) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CurCol = 9;
  FillWireToBoxColumn(*doc);
  EXPECT_EQ(doc->CurCol, 9);
  EXPECT_EQ(doc->CellType[9][0], kEmpty);
  doc->CurCol = 7;
  doc->CellText[8][0] = "X";
  doc->VertLink[7][0] = 1;
  doc->CellType[9][0] = kCoil;
  FillWireToBoxColumn(*doc);
  EXPECT_EQ(doc->CellType[7][0], kWire);
  EXPECT_EQ(doc->CellType[8][0], kWire);
  EXPECT_EQ(doc->CellText[8][0], "");
  EXPECT_EQ(doc->VertLink[7][0], 0);
  EXPECT_EQ(doc->CellType[9][0], kEmpty);
  EXPECT_EQ(doc->CurCol, 9);
  doc->CurCol = 10;
  FillWireToCoilColumn(*doc);
  EXPECT_EQ(doc->CellType[10][0], kEmpty);
  doc->CurRow = 3;
  doc->CellType[4][3] = kContactNO;
  WriteEndLine(*doc);
  for (int c = 0; c <= 8; ++c) EXPECT_EQ(doc->CellType[c][3], kWire);
  EXPECT_EQ(doc->CellType[9][3], kBox);
  EXPECT_EQ(doc->CellText[9][3], "END");
  EXPECT_EQ(doc->CurCol, 9);
}

}  // namespace
}  // namespace ladder
