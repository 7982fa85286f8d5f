#include "shell/file_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <functional>
#include <memory>
#include <set>

#include "compiler/program_file.h"
#include "compiler/tests/monitor_flag_support.h"
#include "compiler/watch_file.h"
#include "platform/tests/hang_guard_support.h"
#include "platform/tests/ordinary_user_support.h"
#include "shell/shell_texts.h"
#include "shell/tests/shell_test_support.h"

using namespace shell;
using platform::MsgResult;
using shell_test::ReadFile;
using shell_test::TempDir;
using shell_test::WriteFile;

namespace {

// A window stand-in: scripted file dialogs, and a record of what the commands asked for.
struct FakeHost : FileCommandHost {
  std::deque<std::string> openNames, saveNames;
  std::string caption;
  int panelLoads = 0, panelFixes = 0, redraws = 0, memoShows = 0, watchShows = 0, recentChanges = 0;
  bool plcEdited = false;  // the PLC page is shown with an edit that is not in the document
  std::string AskOpenName(const std::string& filter) override {
    EXPECT_EQ(filter, kOpenFilter);
    if (openNames.empty()) return "";
    std::string n = openNames.front();
    openNames.pop_front();
    return n;
  }
  std::string AskSaveName(const std::string& filter) override {
    EXPECT_EQ(filter, kSaveFilter);
    if (saveNames.empty()) return "";
    std::string n = saveNames.front();
    saveNames.pop_front();
    return n;
  }
  void SetCaption(const std::string& c) override { caption = c; }
  void PlcSetupLoad() override { ++panelLoads; }
  void PlcSetupFix() override {
    ++panelFixes;
    plcEdited = false;
  }
  bool PlcSetupEdited() override { return plcEdited; }
  void RedrawLadder() override { ++redraws; }
  // The cursor cell shown, with the number of messages shown before it.
  void ShowCursorCell() override {
    shownCells.push_back({studio->doc.CurCol, studio->doc.CurRow, studio->doc.TopRow, int(sink->shown.size())});
  }
  struct ShownCell {
    int col, row, top, messagesBefore;
  };
  std::vector<ShownCell> shownCells;
  compiler::Studio* studio = nullptr;
  platform::RecordingMessageSink* sink = nullptr;
  void MemoReplaced() override { ++memoShows; }
  void WatchReplaced() override { ++watchShows; }
  void RecentFilesChanged() override { ++recentChanges; }
};

struct FileCommandsTest : ::testing::Test {
  TempDir dir;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  ProfileFile ini{dir / "ZQVSTUDIO.INI"};
  RecentFiles recent;
  FakeHost host;
  std::unique_ptr<FileCommands> files;

  void SetUp() override {
    studio->messages = &sink;
    host.studio = studio.get();
    host.sink = &sink;
    std::filesystem::create_directories(dir.path / "studio");
    recent.Load(ini);
    files = std::make_unique<FileCommands>(*studio, ini, recent, host, dir.path / "studio");
  }

  // A small program with an END box on the first row and `text` in its first cell.
  void Draw(const std::string& text) {
    studio->ClearProgram();
    studio->doc.CellType[0][0] = compiler::kContactNO;
    studio->doc.CellText[0][0] = text;
    studio->doc.CellType[9][0] = compiler::kBox;
    studio->doc.CellText[9][0] = "END";
  }
  // Writes a program file with the given first cell through the studio itself.
  std::string MakeProgram(const std::string& name, const std::string& text) {
    return shell_test::MakeProgram(dir, name, text, sink);
  }
};

}  // namespace

TEST_F(FileCommandsTest, NewStartsAnUntitledProgram) {
  Draw("P0:1");
  studio->shell.CurFilePath = dir / "x.qsl";
  files->New();
  EXPECT_EQ(studio->shell.CurFilePath, "Untitled.qsl");
  EXPECT_EQ(host.caption, "Korvanestudio [ untitled.qsl ]");
  EXPECT_TRUE(studio->doc.CellText[0][0].empty());
  EXPECT_TRUE(studio->shell.SourceSaved);
  EXPECT_EQ(host.panelLoads, 1);  // the panel shows the cleared setup and hands it back
  EXPECT_EQ(host.panelFixes, 1);
}

TEST_F(FileCommandsTest, MonitoringRefusesNewOpenAndImport) {
  Draw("P0:1");
  compiler::MonitorFlagForTests::Set(*studio, true);
  host.openNames = {MakeProgram("a.qsl", "M1:1"), MakeProgram("b.qsl", "M1:2")};
  files->New();
  files->Open();
  files->Import();
  EXPECT_EQ(sink.shown.size(), 3u);  // the refusal (its text: the window's test of every refusal)
  EXPECT_EQ(studio->doc.CellText[0][0], "P0:1");
  EXPECT_EQ(host.openNames.size(), 2u);  // no dialog was shown
}

TEST_F(FileCommandsTest, OpenReadsProgramMemoAndWatchList) {
  std::string path = MakeProgram("Pump.qsl", "P1:2");
  WriteFile(compiler::MemoFilePath(path), "first\r\nsecond\r\n");
  compiler::WatchList list;
  list.WatchCount = 1;
  list.WatchName[0] = "LV";
  list.WatchAddr[0] = 12;
  WriteFile(compiler::WatchFilePath(path), compiler::EncodeWatchFile(list));
  studio->doc.CurRow = 40;
  host.openNames = {path};
  files->Open();
  EXPECT_EQ(studio->shell.CurFilePath, path);
  EXPECT_EQ(studio->doc.CellText[0][0], "P1:2");
  EXPECT_EQ(studio->doc.CurRow, 0);
  EXPECT_EQ(studio->shell.MemoText, "first\nsecond\n");
  EXPECT_EQ(studio->watch.WatchCount, 1);
  EXPECT_EQ(studio->watch.WatchAddr[0], 12);
  EXPECT_EQ(host.caption, "Korvane studio [ " + LowerAscii(path) + " ]");
  EXPECT_EQ(recent.Caption(1), path);
  EXPECT_EQ(host.panelLoads, 1);
  EXPECT_TRUE(sink.shown.empty());

  // The next program has no memo and no watch file: the memo is emptied, the watch list kept.
  std::string other = MakeProgram("other.qsl", "M0:0");
  host.openNames = {other};
  files->Open();
  EXPECT_EQ(studio->shell.MemoText, "");
  EXPECT_EQ(studio->watch.WatchCount, 1);  // a program without a watch file keeps the list shown
  EXPECT_EQ(studio->watch.WatchName[0], "LV");
  EXPECT_EQ(recent.Caption(2), path);
}

