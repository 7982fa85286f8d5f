// The translator's files, CompileLadder's reports, the monitor attributes and the options
// header.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "compiler/asm_output.h"
#include "compiler/monitor_attrs.h"
#include "compiler/options_header.h"
#include "macro_library_support.h"
#include "platform/file_read.h"
#include "translator_test_util.h"

using namespace compiler;
using namespace ladder_test;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
  fs::path path;
  TempFolder() {
    std::random_device rd;
    path = fs::temp_directory_path() / ("zqv-trans-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string Read(const char* name) const {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path / name, bytes)) << name;
    return bytes;
  }
};

struct Fixture {
  std::unique_ptr<Studio> studio = NewStudio();
  platform::RecordingMessageSink sink;
  TempFolder folder;
  Fixture() { studio->messages = &sink; }
  ProgramDocument& doc() { return studio->doc; }
};

void OneRungProgram(ProgramDocument& d) {
  Rung(d, 0, {"P0:0"}, "M0:0");
  EndRung(d, 1);
}

}  // namespace

TEST(TranslatorFiles, OneRungProgramGivesBothFilesExactly) {
  Fixture f;
  OneRungProgram(f.doc());
  const CompileResult r = CompileLadder(*f.studio, f.folder.path);
  EXPECT_EQ(r.CompileErr, 0);
  EXPECT_TRUE(f.sink.shown.empty());
  EXPECT_EQ(f.folder.Read("QS2OUT.$$$"),
            " LOAD   P0:0 ; __Pos 0000 0000\r\n OT      M0:0 ; __Pos 000A 0000\r\n LOAD   F0:1 \r\n RET ");
  EXPECT_EQ(f.folder.Read("QSKLINC.$$$"),
            " LOAD   P0,0 ; __Pos 0000 0000\r\n OT      M0,0 ; __Pos 000A 0000\r\n LOAD   F0,1 \r\n RET \r\n");
}

TEST(TranslatorFiles, AssemblerCopyBytes) {
  EXPECT_EQ(MakeAssemblerCopy(std::string("A\0B:C", 5)), "A B,C\r\n");
  EXPECT_EQ(MakeAssemblerCopy(""), "\r\n");
  // CP949 "가한" is Johab 88 61 D0 65; a colon after it still becomes a comma.
  EXPECT_EQ(MakeAssemblerCopy(" SGNOUT \xB0\xA1\xC7\xD1:1"), " SGNOUT \x88\x61\xD0\x65,1\r\n");
  // No Johab form: a blank per source byte, never a NUL or a stray byte.
  EXPECT_EQ(MakeAssemblerCopy("x\xFF\xFFy"), "x  y\r\n");
  EXPECT_EQ(MakeAssemblerCopy("x\xB0"), "x \r\n");
  std::mt19937 rng(7);
  for (int n = 0; n < 2000; ++n) {
    std::string in(rng() % 40, '\0');
    for (char& c : in) c = static_cast<char>(rng());
    const std::string out = MakeAssemblerCopy(in);
    ASSERT_EQ(out.find('\0'), std::string::npos);
    ASSERT_GE(out.size(), in.size() + 2);
  }
}

TEST(TranslatorFiles, KoreanDisplayStringReachesTheCopyAsJohab) {
  Fixture f;
  SetRow(f.doc(), 0, {"P0:0", "[SGNOUT P0:4, 1, \"\xB0\xA1\"]"});
  EndRung(f.doc(), 1);
  ASSERT_EQ(CompileLadder(*f.studio, f.folder.path).CompileErr, 0);
  EXPECT_NE(f.folder.Read("QS2OUT.$$$").find("SGNOUT P0:4, 1, \"\xB0\xA1\""), std::string::npos);
  EXPECT_NE(f.folder.Read("QSKLINC.$$$").find(" SGNOUT P0,4, 1, \"\x88\x61\" ; __Pos 0001 0000"), std::string::npos);
}

