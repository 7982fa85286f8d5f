#include "ladder/ui/print_command.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPrinterInfo>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/message_box.h"

namespace {

namespace fs = std::filesystem;

fs::path ArtifactDir() {
  const fs::path dir = fs::path(ZQV_BUILD_BIN_DIR).parent_path() / "artifacts";
  fs::create_directories(dir);
  return dir;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int CountPages(const std::string& pdf) {
  int pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
}

// A small program of every element kind, over 20 rows so that it takes two pages.
void SampleProgram(compiler::ProgramDocument& d) {
  for (int r = 0; r < 20; ++r) {
    d.CellType[0][r] = r % 2 ? compiler::kContactNC : compiler::kContactNO;
    d.CellText[0][r] = "P0:" + std::to_string(r % 8);
    d.CellType[1][r] = compiler::kRisingEdge;
    d.CellText[1][r] = "M1:" + std::to_string(r % 8);
    for (int c = 2; c < 9; ++c) d.CellType[c][r] = compiler::kWire;
    d.CellType[9][r] = compiler::kNot;
    d.CellType[10][r] = compiler::kCoil;
    d.CellText[10][r] = "P2:" + std::to_string(r % 8);
  }
  d.VertLink[0][2] = 1;
  d.CellType[2][3] = compiler::kBox;
  d.CellType[3][3] = 0;
  d.CellText[2][3] = "TON T1, 100";
  d.CellType[2][6] = compiler::kCounterBox;
  d.CellType[3][6] = d.CellType[2][7] = d.CellType[3][7] = 0;
  d.CellText[2][6] = "CTU C3, 10";
  d.CellText[0][12] = "'pump control; second line";
  d.AliasP[0] = "Start";
  d.AliasP[16] = "Lamp";
  d.AliasM[8] = "\xb8\xf0\xc5\xcd";  // a Korean alias (CP949)
  d.CellType[0][20] = compiler::kBox;
  d.CellText[0][20] = "END";
}

class PrintCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
  }
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
  ladder::LadderGeometry geo;
};

TEST(PdfPathFor, BesideTheProgramOrInTheDialogsFolder) {
  EXPECT_EQ(ladder::PdfPathFor("/data/plc/pump.qsl", "/work"), "/data/plc/pump.pdf");
  EXPECT_EQ(ladder::PdfPathFor("/data/plc/PUMP.QSL", "/work"), "/data/plc/PUMP.pdf");
  EXPECT_EQ(ladder::PdfPathFor("Untitled.qsl", "/work/plc"), "/work/plc/Untitled.pdf");
}

// Print goes where Printer Setup chose for the rest of the run (here a PDF file); with no
// choice and no printer, an untitled program goes into the dialogs' folder, never the home
// folder, and the message names the file written.
TEST_F(PrintCommandTest, PrintGoesWherePrinterSetupChose) {
  SampleProgram(studio->doc);
  studio->shell.CurFilePath = "/data/plc/pump.qsl";
  const fs::path chosen = ArtifactDir() / "chosen_in_setup.pdf";
  fs::remove(chosen);
  ladder::PrintTarget target;
  target.pdfFile = chosen.string();
  for (int run = 0; run < 2; ++run) {
    const auto out = ladder::PrintProgram(*studio, geo, target, "/nowhere");
    ASSERT_EQ(out.result, ladder::PrintResult::Printed);
    EXPECT_EQ(out.pdfPath, chosen.string());
    EXPECT_EQ(ReadAll(chosen).substr(0, 5), "%PDF-");
    ASSERT_EQ(sink.shown.size(), size_t(run + 1));
    EXPECT_EQ(sink.shown.back().text, "The program was printed to the file : " + chosen.string());
    fs::remove(chosen);
  }

  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is set up here";
  const fs::path folder = ArtifactDir() / "dialogs_folder";
  fs::create_directories(folder);
  fs::remove(folder / "Untitled.pdf");
  studio->shell.CurFilePath = "Untitled.qsl";
  studio->shell.KoreanMenu = true;
  const auto out = ladder::PrintProgram(*studio, geo, {}, folder.string());
  ASSERT_EQ(out.result, ladder::PrintResult::Printed);
  EXPECT_TRUE(fs::exists(folder / "Untitled.pdf"));
  EXPECT_EQ(sink.shown.back().text, "설치된 프린터가 없어 다음 파일로 인쇄했습니다 : " + (folder / "Untitled.pdf").string());
}

TEST_F(PrintCommandTest, PrintsAReadablePdf) {
  SampleProgram(studio->doc);
  studio->shell.CurFilePath = "/data/plc/pump.qsl";
  const fs::path pdf = ArtifactDir() / "printed_program.pdf";
  fs::remove(pdf);
  const auto out = ladder::PrintProgramToPdf(*studio, geo, pdf.string());
  ASSERT_EQ(out.result, ladder::PrintResult::Printed);
  EXPECT_TRUE(sink.shown.empty());
  const std::string bytes = ReadAll(pdf);
  ASSERT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_EQ(CountPages(bytes), 2);

  // When poppler is at hand, the first page is drawn and holds ink.
  if (std::system("command -v pdftoppm >/dev/null 2>&1") == 0) {
    const fs::path png = ArtifactDir() / "printed_program_page1";
    const std::string cmd = "pdftoppm -png -r 60 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" + png.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    QImage page(QString::fromStdString(png.string() + ".png"));
    ASSERT_FALSE(page.isNull());
    int dark = 0;
    for (int y = 0; y < page.height(); ++y) {
      for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
    }
    EXPECT_GT(dark, 500);
  }
}

TEST_F(PrintCommandTest, AFileThatCannotBeWrittenIsReportedOnce) {
  SampleProgram(studio->doc);
  const auto out = ladder::PrintProgramToPdf(*studio, geo, "/nonexistent-folder/x/prog.pdf");
  EXPECT_EQ(out.result, ladder::PrintResult::Failed);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].text.find("/nonexistent-folder/x/prog.pdf"), std::string::npos);
}

TEST_F(PrintCommandTest, NoEndCellMakesNoFile) {
  const fs::path pdf = ArtifactDir() / "no_end.pdf";
  fs::remove(pdf);
  EXPECT_EQ(ladder::PrintProgramToPdf(*studio, geo, pdf.string()).result, ladder::PrintResult::NoEnd);
  EXPECT_FALSE(fs::exists(pdf));
}

}  // namespace
