// The device commands of the menu against the simulated module: Verify, Erase, Object
// Download, Upload with the archive unpacking, Auto's module steps, and a matrix
// of injected faults.
#include "link/device_menu.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "link/archive_extract.h"
#include "link/download.h"
#include "link/exec_cmd.h"
#include "link/hex_image.h"
#include "link/tests/auto_steps.h"
#include "link/tests/sim_bench.h"
#include "link/tests/stored_zip.h"
#include "platform/tests/ordinary_user_support.h"

namespace plclink {
namespace {

using namespace plclink::testing;

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Stands in for the build batch: records its command lines, leaves the HEX file it is
// given and reports it started.
struct BatchRunner : ProcessRunner {
  ExecResult Run(const std::vector<std::string>& argv, const std::filesystem::path& folder) override {
    ran.push_back(argv.back());
    if (hex) WriteFile(folder / "ZQOUT.HEX", Bytes(hex->begin(), hex->end()));
    return {started, exitStatus, output};
  }
  std::vector<std::string> ran;
  std::string output;  // what the batch wrote
  std::optional<std::string> hex;  // the HEX file it leaves
  bool started = true;
  int exitStatus = 0;
};

// The build road's image as each test makes it: the reader returns true on failure.
struct FakeBuild : BuildHost {
  explicit FakeBuild(std::function<bool(DeviceJob&)> read) : read(std::move(read)) {}
  StepResult ReadHexFile(DeviceJob& job) override { return read(job) ? StepResult::Failed : StepResult::Done; }
  std::function<bool(DeviceJob&)> read;
};

// The HEX reader of the build road itself, through a studio whose messages go with the
// module's.
struct StudioHexReader : BuildHost {
  explicit StudioHexReader(platform::MessageSink& messages) {
    studio.messages = &messages;
    studio.doc.Setup.UploadFlag = false;
  }
  StepResult ReadHexFile(DeviceJob& job) override {
    const bool failed = plclink::ReadHexFile(studio, job.folder);
    job.romSize = studio.build.RomSize;
    return failed ? StepResult::Failed : StepResult::Done;
  }
  compiler::Studio studio;
};

// A refused Verify leaves the keyboard where it was; one that compared unequal gives it to
// the ladder.
TEST(VerifyCommand, RefusalsSuccessAndMismatch) {
  SimBench b(ProfileOf(10));
  Outcome o = VerifyCommand(*b.device, b.job, true);
  EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(b.messages.shown.size(), 1u);  // the refusal
  o = VerifyCommand(*b.device, b.job, false);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(b.Texts().back(), "No compile information ! Compile First !");
  EXPECT_EQ(b.messages.shown.back().caption, "Korvane Studio ERROR !");
  b.Image(300);
  const AutoStepsResult run = RunAutoSteps(*b.device, b.job, b.messages, false, false);
  EXPECT_EQ(run.monitor, MonitorItem::Enable);
  EXPECT_FALSE(run.ladderTakesKeys);
  o = VerifyCommand(*b.device, b.job, false);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_EQ(b.messages.shown.size(), 2u);

  b.core.program()[7] ^= 0xFF;
  o = VerifyCommand(*b.device, b.job, false);
  EXPECT_TRUE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
  EXPECT_EQ(b.Texts().back().rfind("Verify Error at ADDRESS : ", 0), 0u) << b.Texts().back();
}

TEST(Erase, SmallModelsWriteFourErasedBytes) {
  SimBench b(ProfileOf(1));
  WriteFile(b.job.Image(), Bytes(40, 0x12));
  bool readHex = false;
  BatchRunner runner;
  FakeBuild build{[&](DeviceJob&) { return readHex = true, false; }};
  b.core.program()[0] = 0x00;
  Outcome o = EraseCommand(*b.device, b.job, build, &runner, false);
  EXPECT_TRUE(o.ladderTakesKeys);  // after a successful erase too
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_TRUE(runner.ran.empty());
  EXPECT_FALSE(readHex);
  // Four erased bytes and the no-source marker, nothing of what the file held before.
  EXPECT_EQ(ReadFile(b.job.Image()), Bytes(6, 0xFF));
  EXPECT_EQ(b.job.romSize, 4);
  EXPECT_TRUE(b.job.compileInfo);
  EXPECT_EQ(b.core.program()[0], 0xFF);
  EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();
  // The erase image verifies.
  EXPECT_EQ(VerifyCommand(*b.device, b.job, false).monitor, MonitorItem::Disable);
  EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();
}

// After an Auto the image file holds a longer program: the erased module keeps no byte of
// it, the no-source marker included, and the erase image verifies.
TEST(Erase, SmallModelsKeepNothingOfTheEarlierProgram) {
  for (int firmware : {30, 11}) {
    SCOPED_TRACE(firmware);
    SimBench b(ProfileOf(1, firmware));
    const Bytes earlier = b.Image(600);
    ASSERT_EQ(RunAutoSteps(*b.device, b.job, b.messages, false, false).outcome, AutoOutcome::Started);
    ASSERT_TRUE(b.ProgramEquals(earlier, earlier.size()));
    BatchRunner runner;
    FakeBuild build{[](DeviceJob&) { return false; }};
    EraseCommand(*b.device, b.job, build, &runner, false);
    EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();
    EXPECT_EQ(ReadFile(b.job.Image()), Bytes(6, 0xFF));
    EXPECT_EQ(b.job.romSize, 4);
    EXPECT_EQ(b.core.storedLength(), 256u);
    EXPECT_EQ(Bytes(b.core.program().begin(), b.core.program().begin() + 256), Bytes(256, 0xFF));
    EXPECT_EQ(VerifyCommand(*b.device, b.job, false).monitor, MonitorItem::Disable);
    EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();
  }
}

TEST(Erase, ModelTenBuildsAnEmptyProgram) {
  SimBench b(ProfileOf(10));
  WriteFile(b.folder.path / "ZQ3MAC.INC", {'x'});
  WriteFile(b.folder.path / "ZQA3.BAT", {});
  BatchRunner runner;
  FakeBuild build{[&](DeviceJob& job) {
                     job.romSize = 0;
                     Bytes image = MakeImage(16, nullptr, &job.romSize);
                     WriteFile(job.Image(), image);
                     return false;
                   }};
  Outcome o = EraseCommand(*b.device, b.job, build, &runner, false);
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_EQ(runner.ran, std::vector<std::string>{"ZQA3.BAT"});
  EXPECT_EQ(Text(ReadFile(b.folder.path / "QSKLINC.$$$")), " RET \r\n");
  EXPECT_EQ(Text(ReadFile(b.folder.path / "QSKLBK.$$$")), " RET \r\n");
  EXPECT_TRUE(ReadFile(b.folder.path / "ZQ3MAC.INC").empty());
  EXPECT_EQ(b.job.romSize, 16);
  EXPECT_TRUE(b.messages.shown.empty());

  // The HEX reader has what the batch wrote, to show under its message.
  runner.output = "zqlink: 1 error(s), no output written\n";
  std::string seen;
  FakeBuild failing{[&](DeviceJob& job) { return seen = job.batchOutput, true; }};
  EXPECT_TRUE(EraseCommand(*b.device, b.job, failing, &runner, false).ladderTakesKeys);
  EXPECT_EQ(seen, runner.output);
  EXPECT_EQ(EraseCommand(*b.device, b.job, build, &runner, true).monitor, MonitorItem::Unchanged);
}

// After an Auto, the batch can no longer run while the outputs of that build lie in the
// folder: Erase reports it as Auto does and downloads nothing, and Object Download then has
// no image to send.
TEST(Erase, ModelTenNeverDownloadsTheImageOfAnEarlierBuild) {
  enum Case { Missing, Unreadable, NotStarted };
  for (Case c : {Missing, Unreadable, NotStarted}) {
    if (c == Unreadable && geteuid() == 0) continue;  // root reads every file
    SCOPED_TRACE(c);
    SimBench b(ProfileOf(10));
    BatchRunner runner;
    StudioHexReader build(b.messages);
    // The earlier build's outputs, its image already in the module.
    const std::string earlierHex = ":0C00000000010203040506070C000A0BB7\r\n:00000001FF\r\n";
    WriteFile(b.folder.path / "ZQOUT.HEX", Bytes(earlierHex.begin(), earlierHex.end()));
    WriteFile(b.folder.path / "ZQCORE2.LST", {'l'});
    WriteFile(b.folder.path / "UPFILE.ZIP", {'z'});
    b.Image(40);
    b.core.program()[0] = 0x5A;
    WriteFile(b.folder.path / "ZQA3.BAT", {'e', 'x', 'i', 't'});
    if (c == Missing) std::filesystem::remove(b.folder.path / "ZQA3.BAT");
    if (c == Unreadable) std::filesystem::permissions(b.folder.path / "ZQA3.BAT", std::filesystem::perms::none);
    if (c == NotStarted) runner.started = false;
    b.Sent();

    const Outcome o = EraseCommand(*b.device, b.job, build, &runner, false);
    EXPECT_TRUE(o.ladderTakesKeys);
    EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
    EXPECT_EQ(b.Texts(), std::vector<std::string>{"Build batch could not be started : ZQA3.BAT"});
    EXPECT_EQ(b.messages.shown.back().caption, "Korvane Studio Error !");
    EXPECT_TRUE(b.Sent().empty());
    EXPECT_EQ(b.core.program()[0], 0x5A);
    EXPECT_FALSE(b.job.compileInfo);
    for (const char* name : {"ZQOUT.HEX", "ZQCORE2.LST", "UPFILE.ZIP"})
      EXPECT_FALSE(std::filesystem::exists(b.folder.path / name)) << name;

    // A HEX file of an earlier build put back in the folder is not downloaded either.
    WriteFile(b.folder.path / "ZQOUT.HEX", Bytes(earlierHex.begin(), earlierHex.end()));
    EXPECT_FALSE(ObjectDownloadCommand(*b.device, b.job, build, false).ladderTakesKeys);
    EXPECT_EQ(b.Texts().back(), "No compile information ! Please (AUTO) Click !");
    EXPECT_EQ(b.core.program()[0], 0x5A);
  }
}

// A model-10 erase whose build did not make the empty program's image downloads nothing: an
// earlier output the folder does not let go (mode 555, as an ordinary user), or a batch that
// ends with a non-zero status although its HEX file is there.
TEST(Erase, ModelTenDownloadsNothingOfABuildThatFailed) {
  const std::string hex = ":0C00000000010203040506070C000A0BB7\r\n:00000001FF\r\n";
  for (bool kept : {true, false}) {
    SCOPED_TRACE(kept ? "kept" : "failed");
    SimBench b(ProfileOf(10));
    StudioHexReader build(b.messages);
    BatchRunner runner;
    runner.hex = hex;
    runner.exitStatus = kept ? 0 : 1;
    runner.output = "ZQBUILD.BAT: 21: zip: not found\n";
    for (const char* name : {"ZQA3.BAT", "QSKLINC.$$$", "QSKLBK.$$$", "ZQ3MAC.INC", "ZQOUT.HEX"})
      WriteFile(b.folder.path / name, Bytes(hex.begin(), hex.end()));
    b.Image(40);
    b.core.program()[0] = 0x5A;
    b.Sent();
    Outcome o;
    if (kept) {
      for (const auto& entry : std::filesystem::directory_iterator(b.folder.path))
        ASSERT_EQ(chmod(entry.path().c_str(), 0666), 0);
      ASSERT_EQ(chmod(b.folder.path.c_str(), 0555), 0);
      const int status = ordinary_user::Run([&] {
        o = EraseCommand(*b.device, b.job, build, &runner, false);
        CHILD_CHECK(runner.ran.empty());
        CHILD_CHECK(b.Texts() == std::vector<std::string>{"Old Build File Remove Error (no permission to remove it "
                                                          "from the studio's folder) : " +
                                                          (b.folder.path / "ZQOUT.HEX").string() +
                                                          "\r\nNothing was built or downloaded."});
        CHILD_CHECK(o.ladderTakesKeys && o.monitor == MonitorItem::Unchanged);
        CHILD_CHECK(b.Sent().empty());
        CHILD_CHECK(b.core.program()[0] == 0x5A);
        CHILD_CHECK(!b.job.compileInfo);
        return 0;
      });
      EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
      chmod(b.folder.path.c_str(), 0700);
      continue;
    }
    o = EraseCommand(*b.device, b.job, build, &runner, false);
    EXPECT_EQ(runner.ran, std::vector<std::string>{"ZQA3.BAT"});
    ASSERT_EQ(b.Texts(), std::vector<std::string>{"Build Batch Error (exit status 1) : ZQA3.BAT\r\n\r\n"
                                                  "ZQBUILD.BAT: 21: zip: not found"});
    EXPECT_EQ(b.messages.shown.back().caption, "Korvane Studio Error !");
    EXPECT_TRUE(o.ladderTakesKeys);
    EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
    EXPECT_TRUE(b.Sent().empty());
    EXPECT_EQ(b.core.program()[0], 0x5A);
    EXPECT_FALSE(b.job.compileInfo);
  }
}

// An image kept elsewhere through a link (as the studio's folder may hold it) is erased where
// the link leads, and the link stays.
TEST(Erase, ALinkedImageKeepsItsLink) {
  SimBench b(ProfileOf(1));
  TempFolder elsewhere;
  WriteFile(elsewhere.path / "image.bin", Bytes(40, 0x12));
  std::filesystem::create_symlink(elsewhere.path / "image.bin", b.job.Image());
  struct stat link {};
  ASSERT_EQ(lstat(b.job.Image().c_str(), &link), 0);
  BatchRunner runner;
  FakeBuild build{[](DeviceJob&) { return false; }};
  EraseCommand(*b.device, b.job, build, &runner, false);
  EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();
  struct stat now {};
  ASSERT_EQ(lstat(b.job.Image().c_str(), &now), 0);
  EXPECT_TRUE(S_ISLNK(now.st_mode));
  EXPECT_EQ(now.st_ino, link.st_ino);
  EXPECT_EQ(ReadFile(elsewhere.path / "image.bin"), Bytes(6, 0xFF));
  EXPECT_EQ(b.core.program()[0], 0xFF);
}

// The one-line program of a model-10 erase that the file-size limit (ulimit -f) does not let
// through is reported with its message; the studio goes on, nothing is built or downloaded,
// and the files keep what they held.
TEST(Erase, ModelTenReportsAFileItCannotWrite) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 0;
    {
      SimBench b(ProfileOf(10));
      WriteFile(b.folder.path / "QSKLINC.$$$", Bytes{'o', 'l', 'd'});
      WriteFile(b.folder.path / "QSKLBK.$$$", Bytes{'o', 'l', 'd'});
      BatchRunner runner;
      FakeBuild build{[](DeviceJob&) { return false; }};
      rlimit limit{};
      getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = 4;
      setrlimit(RLIMIT_FSIZE, &limit);
      const Outcome o = EraseCommand(*b.device, b.job, build, &runner, false);
      if (b.Texts() != std::vector<std::string>{"File Open Error (qsklinc.$$$) !!!"}) code = 1;
      else if (b.messages.shown[0].caption != "Korvane Studio ERROR !") code = 2;
      else if (!runner.ran.empty() || o.monitor != MonitorItem::Unchanged) code = 3;
      else if (ReadFile(b.folder.path / "QSKLINC.$$$") != Bytes{'o', 'l', 'd'}) code = 4;
      else if (ReadFile(b.folder.path / "QSKLBK.$$$") != Bytes{'o', 'l', 'd'}) code = 5;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ObjectDownload, NeedsTheHexReaderAndDownloads) {
  SimBench b(ProfileOf(4, 60));
  Bytes image;
  std::int32_t size = 400;
  FakeBuild build{[&](DeviceJob& job) {
                     image = MakeImage(size, nullptr, &job.romSize);
                     WriteFile(job.Image(), image);
                     return false;
                   }};
  b.job.compileInfo = true;
  Outcome o = ObjectDownloadCommand(*b.device, b.job, build, false);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_TRUE(b.ProgramEquals(image, image.size()));
  EXPECT_TRUE(b.messages.shown.empty()) << b.Texts().front();

  // The download's own refusals leave the keys where they were, as Verify's refusal does;
  // the module is not touched.
  b.Sent();
  b.job.compileInfo = false;
  o = ObjectDownloadCommand(*b.device, b.job, build, false);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
  EXPECT_EQ(b.Texts().back(), "No compile information ! Please (AUTO) Click !");
  b.job.compileInfo = true;
  b.job.plcModel = 7;
  EXPECT_FALSE(ObjectDownloadCommand(*b.device, b.job, build, false).ladderTakesKeys);
  EXPECT_EQ(b.messages.shown.size(), 2u);
  b.job.plcModel = 4;
  size = ProgramMemoryBytes(4);
  EXPECT_FALSE(ObjectDownloadCommand(*b.device, b.job, build, false).ladderTakesKeys);
  EXPECT_EQ(b.messages.shown.size(), 3u);
  EXPECT_TRUE(b.Sent().empty());

  // Past the checks, a HEX file that cannot be read or a module that does not answer gives
  // the ladder the keys.
  size = 400;
  b.core.AddFault(*zqvsim::ParseFault("A1 none", nullptr));
  o = ObjectDownloadCommand(*b.device, b.job, build, false);
  EXPECT_TRUE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
  EXPECT_EQ(b.messages.shown.size(), 4u);
  FakeBuild failing{[](DeviceJob&) { return true; }};
  EXPECT_TRUE(ObjectDownloadCommand(*b.device, b.job, failing, false).ladderTakesKeys);
}

// A HEX file cut short (no end record, or empty) is refused by Object Download and by the
// model-10 Erase: nothing reaches the module.
TEST(ObjectDownload, AHexFileCutShortIsNeverDownloaded) {
  const std::string whole = ":0C00000000010203040506070C000A0BB7\r\n:0400000012345678E8\r\n:00000001FF\r\n";
  for (const std::string& hex : {whole.substr(0, whole.find(":04")), whole.substr(0, whole.find(":00")), std::string()})
    for (bool erase : {false, true}) {
      SCOPED_TRACE(hex + (erase ? "erase" : "object download"));
      SimBench b(ProfileOf(10));
      StudioHexReader build(b.messages);
      BatchRunner runner;
      runner.hex = hex;  // the erase's batch leaves it
      WriteFile(b.folder.path / "ZQA3.BAT", {});
      WriteFile(b.folder.path / "ZQOUT.HEX", Bytes(hex.begin(), hex.end()));
      b.Image(40);
      b.core.program()[0] = 0x5A;
      b.Sent();
      const Outcome o = erase ? EraseCommand(*b.device, b.job, build, &runner, false)
                              : ObjectDownloadCommand(*b.device, b.job, build, false);
      EXPECT_TRUE(o.ladderTakesKeys);
      EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
      EXPECT_EQ(b.Texts(), std::vector<std::string>{"Hex File Format Error !"});
      EXPECT_TRUE(b.Sent().empty());
      EXPECT_EQ(b.core.program()[0], 0x5A);
      EXPECT_EQ(b.job.romSize, 0);
    }
}

TEST(AutoModuleSteps, AskClearKeepAndRun) {
  SimBench b(ProfileOf(5));
  b.Image(700);
  b.core.data()[b.core.KeepArea().first + 3] = 0x44;
  b.messages.answers = {platform::MsgResult::No};
  AutoStepsResult o = RunAutoSteps(*b.device, b.job, b.messages, true, true);
  EXPECT_EQ(o.outcome, AutoOutcome::NotStarted);
  EXPECT_FALSE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_FALSE(b.core.running());
  EXPECT_EQ(b.core.data()[b.core.KeepArea().first + 3], 0x00);
  ASSERT_EQ(b.messages.shown.size(), 1u);
  EXPECT_EQ(b.messages.shown[0].text, "Do you want execution now ?");
  EXPECT_EQ(b.messages.shown[0].caption, "Korvane Studio ");
  EXPECT_EQ(b.messages.shown[0].buttons, platform::MsgButtons::YesNo);

  b.messages.answers = {platform::MsgResult::Yes};
  o = RunAutoSteps(*b.device, b.job, b.messages, false, true);
  EXPECT_EQ(o.monitor, MonitorItem::Enable);
  EXPECT_TRUE(b.core.running());

  b.core.AddFault(*zqvsim::ParseFault("A8 wrongsum", nullptr));
  o = RunAutoSteps(*b.device, b.job, b.messages, false, false);
  EXPECT_EQ(o.outcome, AutoOutcome::ChecksumError);
  EXPECT_TRUE(o.ladderTakesKeys);
  EXPECT_EQ(o.monitor, MonitorItem::Disable);  // downloaded, so stopped
  EXPECT_EQ(b.Texts().back().rfind("Check Sum UnMatch Error !!!  PC : ", 0), 0u);
}

struct UploadRig {
  explicit UploadRig(const Bytes& archive, int model = 10, bool extended = false) : b(ProfileOf(model, 0, extended)) {
    b.Image(400, &archive);
    EXPECT_FALSE(DownloadProgram(*b.device, b.job));
  }
  // The window's side, logging each call.
  struct Host : UploadHost {
    explicit Host(UploadRig& rig) : rig(rig) {}
    void SaveProgram() override { Saved("save"); }
    void SaveAs() override { Saved("saveAs"); }
    bool Unsaved() override { return rig.shell.Unsaved(); }
    void Saved(const char* call) {
      rig.calls.push_back(call);
      if (!rig.saveStores) return;  // a failed or cancelled save leaves the edits unsaved
      rig.shell.SourceSaved = true;
      rig.shell.MemoChanged = false;
    }
    void OpenProgram(const std::filesystem::path& p) override {
      rig.calls.push_back("open " + p.string());
      rig.opened = Text(ReadFile(p));
    }
    void SetCaption(const std::string& c) override { rig.calls.push_back("caption " + c); }
    UploadRig& rig;
  };
  Outcome Run() { return UploadCommand(*b.device, b.job, shell, host, false); }
  SimBench b;
  compiler::ShellState shell;
  Host host{*this};
  bool saveStores = true;  // the save reaches every file
  std::vector<std::string> calls;
  std::string opened;
};

TEST(UploadCommand, BringsTheStoredProgramBackAsAnUntitledDocument) {
  const std::string program = "QSL program bytes \x01\x02";
  UploadRig r(StoredZip({{"QSKLBK.$$$", program}}));
  WriteFile(r.b.folder.path / "QSKLBK.$$$", {'l', 'o', 'c', 'a', 'l'});
  r.shell.CurFilePath = "/home/u/prog.qsl";
  r.shell.SourceSaved = false;
  r.b.messages.answers = {platform::MsgResult::Yes, platform::MsgResult::Yes};
  Outcome o = r.Run();
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_TRUE(o.ladderTakesKeys);  // on the program just opened
  EXPECT_EQ(r.opened, program);
  ASSERT_EQ(r.calls.size(), 3u);
  EXPECT_EQ(r.calls[0], "save");
  EXPECT_EQ(r.calls[1], "open " + (r.b.folder.path / "QSKLBK.$$$").string());
  EXPECT_EQ(r.calls[2], "caption Korvane studio [ untitled.qsl ]");
  EXPECT_EQ(r.shell.CurFilePath, "Untitled.qsl");
  EXPECT_FALSE(r.shell.SourceSaved);
  ASSERT_EQ(r.b.messages.shown.size(), 2u);
  EXPECT_EQ(r.b.messages.shown[0].text, "The Source has changed.\r\nDo you want to save the change ?");
  EXPECT_EQ(r.b.messages.shown[0].buttons, platform::MsgButtons::YesNoCancel);
  EXPECT_EQ(r.b.messages.shown[1].text, "Do you want Source upload ?");
}

TEST(UploadCommand, CancelNoAndAnUntitledSave) {
  const Bytes archive = StoredZip({{"QSKLBK.$$$", "p"}});
  {
    UploadRig r(archive);
    r.shell.SourceSaved = false;
    r.b.Sent();
    r.b.messages.answers = {platform::MsgResult::Cancel};
    r.Run();
    EXPECT_TRUE(r.b.Sent().empty());
    EXPECT_TRUE(r.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(r.b.folder.path / "DNFILE.ZIP"));
  }
  {
    UploadRig r(archive);
    r.shell.SourceSaved = false;
    r.b.messages.answers = {platform::MsgResult::Yes, platform::MsgResult::No};
    Outcome o = r.Run();
    EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
    EXPECT_FALSE(o.ladderTakesKeys);
    EXPECT_EQ(r.calls, std::vector<std::string>{"saveAs"});
    EXPECT_EQ(ReadFile(r.b.folder.path / "DNFILE.ZIP"), archive);
    EXPECT_FALSE(std::filesystem::exists(r.b.folder.path / "QSKLBK.$$$"));
  }
}

// Yes at the save question goes on only when the save stored every edit: after a save that
// failed, or a Save As cancelled, Upload ends before it asks the module, and the program with
// its edit stays.
TEST(UploadCommand, AnEditTheSaveDidNotStoreEndsTheUpload) {
  for (const char* path : {"/home/u/read-only.qsl", "Untitled.qsl"}) {
    UploadRig r(StoredZip({{"QSKLBK.$$$", "p"}}));
    r.saveStores = false;
    r.shell.CurFilePath = path;
    r.shell.SourceSaved = false;
    r.b.Sent();
    r.b.messages.answers = {platform::MsgResult::Yes, platform::MsgResult::Yes};
    Outcome o = r.Run();
    EXPECT_EQ(o.monitor, MonitorItem::Unchanged);
    EXPECT_FALSE(o.ladderTakesKeys);
    EXPECT_EQ(r.calls, std::vector<std::string>{path == std::string("Untitled.qsl") ? "saveAs" : "save"});
    EXPECT_TRUE(r.b.Sent().empty()) << path;
    EXPECT_EQ(r.b.messages.shown.size(), 1u);  // the save question alone
    EXPECT_FALSE(std::filesystem::exists(r.b.folder.path / "DNFILE.ZIP"));
    EXPECT_EQ(r.shell.CurFilePath, path);
    EXPECT_FALSE(r.shell.SourceSaved);
  }
}

TEST(UploadCommand, UntrustedArchivesWriteOnlyTheBackup) {
  UploadRig r(StoredZip(
      {{"../escape.txt", "x"}, {"other.txt", "y"}, {"sub/dir/qsklbk.$$$", "the program"}, {"/tmp/absolute.txt", "z"}}));
  r.b.messages.answers = {platform::MsgResult::Yes};
  Outcome o = r.Run();
  EXPECT_EQ(o.monitor, MonitorItem::Disable);
  EXPECT_EQ(r.opened, "the program");
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(r.b.folder.path)) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"DNFILE.ZIP", "QSKLBK.$$$", "ZQ3MAC.INC", "ZQVREM.$$$"}));
  EXPECT_FALSE(std::filesystem::exists(r.b.folder.path.parent_path() / "escape.txt"));
}