TEST_F(FileCommandsTest, FailedOpenChangesNothing) {
  std::string good = MakeProgram("good.qsl", "P0:1");
  host.openNames = {good};
  files->Open();
  studio->shell.MemoText = "keep";
  WriteFile(dir / "bad.qsl", "not a program");
  host.openNames = {dir / "bad.qsl"};
  std::string caption = host.caption;
  files->Open();
  ASSERT_EQ(sink.shown.size(), 1u);  // the reader's own message
  EXPECT_EQ(studio->shell.CurFilePath, good);
  EXPECT_EQ(studio->doc.CellText[0][0], "P0:1");
  EXPECT_EQ(studio->shell.MemoText, "keep");
  EXPECT_EQ(host.caption, caption);
  EXPECT_EQ(recent.Caption(1), good);
  EXPECT_TRUE(IsEmptyEntry(recent.Caption(2)));

  // A later Save writes the good file, not the broken one.
  ASSERT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_EQ(ReadFile(dir / "bad.qsl"), "not a program");
}

// A name that is no regular file never holds the window: Open of a FIFO, of a link x.qsl to
// /dev/zero and of a folder, and Import of a FIFO, are refused at once with the program
// reader's "File Open Error :" and the name. A recent entry that became a FIFO and the start-up
// reopen of one keep their own words for a file that is not there. The program stays open.
TEST_F(FileCommandsTest, ANameThatIsNoRegularFileIsRefusedAtOnce) {
  const std::string good = MakeProgram("good.qsl", "P0:1"), was = MakeProgram("was.qsl", "P0:2");
  host.openNames = {was, good};
  files->Open();
  files->Open();  // the recent list reads good, was
  const std::string fifo = dir / "p.qsl", zero = dir / "x.qsl", folder = dir / "d.qsl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", zero);
  std::filesystem::create_directory(folder);
  std::filesystem::remove(was);
  ASSERT_EQ(mkfifo(was.c_str(), 0644), 0);
  const std::string caption = host.caption;
  std::string overran;
  const int status = hang_guard::RunInChild(
      [&] {
        host.openNames = {fifo, zero, folder, fifo};
        files->Open();
        files->Open();
        files->Open();
        files->Import();
        studio->shell.KoreanMenu = true;
        host.openNames = {zero};
        files->Open();
        studio->shell.KoreanMenu = false;
        files->OpenRecent(2);
        CHILD_CHECK(sink.shown.size() == 6);
        CHILD_CHECK(sink.shown[0].text == "File Open Error :" + fifo);
        CHILD_CHECK(sink.shown[1].text == "File Open Error :" + zero);
        CHILD_CHECK(sink.shown[2].text == "File Open Error :" + folder);
        CHILD_CHECK(sink.shown[3].text == "File Open Error :" + fifo);
        CHILD_CHECK(sink.shown[4].text == "파일 오픈 에러 :" + zero);
        CHILD_CHECK(sink.shown[5].text == "Open Error:" + was);
        CHILD_CHECK(studio->shell.CurFilePath == good && host.caption == caption);
        CHILD_CHECK(studio->doc.CellText[0][0] == "P0:1" && studio->shell.SourceSaved);
        CHILD_CHECK(recent.Caption(1) == good && recent.Caption(2) == was);

        ini.WriteString("LastOpen", "File1", fifo);
        files->ReopenLast();
        CHILD_CHECK(sink.shown.size() == 7 && sink.shown[6].text == "File not found : " + fifo);
        CHILD_CHECK(studio->shell.CurFilePath == "Untitled.qsl");
        return 0;
      },
      &overran);
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << hang_guard::Ending(status, overran);
}

TEST_F(FileCommandsTest, CancelledDialogsDoNothing) {
  Draw("P0:1");
  studio->shell.CurFilePath = dir / "x.qsl";
  files->Open();
  files->Import();
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::NotSaved);
  EXPECT_EQ(studio->shell.CurFilePath, dir / "x.qsl");
  EXPECT_TRUE(IsEmptyEntry(recent.Caption(1)));
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(FileCommandsTest, ChangedProgramIsNotReplacedWithoutAsking) {
  Draw("P0:1");
  studio->shell.SourceSaved = false;
  std::string other = MakeProgram("other.qsl", "M5:5");
  host.openNames = {other, other};
  sink.answers = {MsgResult::Cancel};
  files->Open();
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "The Source has changed.\r\nDo you want to save the change ?");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ");
  EXPECT_EQ(studio->doc.CellText[0][0], "P0:1");
  sink.answers = {MsgResult::Cancel};
  files->New();
  EXPECT_EQ(studio->doc.CellText[0][0], "P0:1");
  // No: the edits are dropped.
  sink.answers = {MsgResult::No};
  files->Open();
  EXPECT_EQ(studio->doc.CellText[0][0], "M5:5");
}

TEST_F(FileCommandsTest, YesSavesBeforeReplacing) {
  std::string mine = MakeProgram("mine.qsl", "P0:1");
  host.openNames = {mine};
  files->Open();
  studio->doc.CellText[0][0] = "P0:7";
  files->MarkChanged();
  sink.answers = {MsgResult::Yes};
  files->New();
  EXPECT_EQ(studio->shell.CurFilePath, "Untitled.qsl");
  auto check = std::make_unique<compiler::Studio>();
  check->messages = &sink;
  ASSERT_TRUE(compiler::LoadProgramFile(*check, mine));
  EXPECT_EQ(check->doc.CellText[0][0], "P0:7");
}

