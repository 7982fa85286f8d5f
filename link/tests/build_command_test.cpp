#include "link/build_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "build_test_support.h"
#include "compiler/document.h"
#include "link/exec_cmd.h"
#include "link/hex_image.h"
#include "platform/tests/ordinary_user_support.h"

using namespace plclink;
using build_test::ReadFile;
using build_test::StudioFixture;
using build_test::WriteFile;

namespace {

// Row 0: P0:0 --- (M0:0); row 1: the END box.
void SmallProgram(compiler::ProgramDocument& doc) {
  doc.CellType[0][0] = compiler::kContactNO;
  doc.CellText[0][0] = "P0:0";
  for (int c = 1; c <= 9; ++c) doc.CellType[c][0] = compiler::kWire;
  doc.CellType[10][0] = compiler::kCoil;
  doc.CellText[10][0] = "M0:0";
  for (int c = 0; c <= 8; ++c) doc.CellType[c][1] = compiler::kWire;
  doc.CellType[9][1] = compiler::kBox;
  doc.CellText[9][1] = "END";
}

// Stands in for the batch: records the call and leaves the files it is told to.
struct FakeRunner : ProcessRunner {
  ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) override {
    calls.push_back(argv);
    seenBackup = ReadFile(folder / "QSKLBK.$$$");
    sawStaleHex = std::filesystem::exists(folder / kHexFileName);
    if (started)
      for (const auto& [name, bytes] : leave) WriteFile(folder / name, bytes);
    return {started, exitStatus, output};
  }
  std::vector<std::vector<std::string>> calls;
  std::vector<std::pair<std::string, std::string>> leave;
  std::string output;  // what the batch wrote
  bool started = true;
  int exitStatus = 0;
  bool sawStaleHex = false;
  std::string seenBackup;
};

struct FakeDevice : DeviceSteps {
  StepResult DownloadProgram() override { return log("download", failDownload); }
  StepResult VerifyChecksum() override { return log("checksum", failChecksum); }
  StepResult ClearKeepArea() override { return log("clear", false); }
  StepResult SendRun() override { return log("run", false); }
  StepResult log(const std::string& step, bool fail) {
    steps += step + " ";
    return fail ? StepResult::Failed : StepResult::Done;
  }
  std::string steps;
  bool failDownload = false, failChecksum = false;
};

// The window's side, logging each call; the failing cell is logged with the cursor on it and
// the count of messages shown before it.
struct FakeHost : AutoHost {
  explicit FakeHost(compiler::Studio& studio, platform::RecordingMessageSink& sink) : studio(studio), sink(sink) {}
  void Save() override { log += "save "; }
  void PaintWhileWaiting() override {}
  void FocusBoard() override { log += "focus "; }
  void ShowErrorCell() override {
    const auto& d = studio.doc;
    log += "cell " + std::to_string(d.CurCol) + "," + std::to_string(d.CurRow) + " top " + std::to_string(d.TopRow) +
           " after " + std::to_string(sink.shown.size()) + " ";
  }
  compiler::Studio& studio;
  platform::RecordingMessageSink& sink;
  std::string log;
};

struct AutoFixture : StudioFixture {
  AutoFixture() {
    SmallProgram(studio->doc);
    studio->doc.Setup.UploadFlag = false;
    for (const char* batch : {"ZQA.BAT", "ZQA2.BAT", "ZQA3.BAT"}) WriteFile(folder / batch, "");
    runner.leave = {{kHexFileName, ":0400000012345678E8\r\n:00000001FF\r\n"},
                    {"ZQCORE3.LST", "clean\r\n"},
                    {"ZQCORE2.LST", "clean\r\n"}};
    job.folder = folder;
    job.runner = &runner;
    job.device = &device;
  }
  // Runs Auto; `item` is what its outcome does to the Monitor menu item.
  AutoOutcome Run() {
    const AutoOutcome outcome = RunAuto(*studio, host, job);
    item = MonitorItemAfter(outcome);
    return outcome;
  }
  MonitorItem item = MonitorItem::Unchanged;
  FakeRunner runner;
  FakeDevice device;
  FakeHost host{*studio, sink};
  AutoJob job;
  std::string& log = host.log;
};

