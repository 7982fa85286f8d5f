// Compare contacts typed into the editor in every spelling it takes are built by the real
// road (translator, aq71, zqlink) and compare as written on the simulated module.

#include <gtest/gtest.h>

#include "editor_fixture_support.h"
#include "ladder/ladder_editor.h"
#include "ladder_builder_support.h"
#include "runtime_support.h"

using namespace runtime_test;

namespace {

constexpr int kModel = 10;

TEST(TypedCompareContacts, BuildAndCompareWithOrWithoutBlanks) {
  BuiltStudio b;
  auto& doc = b.studio->doc;
  doc.Setup.PlcModel = kModel;
  InputsOnP0P1(*b.studio);
  ladder::LadderViewState view;
  ladder::ScrollModel scroll;
  scroll.SetMax(1199);
  ladder::testing::RecordingHost host;
  ladder::LadderEditor editor(*b.studio, view, scroll, host);
  const char* contacts[] = {">=C0, 3", "D>=D0,10", "D>= D0, 10", "<>D4,D5", "=>D4, 7"};
  int row = 0;
  for (const char* text : contacts) {
    doc.CurCol = 0;
    doc.CurRow = static_cast<int16_t>(row);
    view.SyncCursor(doc);
    editor.KeyDown(ladder::vk::kF3, 0);
    ASSERT_TRUE(editor.CommitOperand(text)) << text;  // taken when typed
    ASSERT_EQ(doc.CellText[0][row], text);
    doc.CurCol = 1;
    view.SyncCursor(doc);
    editor.KeyDown(ladder::vk::kF7, 0);
    ASSERT_TRUE(editor.CommitOperand("m3:" + std::to_string(row))) << text;
    ASSERT_EQ(doc.CellText[10][row], "M3:" + std::to_string(row));
    ++row;
  }
  ladder_test::EndRung(doc, row);
  ASSERT_TRUE(b.sink.shown.empty()) << b.sink.shown[0].text;
  ASSERT_EQ(b.Build(), plclink::AutoOutcome::ImageReady)
      << (b.sink.shown.empty() ? "" : b.sink.shown[0].text) << b.ReadOutput("ZQCORE3.LST");

  zqvsim::AvrMachine m;
  ASSERT_TRUE(m.Load(b.Program())) << m.Error();
  ASSERT_TRUE(m.RunScans(1)) << m.Error();  // the start-up clears the data areas
  auto bits = [&] {
    EXPECT_TRUE(m.RunScans(2)) << m.Error();
    std::string out;
    for (int r = 0; r < row; ++r) out += BitOf(m, "M3:" + std::to_string(r), kModel) ? '1' : '0';
    return out;
  };
  SetWordOf(m, "C", 0, 3, kModel);
  SetWordOf(m, "D", 0, 0, kModel);
  SetWordOf(m, "D", 1, 20, kModel);
  SetWordOf(m, "D", 4, 7, kModel);
  SetWordOf(m, "D", 5, 7, kModel);
  EXPECT_EQ(bits(), "11101");
  SetWordOf(m, "C", 0, 2, kModel);
  SetWordOf(m, "D", 1, 0, kModel);
  SetWordOf(m, "D", 4, 6, kModel);
  EXPECT_EQ(bits(), "00010");
}

}  // namespace