TEST_F(FileCommandsTest, SaveNeedsAnEndCellAndUntitledGoesToSaveAs) {
  Draw("P0:1");
  studio->doc.CellText[9][0] = "";
  studio->shell.CurFilePath = dir / "t.qsl";
  EXPECT_EQ(files->Save(), compiler::SaveResult::NotSaved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "END Command Not Found !");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_FALSE(std::filesystem::exists(dir / "t.qsl"));

  Draw("P0:1");
  studio->shell.CurFilePath = kUntitled;
  host.saveNames = {dir / "pump"};
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_EQ(studio->shell.CurFilePath, dir / "pump.QSL");
  EXPECT_TRUE(std::filesystem::exists(dir / "pump.QSL"));
  EXPECT_EQ(host.caption, "Korvane studio [ " + LowerAscii(dir / "pump.QSL") + " ]");
  EXPECT_EQ(recent.Caption(1), dir / "pump.QSL");
  EXPECT_EQ(host.panelFixes, 1);
  EXPECT_TRUE(studio->shell.SourceSaved);
}

// A cell whose text the file cannot hold: the save is refused naming the cell as the status
// bar does (from 1), and the cursor shows it, two rows above it in view, before the message.
TEST_F(FileCommandsTest, ASaveRefusedForACellShowsThatCell) {
  Draw("P0:1");
  studio->doc.CellText[9][0].clear();
  studio->doc.CellType[9][14] = compiler::kBox;
  studio->doc.CellText[9][14] = "END";
  studio->doc.CellType[0][10] = compiler::kBox;
  studio->doc.CellText[0][10] = "'" + std::string(300, 'x');
  studio->doc.CurCol = 5;
  studio->doc.CurRow = 2;
  studio->shell.CurFilePath = dir / "long.qsl";
  studio->shell.SourceSaved = false;
  EXPECT_EQ(files->Save(), compiler::SaveResult::NotSaved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text,
            "The text of the cell at column 1, row 11 is longer than 255 bytes. The program was not saved.");
  ASSERT_EQ(host.shownCells.size(), 1u);
  EXPECT_EQ(host.shownCells[0].col, 0);
  EXPECT_EQ(host.shownCells[0].row, 10);
  EXPECT_EQ(host.shownCells[0].top, 8);
  EXPECT_EQ(host.shownCells[0].messagesBefore, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "long.qsl"));
  EXPECT_FALSE(studio->shell.SourceSaved);

  // Once the text fits, the save goes through and the cursor stays where the user put it.
  studio->doc.CellText[0][10].resize(255);
  studio->doc.CurRow = 3;
  sink.shown.clear();
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(host.shownCells.size(), 1u);
  EXPECT_EQ(studio->doc.CurRow, 3);
}

// Cells drawn after END are not stored: every save still writes the file and then says so
// once, naming the first such row as the ladder numbers it.
TEST_F(FileCommandsTest, SavesThatLeaveCellsAfterEndOutSaySo) {
  const std::string english = "Cells after END are not saved (first at row 4). Move END below them to keep them.";
  auto expectNotice = [&](const std::string& text) {
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, text);
    EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Message");
    EXPECT_EQ(sink.shown[0].icon, platform::MsgIcon::Information);
    EXPECT_EQ(sink.shown[0].buttons, platform::MsgButtons::Ok);
    sink.shown.clear();
  };
  auto expectStored = [&](const std::string& path) {
    auto check = std::make_unique<compiler::Studio>();
    check->messages = &sink;
    ASSERT_TRUE(compiler::LoadProgramFile(*check, path));
    EXPECT_EQ(check->doc.CellText[0][0], "P0:1");
    EXPECT_EQ(check->doc.EndRow, 0);
    EXPECT_TRUE(check->doc.CellText[2][3].empty());
  };
  Draw("P0:1");
  studio->doc.CellType[2][3] = compiler::kContactNO;
  studio->doc.CellText[2][3] = "M0:0";

  // The cells left out are not saved: the program stays changed.
  studio->shell.CurFilePath = dir / "t.qsl";
  files->MarkChanged();
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  expectNotice(english);
  expectStored(dir / "t.qsl");
  EXPECT_FALSE(studio->shell.SourceSaved);

  studio->shell.SourceSaved = true;  // as if nothing were left
  host.saveNames = {dir / "as"};
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::Saved);
  expectNotice(english);
  expectStored(dir / "as.QSL");
  EXPECT_FALSE(studio->shell.SourceSaved);

  studio->shell.CurFilePath = kUntitled;  // Save goes on to Save As: still one notice
  studio->shell.SourceSaved = true;
  host.saveNames = {dir / "untitled-then-named"};
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  expectNotice(english);
  EXPECT_FALSE(studio->shell.SourceSaved);

  // The close question's Yes: the notice asks whether to close all the same (below).
  files->MarkChanged();
  sink.answers = {MsgResult::Yes, MsgResult::Yes};
  EXPECT_TRUE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english);
  EXPECT_EQ(sink.shown[1].text, english + "\r\nDo you want to close the program anyway ?");
  sink.shown.clear();

  // In Korean; a vertical link alone in END's row counts, right of END.
  studio->shell.KoreanMenu = true;
  studio->doc.CellType[2][3] = compiler::kEmpty;
  studio->doc.CellText[2][3].clear();
  studio->doc.VertLink[10][0] = 1;
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  expectNotice("END 뒤의 셀은 저장되지 않습니다 (첫 셀: 1행). 남기려면 END를 그 아래로 옮기십시오.");
  studio->shell.KoreanMenu = false;

  // Nothing after END, or a save that wrote nothing: no notice.
  studio->doc.VertLink[10][0] = 0;
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty());
  studio->doc.CellType[0][5] = compiler::kWire;
  host.saveNames = {};
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::NotSaved);
  studio->shell.CurFilePath = (dir.path / "no-such-folder" / "x.qsl").string();
  EXPECT_EQ(files->Save(), compiler::SaveResult::NotSaved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text.rfind("File Save Error :", 0), 0u) << sink.shown[0].text;
  sink.shown.clear();

  // A command that saves twice (Auto) tells once; the next command tells again.
  studio->shell.CurFilePath = dir / "untitled-then-named.QSL";
  {
    FileCommands::OneNotice once(*files);
    EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
    studio->shell.SourceSaved = true;
    EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
    EXPECT_FALSE(studio->shell.SourceSaved);  // the second save leaves them out too
  }
  expectNotice("Cells after END are not saved (first at row 6). Move END below them to keep them.");
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_EQ(sink.shown.size(), 1u);
}