TEST(Auto, BuildsDownloadsAndRuns) {
  AutoFixture f;
  EXPECT_EQ(f.Run(), AutoOutcome::Started);
  ASSERT_EQ(f.runner.calls.size(), 1u);
  EXPECT_EQ(f.runner.calls[0], (std::vector<std::string>{"/bin/sh", "ZQA.BAT"}));
  EXPECT_TRUE(f.studio->build.CompileInfo);
  EXPECT_EQ(f.studio->build.RomSize, 4);
  EXPECT_EQ(f.device.steps, "download checksum run ");
  EXPECT_EQ(f.log, "save save ");
  EXPECT_EQ(f.item, MonitorItem::Enable);  // the program runs: it may be monitored
  EXPECT_TRUE(f.sink.shown.empty());
  for (const char* name : {"QS2OUT.$$$", "QSKLINC.$$$", "ZQ3MAC.INC", "QSKLREN.$$$", "QSKLBK.$$$", "ZQVREM.$$$"})
    EXPECT_TRUE(std::filesystem::exists(f.folder / name)) << name;
}

TEST(Auto, BatchByModel) {
  for (auto [model, batch] : std::vector<std::pair<int, std::string>>{
           {1, "ZQA.BAT"}, {2, "ZQA2.BAT"}, {3, "ZQA.BAT"}, {4, "ZQA.BAT"}, {5, "ZQA.BAT"}, {10, "ZQA3.BAT"}}) {
    AutoFixture f;
    f.studio->doc.Setup.PlcModel = int16_t(model);
    EXPECT_EQ(f.Run(), AutoOutcome::Started) << model;
    ASSERT_EQ(f.runner.calls.size(), 1u);
    EXPECT_EQ(f.runner.calls[0][1], batch) << model;
  }
}

TEST(Auto, RefusalsWriteNothing) {
  {
    AutoFixture f;
    f.job.monitorOn = true;
    EXPECT_EQ(f.Run(), AutoOutcome::RefusedMonitoring);
    EXPECT_EQ(f.sink.shown.size(), 1u);  // the refusal
    EXPECT_EQ(f.log, "");
  }
  AutoFixture f;
  f.studio->doc.CellText[9][1] = "NOP";
  EXPECT_EQ(f.Run(), AutoOutcome::NoEnd);
  EXPECT_EQ(f.sink.shown.at(0).caption, "Korvane Studio ERROR !");
  EXPECT_EQ(f.sink.shown.at(0).text, "END Command Not Found !");
  EXPECT_EQ(f.log, "");
  EXPECT_TRUE(f.runner.calls.empty());
  EXPECT_FALSE(std::filesystem::exists(f.folder / "QS2OUT.$$$"));
}

// A program its file cannot hold is refused once, before the save: a build would pack the
// backup of an older program into the module's source archive.
TEST(Auto, AProgramTheFileCannotHoldIsRefusedOnceAndNotBuilt) {
  AutoFixture f;
  f.studio->doc.Setup.UploadFlag = true;
  WriteFile(f.folder / "QSKLBK.$$$", "an older program");
  f.studio->doc.CellType[4][1] = compiler::kWire;
  f.studio->doc.CellText[4][1] = "'" + std::string(300, 'c');
  EXPECT_EQ(f.Run(), AutoOutcome::NotStorable);
  ASSERT_EQ(f.sink.shown.size(), 1u);
  EXPECT_EQ(f.sink.shown[0].text,
            "The text of the cell at column 5, row 2 is longer than 255 bytes. The program was not saved.");
  EXPECT_EQ(f.log, "cell 4,1 top 0 after 0 focus ");
  EXPECT_TRUE(f.runner.calls.empty());
  EXPECT_EQ(ReadFile(f.folder / "QSKLBK.$$$"), "an older program");
  EXPECT_EQ(f.item, MonitorItem::Unchanged);
}