TEST(TranslatorFiles, TranslationErrorReportsTheCellAndLeavesTheCursor) {
  for (bool korean : {false, true}) {
    Fixture f;
    f.studio->shell.KoreanMenu = korean;
    OneRungProgram(f.doc());
    ASSERT_EQ(CompileLadder(*f.studio, f.folder.path).CompileErr, 0);
    const std::string goodCopy = f.folder.Read("QSKLINC.$$$");
    SetRow(f.doc(), 1, {".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
    SetRow(f.doc(), 4, {"(M0:0)"});
    EndRung(f.doc(), 5);
    f.doc().MonDevKind[0][0] = 77;  // attributes stay as they were after a failure

    const uint32_t scans = f.studio->EndLineScans;
    f.doc().CurCol = 7;
    f.doc().CurRow = 1;
    const CompileResult r = CompileLadder(*f.studio, f.folder.path);
    EXPECT_EQ(r.CompileErr, 1);
    EXPECT_EQ(r.outcome, CompileOutcome::TranslationError);
    EXPECT_EQ(r.ErrCol, 0);
    EXPECT_EQ(r.ErrRow, 4);
    // The caller moves the cursor and shows the cell, then the message.
    EXPECT_EQ(f.doc().CurCol, 7);
    EXPECT_EQ(f.doc().CurRow, 1);
    EXPECT_TRUE(f.sink.shown.empty());
    EXPECT_EQ(f.doc().MonDevKind[0][0], 77);
    EXPECT_EQ(f.studio->EndLineScans, scans + 1);  // the END row was found; the view follows it later
    EXPECT_EQ(r.errorMessage.caption, "Korvane Studio Ladder Compile ERROR !");
    EXPECT_EQ(r.errorMessage.icon, platform::MsgIcon::Information);
    EXPECT_EQ(r.errorMessage.text,
              korean ? "레더 컴파일 에러 : 이곳에 위치할 수 없는 심볼입니다. 입력 심볼을 사용해야 합니다.\r\n\r\n"
                       "에러가 발생한 곳은  1, 5"
                     : "Ladder Compile Error : Invalid Symbol !  At  1, 5");
    EXPECT_EQ(r.TransErrMsg, "Invalid Symbol ! ");
    // The rungs before the failing one are in QS2OUT.$$$; the copy is the previous build's.
    EXPECT_EQ(f.folder.Read("QS2OUT.$$$"), " LOAD   P0:0 ; __Pos 0000 0000\r\n OT      M0:0 ; __Pos 000A 0000\r\n");
    EXPECT_EQ(f.folder.Read("QSKLINC.$$$"), goodCopy);
  }
}

// The cell a translation error returns, with the cursor as the build command then puts it.
TEST(TranslatorFiles, CursorOfAnErrorNearTheTopAndAtTheLastRow) {
  Fixture f;
  Rung(f.doc(), 1, {"A", "@4"}, "Y");
  EndRung(f.doc(), 3);
  CompileResult r = CompileLadder(*f.studio, f.folder.path);
  EXPECT_EQ(r.ErrCol, 1);
  EXPECT_EQ(r.ErrRow, 1);
  f.doc().SelectErrorCell(r.ErrCol, r.ErrRow);
  EXPECT_EQ(f.doc().TopRow, 0);
  EXPECT_EQ(f.doc().CurCol, 1);
  EXPECT_EQ(f.doc().CurRow, 1);

  Fixture g;
  SetRow(g.doc(), kProgramRows - 1, {"A", "-", "-", "-", "-", "-", "-", "-", "-", "{CTU C1, 5}"});
  g.doc().CellText[10][kProgramRows - 1] = "END";  // END text in the spare half of the box
  r = CompileLadder(g.studio.operator*(), g.folder.path);
  EXPECT_EQ(r.CompileErr, 1);
  EXPECT_EQ(r.ErrRow, kProgramRows - 1);
  g.doc().SelectErrorCell(r.ErrCol, r.ErrRow);
  EXPECT_EQ(g.doc().CurRow, kProgramRows - 1);
  EXPECT_EQ(g.doc().TopRow, kProgramRows - 3);
}

TEST(TranslatorFiles, MissingEndFailsTheCompile) {
  Fixture f;
  Rung(f.doc(), 0, {"A"}, "Y");
  const CompileResult r = CompileLadder(*f.studio, f.folder.path);
  EXPECT_EQ(r.CompileErr, 1);
  EXPECT_EQ(r.outcome, CompileOutcome::EndNotFound);
  ASSERT_EQ(f.sink.shown.size(), 1u);
  EXPECT_EQ(f.sink.shown[0].text, "END Command Not Found !");
  EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_FALSE(fs::exists(f.folder.path / "QS2OUT.$$$"));
  f.studio->shell.KoreanMenu = true;
  CompileLadder(*f.studio, f.folder.path);
  EXPECT_EQ(f.sink.shown.back().text, "END 명령을 찾을 수 없습니다.");
}

TEST(TranslatorFiles, FileErrorsFailTheCompile) {
  {
    Fixture f;
    OneRungProgram(f.doc());
    fs::create_directories(f.folder.path / "QS2OUT.$$$" / "x");  // a directory where the file goes
    f.studio->shell.KoreanMenu = true;
    const CompileResult r = CompileLadder(*f.studio, f.folder.path);
    EXPECT_EQ(r.CompileErr, 1);
    EXPECT_EQ(r.outcome, CompileOutcome::FileError);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, "파일 오픈 에러 (qs2out.$$$) !!!");
    EXPECT_FALSE(fs::exists(f.folder.path / "QSKLINC.$$$"));
  }
  {
    Fixture f;
    OneRungProgram(f.doc());
    fs::create_directories(f.folder.path / "QSKLINC.$$$" / "x");
    const CompileResult r = CompileLadder(*f.studio, f.folder.path);
    EXPECT_EQ(r.CompileErr, 1);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, "File Open Error (qsklinc.$$$) !!!");
    EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Error !");
  }
  {
    Fixture f;
    OneRungProgram(f.doc());
    const CompileResult r = CompileLadder(*f.studio, f.folder.path / "no-such-folder");
    EXPECT_EQ(r.CompileErr, 1);
    EXPECT_EQ(r.outcome, CompileOutcome::FileError);
  }
}

