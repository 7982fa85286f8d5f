#include "ladder/print_ladder.h"

#include <gtest/gtest.h>

#include <memory>

#include "ladder/recording_surface.h"
#include "platform/message_box.h"

namespace {

using ladder::PrintResult;

// Pages as a printer would see them: the number of drawing operations at each page break.
struct RecordingPages : ladder::PrintPages {
  explicit RecordingPages(ladder::RecordingSurface& s) : surface(s) {}
  void NewPage() override { breaks.push_back(surface.ops.size()); }
  void EndDocument() override { ++ends; }
  std::string Failure() const override { return failure; }
  ladder::RecordingSurface& surface;
  std::vector<size_t> breaks;
  int ends = 0;
  std::string failure;
};

class PrintTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
  }
  PrintResult Print() { return ladder::PrintLadder(*studio, geo, surface, pages); }
  // Every printed text with its position.
  const ladder::DrawOp* Text(const std::string& t) const { return surface.FindText(t); }

  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
  ladder::LadderGeometry geo;  // u = 80, Csai = 300: pitch 860
  ladder::RecordingSurface surface{12000, 16000};
  RecordingPages pages{surface};
};

TEST_F(PrintTest, NoEndCellPrintsNothing) {
  EXPECT_EQ(Print(), PrintResult::NoEnd);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "END Command Not Found !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ERROR !");
  EXPECT_TRUE(surface.ops.empty());
  EXPECT_EQ(pages.ends, 0);
}

TEST_F(PrintTest, OneRowProgram) {
  studio->doc.CellType[0][0] = compiler::kBox;
  studio->doc.CellText[0][0] = "END";
  ASSERT_EQ(Print(), PrintResult::Printed);
  const auto* number = Text("1");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->x1, 360);
  EXPECT_EQ(number->y1, 4 * 80 + 1000);
  EXPECT_EQ(Text("2"), nullptr);
  const auto* footer = Text(" Page 1      Korvane      [Korvane Studio] Untitled.qsl");
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->x1, 720);
  EXPECT_EQ(footer->y1, 860 + 40 + 1000);
  EXPECT_TRUE(pages.breaks.empty());
  EXPECT_EQ(pages.ends, 1);
  const auto texts = surface.Texts();
  const auto& last = texts.back();
  EXPECT_EQ(last.text.substr(0, 39), std::string(20, ' ') + "End of Document    ");
  EXPECT_GT(last.y1, footer->y1);
  // The rail piece of the row, in black, and the box's body at + PrintTop.
  EXPECT_TRUE(surface.HasLine(720, 1000, 720, 1000 + 560 + 300));
  EXPECT_TRUE(surface.HasLine(720 + 80, 1000 + 4 * 80, 720 + 80, 1000 + 6 * 80));
  for (const auto& line : surface.Lines()) EXPECT_EQ(line.color, 0u);
  EXPECT_TRUE(surface.OfKind(ladder::DrawOp::FilledBox).empty());  // paper is not cleared
}

TEST_F(PrintTest, SixteenRowsAPageAndTheLastFooterAloneOnANewPage) {
  studio->shell.CurFilePath = "/home/u/pump.qsl";
  studio->doc.CellText[0][15] = "END";
  ASSERT_EQ(Print(), PrintResult::Printed);
  ASSERT_EQ(pages.breaks.size(), 1u);
  const auto* footer = Text(" Page 1      Korvane     [Korvane Studio] /home/u/pump.qsl");
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->y1, 14800);
  const auto* last = Text(" Page 2      Korvane      [Korvane Studio] /home/u/pump.qsl");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->y1, 1040);
  EXPECT_NE(Text("16"), nullptr);
  EXPECT_EQ(Text("17"), nullptr);
}

TEST_F(PrintTest, TextsAliasesAndSpareCodes) {
  auto& d = studio->doc;
  d.CellType[0][0] = compiler::kContactNO;
  d.CellText[0][0] = "P0:1";
  d.AliasP[1] = "Start";
  d.CellText[1][0] = "'note;second";
  d.CellType[2][0] = 7;
  d.CellText[2][0] = "x";
  d.VertLink[3][0] = 1;
  d.CellText[0][1] = "END";
  ASSERT_EQ(Print(), PrintResult::Printed);
  const auto* name = Text("P0:1");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->y1, 1000);
  const auto* alias = Text("Start");  // below the cell, unchanged
  ASSERT_NE(alias, nullptr);
  EXPECT_EQ(alias->x1, 720 + 80);
  EXPECT_EQ(alias->y1, 7 * 80 + 30 + 1000);
  EXPECT_NE(Text("'NOTE;SECOND"), nullptr);  // one line, upper case
  EXPECT_NE(Text("X"), nullptr);
  // The branch under column 3 runs down to the next row's rung.
  EXPECT_TRUE(surface.HasLine(4 * 720 + 9 * 80, 1000 + 5 * 80, 4 * 720 + 9 * 80, 1000 + 12 * 80 + 300));
}

TEST_F(PrintTest, APrinterFailureIsReportedOnce) {
  studio->doc.CellText[0][40] = "END";
  pages.failure = "no printer";
  EXPECT_EQ(Print(), PrintResult::Failed);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].text.find("no printer"), std::string::npos);
}

}  // namespace