TEST(Auto, TranslationErrorLeavesCompileInfoAlone) {
  AutoFixture f;
  f.studio->doc.CellText[0][0] = "";  // a contact without operand
  f.studio->build.CompileInfo = false;
  EXPECT_EQ(f.Run(), AutoOutcome::TranslationError);
  EXPECT_FALSE(f.studio->build.CompileInfo);
  EXPECT_TRUE(f.runner.calls.empty());
  // The failing cell is shown with the cursor on it before the message, and the ladder
  // keeps the keyboard.
  EXPECT_EQ(f.log, "save cell 0,0 top 0 after 0 focus ");
  EXPECT_EQ(f.item, MonitorItem::Unchanged);
  EXPECT_EQ(f.studio->doc.CurCol, 0);
  EXPECT_EQ(f.studio->doc.CurRow, 0);
  ASSERT_EQ(f.sink.shown.size(), 1u);
  EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Ladder Compile ERROR !");
}

// The assembler refused a line made from a cell: its cell and its lines, once, whether the
// batch passed on the assembler's status (as ours does) or not. Only a batch that ended well
// leaves CompileInfo set.
TEST(Auto, ListingErrorStopsAtItsCellWhateverTheBatchsStatus) {
  for (int status : {0, 2}) {
    SCOPED_TRACE(status);
    AutoFixture f;
    f.runner.leave.push_back({"ZQCORE3.LST", " AN P0:1 ; __Pos 0003 0011\r\n^\r\nerror\r\n"});
    f.runner.exitStatus = status;
    f.runner.output = "Errors: 1\n";
    EXPECT_EQ(f.Run(), AutoOutcome::ListingError);
    EXPECT_EQ(f.studio->build.CompileInfo, status == 0);
    EXPECT_EQ(f.device.steps, "");
    EXPECT_EQ(f.log, "save save cell 3,17 top 15 after 0 focus ");
    EXPECT_EQ(f.item, MonitorItem::Unchanged);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio COMPILE ERROR !");
    EXPECT_EQ(f.sink.shown[0].text, "Ladder compile Error \r\n\r\nAN P0:1 \r\n^\r\nerror");
  }
}

TEST(Auto, StaleOutputsAreNeverRead) {
  AutoFixture f;
  // Outputs of an earlier build lie in the folder; this batch leaves nothing.
  WriteFile(f.folder / kHexFileName, ":0400000012345678E8\r\n");
  WriteFile(f.folder / "ZQCORE3.LST", " X ; __Pos 0001 0001\r\n");
  WriteFile(f.folder / kUploadArchiveName, "old");
  f.runner.leave.clear();
  EXPECT_EQ(f.Run(), AutoOutcome::ImageError);
  EXPECT_FALSE(f.runner.sawStaleHex);
  EXPECT_FALSE(std::filesystem::exists(f.folder / kUploadArchiveName));
  ASSERT_EQ(f.sink.shown.size(), 2u);
  EXPECT_EQ(f.sink.shown[0].text, "File not found : ZQCORE3.LST");
  EXPECT_EQ(f.sink.shown[1].text, "Assemble Code Error : ZQOUT.HEX");
  EXPECT_EQ(f.studio->build.RomSize, 0);
}