// Yes at the save question of a close, New, Open or a recent file saves what the file can hold;
// when that leaves cells after END out, the notice asks whether to close the program anyway.
// No, the default, keeps the window and the program, still changed; Yes goes on.
TEST_F(FileCommandsTest, ClosingAfterASaveThatLeavesCellsOutAsksFirst) {
  const std::string notice = "Cells after END are not saved (first at row 4). Move END below them to keep them.";
  auto drawBelowEnd = [&] {
    Draw("P0:1");
    studio->doc.CellType[2][3] = compiler::kContactNO;
    studio->doc.CellText[2][3] = "M0:0";
    files->MarkChanged();
  };
  auto expectAsked = [&](const std::string& text) {
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english);
    EXPECT_EQ(sink.shown[1].text, text);
    EXPECT_EQ(sink.shown[1].caption, "Korvane Studio Message");
    EXPECT_EQ(sink.shown[1].icon, platform::MsgIcon::Question);
    EXPECT_EQ(sink.shown[1].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(sink.shown[1].defaultButton, platform::MsgDefault::Second);
    sink.shown.clear();
  };
  auto expectKept = [&](const std::string& path) {
    EXPECT_EQ(studio->shell.CurFilePath, path);
    EXPECT_EQ(studio->doc.CellText[2][3], "M0:0");
    EXPECT_FALSE(studio->shell.SourceSaved);  // the cells left out are not saved
    auto check = std::make_unique<compiler::Studio>();
    check->messages = &sink;
    ASSERT_TRUE(compiler::LoadProgramFile(*check, path));  // the file holds what it can
    EXPECT_EQ(check->doc.CellText[0][0], "P0:1");
    EXPECT_TRUE(check->doc.CellText[2][3].empty());
    sink.shown.clear();
  };
  const std::string named = dir / "named.qsl";
  const std::string other = MakeProgram("other.qsl", "M5:5");
  recent.Update(ini, other);
  drawBelowEnd();
  studio->shell.CurFilePath = named;

  // The close: No keeps the window open; the next close asks again.
  sink.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(files->QueryClose());
  expectAsked(notice + "\r\nDo you want to close the program anyway ?");
  expectKept(named);
  // An answer other than Yes (a box closed otherwise) keeps it too.
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());
  sink.shown.clear();

  // New, Open and a recent file keep the program on No.
  sink.answers = {MsgResult::Yes, MsgResult::No};
  files->New();
  expectAsked(notice + "\r\nDo you want to close the program anyway ?");
  expectKept(named);
  host.openNames = {other};
  sink.answers = {MsgResult::Yes, MsgResult::No};
  files->Open();
  sink.shown.clear();
  expectKept(named);
  EXPECT_EQ(host.openNames.size(), 1u);  // not even asked for a name
  host.openNames.clear();
  sink.answers = {MsgResult::Yes, MsgResult::No};
  files->OpenRecent(1);
  sink.shown.clear();
  expectKept(named);

  // In Korean.
  studio->shell.KoreanMenu = true;
  sink.answers = {MsgResult::Yes, MsgResult::No};
  files->New();
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text,
            "END 뒤의 셀은 저장되지 않습니다 (첫 셀: 4행). 남기려면 END를 그 아래로 옮기십시오.\r\n"
            "그래도 프로그램을 닫으시겠습니까 ?");
  studio->shell.KoreanMenu = false;
  expectKept(named);

  // An untitled program gets its name from the save, and keeps it on No.
  drawBelowEnd();
  studio->shell.CurFilePath = kUntitled;
  host.saveNames = {dir / "fresh"};
  sink.answers = {MsgResult::Yes, MsgResult::No};
  files->New();
  expectKept(dir / "fresh.QSL");
  EXPECT_EQ(recent.Caption(1), dir / "fresh.QSL");
  // Closing an untitled program keeps the window open anyway: the plain notice.
  studio->shell.CurFilePath = kUntitled;
  host.saveNames = {dir / "fresh2"};
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, notice);
  EXPECT_EQ(sink.shown[1].buttons, platform::MsgButtons::Ok);
  sink.shown.clear();

  // Yes goes on: the program is replaced, or the window may close.
  files->MarkChanged();
  sink.answers = {MsgResult::Yes, MsgResult::Yes};
  int otherItem = 1;
  while (otherItem < RecentFiles::kItems && recent.Caption(otherItem) != other) ++otherItem;
  files->OpenRecent(otherItem);
  EXPECT_EQ(studio->shell.CurFilePath, other);
  EXPECT_EQ(studio->doc.CellText[0][0], "M5:5");
  drawBelowEnd();
  sink.answers = {MsgResult::Yes, MsgResult::Yes};
  EXPECT_TRUE(files->QueryClose());
}

// Cells left out count as unsaved until they are kept or deleted, on the roads the question
// does not close: the untitled program's close (Save As, and the window stays), and a Yes to
// close anyway before an Open whose dialog is then cancelled. The next close asks again.
TEST_F(FileCommandsTest, CellsLeftOutAreAskedForAgain) {
  const std::string notice = "Cells after END are not saved (first at row 4). Move END below them to keep them.";
  Draw("P0:1");
  studio->doc.CellType[2][3] = compiler::kContactNO;
  studio->doc.CellText[2][3] = "M0:0";
  studio->shell.CurFilePath = kUntitled;
  files->MarkChanged();
  host.saveNames = {dir / "fresh"};
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, notice);
  EXPECT_EQ(studio->shell.CurFilePath, dir / "fresh.QSL");
  sink.shown.clear();

  // The next close asks, and Yes asks whether to close anyway, No the default.
  sink.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english);
  EXPECT_EQ(sink.shown[1].text, notice + "\r\nDo you want to close the program anyway ?");
  EXPECT_EQ(sink.shown[1].defaultButton, platform::MsgDefault::Second);
  sink.shown.clear();

  // Yes to close anyway, then no program chosen: the program stays, and so do its cells.
  sink.answers = {MsgResult::Yes, MsgResult::Yes};
  files->Open();
  EXPECT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(studio->shell.CurFilePath, dir / "fresh.QSL");
  EXPECT_FALSE(studio->shell.SourceSaved);
  sink.shown.clear();
  sink.answers = {MsgResult::Cancel};
  EXPECT_FALSE(files->QueryClose());
  EXPECT_EQ(sink.shown.size(), 1u);
}