TEST(MonitorAttributes, KindsNumbersAndBits) {
  struct Case {
    const char* token;
    int kind, num, bit;
  } cases[] = {
      {"P1:3", 6, 1, 3},
      {"(M10:7)", 7, 10, 7},
      {"^M10:7", 0, 10, 7},
      {"%M2:1", 0, 2, 1},
      {"T5", 9, 5, 0},
      {"C12", 10, 12, 0},
      {"/F3:2", 8, 3, 2},
      {"S1:200", 11, 1, 200},
      {"K4:6", 12, 4, 6},
      {"D100", 0, 100, 0},
      {"[TON T3, 100]", 3, 3, -1},
      {"{CTU C7, 5}", 5, 7, -1},
      {"[SETOUT P0:2]", 6, 0, 2},
      {"[RSTOUT S1:3]", 0, 1, 3},
      {"[MOVE P0, M0]", 0, 0, -1},
      {"= D0, 1", 0, 0, -1},
      {"'comment P1:1", 0, 0, -1},
      {"P1:9", 0, 1, -1},
      {"M40000:1", 0, 0, -1},
      {"S1:300", 0, 1, -1},
      {"[END]", 0, 0, -1},
  };
  for (const auto& c : cases) {
    auto studio = NewStudio();
    ProgramDocument& d = studio->doc;
    SetCell(d, 3, 0, c.token);
    d.MonDevBit[3][0] = -1;  // "unchanged" marker
    d.MonDevNum[3][0] = 999;
    d.MonDevKind[3][0] = 99;
    d.EndRow = 0;
    SetMonitorAttributes(d);
    EXPECT_EQ(d.MonDevKind[3][0], c.kind) << c.token;
    EXPECT_EQ(d.MonDevNum[3][0], c.num) << c.token;
    EXPECT_EQ(d.MonDevBit[3][0], c.bit) << c.token;
  }
}

TEST(MonitorAttributes, OnlyRowsUpToEndAreTouchedAndOnlyAfterACleanBuild) {
  Fixture f;
  OneRungProgram(f.doc());
  f.doc().MonDevKind[4][0] = 5;  // an element that is gone
  f.doc().MonDevKind[0][2] = 6;  // below the END row
  f.doc().MonDevNum[0][2] = 3;
  ASSERT_EQ(CompileLadder(*f.studio, f.folder.path).CompileErr, 0);
  EXPECT_EQ(f.doc().MonDevKind[0][0], 6);
  EXPECT_EQ(f.doc().MonDevKind[10][0], 7);
  EXPECT_EQ(f.doc().MonDevKind[4][0], 0);
  EXPECT_EQ(f.doc().MonDevKind[0][2], 6);
  EXPECT_EQ(f.doc().MonDevNum[0][2], 3);
}