TEST(UploadCommand, FailedExtractionOpensNothing) {
  {
    UploadRig r(StoredZip({{"readme.txt", "no program here"}}));
    WriteFile(r.b.folder.path / "QSKLBK.$$$", {'l'});
    r.b.messages.answers = {platform::MsgResult::Yes};
    r.Run();
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.b.Texts().back(), "The source archive holds no program (QSKLBK.$$$) !");
    EXPECT_EQ(ReadFile(r.b.folder.path / "QSKLBK.$$$"), Bytes{'l'});
    EXPECT_TRUE(r.shell.SourceSaved);
  }
  {
    UploadRig r(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'z', 'i', 'p'});
    r.b.messages.answers = {platform::MsgResult::Yes};
    r.Run();
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.b.Texts().back(), "The source archive cannot be read : DNFILE.ZIP");
  }
  {
    UploadRig r(StoredZip({{"QSKLBK.$$$", "p"}}));
    TempFolder empty;
    std::string path = std::getenv("PATH");
    setenv("PATH", empty.path.c_str(), 1);
    r.b.messages.answers = {platform::MsgResult::Yes};
    r.Run();
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.b.Texts().back(), "UnExtract Command Not Found !");
  }
}

TEST(UploadCommand, AnEncryptedOrHugeBackupIsRefusedWithItsMessage) {
  TempFolder work;
  auto archiveOf = [&](const std::string& program, std::vector<std::string> zipOptions) {
    WriteFile(work.path / "QSKLBK.$$$", Bytes(program.begin(), program.end()));
    std::filesystem::remove(work.path / "A.ZIP");
    zipOptions.insert(zipOptions.begin(), "zip");
    zipOptions.insert(zipOptions.end(), {"A.ZIP", "QSKLBK.$$$"});
    EXPECT_EQ(ExecCmd(zipOptions, work.path).exitStatus, 0);
    return ReadFile(work.path / "A.ZIP");
  };
  {
    UploadRig r(archiveOf("program", {"-q", "-P", "secret"}));
    WriteFile(r.b.folder.path / "QSKLBK.$$$", {'l'});
    r.b.messages.answers = {platform::MsgResult::Yes};
    EXPECT_EQ(r.Run().monitor, MonitorItem::Unchanged);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.b.Texts().back(), "The source archive cannot be read : DNFILE.ZIP");
    EXPECT_EQ(r.b.messages.shown.back().caption, "Korvane Studio ERROR !");
    EXPECT_EQ(ReadFile(r.b.folder.path / "QSKLBK.$$$"), Bytes{'l'});
  }
  {
    // Nine megabytes of zeros pack into a few kilobytes.
    const Bytes archive = archiveOf(std::string(9 * 1024 * 1024, '\0'), {"-q", "-9"});
    ASSERT_LT(archive.size(), 32767u);
    UploadRig r(archive);
    r.b.messages.answers = {platform::MsgResult::Yes};
    EXPECT_EQ(r.Run().monitor, MonitorItem::Unchanged);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.b.Texts().back(), "The program in the source archive is larger than 8388608 Byte !");
    EXPECT_FALSE(std::filesystem::exists(r.b.folder.path / "QSKLBK.$$$"));
  }
}

