// Taking the program backup out of an archive that came from the module: an archive that
// would make unzip ask for a password, take for ever or expand without end ends in its
// result, within the time limit, with nothing asked of the user.
#include "link/archive_extract.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "link/exec_cmd.h"
#include "link/tests/sim_bench.h"
#include "link/tests/stored_zip.h"

namespace plclink {
namespace {

using namespace plclink::testing;
using Clock = std::chrono::steady_clock;

// An archive whose backup member is encrypted with a password.
std::filesystem::path EncryptedArchive(const TempFolder& folder) {
  WriteFile(folder.path / kBackupFileName, Bytes(300, 'q'));
  const ExecResult r = ExecCmd({"zip", "-q", "-P", "secret", "ENC.ZIP", kBackupFileName}, folder.path);
  EXPECT_EQ(r.exitStatus, 0) << "the zip program is needed";
  std::filesystem::remove(folder.path / kBackupFileName);
  return folder.path / "ENC.ZIP";
}

// PATH holds only a stand-in "unzip" (a shell script) for the test's length.
struct FakeUnzip {
  explicit FakeUnzip(const std::string& script) : saved(std::getenv("PATH")) {
    const auto file = folder.path / "unzip";
    WriteFile(file, Bytes(script.begin(), script.end()));
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    setenv("PATH", (folder.path.string() + ":/usr/bin:/bin").c_str(), 1);
  }
  ~FakeUnzip() { setenv("PATH", saved.c_str(), 1); }
  TempFolder folder;
  std::string saved;
};

TEST(ExtractBackup, AnEncryptedMemberIsUnreadableAndNeverAsksOnTheTerminal) {
  TempFolder folder;
  const auto archive = EncryptedArchive(folder);
  std::string out;
  EXPECT_EQ(ExtractBackup(archive, &out), ExtractResult::Unreadable);
  EXPECT_TRUE(out.empty());

  // The studio started from a terminal: unzip must not open it to ask for the password.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) _exit(10);
    if (open(ptsname(master), O_RDWR) < 0) _exit(11);  // becomes the controlling terminal
    std::string bytes;
    _exit(ExtractBackup(archive, &bytes) == ExtractResult::Unreadable ? 0 : 12);
  }
  int status = 0;
  const auto end = Clock::now() + std::chrono::seconds(20);
  pid_t waited = 0;
  while ((waited = waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < end) usleep(10000);
  if (waited == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the extraction waited for a password";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ExtractBackup, AnUnzipThatNeverEndsIsKilledAtTheLimit) {
  FakeUnzip fake("#!/bin/sh\ncase \"$1\" in -Z1) echo 'QSKLBK.$$$';; -Z) echo '-rw- 3.0 unx 5 tx stor d t x';;"
                 " *) sleep 30 & sleep 30;; esac\n");
  TempFolder folder;
  WriteFile(folder.path / "A.ZIP", {'z'});
  std::string out;
  const auto start = Clock::now();
  EXPECT_EQ(ExtractBackup(folder.path / "A.ZIP", &out, kMaxBackupBytes, std::chrono::milliseconds(300)),
            ExtractResult::Unreadable);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST(ExtractBackup, AMemberLargerThanTheLimitIsNotExpanded) {
  TempFolder folder;
  // A small archive that expands far beyond the largest program file.
  std::string zeros(kMaxBackupBytes + 4096, '\0');
  WriteFile(folder.path / kBackupFileName, Bytes(zeros.begin(), zeros.end()));
  ASSERT_EQ(ExecCmd({"zip", "-q", "-9", "BIG.ZIP", kBackupFileName}, folder.path).exitStatus, 0);
  EXPECT_LT(std::filesystem::file_size(folder.path / "BIG.ZIP"), 32768u);
  std::string out;
  EXPECT_EQ(ExtractBackup(folder.path / "BIG.ZIP", &out), ExtractResult::TooLarge);
  EXPECT_TRUE(out.empty());

  // An entry that states a small size but expands without end: reading stops past the limit.
  FakeUnzip fake("#!/bin/sh\ncase \"$1\" in -Z1) echo 'QSKLBK.$$$';; -Z) echo '-rw- 3.0 unx 5 tx stor d t x';;"
                 " *) exec cat /dev/zero;; esac\n");
  const auto start = Clock::now();
  EXPECT_EQ(ExtractBackup(folder.path / "BIG.ZIP", &out, 4096), ExtractResult::TooLarge);
  EXPECT_TRUE(out.empty());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

// The limit holds exactly, both where the archive states the size and where a member
// that states less expands to more.
TEST(ExtractBackup, AMemberOfTheLimitIsTakenAndOneByteMoreIsRefused) {
  constexpr std::uint64_t kLimit = 4096;
  TempFolder folder;
  WriteFile(folder.path / "A.ZIP", {'z'});
  auto extract = [&](std::uint64_t stated, std::uint64_t expands, std::string* out) {
    FakeUnzip fake("#!/bin/sh\ncase \"$1\" in -Z1) echo 'QSKLBK.$$$';; -Z) echo '-rw- 3.0 unx " +
                   std::to_string(stated) + " tx stor d t x';; *) exec head -c " + std::to_string(expands) +
                   " /dev/zero;; esac\n");
    return ExtractBackup(folder.path / "A.ZIP", out, kLimit);
  };
  std::string out;
  EXPECT_EQ(extract(kLimit, kLimit, &out), ExtractResult::Ok);
  EXPECT_EQ(out.size(), kLimit);
  out.clear();
  EXPECT_EQ(extract(kLimit + 1, kLimit, &out), ExtractResult::TooLarge);
  EXPECT_TRUE(out.empty());
  // The entry states a small size: what it expands to decides.
  EXPECT_EQ(extract(5, kLimit + 1, &out), ExtractResult::TooLarge);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(extract(5, kLimit, &out), ExtractResult::Ok);
  EXPECT_EQ(out.size(), kLimit);
}

TEST(RunCaptured, OutputExitAndLimits) {
  CaptureResult r = RunCaptured({"/bin/sh", "-c", "printf 'a b'; exit 4"}, 100, std::chrono::seconds(5));
  EXPECT_EQ(r.end, CaptureEnd::Exited);
  EXPECT_EQ(r.exitStatus, 4);
  EXPECT_EQ(r.output, "a b");
  // No terminal to ask on: the program runs in a session of its own.
  r = RunCaptured({"/bin/sh", "-c", "exec 3</dev/tty && echo tty"}, 100, std::chrono::seconds(5));
  EXPECT_EQ(r.output, "");
  EXPECT_NE(r.exitStatus, 0);
  r = RunCaptured({"/bin/sh", "-c", "exec 1>&-; sleep 30"}, 100, std::chrono::milliseconds(200));
  EXPECT_EQ(r.end, CaptureEnd::TimedOut);
  r = RunCaptured({"/bin/sh", "-c", "yes"}, 1000, std::chrono::seconds(5));
  EXPECT_EQ(r.end, CaptureEnd::TooMuch);
  EXPECT_EQ(r.output.size(), 1000u);
  // Exactly the limit is taken whole; one byte more is too much.
  r = RunCaptured({"head", "-c", "1000", "/dev/zero"}, 1000, std::chrono::seconds(5));
  EXPECT_EQ(r.end, CaptureEnd::Exited);
  EXPECT_EQ(r.output.size(), 1000u);
  r = RunCaptured({"head", "-c", "1001", "/dev/zero"}, 1000, std::chrono::seconds(5));
  EXPECT_EQ(r.end, CaptureEnd::TooMuch);
  EXPECT_EQ(r.output.size(), 1000u);
  EXPECT_EQ(RunCaptured({"/no/such/program"}, 10, std::chrono::seconds(1)).end, CaptureEnd::NotStarted);
}

}  // namespace
}  // namespace plclink