// An edit whose file could not be written is still an unsaved edit: after a save that wrote
// the program but not its memo or its watch list, closing, New, Open and a recent file ask
// again, and a Yes whose save fails again keeps the program.
TEST_F(FileCommandsTest, AnEditThatDidNotReachItsFileIsAskedForAgain) {
  const std::string prog = MakeProgram("prog.qsl", "P0:1");
  const std::string other = MakeProgram("other.qsl", "M5:5");
  const std::string memo = compiler::MemoFilePath(prog), watch = compiler::WatchFilePath(prog);
  recent.Update(ini, other);
  host.openNames = {prog};
  files->Open();
  studio->shell.MemoText = "new memo";  // as the memo box sets it
  studio->shell.MemoChanged = true;
  files->MarkChanged();
  std::filesystem::create_directory(memo);  // the memo cannot be written there
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File Save Error :" + memo);
  sink.shown.clear();

  auto expectAsked = [&] {
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english);
    sink.shown.clear();
  };
  sink.answers = {MsgResult::Cancel};
  EXPECT_FALSE(files->QueryClose());
  expectAsked();
  sink.answers = {MsgResult::Cancel};
  files->New();
  expectAsked();
  host.openNames = {other};
  sink.answers = {MsgResult::Cancel};
  files->Open();
  expectAsked();
  host.openNames.clear();
  sink.answers = {MsgResult::Cancel};
  files->OpenRecent(1);
  expectAsked();
  EXPECT_EQ(studio->shell.CurFilePath, prog);

  // Yes saves again; the memo still cannot be written, so the window stays open.
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, "File Save Error :" + memo);
  sink.shown.clear();
  sink.answers = {MsgResult::Yes};
  files->New();
  EXPECT_EQ(studio->shell.CurFilePath, prog);
  sink.shown.clear();
  // Once the memo is written nothing is left to ask for.
  std::filesystem::remove(memo);
  sink.answers = {MsgResult::Yes};
  EXPECT_TRUE(files->QueryClose());
  EXPECT_EQ(ReadFile(memo), "new memo");
  sink.shown.clear();
  EXPECT_TRUE(files->QueryClose());
  EXPECT_TRUE(sink.shown.empty());

  // A memo edit counts by itself.
  studio->shell.MemoChanged = true;
  sink.answers = {MsgResult::Cancel};
  EXPECT_FALSE(files->QueryClose());
  expectAsked();
  studio->shell.MemoChanged = false;

  // An entry added to the watch list whose file cannot be written.
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";
  files->MarkChanged();
  std::filesystem::remove(watch);
  std::filesystem::create_directory(watch);
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File Save Error :" + watch);
  sink.shown.clear();
  sink.answers = {MsgResult::No};
  EXPECT_TRUE(files->QueryClose());
  expectAsked();
}

// Save As never replaces the memo or the watch file of another program without asking: each
// that exists under the new name and that the save would write is named in the overwrite
// question, No the default. No keeps that file and writes the rest; Cancel writes nothing.
TEST_F(FileCommandsTest, SaveAsAsksBeforeReplacingAnotherProgramsMemoOrWatchFile) {
  const std::string mine = MakeProgram("mine.qsl", "P0:1");
  WriteFile(compiler::MemoFilePath(mine), "my memo\r\n");
  host.openNames = {mine};
  files->Open();
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";
  files->MarkChanged();
  const std::string myList = compiler::EncodeWatchFile(studio->watch);
  for (const char* name : {"theirs", "third", "fourth", "fifth"}) {
    if (std::string(name) != "fifth") WriteFile(dir / (std::string(name) + ".wch"), std::string("list of ") + name);
    WriteFile(dir / (std::string(name) + ".txt"), std::string("memo of ") + name);
  }
  auto expectQuestion = [&](std::size_t i, const std::string& text) {
    ASSERT_GT(sink.shown.size(), i);
    EXPECT_EQ(sink.shown[i].text, text);
    EXPECT_EQ(sink.shown[i].caption, "Korvane Studio");
    EXPECT_EQ(sink.shown[i].icon, platform::MsgIcon::Question);
    EXPECT_EQ(sink.shown[i].buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(sink.shown[i].defaultButton, platform::MsgDefault::Second);
  };

  auto saveAs = [&](const std::string& name, std::vector<MsgResult> answers) {
    host.saveNames = {dir / name};
    sink.answers = std::move(answers);
    return files->SaveAs();
  };

  // No to both: the program is written under the new name, the two files stay.
  EXPECT_EQ(saveAs("theirs", {MsgResult::No, MsgResult::No}), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 2u);
  expectQuestion(0, "Overwrite ? [" + dir / "theirs.txt" + "] ");
  expectQuestion(1, "Overwrite ? [" + dir / "theirs.wch" + "] ");
  EXPECT_EQ(ReadFile(dir / "theirs.txt"), "memo of theirs");
  EXPECT_EQ(ReadFile(dir / "theirs.wch"), "list of theirs");
  EXPECT_EQ(studio->shell.CurFilePath, dir / "theirs.QSL");
  EXPECT_NE(ReadFile(dir / "theirs.QSL").find("P0:1"), std::string::npos);
  EXPECT_FALSE(studio->shell.SourceSaved);  // the entry added to the list is in no file
  sink.shown.clear();
  // The watch file stays another list's: the next save asks again.
  sink.answers = {MsgResult::No};
  EXPECT_EQ(files->Save(), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  expectQuestion(0, "Overwrite ? [" + dir / "theirs.wch" + "] ");
  EXPECT_EQ(ReadFile(dir / "theirs.wch"), "list of theirs");
  EXPECT_FALSE(studio->shell.SourceSaved);
  sink.shown.clear();

  // Cancel: nothing is written and the name is not taken.
  EXPECT_EQ(saveAs("third", {MsgResult::Cancel}), compiler::SaveResult::NotSaved);
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir / "third.QSL"));
  EXPECT_EQ(ReadFile(dir / "third.wch"), "list of third");
  EXPECT_EQ(studio->shell.CurFilePath, dir / "theirs.QSL");
  sink.shown.clear();

  // Yes, in Korean: both are replaced.
  studio->shell.KoreanMenu = true;
  EXPECT_EQ(saveAs("fourth", {MsgResult::Yes, MsgResult::Yes}), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 2u);
  expectQuestion(0, "덮어쓰시겠습니까 ? [" + dir / "fourth.txt" + "] ");
  expectQuestion(1, "덮어쓰시겠습니까 ? [" + dir / "fourth.wch" + "] ");
  EXPECT_EQ(ReadFile(dir / "fourth.txt"), "my memo\r\n");
  EXPECT_EQ(ReadFile(dir / "fourth.wch"), myList);
  studio->shell.KoreanMenu = false;
  sink.shown.clear();

  // The program's own files ask nothing, and neither does a memo that is not written.
  EXPECT_EQ(saveAs("fourth", {MsgResult::Yes}), compiler::SaveResult::Saved);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Overwrite ? [" + dir / "fourth.QSL" + "] ");
  sink.shown.clear();
  studio->shell.MemoText.clear();
  EXPECT_EQ(saveAs("fifth", {}), compiler::SaveResult::Saved);
  EXPECT_TRUE(sink.shown.empty()) << sink.shown[0].text;
  EXPECT_EQ(ReadFile(dir / "fifth.txt"), "memo of fifth");
  EXPECT_EQ(ReadFile(dir / "fifth.wch"), myList);
}