// A build that made no HEX file: what the batch wrote (the linker's reason, its own errors)
// stands under the message; a build that made one shows nothing of it.
TEST(Auto, TheBatchsOwnLinesStandUnderTheMessageOfAMissingImage) {
  const std::string linker =
      "zqlink: error: segment \"CODE\" (595286 bytes) does not fit in 0x0000-0x1FFFF\n"
      "zqlink: 1 error(s), no output written\n";
  {
    AutoFixture f;
    f.runner.leave = {{"ZQCORE3.LST", "Errors: 0\r\n"}};
    f.runner.output = linker;
    EXPECT_EQ(f.Run(), AutoOutcome::ImageError);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].caption, "ERROR !");
    EXPECT_EQ(f.sink.shown[0].text,
              "Assemble Code Error : ZQOUT.HEX\r\n\r\n"
              "zqlink: error: segment \"CODE\" (595286 bytes) does not fit in 0x0000-0x1FFFF\r\n"
              "zqlink: 1 error(s), no output written");
    EXPECT_EQ(f.log, "save save focus ");
  }
  {
    // The zip tool failed after the link: its line stands under the missing archive.
    AutoFixture f;
    f.studio->doc.Setup.UploadFlag = true;
    f.runner.output = "ZQBUILD.BAT: 21: zip: not found\n";
    EXPECT_EQ(f.Run(), AutoOutcome::ImageError);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, "File not found : UPFILE.ZIP\r\n\r\nZQBUILD.BAT: 21: zip: not found");
  }
  {
    // The lines of a build that made its image are not shown; those of the next one are its own.
    AutoFixture f;
    f.runner.output = "a warning\n";
    EXPECT_EQ(f.Run(), AutoOutcome::Started);
    EXPECT_TRUE(f.sink.shown.empty());
    f.runner.leave.clear();
    f.runner.output.clear();
    EXPECT_EQ(f.Run(), AutoOutcome::ImageError);
    ASSERT_EQ(f.sink.shown.size(), 2u);  // the listing is missing too
    EXPECT_EQ(f.sink.shown[1].text, "Assemble Code Error : ZQOUT.HEX");
  }
}

TEST(Auto, ABatchThatCannotStartIsReported) {
  for (bool missing : {true, false}) {
    AutoFixture f;
    if (missing)
      std::filesystem::remove(f.folder / "ZQA.BAT");
    else
      f.runner.started = false;
    // An earlier build left an image: with its outputs removed it is no longer current.
    f.studio->build.CompileInfo = true;
    WriteFile(f.folder / kHexFileName, ":0400000012345678E8\r\n");
    EXPECT_EQ(f.Run(), AutoOutcome::BatchNotStarted);
    EXPECT_FALSE(f.studio->build.CompileInfo);
    EXPECT_FALSE(std::filesystem::exists(f.folder / kHexFileName));
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].text, "Build batch could not be started : ZQA.BAT");
  }
}

// Before the batch only plain files of the earlier build go: a folder or a link standing
// under an output's name, and what the link leads to, stay.
TEST(Auto, OnlyPlainOutputFilesAreRemovedBeforeTheBatch) {
  AutoFixture f;
  std::filesystem::create_directory(f.folder / kHexFileName);
  WriteFile(f.folder / "elsewhere.zip", "kept");
  std::filesystem::create_symlink("elsewhere.zip", f.folder / "UPFILE.ZIP");
  WriteFile(f.folder / "ZQCORE3.LST", "old listing");
  RemoveBuildOutputs(f.folder, 1);
  EXPECT_TRUE(std::filesystem::is_directory(f.folder / kHexFileName));
  EXPECT_TRUE(std::filesystem::is_symlink(f.folder / "UPFILE.ZIP"));
  EXPECT_EQ(ReadFile(f.folder / "elsewhere.zip"), "kept");
  EXPECT_FALSE(std::filesystem::exists(f.folder / "ZQCORE3.LST"));
}