// Every fault the module can show, for each model, firmware and framing: the command ends
// in a message (or succeeds where the fault is harmless), within the long waits, and the
// files stay as they were.
TEST(FaultMatrix, EveryFaultEndsInAMessageAndLeavesTheFilesAlone) {
  const char* faults[] = {"A3 none",           "A3 late 1500", "A3 partial 2",   "A3 badreply1",  "A3 version 3",
                          "A3 delay4 200",     "A1 none",      "A1 late 5000",   "A1 partial 1",  "A1 badack",
                          "A1 status 0xBB",    "A1 status 7",  "A1 blockack 0",  "A1 blockack 2", "A1 dropecho",
                          "A8 none *3",        "A8 third",     "A8 wrongsum",    "A8 nosum",      "A8 partial 1",
                          "A9 unsupported",    "A9 none",      "A5 none",        "A5 badack",     "A2 none",
                          "A2 badack",         "A2 corrupt 5", "A2 stopafter 7", "A2 protected",  "A2 length 3",
                          "A2 archive 0x9000", "A2 dropecho",  "die 40"};
  const Bytes archive = StoredZip({{"QSKLBK.$$$", "program"}});
  struct Module {
    int model, firmware;
  } modules[] = {{1, 11}, {1, 30}, {2, 120}, {4, 51}, {10, 150}};
  int runs = 0;
  for (const auto& m : modules) {
    for (bool extended : {false, true}) {
      if (extended && m.firmware <= 20) continue;
      for (const char* fault : faults) {
        SCOPED_TRACE(std::to_string(m.model) + "/" + std::to_string(m.firmware) + (extended ? " ext " : " ") + fault);
        UploadRig r(archive, m.model, extended);
        r.b.core.ClearFaults();
        r.b.core.SetProfile(ProfileOf(m.model, m.firmware, extended));
        r.b.core.AddFault(*zqvsim::ParseFault(fault, nullptr));
        r.b.messages.answers.assign(8, platform::MsgResult::Yes);
        WriteFile(r.b.folder.path / "DNFILE.ZIP", {'o', 'l', 'd'});
        const Bytes image = ReadFile(r.b.job.Image());
        const plclink::Micros start = r.b.clock.now;

        const AutoStepsResult run = RunAutoSteps(*r.b.device, r.b.job, r.b.messages, true, false);
        r.b.clock.now += 2 * 1000 * 1000;
        Outcome verify = VerifyCommand(*r.b.device, r.b.job, false);
        r.b.clock.now += 2 * 1000 * 1000;
        // The upload runs where the fault can reach it (it starts the unzip program).
        const std::string f = fault;
        const bool uploadToo = f.rfind("A2", 0) == 0 || f.rfind("A3", 0) == 0 || f.rfind("die", 0) == 0;
        Outcome upload = uploadToo ? r.Run() : Outcome{.monitor = MonitorItem::Disable};

        // Run enables the Monitor item, Verify and Upload disable it, each only when it went through.
        const bool allWell = run.monitor == MonitorItem::Enable && verify.monitor == MonitorItem::Disable &&
                             upload.monitor == MonitorItem::Disable;
        if (!allWell) {
          // A failure is always explained to the user.
          bool explained = false;
          for (const auto& msg : r.b.messages.shown) explained |= msg.buttons == platform::MsgButtons::Ok;
          EXPECT_TRUE(explained);
        }
        if (upload.monitor != MonitorItem::Disable) {
          EXPECT_EQ(ReadFile(r.b.folder.path / "DNFILE.ZIP"), (Bytes{'o', 'l', 'd'}));
          EXPECT_TRUE(r.calls.empty());
        }
        EXPECT_EQ(ReadFile(r.b.job.Image()), image);
        EXPECT_LT(r.b.clock.now - start, 1000LL * 1000 * 1000);  // well under the sum of the long waits
        EXPECT_EQ(r.b.status.gaugeValue, 0);
        ++runs;
      }
    }
  }
  EXPECT_GT(runs, 250);  // models x firmware x framing x faults
}

}  // namespace
}  // namespace plclink