TEST(OptionsHeader, FourteenLinesExactly) {
  PlcSetup s;
  s.IoDir.fill(1);
  for (int k = 0; k < 4; ++k) s.IoDir[static_cast<size_t>(k)] = 0;
  EXPECT_EQ(MakeCompileOptions(s),
            "#define COMP_OPTION1 1\r\n#define COMP_OPTION2 0\r\n#define COMP_OPTION3 1\r\n"
            "#define COMP_OPTION4 0\r\n#define COMP_OPTION5 0\r\n#define COMP_OPTION6 1\r\n"
            "#define COMP_OPTION7 1\r\n#define COMP_OPTION8 1\r\n#define PLCMODEL 1\r\n"
            "#define DIR0 15\r\n#define DIR1 0\r\n#define DIR2 0\r\n#define DIR3 0\r\n#define DIR4 0\r\n");
  for (int i = 0; i < 40; ++i) s.IoDir[static_cast<size_t>(i)] = 0;
  s.IoDir[40] = 0;  // not a port bit
  for (int port = 0; port <= 4; ++port) EXPECT_EQ(PortDirectionByte(s, port), 255);
  s.IoDir[8 * 2 + 7] = -3;  // anything but 0 is an input
  EXPECT_EQ(PortDirectionByte(s, 2), 127);
  s.PlcModel = 10;
  s.NodeNum = -5;
  const std::string text = MakeCompileOptions(s);
  EXPECT_NE(text.find("#define COMP_OPTION2 -5\r\n"), std::string::npos);
  EXPECT_NE(text.find("#define PLCMODEL 10\r\n"), std::string::npos);
}

TEST(OptionsHeader, WriteReplacesTheHeaderAndReportsFailure) {
  Fixture f;
  f.doc().Setup.PlcModel = 4;
  ASSERT_FALSE(WriteCompileOptions(*f.studio, f.folder.path));
  EXPECT_EQ(f.folder.Read("QSKLREN.$$$"), MakeCompileOptions(f.doc().Setup));
  EXPECT_TRUE(f.sink.shown.empty());

  const fs::path blocked = f.folder.path / "sub";
  fs::create_directories(blocked / "QSKLREN.$$$" / "x");
  EXPECT_TRUE(WriteCompileOptions(*f.studio, blocked));
  ASSERT_EQ(f.sink.shown.size(), 1u);
  EXPECT_EQ(f.sink.shown[0].text, "File Creation Error !");
  EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Error !");
  f.studio->shell.KoreanMenu = true;
  EXPECT_TRUE(WriteCompileOptions(*f.studio, blocked));
  EXPECT_EQ(f.sink.shown.back().text, "파일 생성 에러 !");
}

// Compare contacts written with blanks after the operator reach the macros as the condition
// and the two values, and assemble into the code of the comma form.
TEST(TranslatorFiles, CompareContactsWithBlanksAssemble) {
  auto studio = NewStudio();
  Rung(studio->doc, 0, {"D>= D0, 10", "<>  D2,5", "= D4 , D6"}, "M0:1");
  auto r = TranslateWithEnd(studio->doc, 1);
  ASSERT_FALSE(r.failed) << r.en;
  std::string program;
  for (const std::string& line : maclib_test::Lines(MakeAssemblerCopy(r.text)))
    if (!line.empty()) program += line.substr(0, line.find(" ; __Pos")) + "\n";
  const auto run = maclib_test::AssembleWithLibrary(program);
  ASSERT_TRUE(maclib_test::Clean(run)) << program << run.console;
  const auto plain =
      maclib_test::AssembleWithLibrary(" LOAD    DGE,D0,10\n AN      NE,D2,5\n AN      EQ,D4,D6\n OT      M0,1\n");
  ASSERT_TRUE(maclib_test::Clean(plain)) << plain.console;
  EXPECT_EQ(maclib_test::CodeWordsHex(run.listing), maclib_test::CodeWordsHex(plain.listing));
}