// A typed memo kept out of another program's memo file by No is still unsaved: the close
// question's Save As of an untitled program leaves the window open, and every road that
// closes or replaces the program asks again, its No closing without a save. A memo and a
// watch list nobody changed lose nothing by a No.
TEST_F(FileCommandsTest, AMemoKeptOutOfAnotherProgramsFileIsAskedForAgain) {
  Draw("P0:1");
  const std::string other = MakeProgram("other.qsl", "M5:5");
  recent.Update(ini, other);
  WriteFile(dir / "b.txt", "memo of b");
  studio->shell.MemoText = "typed";  // as the memo box sets it
  studio->shell.MemoChanged = true;
  files->MarkChanged();
  host.saveNames = {dir / "b"};
  sink.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(files->QueryClose());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, "Overwrite ? [" + dir / "b.txt" + "] ");
  EXPECT_EQ(studio->shell.CurFilePath, dir / "b.QSL");
  EXPECT_EQ(ReadFile(dir / "b.txt"), "memo of b");
  sink.shown.clear();

  auto asked = [&](const std::function<void()>& road) {
    sink.answers = {MsgResult::Cancel};
    road();
    const bool once = sink.shown.size() == 1 && sink.shown[0].text == msg::kSourceChanged.english;
    sink.shown.clear();
    return once;
  };
  EXPECT_TRUE(asked([&] { EXPECT_FALSE(files->QueryClose()); }));
  EXPECT_TRUE(asked([&] { files->New(); }));
  host.openNames = {other};
  EXPECT_TRUE(asked([&] { files->Open(); }));
  EXPECT_TRUE(asked([&] { files->OpenRecent(1); }));
  // Yes asks about b.txt again; No there keeps the window open, No at the close question closes.
  sink.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(files->QueryClose());
  EXPECT_EQ(sink.shown.size(), 2u);
  sink.shown.clear();
  sink.answers = {MsgResult::No};
  EXPECT_TRUE(files->QueryClose());
  EXPECT_EQ(ReadFile(dir / "b.txt"), "memo of b");

  // Opened with its memo and watch list and saved as c beside another program's files: No to
  // both loses no edit.
  const std::string b = studio->shell.CurFilePath;
  host.openNames = {b};
  sink.answers = {MsgResult::No};
  files->Open();
  ASSERT_EQ(studio->shell.CurFilePath, b);
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "P0:1";
  WriteFile(dir / "b.wch", compiler::EncodeWatchFile(studio->watch));
  ASSERT_TRUE(compiler::OpenWatchFile(*studio, b));
  WriteFile(dir / "c.txt", "memo of c");
  WriteFile(dir / "c.wch", "list of c");
  files->MarkChanged();  // a cell edited
  host.saveNames = {dir / "c"};
  sink.shown.clear();
  sink.answers = {MsgResult::No, MsgResult::No};
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::Saved);
  EXPECT_EQ(sink.shown.size(), 2u);
  EXPECT_TRUE(studio->shell.SourceSaved);
  sink.shown.clear();
  EXPECT_TRUE(files->QueryClose());
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(FileCommandsTest, SaveAsNames) {
  EXPECT_EQ(SaveAsName("pump"), "pump.QSL");
  EXPECT_EQ(SaveAsName("pump.qsl"), "pump.qsl");
  EXPECT_EQ(SaveAsName("PUMP.QsL"), "PUMP.QsL");
  EXPECT_EQ(SaveAsName("pumpqsl"), "pumpqsl.QSL");
  EXPECT_EQ(SaveAsName("a.txt"), "a.txt.QSL");
}

