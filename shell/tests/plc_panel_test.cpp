#include "shell/plc_panel.h"

#include <gtest/gtest.h>

#include <vector>

namespace shell {
namespace {

compiler::PlcSetup AllInputs() {
  compiler::PlcSetup s;
  s.IoDir.fill(1);
  return s;
}

struct PanelFixture : ::testing::Test, PlcPanelListener {
  compiler::PlcSetup setup = AllInputs();
  int changes = 0;
  std::vector<int16_t> maps;
  PlcPanelModel panel{setup, *this};

  void SetupChanged() override { ++changes; }
  void ModelChosen(int16_t model) override { maps.push_back(model); }

  PortMask CheckedMask() const {
    PortMask m = 0;
    for (int i = 0; i < kPortBits; ++i)
      if (panel.checked[i]) m |= PortBit(i);
    return m;
  }
  PortMask DisabledMask() const {
    PortMask m = 0;
    for (int i = 0; i < kPortBits; ++i)
      if (!panel.enabled[i]) m |= PortBit(i);
    return m;
  }
};

TEST_F(PanelFixture, BoardIox4WhileZqvAIsShown) {
  setup.PlcModel = 10;
  panel.Load();
  changes = 0;
  panel.ChooseBoard(4);
  EXPECT_EQ(setup.PlcModel, 1);
  EXPECT_EQ(panel.modelRow, 3);
  EXPECT_EQ(DisabledMask(), PortRange(8, 15) | PortRange(24, 31));
  EXPECT_EQ(CheckedMask(), kAllPortBits & ~(PortRange(0, 5) | PortRange(8, 15) | PortRange(20, 23)));
  EXPECT_EQ(changes, 1);  // the model changed at once
  EXPECT_EQ(maps.back(), 1);
  // Directions reach the document only through Fix.
  EXPECT_EQ(setup.IoDir[0], 1);
  panel.Fix();
  EXPECT_EQ(setup.IoDir[0], 0);
  EXPECT_EQ(setup.IoDir[6], 1);
  EXPECT_EQ(setup.IoDir[24], 1);
}

TEST_F(PanelFixture, EveryBoardSetsItsModelAndOutputs) {
  struct Expect {
    int16_t model;
    std::vector<int> outputs;
  };
  const Expect expected[9] = {
      {4, {0, 2, 3, 4, 5, 6, 7, 23}},
      {4, {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15}},
      {4, {0, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23}},
      {1, {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 20, 21, 22, 23}},
      {3, {4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 38, 39}},
      {10, {7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 22, 23, 24, 25}},
      {10, {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 24, 25}},
      {4, {4, 5, 8, 9, 10, 11, 12, 13, 14, 15}},
      {3, {4, 5, 8, 9, 10, 11, 12, 13, 14, 15}},
  };
  for (int board = 1; board <= 9; ++board) {
    SCOPED_TRACE(kIoBoards[board].name);
    panel.checked.fill(false);
    panel.ChooseBoard(board);
    const Expect& e = expected[board - 1];
    EXPECT_EQ(setup.PlcModel, e.model);
    PortMask outputs = 0;
    for (int b : e.outputs) outputs |= PortBit(b);
    EXPECT_EQ(CheckedMask(), kAllPortBits & ~outputs);
    EXPECT_EQ(panel.boardRow, board);
  }
}

TEST_F(PanelFixture, FreeBoardChangesNothing) {
  setup.PlcModel = 4;
  panel.Load();
  panel.SetBox(3, false);
  auto checkedBefore = panel.checked;
  auto enabledBefore = panel.enabled;
  changes = 0;
  panel.ChooseBoard(0);
  EXPECT_EQ(panel.checked, checkedBefore);
  EXPECT_EQ(panel.enabled, enabledBefore);
  EXPECT_EQ(setup.PlcModel, 4);
  EXPECT_EQ(changes, 0);
}

TEST_F(PanelFixture, ModelRulesDisableAndForce) {
  panel.checked.fill(true);
  panel.ChooseModelRow(0);  // ZQV-A
  EXPECT_EQ(DisabledMask(), PortRange(26, 39));
  EXPECT_EQ(CheckedMask(), kAllPortBits);
  panel.checked.fill(false);
  panel.ChooseModelRow(4);  // ZQV-F
  EXPECT_EQ(setup.PlcModel, 3);
  EXPECT_EQ(DisabledMask(), PortRange(8, 15) | PortRange(24, 31));
  EXPECT_EQ(CheckedMask(), PortRange(24, 31));
  panel.ChooseModelRow(1);  // ZQV-B: the others enabled again, values kept
  EXPECT_EQ(DisabledMask(), PortRange(24, 39));
  EXPECT_EQ(CheckedMask(), PortRange(24, 31));
  panel.ChooseModelRow(7);  // no such row
  EXPECT_EQ(setup.PlcModel, 2);
}

TEST_F(PanelFixture, LoadShowsTheDocumentAndFixStoresItBack) {
  setup.PlcModel = 1;
  for (int i = 0; i < kPortBits; ++i) setup.IoDir[i] = static_cast<int16_t>(i % 3 == 0);
  setup.CommMode = 2;
  setup.NodeNum = -17;
  panel.Load();
  EXPECT_EQ(panel.modelRow, 3);
  EXPECT_EQ(panel.commOption, 2);
  EXPECT_EQ(panel.nodeText, "-17");
  for (int i = 0; i < kPortBits; ++i) {
    bool expect = i % 3 == 0;
    if (i >= 8 && i <= 15) expect = false;
    if (i >= 24 && i <= 31) expect = true;
    EXPECT_EQ(panel.checked[i], expect) << i;
  }
  changes = 0;
  panel.Fix();
  EXPECT_EQ(setup.IoDir[9], 0);   // forced output stored
  EXPECT_EQ(setup.IoDir[25], 1);  // forced input stored
  EXPECT_EQ(setup.IoDir[32], 0);  // a disabled box keeps its value and is stored
  EXPECT_EQ(setup.IoDir[33], 1);
  EXPECT_EQ(setup.NodeNum, -17);
  EXPECT_EQ(changes, 1);
  changes = 0;
  panel.Fix();  // nothing new: not marked again
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(setup.IoDir[40], 1);  // spare elements untouched
}

TEST_F(PanelFixture, ModelWithoutARowIsKeptByFix) {
  setup.PlcModel = 10;
  panel.Load();
  setup.PlcModel = 5;
  panel.Load();
  EXPECT_EQ(panel.modelRow, -1);
  EXPECT_EQ(DisabledMask(), PortRange(24, 39));
  panel.Fix();
  EXPECT_EQ(setup.PlcModel, 5);
  EXPECT_EQ(maps.back(), 5);
}

TEST_F(PanelFixture, UnknownCommModeShowsRs485AndFixStoresIt) {
  setup.CommMode = 7;
  panel.Load();
  EXPECT_EQ(panel.commOption, 3);
  panel.Fix();
  EXPECT_EQ(setup.CommMode, 3);
  setup.CommMode = -1;
  panel.Load();
  EXPECT_EQ(panel.commOption, 3);
}

TEST_F(PanelFixture, NoCommOptionChosenKeepsTheMode) {
  setup.CommMode = 2;
  panel.commOption = -1;
  panel.Fix();
  EXPECT_EQ(setup.CommMode, 2);
}

TEST_F(PanelFixture, NodeText) {
  panel.Load();
  panel.nodeText = "";
  panel.Fix();
  EXPECT_EQ(panel.nodeText, "0");
  EXPECT_EQ(setup.NodeNum, 0);
  panel.nodeText = "300";
  panel.Fix();
  EXPECT_EQ(setup.NodeNum, 300);
  panel.nodeText = " 12 ";
  panel.Fix();
  EXPECT_EQ(setup.NodeNum, 12);
  for (const char* bad : {"abc", "12x", "40000", "-40000", "-", "1.5", "99999999999999999999"}) {
    panel.nodeText = bad;
    panel.Fix();
    EXPECT_EQ(setup.NodeNum, 12) << bad;
    EXPECT_EQ(panel.nodeText, "12") << bad;
  }
  panel.nodeText = "-32768";
  panel.Fix();
  EXPECT_EQ(setup.NodeNum, -32768);
}

TEST_F(PanelFixture, PortWideBoxSetsDisabledBoxesToo) {
  setup.PlcModel = 1;  // ZQV-E: 8..15 disabled and unchecked
  panel.Load();
  panel.ClickPort(1, true);
  for (int i = 8; i <= 15; ++i) EXPECT_TRUE(panel.checked[i]);
  EXPECT_TRUE(panel.portChecked[1]);
  panel.Fix();
  EXPECT_EQ(setup.IoDir[8], 1);
  panel.ChooseModelRow(3);  // the next model handling forces them back
  EXPECT_FALSE(panel.checked[8]);
  panel.ClickPort(4, false);
  for (int i = 32; i <= 39; ++i) EXPECT_FALSE(panel.checked[i]);
  panel.ClickPort(5, true);  // no such port
}

// Edited tells, without touching the document, whether the user's edits would change it on
// Fix: every field the panel hands over counts; what Fix would refuse or keep does not.
TEST_F(PanelFixture, EditedIsWhatFixWouldChange) {
  setup.PlcModel = 4;  // ZQV-C
  setup.NodeNum = 7;
  panel.Load();
  changes = 0;
  EXPECT_FALSE(panel.Edited());
  const compiler::PlcSetup before = setup;
  auto expectEdited = [&](const char* what) {
    EXPECT_TRUE(panel.Edited()) << what;
    EXPECT_EQ(setup.IoDir, before.IoDir) << what;  // only Fix hands the copy over
    EXPECT_EQ(setup.CommMode, before.CommMode) << what;
    EXPECT_EQ(setup.NodeNum, before.NodeNum) << what;
    EXPECT_EQ(changes, 0) << what;
    panel.Load();
    EXPECT_FALSE(panel.Edited()) << what;
  };
  panel.SetBox(3, false);
  expectEdited("one port direction");
  panel.SetBox(30, false);  // disabled for this model, and still handed over
  expectEdited("a disabled box");
  panel.ClickPort(2, false);
  expectEdited("a port-wide box");
  panel.commOption = 0;
  expectEdited("the communication mode");
  panel.nodeText = "8";
  expectEdited("the node");
  panel.nodeText = "";  // Fix stores 0
  expectEdited("an empty node");

  // Texts Fix refuses keep the node; no option keeps the mode; a box set back is no edit.
  for (const char* kept : {"abc", " 7 ", "40000"}) {
    panel.nodeText = kept;
    EXPECT_FALSE(panel.Edited()) << kept;
  }
  panel.nodeText = "7";
  panel.commOption = -1;
  EXPECT_FALSE(panel.Edited());
  panel.SetBox(3, false);
  panel.SetBox(3, true);
  EXPECT_FALSE(panel.Edited());
  // A model chosen reaches the document at once, so it leaves nothing for Fix.
  panel.ChooseModelRow(0);
  EXPECT_EQ(setup.PlcModel, 10);
  EXPECT_FALSE(panel.Edited());
  // Fix agrees: what Edited saw is what Fix stores and reports.
  panel.SetBox(0, false);
  ASSERT_TRUE(panel.Edited());
  changes = 0;
  panel.Fix();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(setup.IoDir[0], 0);
  EXPECT_FALSE(panel.Edited());
}

// A program whose directions its model overrides (ZQV-E shows P1 as outputs): the page shows
// the forced directions without an edit of the user's; Fix still stores them.
TEST_F(PanelFixture, DirectionsAModelForcesAreNoEdit) {
  setup.PlcModel = 1;
  panel.Load();
  changes = 0;
  EXPECT_FALSE(panel.checked[8]);
  EXPECT_EQ(setup.IoDir[8], 1);
  EXPECT_FALSE(panel.Edited());
  panel.SetBox(2, false);  // an edit of the user's on top
  EXPECT_TRUE(panel.Edited());
  panel.SetBox(2, true);
  EXPECT_FALSE(panel.Edited());
  panel.Fix();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(setup.IoDir[8], 0);
  EXPECT_FALSE(panel.Edited());
}

}  // namespace
}  // namespace shell
