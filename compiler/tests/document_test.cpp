#include "compiler/document.h"

#include <gtest/gtest.h>

#include <memory>

#include "compiler/studio_state.h"

using namespace compiler;

TEST(ProgramDocument, FindEndLineFindsOnlyExactEndInsideTheProgram) {
  auto studio = std::make_unique<Studio>();
  ProgramDocument& doc = studio->doc;
  doc.EndRow = 5;

  EXPECT_TRUE(studio->FindEndLine());
  EXPECT_EQ(doc.EndRow, 5);

  doc.CellText[11][3] = "END";    // spare column
  doc.CellText[4][1200] = "END";  // spare row
  doc.CellText[2][7] = "end";
  doc.CellText[2][8] = "END ";
  EXPECT_TRUE(studio->FindEndLine());
  EXPECT_EQ(studio->EndLineScans, 0u);  // a view keeps its scroll range

  doc.CellText[9][1199] = "END";
  EXPECT_FALSE(studio->FindEndLine());
  EXPECT_EQ(doc.EndRow, 1199);
  EXPECT_EQ(studio->EndLineScans, 1u);

  doc.CellText[10][40] = "END";  // first in row order wins, output column counts
  EXPECT_FALSE(studio->FindEndLine());
  EXPECT_EQ(doc.EndRow, 40);
  EXPECT_EQ(studio->EndLineScans, 2u);
}

TEST(ProgramDocument, ClearProgramEmptiesGridAliasesAndClipboardButKeepsSetup) {
  auto studio = std::make_unique<Studio>();
  ProgramDocument& doc = studio->doc;
  doc.Setup.PlcModel = 4;
  doc.Setup.CommMode = 3;
  doc.Setup.NodeNum = 12;
  for (int i = 0; i < 257; ++i) doc.Setup.IoDir[i] = 0;
  doc.CellType[10][1199] = kCoil;
  doc.CellText[0][0] = "P0:0";
  doc.VertLink[3][5] = 1;
  doc.MonDevNum[1][1] = 7;
  doc.MonDevKind[1][1] = 2;
  doc.MonDevBit[1][1] = 3;
  doc.AliasP[127] = "LAMP";
  doc.AliasM[1023] = "X";
  doc.AliasK[255] = "K";
  doc.AliasC[255] = "CNT";
  doc.AliasT[0] = "TMR";
  doc.EndRow = 9;
  doc.CurCol = 3;
  doc.CurRow = 4;
  studio->editor.clipboard.ClipType[2][2] = kWire;
  studio->editor.clipboard.ClipText[2][2] = "A";
  studio->editor.clipboard.ClipLink[2][2] = 1;

  studio->ClearProgram();

  EXPECT_EQ(doc.CellType[10][1199], kEmpty);
  EXPECT_TRUE(doc.CellText[0][0].empty());
  EXPECT_EQ(doc.VertLink[3][5], 0);
  EXPECT_EQ(doc.MonDevNum[1][1], 0);
  EXPECT_EQ(doc.MonDevKind[1][1], 0);
  EXPECT_EQ(doc.MonDevBit[1][1], 3);  // left as it was
  for (auto* a : {&doc.AliasP[127], &doc.AliasM[1023], &doc.AliasK[255], &doc.AliasC[255], &doc.AliasT[0]})
    EXPECT_TRUE(a->empty());
  for (int i = 0; i < 256; ++i) EXPECT_EQ(doc.Setup.IoDir[i], 1) << i;
  EXPECT_EQ(doc.Setup.IoDir[256], 0);
  EXPECT_EQ(doc.Setup.PlcModel, 4);
  EXPECT_EQ(doc.Setup.CommMode, 3);
  EXPECT_EQ(doc.Setup.NodeNum, 12);
  EXPECT_EQ(doc.EndRow, 9);
  EXPECT_EQ(doc.CurCol, 3);
  EXPECT_EQ(studio->editor.clipboard.ClipType[2][2], 0);
  EXPECT_TRUE(studio->editor.clipboard.ClipText[2][2].empty());
  EXPECT_EQ(studio->editor.clipboard.ClipLink[2][2], 0);
}

TEST(ProgramDocument, ReadsOutsideTheProgramAreEmpty) {
  auto doc = std::make_unique<ProgramDocument>();
  doc->CellType[11][0] = kWire;
  doc->CellText[0][1200] = "X";
  doc->VertLink[0][1200] = 1;
  doc->CellType[10][1199] = kCoil;
  EXPECT_EQ(doc->TypeAt(11, 0), 0);
  EXPECT_EQ(doc->TextAt(0, 1200), "");
  EXPECT_EQ(doc->LinkAt(0, 1200), 0);
  EXPECT_EQ(doc->TypeAt(-1, 0), 0);
  EXPECT_EQ(doc->TypeAt(0, -1), 0);
  EXPECT_EQ(doc->TypeAt(10, 1199), kCoil);
}