// The folder refuses to let the earlier build's outputs go (mode 555 for an ordinary user,
// or a sticky folder where they belong to another user), its files still writable: Auto
// names the output and why, builds and downloads nothing, and the keys go to the ladder.
TEST(Auto, AnEarlierOutputThatStaysStopsTheBuild) {
  for (bool sticky : {false, true}) {
    if (sticky && geteuid() != 0) continue;  // only root can leave another user's files
    SCOPED_TRACE(sticky ? "sticky" : "555");
    AutoFixture f;
    ASSERT_EQ(f.Run(), AutoOutcome::Started);  // the earlier build, by its owner
    f.runner.calls.clear();
    f.device.steps.clear();
    f.log.clear();
    for (const auto& entry : std::filesystem::directory_iterator(f.folder))
      ASSERT_EQ(chmod(entry.path().c_str(), 0666), 0);
    ASSERT_EQ(chmod(f.folder.c_str(), sticky ? 01777 : 0555), 0);
    f.studio->doc.CellText[0][0] = "P0:1";  // another program
    const int status = ordinary_user::Run([&] {
      CHILD_CHECK(f.Run() == AutoOutcome::OutputKept);
      CHILD_CHECK(f.runner.calls.empty());
      CHILD_CHECK(f.device.steps.empty());
      CHILD_CHECK(!f.studio->build.CompileInfo);
      CHILD_CHECK(f.log == "save focus ");
      CHILD_CHECK(f.item == MonitorItem::Unchanged);
      CHILD_CHECK(f.sink.shown.size() == 1);
      CHILD_CHECK(f.sink.shown[0].caption == "Korvane Studio Error !");
      CHILD_CHECK(f.sink.shown[0].text == "Old Build File Remove Error (no permission to remove it from the studio's "
                                          "folder) : " + (f.folder / "ZQOUT.HEX").string() +
                                              "\r\nNothing was built or downloaded.");
      // The program's own files were written for this build all the same.
      CHILD_CHECK(ReadFile(f.folder / "QS2OUT.$$$").find("P0:1") != std::string::npos);
      f.studio->shell.KoreanMenu = true;
      CHILD_CHECK(f.Run() == AutoOutcome::OutputKept);
      CHILD_CHECK(f.sink.shown.back().text == "이전 빌드 파일 삭제 에러 (스튜디오 폴더에서 지울 권한이 없습니다) : " +
                                                  (f.folder / "ZQOUT.HEX").string() +
                                                  "\r\n빌드와 다운로드를 하지 않았습니다.");
      return 0;
    });
    EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
    EXPECT_EQ(ReadFile(f.folder / kHexFileName), ":0400000012345678E8\r\n:00000001FF\r\n");
    chmod(f.folder.c_str(), 0755);
  }
}

// A batch that ends with a non-zero status made no image of this program, whatever lies in
// the folder: Auto says so once, with the batch's lines, and downloads nothing.
TEST(Auto, ABatchThatFailsStopsTheBuild) {
  {
    // The HEX file and a clean listing are there: the batch's status tells.
    AutoFixture f;
    f.runner.exitStatus = 1;
    f.runner.output = "rm: cannot remove 'ZQOUT.HEX': Permission denied\n";
    EXPECT_EQ(f.Run(), AutoOutcome::BatchFailed);
    EXPECT_FALSE(f.studio->build.CompileInfo);
    EXPECT_EQ(f.device.steps, "");
    EXPECT_EQ(f.log, "save save focus ");
    EXPECT_EQ(f.item, MonitorItem::Unchanged);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Error !");
    EXPECT_EQ(f.sink.shown[0].text,
              "Build Batch Error (exit status 1) : ZQA.BAT\r\n\r\nrm: cannot remove 'ZQOUT.HEX': Permission denied");
    f.studio->shell.KoreanMenu = true;
    EXPECT_EQ(f.Run(), AutoOutcome::BatchFailed);
    EXPECT_EQ(f.sink.shown.back().text, "빌드 배치 파일 실행 에러 (종료 코드 1) : ZQA.BAT\r\n\r\n"
                                        "rm: cannot remove 'ZQOUT.HEX': Permission denied");
  }
  {
    // No listing and no HEX file: one message, the missing HEX file's, with the lines.
    AutoFixture f;
    f.runner.leave.clear();
    f.runner.exitStatus = 2;
    f.runner.output = "zqlink: 1 error(s), no output written\n";
    EXPECT_EQ(f.Run(), AutoOutcome::BatchFailed);
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].caption, "ERROR !");
    EXPECT_EQ(f.sink.shown[0].text, "Assemble Code Error : ZQOUT.HEX\r\n\r\nzqlink: 1 error(s), no output written");
    EXPECT_EQ(f.log, "save save focus ");
  }
}