TEST_F(FileCommandsTest, SaveAsOverExistingFileAsks) {
  std::string existing = MakeProgram("pump.QSL", "K0:0");
  Draw("P0:1");
  studio->shell.CurFilePath = dir / "x.qsl";
  host.caption = "before";
  for (MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
    host.saveNames = {dir / "pump"};
    sink.answers = {answer};
    EXPECT_EQ(files->SaveAs(), compiler::SaveResult::NotSaved);
    EXPECT_EQ(sink.shown.back().text, "Overwrite ? [" + existing + "] ");
    EXPECT_EQ(sink.shown.back().caption, "Korvane Studio");
    EXPECT_EQ(studio->shell.CurFilePath, dir / "x.qsl");
    EXPECT_EQ(host.caption, "before");
  }
  auto check = std::make_unique<compiler::Studio>();
  check->messages = &sink;
  ASSERT_TRUE(compiler::LoadProgramFile(*check, existing));
  EXPECT_EQ(check->doc.CellText[0][0], "K0:0");
  host.saveNames = {dir / "pump"};
  sink.answers = {MsgResult::Yes};
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::Saved);
  EXPECT_EQ(studio->shell.CurFilePath, existing);
}

TEST_F(FileCommandsTest, SaveAsWithoutEndKeepsTheOldName) {
  Draw("P0:1");
  studio->doc.CellText[9][0] = "";
  studio->shell.CurFilePath = dir / "x.qsl";
  host.caption = "before";
  host.saveNames = {dir / "new.qsl"};
  EXPECT_EQ(files->SaveAs(), compiler::SaveResult::NotSaved);
  EXPECT_EQ(studio->shell.CurFilePath, dir / "x.qsl");
  EXPECT_EQ(host.caption, "before");
  EXPECT_TRUE(IsEmptyEntry(recent.Caption(1)));
  EXPECT_FALSE(std::filesystem::exists(dir / "new.qsl"));
}

TEST_F(FileCommandsTest, ImportMarksTheProgramChanged) {
  Draw("P0:1");
  std::string other = MakeProgram("other.qsl", "M3:3");
  host.openNames = {other};
  files->Import();
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_EQ(studio->doc.CellText[0][0], "M3:3");
  EXPECT_EQ(host.redraws, 1);
}

TEST_F(FileCommandsTest, RecentFiles) {
  std::string a = MakeProgram("a.qsl", "P0:1"), b = MakeProgram("b.qsl", "P0:2"), c = MakeProgram("c.qsl", "P0:3");
  host.openNames = {a, b, c};
  files->Open();
  files->Open();
  files->Open();  // the list reads c, b, a
  files->OpenRecent(3);
  EXPECT_EQ(studio->shell.CurFilePath, a);
  EXPECT_EQ(studio->doc.CellText[0][0], "P0:1");
  EXPECT_EQ(host.caption, "Korvane studio [ " + LowerAscii(a) + " ]");
  EXPECT_EQ(recent.Caption(1), a);
  EXPECT_EQ(recent.Caption(3), c);
  EXPECT_EQ(ini.ReadString("LastOpen", "File1", ""), a);

  std::filesystem::remove(b);
  files->OpenRecent(2);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Open Error:" + b);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ERROR !");
  EXPECT_EQ(recent.Caption(2), b);
  EXPECT_EQ(studio->shell.CurFilePath, a);
}

TEST_F(FileCommandsTest, CloseQuestion) {
  Draw("P0:1");
  studio->shell.CurFilePath = dir / "c.qsl";
  EXPECT_TRUE(files->QueryClose());  // nothing changed: no question
  EXPECT_TRUE(sink.shown.empty());
  files->MarkChanged();
  sink.answers = {MsgResult::Cancel};
  EXPECT_FALSE(files->QueryClose());
  sink.answers = {MsgResult::No};
  EXPECT_TRUE(files->QueryClose());
  sink.answers = {MsgResult::Yes};
  EXPECT_TRUE(files->QueryClose());
  EXPECT_TRUE(std::filesystem::exists(dir / "c.qsl"));
  EXPECT_EQ(host.panelFixes, 1);

  // A save that fails keeps the window open.
  studio->doc.CellText[9][0] = "";
  files->MarkChanged();
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());

  // Untitled: Save As runs and the window stays open.
  Draw("P0:1");
  studio->shell.CurFilePath = kUntitled;
  files->MarkChanged();
  host.saveNames = {dir / "d"};
  sink.answers = {MsgResult::Yes};
  EXPECT_FALSE(files->QueryClose());
  EXPECT_TRUE(std::filesystem::exists(dir / "d.QSL"));
  EXPECT_TRUE(files->QueryClose());  // saved now: no question
}

// An edit on the PLC page reaches the document when the page is left; while the page is shown
// it counts as a change for the save question all the same.
TEST_F(FileCommandsTest, AnEditStillOnThePlcPageIsAChange) {
  Draw("P0:1");
  const std::string c = dir / "c.qsl";
  studio->shell.CurFilePath = c;
  host.plcEdited = true;
  sink.answers = {MsgResult::Cancel};
  files->New();
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, msg::kSourceChanged.english);
  EXPECT_EQ(studio->shell.CurFilePath, c);
  EXPECT_FALSE(studio->shell.SourceSaved);
  EXPECT_EQ(host.panelFixes, 0);  // asking hands nothing over

  // The close asks too; Yes saves with the page's setup.
  studio->shell.SourceSaved = true;
  sink.shown.clear();
  sink.answers = {MsgResult::Yes};
  EXPECT_TRUE(files->QueryClose());
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(host.panelFixes, 1);
  EXPECT_TRUE(std::filesystem::exists(c));

  // Nothing on the page: nothing asked.
  sink.shown.clear();
  files->New();
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.CurFilePath, kUntitled);
}

TEST_F(FileCommandsTest, ReopenLastAtStartup) {
  files->ReopenLast();  // no File1
  EXPECT_EQ(host.caption, "Korvanestudio [ untitled.qsl ]");
  EXPECT_TRUE(sink.shown.empty());

  ini.WriteString("LastOpen", "File1", "Untitled.qsl");
  files->ReopenLast();
  EXPECT_TRUE(sink.shown.empty());

  std::string gone = dir / "Gone.qsl";
  ini.WriteString("LastOpen", "File1", gone);
  files->ReopenLast();
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "File not found : " + gone);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio ERROR !");
  EXPECT_EQ(host.caption, "Korvanestudio [ untitled.qsl ]");

  std::string pump = MakeProgram("Pump.qsl", "P2:2");
  ini.WriteString("LastOpen", "File1", pump);
  files->ReopenLast();
  EXPECT_EQ(host.caption, "Korvane Studio [ " + LowerAscii(pump) + " ]");
  EXPECT_EQ(studio->shell.CurFilePath, pump);
  EXPECT_EQ(studio->doc.CellText[0][0], "P2:2");

  WriteFile(dir / "broken.qsl", "QSKL2000");
  ini.WriteString("LastOpen", "File1", dir / "broken.qsl");
  sink.shown.clear();
  files->ReopenLast();
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(studio->shell.CurFilePath, "Untitled.qsl");
  EXPECT_EQ(host.caption, "Korvanestudio [ untitled.qsl ]");
}

