// The operand box's Enter and Esc, and the element toolbar.

#include <gtest/gtest.h>

#include "compiler/tests/monitor_flag_support.h"
#include "editor_fixture_support.h"
#include "ladder/operand_text.h"

namespace ladder {
namespace {

using namespace compiler;

class OperandEntry : public ::testing::Test, public testing::EditorFixture {};

TEST(OperandText, ColonTrimAndAlias) {
  EXPECT_EQ(InsertBitColon("m12"), "m1:2");
  EXPECT_EQ(InsertBitColon("P105"), "P10:5");
  EXPECT_EQ(InsertBitColon("k3"), "k3");
  EXPECT_EQ(InsertBitColon("M1"), "M1");
  EXPECT_EQ(InsertBitColon("MX1"), "MX1");
  EXPECT_EQ(InsertBitColon("T12"), "T12");
  EXPECT_EQ(InsertBitColon("M1:2"), "M1:2");
  EXPECT_EQ(InsertBitColon("M1\xB0\xA1"), "M1:\xB0\xA1");  // a double-byte last character stays whole
  EXPECT_EQ(TrimBlanks("  P0:1 "), "P0:1");
  EXPECT_EQ(TrimBlanks("   "), "");
  auto doc = std::make_unique<ProgramDocument>();
  EXPECT_EQ(DeviceOfAlias(*doc, ""), "");  // unused aliases are empty, but name nothing
  EXPECT_EQ(DeviceOfAlias(*doc, "  "), "");
  doc->AliasM[10] = "Pump";
  EXPECT_EQ(DeviceOfAlias(*doc, " pUMP "), "M1:2");
}

TEST_F(OperandEntry, DeviceCellsGetTheColonAndUpperCase) {
  At(0, 0, 0);
  Key(vk::kF3);
  ASSERT_TRUE(editor.CommitOperand("m12"));
  EXPECT_EQ(Text(0, 0), "M1:2");
  EXPECT_EQ(studio->doc.CurCol, 1);
  EXPECT_EQ(host.box, "");
  EXPECT_EQ(host.boardFocus, 1);

  At(1, 0);
  Key(vk::kF4);
  EXPECT_FALSE(editor.CommitOperand("k3"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Syntax Error : Colon Not Found ");
  EXPECT_EQ(messages.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(messages.shown[0].icon, platform::MsgIcon::Information);
  EXPECT_EQ(Text(1, 0), "");
  EXPECT_EQ(studio->doc.CurCol, 1);

  studio->shell.KoreanMenu = true;
  EXPECT_FALSE(editor.CommitOperand("P1:9"));
  EXPECT_EQ(messages.shown[1].text.rfind("키입력 에러 : ", 0), 0u);

  EXPECT_TRUE(editor.CommitOperand(" m12 "));  // blanks around do not hide the bit
  EXPECT_EQ(Text(1, 0), "M1:2");
}

TEST_F(OperandEntry, AliasesInAnyCaseAreStoredAsTheirDevice) {
  studio->doc.AliasP[11] = "Start";
  At(0, 0, 0);
  Key(vk::kF3);
  ASSERT_TRUE(editor.CommitOperand("START"));
  EXPECT_EQ(Text(0, 0), "P1:3");
  // An empty entry names no device, even though P0:0 has no alias.
  At(0, 0);
  ASSERT_TRUE(editor.CommitOperand(""));
  EXPECT_EQ(Text(0, 0), "");
}

TEST_F(OperandEntry, EmptyCellsTakeTheElementLastPlaced) {
  At(0, 0, 0);
  Key(vk::kF8);
  At(0, 1);
  ASSERT_TRUE(editor.CommitOperand("TON T0, 100"));
  EXPECT_EQ(Type(0, 1), kBox);
  EXPECT_EQ(Text(0, 1), "TON T0, 100");

  At(0, 2);
  Key(vk::kF3);
  At(1, 2);
  ASSERT_TRUE(editor.CommitOperand("'a note"));
  EXPECT_EQ(Type(1, 2), kEmpty);
  EXPECT_EQ(Text(1, 2), "'A NOTE");

  At(4, 3);
  Key(vk::kF7);
  At(5, 4);
  ASSERT_TRUE(editor.CommitOperand("p2:0"));
  for (int c = 5; c <= 9; ++c) EXPECT_EQ(Type(c, 4), kWire) << c;
  EXPECT_EQ(Type(10, 4), kCoil);
  EXPECT_EQ(Text(10, 4), "P2:0");
  EXPECT_EQ(Text(5, 4), "");

  Key(vk::kSpace);  // resets the element: the text alone is stored
  At(3, 5);
  ASSERT_TRUE(editor.CommitOperand("'x"));
  EXPECT_EQ(Type(3, 5), kEmpty);
}

TEST_F(OperandEntry, EveryStoredTextMarksTheSourceAndEscLeavesTheCell) {
  studio->shell.SourceSaved = true;
  At(2, 0, 0);
  studio->doc.CellText[2][0] = "KEEP";
  host.box = "typed";
  editor.CancelOperand();
  EXPECT_EQ(host.box, "");
  EXPECT_EQ(Text(2, 0), "KEEP");
  EXPECT_TRUE(studio->shell.SourceSaved);
  ASSERT_TRUE(editor.CommitOperand("mov d0 d1"));
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_EQ(host.changes, 1);
}

TEST_F(OperandEntry, ToolbarButtons) {
  studio->shell.SourceSaved = true;
  At(0, 0, 0);
  editor.ToolbarClick(kToolContactNO);
  EXPECT_EQ(Type(0, 0), kContactNO);
  EXPECT_EQ(studio->editor.EditCellType, kContactNO);
  EXPECT_FALSE(studio->shell.SourceSaved);
  editor.ToolbarClick(kToolRisingEdge);
  EXPECT_EQ(Type(0, 0), kRisingEdge);
  editor.ToolbarClick(kToolFallingEdge);
  EXPECT_EQ(Type(0, 0), kFallingEdge);
  editor.ToolbarClick(kToolNot);
  EXPECT_EQ(Type(0, 0), kNot);
  editor.ToolbarClick(kToolWire);
  EXPECT_EQ(Type(0, 0), kWire);
  EXPECT_EQ(studio->doc.CurCol, 1);
  editor.ToolbarClick(kToolLink);
  EXPECT_EQ(studio->doc.VertLink[1][0], 1);
  At(10, 0);
  editor.ToolbarClick(kToolBox);
  EXPECT_EQ(Type(9, 0), kBox);
  At(3, 1);
  editor.ToolbarClick(kToolCoil);
  EXPECT_EQ(Type(10, 1), kCoil);
  EXPECT_EQ(Type(3, 1), kWire);

  At(5, 2);
  for (int c = 0; c <= 10; ++c) studio->doc.CellType[c][2] = kContactNC;
  editor.ToolbarClick(kToolEndLine);
  for (int c = 0; c <= 8; ++c) EXPECT_EQ(Type(c, 2), kWire);
  EXPECT_EQ(Type(9, 2), kBox);
  EXPECT_EQ(Text(9, 2), "END");
  EXPECT_EQ(Type(10, 2), kEmpty);
  EXPECT_EQ(studio->editor.EditCellType, kBox);

  At(0, 3);
  editor.ToolbarClick(kToolCounter);
  EXPECT_EQ(Type(9, 3), kCounterBox);
  EXPECT_EQ(Type(0, 4), kContactNO);

  const int draws = host.ladderDraws;
  editor.ToolbarClick(0);  // repaints only
  editor.ToolbarClick(12);
  EXPECT_EQ(host.ladderDraws, draws + 2);
  EXPECT_EQ(host.typed, "");  // the toolbar does not touch the box

  compiler::MonitorFlagForTests::Set(*studio, true);  // the toolbar acts while monitoring
  At(0, 6);
  editor.ToolbarClick(kToolContactNC);
  EXPECT_EQ(Type(0, 6), kContactNC);
}

}  // namespace
}  // namespace ladder