TEST(Auto, TheBackupHoldsTheProgramInMemory) {
  AutoFixture f;
  WriteFile(f.folder / "QSKLBK.$$$", "stale");
  EXPECT_EQ(f.Run(), AutoOutcome::Started);
  EXPECT_NE(f.runner.seenBackup, "stale");
  EXPECT_NE(f.runner.seenBackup.find("P0:0"), std::string::npos);
}

TEST(Auto, DeviceStepsAndTheRunQuestion) {
  {
    AutoFixture f;
    f.device.failDownload = true;
    EXPECT_EQ(f.Run(), AutoOutcome::DownloadError);
    EXPECT_EQ(f.device.steps, "download ");
    EXPECT_EQ(f.log, "save save focus ");
    EXPECT_EQ(f.item, MonitorItem::Unchanged);  // the module's program is what it was
  }
  {
    AutoFixture f;
    f.device.failChecksum = true;
    f.studio->doc.Setup.ClearKeepFlag = true;
    EXPECT_EQ(f.Run(), AutoOutcome::ChecksumError);
    EXPECT_EQ(f.device.steps, "download checksum ");
    // The module holds the new program, stopped: the Monitor item goes off.
    EXPECT_EQ(f.log, "save save focus ");
    EXPECT_EQ(f.item, MonitorItem::Disable);
  }
  {
    AutoFixture f;
    f.studio->doc.Setup.ClearKeepFlag = true;
    f.job.askStart = true;
    f.sink.answers = {platform::MsgResult::No};
    EXPECT_EQ(f.Run(), AutoOutcome::NotStarted);
    EXPECT_EQ(f.device.steps, "download checksum clear ");
    ASSERT_EQ(f.sink.shown.size(), 1u);
    EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio ");
    EXPECT_EQ(f.sink.shown[0].text, "Do you want execution now ?");
    EXPECT_EQ(f.sink.shown[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(f.log, "save save ");
    EXPECT_EQ(f.item, MonitorItem::Disable);  // disabled by the download, not enabled again
  }
  {
    AutoFixture f;
    f.job.askStart = true;
    f.studio->shell.KoreanMenu = true;
    f.sink.answers = {platform::MsgResult::Yes};
    EXPECT_EQ(f.Run(), AutoOutcome::Started);
    EXPECT_EQ(f.sink.shown.at(0).text, "다운로드가 완료되었습니다. 지금 실행하시겠습니까?");
  }
  AutoFixture f;
  f.job.device = nullptr;
  EXPECT_EQ(f.Run(), AutoOutcome::ImageReady);
  EXPECT_EQ(f.item, MonitorItem::Unchanged);  // nothing was downloaded
  // An unreadable listing stops the build without a cell.
  AutoFixture g;
  g.runner.leave.clear();
  std::filesystem::create_directory(g.folder / "ZQCORE3.LST");  // kept by the clean-up: not empty
  WriteFile(g.folder / "ZQCORE3.LST" / "x", "");
  EXPECT_EQ(g.Run(), AutoOutcome::ListingError);
  EXPECT_EQ(g.log, "save save focus ");
}

TEST(ExecCmd, TheWaitCallsItsCallbackWhileTheChildRunsAndReturnsWhenItEnds) {
  const auto folder = build_test::FreshFolder("exec_wait");
  // The child ends only once the callback has seen it running: a blocking wait never returns.
  int calls = 0;
  bool childRanDuringCall = false;
  SpawnProcessRunner runner([&] {
    ++calls;
    if (std::filesystem::exists(folder / "running")) childRanDuringCall = true;
    if (childRanDuringCall && !std::filesystem::exists(folder / "go")) WriteFile(folder / "go", "");
  });
  const ExecResult r = runner.Run(
      {"/bin/sh", "-c", "touch running; n=0; while [ ! -e go ] && [ $n -lt 500 ]; do sleep 0.01; n=$((n+1)); done; "
                        "[ -e go ] || exit 9; rm running; exit 5"},
      folder);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitStatus, 5);  // it ended through "go", not after its 5 s limit
  EXPECT_TRUE(childRanDuringCall);
  EXPECT_FALSE(std::filesystem::exists(folder / "running"));  // returned after the child ended
  std::filesystem::remove_all(folder);
}

// Kept output: what the program writes to its output and its errors, in the order written,
// is in the result (at most kKeptOutputBytes of it) and, all of it, on the caller's errors.
TEST(ExecCmd, KeptOutputIsReturnedAndStillReachesTheTerminal) {
  const auto folder = build_test::FreshFolder("exec_output");
  ::testing::internal::CaptureStderr();
  ExecResult r = ExecCmd({"/bin/sh", "-c", "echo out; echo err >&2; echo out2; exit 4"}, folder, {}, ExecOutput::Kept);
  std::string terminal = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitStatus, 4);
  EXPECT_EQ(r.output, "out\nerr\nout2\n");
  EXPECT_EQ(terminal, r.output);

  ::testing::internal::CaptureStderr();
  r = ExecCmd({"/bin/sh", "-c", "head -c 100000 /dev/zero | tr '\\0' a"}, folder, {}, ExecOutput::Kept);
  terminal = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(r.output, std::string(kKeptOutputBytes, 'a'));
  EXPECT_EQ(terminal, std::string(100000, 'a'));

  // The runner of the build batch keeps it; a plain run shares the caller's.
  ::testing::internal::CaptureStderr();
  r = SpawnProcessRunner().Run({"/bin/sh", "-c", "echo batch >&2"}, folder);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(r.output, "batch\n");
  ::testing::internal::CaptureStderr();
  r = ExecCmd({"/bin/sh", "-c", "echo shared >&2"}, folder);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "shared\n");
  EXPECT_EQ(r.output, "");
  EXPECT_FALSE(ExecCmd({"/no/such/program"}, folder, {}, ExecOutput::Kept).started);
  std::filesystem::remove_all(folder);
}

TEST(ExecCmd, RunsInTheFolderWithoutAShell) {
  const auto folder = build_test::FreshFolder("exec");
  WriteFile(folder / "T.BAT", "pwd > where.txt\nexit 3\n");
  ExecResult r = ExecCmd({"/bin/sh", "T.BAT"}, folder);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitStatus, 3);
  EXPECT_EQ(ReadFile(folder / "where.txt"), std::filesystem::canonical(folder).string() + "\n");
  // Arguments go as they are: no shell word splitting or expansion.
  r = ExecCmd({"/bin/sh", "-c", "printf '%s' \"$0\" > arg.txt", "a b;$HOME"}, folder);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(ReadFile(folder / "arg.txt"), "a b;$HOME");
  EXPECT_FALSE(ExecCmd({"/no/such/program"}, folder).started);
  EXPECT_FALSE(ExecCmd({"/bin/sh", "-c", "true"}, folder / "missing").started);
  EXPECT_FALSE(ExecCmd({}, folder).started);

  WriteFile(folder / "ZQ3MAC.INC", "macros");
  ClearMacroInclude(folder);
  EXPECT_EQ(ReadFile(folder / "ZQ3MAC.INC"), "");
  std::filesystem::remove_all(folder);
}

}  // namespace