TEST(CaptionTable, FiftyNineRowsWithTheirTexts) {
  const auto& table = CaptionTable();
  std::set<std::string> english, korean;
  for (const auto& row : table) {
    english.insert(row.english);
    korean.insert(row.korean);
    EXPECT_STRNE(row.english, row.korean) << row.control;
  }
  EXPECT_EQ(english.size(), 58u);
  EXPECT_EQ(korean.size(), 58u);
  EXPECT_STREQ(table[0].korean, "파일(&F)");
  EXPECT_STREQ(table[21].english, "Block Paste (Overay)");
  EXPECT_STREQ(table[39].english, "Comunication");
}

namespace {
// A memo as this system's own editors write it (UTF-8, LF), and one that is no text.
const std::string kUtf8Memo =
    "\xEB\xA9\x94\xEB\xAA\xA8: \xED\x8E\x8C\xED\x94\x84 A \xEB\x9D\xBC\xEC\x9D\xB8 "
    "\xEC\x84\xA4\xEC\xA0\x95\xEA\xB0\x92 \xE2\x9C\x93 \xE2\x80\x94 2026\nsecond line\n";
const std::string kNotText = "line one \x80\xff\xfe end";
}  // namespace

// Saving a changed program leaves a memo the user did not edit byte for byte as it was: a
// UTF-8 memo shows its text, a memo that is no text is reported when the program opens.
TEST_F(FileCommandsTest, ASaveLeavesAMemoTheUserDidNotEditAsItWas) {
  const std::string utf8 = MakeProgram("utf8.qsl", "P0:1"), binary = MakeProgram("binary.qsl", "P0:1");
  WriteFile(compiler::MemoFilePath(utf8), kUtf8Memo);
  WriteFile(compiler::MemoFilePath(binary), kNotText);
  sink.shown.clear();

  host.openNames = {utf8};
  files->Open();
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(studio->shell.MemoText, kUtf8Memo);
  studio->doc.CellText[0][0] = "P0:2";
  files->MarkChanged();
  ASSERT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_EQ(ReadFile(compiler::MemoFilePath(utf8)), kUtf8Memo);

  host.openNames = {binary};
  files->Open();
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].text.find(compiler::MemoFilePath(binary)), std::string::npos) << sink.shown[0].text;
  EXPECT_EQ(studio->shell.CurFilePath, binary);
  studio->doc.CellText[0][0] = "P0:3";
  files->MarkChanged();
  ASSERT_EQ(files->Save(), compiler::SaveResult::Saved);
  EXPECT_EQ(ReadFile(compiler::MemoFilePath(binary)), kNotText);
  EXPECT_EQ(sink.shown.size(), 1u);
}

// Run as an ordinary user: a program made read-only keeps its bytes when it is saved and the
// user is told; a program in a folder that takes no new file (mode 555) is saved; a memo the
// user may not read (another user's, mode 600) is reported at open and kept by the save.
TEST_F(FileCommandsTest, AnOrdinaryUserSavesOnlyWhereTheyMayWrite) {
  ASSERT_TRUE(ordinary_user::Give(dir.path));
  ASSERT_TRUE(ordinary_user::Give(dir.path / "studio"));
  const std::string notes = "Important commissioning notes";
  WriteFile(dir / "notes.txt", notes);
  ASSERT_EQ(chmod((dir / "notes.txt").c_str(), geteuid() == 0 ? 0600 : 0), 0);
  const int status = ordinary_user::Run([&] {
    const std::string readOnly = MakeProgram("ro.qsl", "P0:1");
    const std::string old = ReadFile(readOnly);
    CHILD_CHECK(chmod(readOnly.c_str(), 0444) == 0);
    host.openNames = {readOnly};
    files->Open();
    studio->doc.CellText[0][0] = "P0:2";
    files->MarkChanged();
    CHILD_CHECK(files->Save() == compiler::SaveResult::NotSaved);
    CHILD_CHECK(ReadFile(readOnly) == old);
    CHILD_CHECK(sink.shown.size() == 1 && sink.shown[0].text.find(readOnly) != std::string::npos);
    CHILD_CHECK(!studio->shell.SourceSaved);
    studio->shell.SourceSaved = true;  // given up

    std::filesystem::create_directory(dir.path / "shared");
    const std::string shared = MakeProgram("shared/prog.qsl", "P0:1");
    CHILD_CHECK(chmod((dir.path / "shared").c_str(), 0555) == 0);
    host.openNames = {shared};
    files->Open();
    studio->doc.CellText[0][0] = "M0:1";
    files->MarkChanged();
    CHILD_CHECK(files->Save() == compiler::SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 1);
    CHILD_CHECK(ReadFile(shared).find("M0:1") != std::string::npos);
    CHILD_CHECK(chmod((dir.path / "shared").c_str(), 0755) == 0);

    const std::string withNotes = MakeProgram("notes.qsl", "P0:1");
    host.openNames = {withNotes};
    files->Open();
    CHILD_CHECK(sink.shown.size() == 2 && sink.shown[1].text.find(dir / "notes.txt") != std::string::npos);
    studio->doc.CellText[0][0] = "P0:4";
    files->MarkChanged();
    CHILD_CHECK(files->Save() == compiler::SaveResult::Saved);
    CHILD_CHECK(sink.shown.size() == 2);
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
  ASSERT_EQ(chmod((dir / "notes.txt").c_str(), 0600), 0);
  EXPECT_EQ(ReadFile(dir / "notes.txt"), notes);
}
