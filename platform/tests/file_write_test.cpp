#include "platform/file_write.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

#include "platform/file_read.h"
#include "platform/tests/ordinary_user_support.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {
fs::path TempFolder(const char* name) {
  fs::path dir = fs::temp_directory_path() / (std::string(name) + "." + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The user's own files beside a program, each named "." + a file the studio writes + "." +
// something; one is spelled exactly like the temporaries of older studios (mkstemp's
// ".NAME.XXXXXX"), so no sweep by name can tell it from a leftover.
const std::vector<std::pair<std::string, std::string>>& UserFiles() {
  static const std::vector<std::pair<std::string, std::string>> files = {
      {".prog.qsl.backup", "my own backup\r\n"},
      {".prog.qsl.orig01", std::string("QSKL2\0\x01\xff", 8)},
      {".prog.wch.SAVED1", "XATCH200 saved"},
      {".prog.qsl.Ab12Z9", "spelled like an old temporary"},
      {".prog.wch.a1B2c3", ""},
  };
  return files;
}

void PutUserFiles(const fs::path& dir) {
  for (const auto& [name, bytes] : UserFiles()) std::ofstream(dir / name, std::ios::binary) << bytes;
}

// Every user file is there byte for byte, and beside them only `others`.
void ExpectUserFilesAnd(const fs::path& dir, std::vector<std::string> others) {
  for (const auto& [name, bytes] : UserFiles()) {
    std::string back;
    EXPECT_TRUE(ReadWholeFile(dir / name, back)) << name;
    EXPECT_EQ(back, bytes) << name;
    others.push_back(name);
  }
  std::sort(others.begin(), others.end());
  EXPECT_EQ(Names(dir), others);
}

// Runs `body` in a child process and returns how the child ended (as waitpid tells it).
int InChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

using ordinary_user::Ending;

using Writer = bool (*)(const fs::path&, std::string_view, std::string*);
constexpr Writer kWriters[] = {&WriteFileAtomically, &WriteBuildFile, &WriteFileThroughNamedTemporary};

// What a symbolic link is: its text and its own inode.
std::pair<std::string, ino_t> LinkOf(const fs::path& link) {
  struct stat st {};
  EXPECT_EQ(lstat(link.c_str(), &st), 0) << link;
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  std::error_code ec;
  return {fs::read_symlink(link, ec).string(), st.st_ino};
}

std::string Contents(const fs::path& path) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
  return bytes;
}

// Every folder flush of this test program is seen here: which folder, and what the watched
// file held at that moment. A test may make folder flushes fail with an error of its choice.
struct FolderFlushes {
  std::vector<ino_t> folders;
  std::vector<std::string> watchedHeld;
  fs::path watched;
  int error = 0;
} folderFlushes;
}  // namespace

namespace {
// A filesystem as a test makes it for one file (by inode): without fallocate (EOPNOTSUPP, as
// ext2 and many FUSE filesystems), full beyond `room` bytes of the file (a write past that ends
// short, the next one with ENOSPC), a flush of the file that fails with `flushError`.
struct FileFaults {
  ino_t inode = 0;
  bool noFallocate = false;
  off_t room = -1;
  int flushError = 0;
} fileFaults;

bool Faulted(int fd) {
  struct stat st {};
  return fileFaults.inode != 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == fileFaults.inode;
}

// How many of `n` bytes written at `offset` the faulted file still takes; -1 (ENOSPC) for none.
ssize_t RoomFor(int fd, size_t n, off_t offset) {
  if (!Faulted(fd) || fileFaults.room < 0 || n == 0) return static_cast<ssize_t>(n);
  if (offset >= fileFaults.room) {
    errno = ENOSPC;
    return -1;
  }
  return static_cast<ssize_t>(std::min<off_t>(static_cast<off_t>(n), fileFaults.room - offset));
}
}  // namespace

extern "C" int fallocate(int fd, int mode, off_t offset, off_t len) {
  if (Faulted(fd) && fileFaults.noFallocate) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return static_cast<int>(syscall(SYS_fallocate, fd, mode, offset, len));
}

extern "C" ssize_t write(int fd, const void* buf, size_t n) {
  const ssize_t room = Faulted(fd) ? RoomFor(fd, n, lseek(fd, 0, SEEK_CUR)) : static_cast<ssize_t>(n);
  return room < 0 ? -1 : static_cast<ssize_t>(syscall(SYS_write, fd, buf, static_cast<size_t>(room)));
}

extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  const ssize_t room = RoomFor(fd, n, offset);
  return room < 0 ? -1 : static_cast<ssize_t>(syscall(SYS_pwrite64, fd, buf, static_cast<size_t>(room), offset));
}

extern "C" int fsync(int fd) {
  if (Faulted(fd) && fileFaults.flushError != 0) {
    errno = fileFaults.flushError;
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    folderFlushes.folders.push_back(st.st_ino);
    std::string held;
    if (!folderFlushes.watched.empty()) ReadWholeFile(folderFlushes.watched, held);
    folderFlushes.watchedHeld.push_back(held);
    if (folderFlushes.error != 0) {
      errno = folderFlushes.error;
      return -1;
    }
  }
  return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace {
// A filesystem as a test makes it for listing extended attributes: one that keeps none, where
// every listing answers ENOTSUP (reading one attribute by name is left as it is), and one file
// (by inode) whose listing fails with `listError`.
struct AttributeFaults {
  bool noListing = false;
  ino_t inode = 0;
  int listError = 0;
} attributeFaults;

ssize_t ListFault(const struct stat* st) {
  if (attributeFaults.noListing) {
    errno = ENOTSUP;
    return -1;
  }
  if (st != nullptr && attributeFaults.inode != 0 && st->st_ino == attributeFaults.inode) {
    errno = attributeFaults.listError;
    return -1;
  }
  return 0;
}
}  // namespace

extern "C" ssize_t llistxattr(const char* path, char* list, size_t size) {
  struct stat st {};
  if (ListFault(lstat(path, &st) == 0 ? &st : nullptr) != 0) return -1;
  return static_cast<ssize_t>(syscall(SYS_llistxattr, path, list, size));
}

extern "C" ssize_t flistxattr(int fd, char* list, size_t size) {
  struct stat st {};
  if (ListFault(fstat(fd, &st) == 0 ? &st : nullptr) != 0) return -1;
  return static_cast<ssize_t>(syscall(SYS_flistxattr, fd, list, size));
}

TEST(FileWrite, ReplacesWholeFileAndLeavesNoTemporary) {
  fs::path dir = TempFolder("fw1");
  fs::path target = dir / "A.$$$";
  ASSERT_TRUE(WriteFileAtomically(target, std::string("one\r\n\0two", 10)));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, std::string("one\r\n\0two", 10));
  ASSERT_TRUE(WriteFileAtomically(target, "x"));
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

TEST(FileWrite, FailureKeepsTheOldFile) {
  fs::path dir = TempFolder("fw2");
  fs::path target = dir / "keep.qsl";
  ASSERT_TRUE(WriteFileAtomically(target, "old"));
  std::string error;
  // A folder in the way of the target: the rename fails, the temporary is removed.
  fs::path blocked = dir / "sub";
  fs::create_directories(blocked / "inner");
  EXPECT_FALSE(WriteFileAtomically(blocked, "new", &error));
  EXPECT_FALSE(error.empty());
  // An unwritable folder takes no new file (not for root, who may write anywhere).
  if (geteuid() != 0) {
    chmod(dir.c_str(), 0500);
    EXPECT_FALSE(WriteFileAtomically(dir / "fresh.qsl", "new", &error));
    chmod(dir.c_str(), 0700);
  }
  std::string back;
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "old");
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x", "y", &error));
  EXPECT_FALSE(ReadWholeFile(dir / "missing" / "x", back, &error));
  fs::remove_all(dir);
}

// Build files skip the flush to disk, nothing else: whole or not at all, and the old file
// stays when the new one cannot be put in its place.
TEST(FileWrite, BuildFilesAreReplacedWhole) {
  fs::path dir = TempFolder("fw3");
  fs::path target = dir / "QS2OUT.$$$";
  ASSERT_TRUE(WriteBuildFile(target, std::string("one\r\n\0two", 10)));
  ASSERT_TRUE(WriteBuildFile(target, "x"));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  std::string error;
  fs::create_directories(dir / "sub" / "inner");
  EXPECT_FALSE(WriteBuildFile(dir / "sub", "new", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteBuildFile(dir / "missing" / "x", "y", &error));
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  fs::remove_all(dir);
}

// A save never removes a file the studio did not make, however it is named.
TEST(FileWrite, SavesKeepTheUserFilesBesideTheProgram) {
  fs::path dir = TempFolder("fw4");
  PutUserFiles(dir);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WriteFileAtomically(dir / "prog.qsl", "program " + std::to_string(i)));
    ASSERT_TRUE(WriteFileAtomically(dir / "prog.wch", "watch " + std::to_string(i)));
    ASSERT_TRUE(WriteBuildFile(dir / "prog.qsl", "build " + std::to_string(i)));
  }
  ExpectUserFilesAnd(dir, {"prog.qsl", "prog.wch"});
  fs::remove_all(dir);
}

// Where the filesystem has no unnamed files the temporary is named from the start: the next
// write of the same target removes what a killed write left under that name, and nothing else.
TEST(FileWrite, TheNamedTemporaryIsTheOnlyFileAWriteRemoves) {
  fs::path dir = TempFolder("fw5");
  PutUserFiles(dir);
  const fs::path target = dir / "prog.qsl";
  const fs::path temp = dir / ".prog.qsl.zqvstudio-save";
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteFileThroughNamedTemporary(target, "named " + std::to_string(i)));
  ExpectUserFilesAnd(dir, {"prog.qsl"});
  // Left by killed writes: taken away by the next write of the target, either way.
  for (Writer save : {&WriteFileThroughNamedTemporary, &WriteFileAtomically, &WriteBuildFile}) {
    std::ofstream(temp) << "part";
    ASSERT_TRUE(save(target, "after a killed write", nullptr));
    ExpectUserFilesAnd(dir, {"prog.qsl"});
  }
  std::string back;
  // A write of the target in progress elsewhere holds its temporary locked: it stays, and
  // this write fails with the old file kept.
  std::ofstream(temp) << "busy";
  const int busy = open(temp.c_str(), O_RDONLY);
  ASSERT_EQ(flock(busy, LOCK_EX), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(target, "new", &error));
  EXPECT_NE(error.find(std::strerror(EBUSY)), std::string::npos) << error;
  EXPECT_FALSE(WriteFileThroughNamedTemporary(target, "new", &error));
  close(busy);
  ASSERT_TRUE(ReadWholeFile(temp, back));
  EXPECT_EQ(back, "busy");
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "after a killed write");
  // Something other than a regular file under that name is not the studio's.
  fs::remove(temp);
  fs::create_directory(temp);
  EXPECT_FALSE(WriteFileThroughNamedTemporary(target, "new", &error));
  EXPECT_FALSE(WriteFileAtomically(target, "new", &error));
  EXPECT_TRUE(fs::is_directory(temp));
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "after a killed write");
  fs::remove(temp);
  ExpectUserFilesAnd(dir, {"prog.qsl"});
  fs::remove_all(dir);
}

// A name too long to take the temporary's suffix still saves, both ways, and a leftover of
// its (cut) temporary is taken away like any other.
TEST(FileWrite, LongNamesSaveToo) {
  fs::path dir = TempFolder("fw9");
  const std::string name = std::string(250, 'n') + ".qsl";
  ASSERT_TRUE(WriteFileThroughNamedTemporary(dir / name, "one"));
  ASSERT_TRUE(WriteFileAtomically(dir / name, "two"));
  ASSERT_TRUE(WriteFileAtomically(dir / (std::string(250, 'n') + ".wch"), "three"));
  EXPECT_EQ(Names(dir), (std::vector<std::string>{std::string(250, 'n') + ".qsl", std::string(250, 'n') + ".wch"}));
  // The cut temporary's name, seen while a write through it runs; left behind as a killed
  // write leaves it.
  const std::vector<std::string> targets = Names(dir);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    for (;;) WriteFileThroughNamedTemporary(dir / name, std::string(4 << 20, 'x'));
  }
  std::string temp;
  for (int i = 0; i < 20000 && temp.empty(); ++i) {
    for (const auto& n : Names(dir))
      if (n != targets[0] && n != targets[1]) temp = n;
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.size(), 255u);
  EXPECT_EQ(temp.substr(0, 100), "." + std::string(99, 'n'));
  EXPECT_EQ(temp.substr(temp.size() - 15), ".zqvstudio-save");
  std::ofstream(dir / temp) << "part";
  ASSERT_TRUE(WriteFileAtomically(dir / name, "four"));
  EXPECT_EQ(Names(dir), (std::vector<std::string>{std::string(250, 'n') + ".qsl", std::string(250, 'n') + ".wch"}));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(dir / name, back));
  EXPECT_EQ(back, "four");
  fs::remove_all(dir);
}

// Saves killed while they write: the program file is always a whole one (the old or a new),
// at most the one temporary of the program is left, and the next save takes it away.
void KilledWritesLeaveWholeFiles(const char* folder, Writer save) {
  fs::path dir = TempFolder(folder);
  PutUserFiles(dir);
  const fs::path target = dir / "prog.qsl";
  ASSERT_TRUE(WriteFileAtomically(target, "old"));
  const std::string a(4 << 20, 'a'), b(4 << 20, 'b');
  for (int round = 0; round < 6; ++round) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
      for (int i = 0;; ++i) save(target, i % 2 ? a : b, nullptr);
    usleep(static_cast<useconds_t>(3000 + round * 5000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    std::string back;
    ASSERT_TRUE(ReadWholeFile(target, back));
    EXPECT_TRUE(back == "old" || back == a || back == b) << "round " << round << ": " << back.size() << " bytes";
    std::vector<std::string> names = Names(dir), left;
    for (const auto& name : names)
      if (name != "prog.qsl" &&
          std::none_of(UserFiles().begin(), UserFiles().end(), [&](const auto& user) { return user.first == name; }))
        left.push_back(name);
    EXPECT_TRUE(left.empty() || left == std::vector<std::string>{".prog.qsl.zqvstudio-save"})
        << "round " << round << ": " << left.size() << " left, first " << left.front();
  }
  ASSERT_TRUE(save(target, "new", nullptr));
  ExpectUserFilesAnd(dir, {"prog.qsl"});
  fs::remove_all(dir);
}

TEST(FileWrite, AKilledSaveLeavesAWholeFileAndNoPile) {
  KilledWritesLeaveWholeFiles("fw6", &WriteFileAtomically);
  KilledWritesLeaveWholeFiles("fw7", &WriteFileThroughNamedTemporary);
}

// Beyond the file-size limit (ulimit -f) a write fails like one on a full disk: the process
// goes on (no SIGXFSZ ends it), the old file stays, no temporary is left, and the signal's
// action and mask are as they were.
TEST(FileWrite, AWriteBeyondTheFileSizeLimitFailsAndTheProcessGoesOn) {
  fs::path dir = TempFolder("fw8");
  const fs::path target = dir / "prog.qsl";
  ASSERT_TRUE(WriteFileAtomically(target, "old"));
  const int status = InChild([&] {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const std::string big(65536, 'n');
    int code = 10;
    for (Writer save : {&WriteFileAtomically, &WriteBuildFile, &WriteFileThroughNamedTemporary}) {
      std::string error;
      if (save(target, big, &error)) return code;
      if (error.find(target.string()) == std::string::npos) return code + 1;
      if (error.find(std::strerror(EFBIG)) == std::string::npos) return code + 2;
      code += 10;
    }
    sigset_t set;
    if (pthread_sigmask(SIG_SETMASK, nullptr, &set) != 0 || sigismember(&set, SIGXFSZ)) return 3;
    if (sigpending(&set) != 0 || sigismember(&set, SIGXFSZ)) return 4;
    struct sigaction action {};
    if (sigaction(SIGXFSZ, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return 5;
    if (!WriteFileAtomically(target.parent_path() / "small", "fits")) return 6;
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Ending(status);
  std::string back;
  ASSERT_TRUE(ReadWholeFile(target, back));
  EXPECT_EQ(back, "old");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"prog.qsl", "small"}));
  fs::remove_all(dir);
}

// A program kept in two places by a link (relative, absolute, a chain of two, one that names
// a file not made yet): every write reaches the linked file, in its folder, and leaves the
// links as they were and nothing else behind in any folder on the way.
TEST(FileWrite, WritesThroughLinksReachTheLinkedFileAndKeepTheLinks) {
  const fs::path top = TempFolder("fw10");
  const fs::path work = top / "work", hop = top / "hop", real = top / "real";
  for (const fs::path& dir : {work, hop, real}) {
    fs::create_directory(dir);
    PutUserFiles(dir);
  }
  const fs::path program = real / "prog.qsl";
  ASSERT_TRUE(WriteFileAtomically(program, "old"));
  ASSERT_EQ(chmod(program.c_str(), 0640), 0);
  fs::create_symlink("../real/prog.qsl", work / "rel.qsl");
  fs::create_symlink(program, work / "abs.qsl");
  fs::create_symlink("../hop/mid.qsl", work / "chain.qsl");
  fs::create_symlink("../real/prog.qsl", hop / "mid.qsl");
  fs::create_symlink("../real/fresh.qsl", work / "dangling.qsl");
  const fs::path links[] = {work / "rel.qsl", work / "abs.qsl", work / "chain.qsl", hop / "mid.qsl",
                            work / "dangling.qsl"};
  std::vector<std::pair<std::string, ino_t>> before;
  for (const fs::path& link : links) before.push_back(LinkOf(link));

  int round = 0;
  for (Writer save : kWriters) {
    for (const char* name : {"rel.qsl", "abs.qsl", "chain.qsl"}) {
      const std::string bytes = "saved " + std::to_string(++round);
      std::string error;
      ASSERT_TRUE(save(work / name, bytes, &error)) << name << ": " << error;
      EXPECT_EQ(Contents(program), bytes) << name;
    }
    fs::remove(real / "fresh.qsl");
    ASSERT_TRUE(save(work / "dangling.qsl", "fresh " + std::to_string(round), nullptr));
    EXPECT_EQ(Contents(real / "fresh.qsl"), "fresh " + std::to_string(round));
  }
  // A name without a folder: the link's text is taken from the current folder.
  const fs::path here = fs::current_path();
  fs::current_path(work);
  const bool saved = WriteFileAtomically("rel.qsl", "from the folder");
  fs::current_path(here);
  ASSERT_TRUE(saved);
  EXPECT_EQ(Contents(program), "from the folder");
  // What a killed write left goes with the next write, beside the linked file.
  std::ofstream(real / ".prog.qsl.zqvstudio-save") << "part";
  ASSERT_TRUE(WriteFileAtomically(work / "chain.qsl", "last"));
  EXPECT_EQ(Contents(program), "last");

  for (std::size_t i = 0; i < std::size(links); ++i) EXPECT_EQ(LinkOf(links[i]), before[i]) << links[i];
  struct stat st {};
  ASSERT_EQ(stat(program.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ExpectUserFilesAnd(work, {"abs.qsl", "chain.qsl", "dangling.qsl", "rel.qsl"});
  ExpectUserFilesAnd(hop, {"mid.qsl"});
  ExpectUserFilesAnd(real, {"fresh.qsl", "prog.qsl"});
  fs::remove_all(top);
}

// Links that lead round in a circle, or further than the system follows in one path, fail
// with ELOOP before anything is written.
TEST(FileWrite, ALinkLoopFailsAndWritesNothing) {
  const fs::path dir = TempFolder("fw11");
  fs::create_symlink("b.qsl", dir / "a.qsl");
  fs::create_symlink("a.qsl", dir / "b.qsl");
  fs::create_symlink("self.qsl", dir / "self.qsl");
  // long0 -> long1 -> ... -> long40 -> end: 41 links.
  for (int i = 0; i <= 40; ++i)
    fs::create_symlink(i < 40 ? "long" + std::to_string(i + 1) : "end", dir / ("long" + std::to_string(i)));
  const std::vector<std::string> names = Names(dir);
  for (Writer save : kWriters) {
    for (const char* name : {"a.qsl", "self.qsl", "long0"}) {
      std::string error;
      EXPECT_FALSE(save(dir / name, "new", &error)) << name;
      EXPECT_NE(error.find(std::strerror(ELOOP)), std::string::npos) << name << ": " << error;
    }
  }
  EXPECT_EQ(Names(dir), names);
  // 40 links are as many as the system follows: that chain is written.
  ASSERT_TRUE(WriteFileAtomically(dir / "long1", "end of the chain"));
  EXPECT_EQ(Contents(dir / "end"), "end of the chain");
  fs::remove_all(dir);
}

// A save is on disk once it is reported: the folder of the file it replaced (through a link,
// the linked file's folder) is flushed after the rename. A filesystem that cannot flush a
// folder (EINVAL) does not fail the save; any other failure of the flush is reported.
TEST(FileWrite, ASaveFlushesTheFolderOfTheReplacedFile) {
  const fs::path top = TempFolder("fw12");
  const fs::path work = top / "work", real = top / "real";
  fs::create_directory(work);
  fs::create_directory(real);
  fs::create_symlink("../real/prog.qsl", work / "prog.qsl");
  struct stat folder {};
  ASSERT_EQ(stat(real.c_str(), &folder), 0);
  folderFlushes = {};
  folderFlushes.watched = real / "prog.qsl";
  ASSERT_TRUE(WriteFileAtomically(work / "prog.qsl", "one"));
  ASSERT_TRUE(WriteFileThroughNamedTemporary(work / "prog.qsl", "two"));
  EXPECT_EQ(folderFlushes.folders, (std::vector<ino_t>{folder.st_ino, folder.st_ino}));
  EXPECT_EQ(folderFlushes.watchedHeld, (std::vector<std::string>{"one", "two"}));
  // Build files are made again by the next build: no flush.
  ASSERT_TRUE(WriteBuildFile(work / "prog.qsl", "build"));
  EXPECT_EQ(folderFlushes.folders.size(), 2u);

  folderFlushes.error = EINVAL;
  std::string error;
  EXPECT_TRUE(WriteFileAtomically(work / "prog.qsl", "three", &error)) << error;
  folderFlushes.error = EIO;
  EXPECT_FALSE(WriteFileAtomically(work / "prog.qsl", "four", &error));
  EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << error;
  EXPECT_NE(error.find("cannot flush the folder " + (work / "../real").string()), std::string::npos) << error;
  folderFlushes = {};
  EXPECT_EQ(Names(real), std::vector<std::string>{"prog.qsl"});
  fs::remove_all(top);
}

namespace {
std::string Read(const fs::path& path) {
  std::string bytes;
  return ReadWholeFile(path, bytes) ? bytes : "(unreadable)";
}

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st;
}
}  // namespace

// A file the user may not write is never replaced, even in a folder where a new file could
// take its name: a program made read-only, the same through a link, another user's file.
// Every writer refuses with EACCES before it writes anything, and leaves nothing behind.
TEST(FileWrite, AFileTheUserMayNotWriteIsNeverReplaced) {
  const fs::path dir = TempFolder("fw13");
  ASSERT_TRUE(ordinary_user::Give(dir));
  const fs::path others = dir / "others.qsl";
  std::ofstream(others) << "another user's program";
  if (geteuid() == 0) chmod(others.c_str(), 0644);
  const int status = ordinary_user::Run([&] {
    const fs::path program = dir / "prog.qsl";
    CHILD_CHECK(WriteFileAtomically(program, "old"));
    CHILD_CHECK(chmod(program.c_str(), 0444) == 0);
    fs::create_symlink("prog.qsl", dir / "link.qsl");
    const ino_t inode = StatOf(program).st_ino;
    for (Writer save : kWriters) {
      for (const char* name : {"prog.qsl", "link.qsl"}) {
        std::string error;
        errno = 0;
        CHILD_CHECK(!save(dir / name, "new", &error));
        CHILD_CHECK(errno == EACCES);
        CHILD_CHECK(error == "cannot write " + program.string() + ": " + std::strerror(EACCES));
      }
      if (geteuid() != 0 && StatOf(others).st_uid != geteuid()) {
        CHILD_CHECK(!save(others, "mine now", nullptr));
        CHILD_CHECK(errno == EACCES);
      }
    }
    CHILD_CHECK(Read(program) == "old");
    CHILD_CHECK(StatOf(program).st_ino == inode);
    CHILD_CHECK((StatOf(program).st_mode & 07777) == 0444);
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status);
  EXPECT_EQ(Read(others), "another user's program");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"link.qsl", "others.qsl", "prog.qsl"}));
  fs::remove_all(dir);
}

// A folder that takes no new files (mode 555, shared folders) still lets the user save a
// file they may write: the bytes go into the file itself, which keeps its inode and mode.
// A file not there yet cannot be made; a write beyond the file-size limit fails before the
// old bytes are touched. Nothing is left beside the file.
TEST(FileWrite, AFolderThatTakesNoNewFilesGetsTheBytesInTheFileItself) {
  const fs::path dir = TempFolder("fw14");
  ASSERT_TRUE(ordinary_user::Give(dir));
  const int status = ordinary_user::Run([&] {
    const fs::path program = dir / "prog.qsl";
    CHILD_CHECK(WriteFileAtomically(program, std::string(3000, 'o')));
    CHILD_CHECK(chmod(program.c_str(), 0640) == 0);
    fs::create_symlink("prog.qsl", dir / "link.qsl");
    CHILD_CHECK(chmod(dir.c_str(), 0555) == 0);
    const ino_t inode = StatOf(program).st_ino;
    int round = 0;
    for (Writer save : kWriters) {
      for (const char* name : {"prog.qsl", "link.qsl"}) {
        const std::string bytes = "saved " + std::to_string(++round);
        std::string error;
        CHILD_CHECK(save(dir / name, bytes, &error));
        CHILD_CHECK(Read(program) == bytes);
      }
    }
    CHILD_CHECK(WriteFileAtomically(program, ""));
    CHILD_CHECK(Read(program).empty());
    CHILD_CHECK(WriteFileAtomically(program, "last"));
    CHILD_CHECK(StatOf(program).st_ino == inode);
    CHILD_CHECK((StatOf(program).st_mode & 07777) == 0640);

    std::string error;
    errno = 0;
    CHILD_CHECK(!WriteFileAtomically(dir / "fresh.qsl", "new", &error));
    CHILD_CHECK(errno == EACCES);
    CHILD_CHECK(error.find("cannot create a file in " + dir.string()) == 0);

    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    CHILD_CHECK(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    for (Writer save : kWriters) {
      errno = 0;
      CHILD_CHECK(!save(program, std::string(65536, 'n'), &error));
      CHILD_CHECK(errno == EFBIG);
      CHILD_CHECK(Read(program) == "last");
    }
    sigset_t pending;
    CHILD_CHECK(sigpending(&pending) == 0 && !sigismember(&pending, SIGXFSZ));
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status);
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"link.qsl", "prog.qsl"}));
  fs::remove_all(dir);
}

// In a sticky folder (like /tmp) a user may not replace another user's file by a rename, but
// may write it where its mode allows: the bytes go into the file, which stays the owner's.
TEST(FileWrite, AStickyFolderGetsTheBytesInAnotherUsersWritableFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user";
  const fs::path dir = TempFolder("fw15");
  ASSERT_EQ(chmod(dir.c_str(), 01777), 0);
  const fs::path shared = dir / "shared.qsl";
  std::ofstream(shared) << "root's program";
  ASSERT_EQ(chmod(shared.c_str(), 0666), 0);
  const int status = ordinary_user::Run([&] {
    for (Writer save : kWriters) {
      std::string error;
      CHILD_CHECK(save(shared, "written by another user", &error));
    }
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status);
  EXPECT_EQ(Read(shared), "written by another user");
  EXPECT_EQ(StatOf(shared).st_uid, 0u);
  EXPECT_EQ(StatOf(shared).st_mode & 07777, 0666u);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"shared.qsl"});
  fs::remove_all(dir);
}

// Where the bytes go into the file itself (a folder that takes no new files) on a filesystem
// that cannot reserve room and is full, or that fails the flush: every failure the write sees
// gives the old file back, byte for byte and at its old length, never a file cut short or
// part old, part new. With room enough the same road writes the new bytes whole, longer or
// shorter than the old ones.
TEST(FileWrite, AWriteIntoTheFileItselfGivesTheOldFileBackWhenItFails) {
  const fs::path dir = TempFolder("fw16");
  ASSERT_TRUE(ordinary_user::Give(dir));
  const int status = ordinary_user::Run([&] {
    const fs::path program = dir / "prog.qsl";
    const std::string old(3000, 'o');
    CHILD_CHECK(WriteFileAtomically(program, old));
    CHILD_CHECK(chmod(dir.c_str(), 0555) == 0);
    const ino_t inode = StatOf(program).st_ino;
    fileFaults = {};
    fileFaults.inode = inode;
    fileFaults.noFallocate = true;
    for (Writer save : kWriters) {
      // Full: the file holds its own 3000 bytes and not one more.
      fileFaults.room = 3000;
      std::string error;
      errno = 0;
      CHILD_CHECK(!save(program, std::string(5000, 'n'), &error));
      CHILD_CHECK(errno == ENOSPC);
      CHILD_CHECK(error.find(program.string()) != std::string::npos);
      CHILD_CHECK(Read(program) == old);
      // A flush that fails, for a shorter program and a longer one that fits.
      fileFaults.room = -1;
      fileFaults.flushError = EIO;
      for (const std::string& bytes : {std::string("short"), std::string(4000, 'l')}) {
        errno = 0;
        CHILD_CHECK(!save(program, bytes, &error));
        CHILD_CHECK(errno == EIO);
        CHILD_CHECK(Read(program) == old);
      }
      fileFaults.flushError = 0;
    }
    // Room enough: longer, then shorter, then the old length again.
    fileFaults.room = 6000;
    for (Writer save : kWriters) {
      for (const std::string& bytes : {std::string(5000, 'n'), std::string("short"), old}) {
        CHILD_CHECK(save(program, bytes, nullptr));
        CHILD_CHECK(Read(program) == bytes);
      }
    }
    fileFaults = {};
    CHILD_CHECK(StatOf(program).st_ino == inode);
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status);
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"prog.qsl"});
  fs::remove_all(dir);
}

// A save by another user (root saving a user's program) leaves the file the owner's: same
// owner, same group, same mode (set-id bits included), so the owner can go on saving it in
// their own folder. Where the saver may not give the file away, the save still goes through.
TEST(FileWrite, AReplacedFileKeepsItsOwnerGroupAndMode) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user";
  const fs::path dir = TempFolder("fw17");
  ASSERT_TRUE(ordinary_user::Give(dir));
  const fs::path program = dir / "prog.qsl";
  std::ofstream(program) << "the user's program";
  ASSERT_TRUE(ordinary_user::Give(program));
  ASSERT_EQ(chmod(program.c_str(), 06754), 0);
  int round = 0;
  for (Writer save : kWriters) {
    const std::string bytes = "saved by root " + std::to_string(++round);
    ASSERT_TRUE(save(program, bytes, nullptr));
    EXPECT_EQ(Read(program), bytes);
    EXPECT_EQ(StatOf(program).st_uid, ordinary_user::kId);
    EXPECT_EQ(StatOf(program).st_gid, ordinary_user::kId);
    EXPECT_EQ(StatOf(program).st_mode & 07777, 06754u);
  }
  // root's file, writable by all, saved by the user in the user's folder: the user cannot
  // give it to root, and the save does not fail for that.
  const fs::path shared = dir / "shared.qsl";
  std::ofstream(shared) << "root's";
  ASSERT_EQ(chmod(shared.c_str(), 0666), 0);
  const int status = ordinary_user::Run([&] {
    for (Writer save : kWriters) CHILD_CHECK(save(shared, "the user's now", nullptr));
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status);
  EXPECT_EQ(Read(shared), "the user's now");
  EXPECT_EQ(StatOf(shared).st_mode & 07777, 0666u);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"prog.qsl", "shared.qsl"}));
  fs::remove_all(dir);
}

// A program with more than one name (hard links, here in the same folder and in another) is
// written into the file itself, so every name shows the new bytes: the names do not split.
TEST(FileWrite, AFileWithOtherNamesIsWrittenInPlace) {
  const fs::path top = TempFolder("fw18");
  const fs::path work = top / "work", other = top / "other";
  fs::create_directory(work);
  fs::create_directory(other);
  const fs::path program = work / "prog.qsl";
  ASSERT_TRUE(WriteFileAtomically(program, std::string(3000, 'o')));
  ASSERT_EQ(chmod(program.c_str(), 0640), 0);
  fs::create_hard_link(program, work / "copy.qsl");
  fs::create_hard_link(program, other / "prog.qsl");
  const ino_t inode = StatOf(program).st_ino;
  int round = 0;
  for (Writer save : kWriters) {
    for (const fs::path& name : {program, work / "copy.qsl", other / "prog.qsl"}) {
      const std::string bytes = "saved " + std::to_string(++round);
      std::string error;
      ASSERT_TRUE(save(name, bytes, &error)) << error;
      for (const fs::path& each : {program, work / "copy.qsl", other / "prog.qsl"}) {
        EXPECT_EQ(Read(each), bytes) << each;
        EXPECT_EQ(StatOf(each).st_ino, inode) << each;
      }
    }
  }
  EXPECT_EQ(StatOf(program).st_nlink, 3u);
  EXPECT_EQ(StatOf(program).st_mode & 07777, 0640u);
  EXPECT_EQ(Names(work), (std::vector<std::string>{"copy.qsl", "prog.qsl"}));
  EXPECT_EQ(Names(other), std::vector<std::string>{"prog.qsl"});
  fs::remove_all(top);
}

// A target that is no regular file is written into, as cp does, never replaced: a FIFO gives
// its reader the bytes and stays a FIFO; a FIFO that nobody reads fails at once (ENXIO)
// instead of waiting; a reader that goes away fails the write (EPIPE) without ending the
// process by SIGPIPE; a device (a node of the null device) takes the bytes and stays a device.
TEST(FileWrite, AFifoOrADeviceIsWrittenIntoAndStaysWhatItIs) {
  const fs::path dir = TempFolder("fw19");
  const fs::path fifo = dir / "ZQOUT.HEX";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  int round = 0;
  for (Writer save : kWriters) {
    const std::string bytes = ":00000001FF " + std::to_string(++round);
    std::string error;
    ASSERT_TRUE(save(fifo, bytes, &error)) << error;
    char got[64] = {};
    EXPECT_EQ(read(reader, got, sizeof got), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(std::string(got), bytes);
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
  }
  close(reader);
  for (Writer save : kWriters) {
    std::string error;
    errno = 0;
    EXPECT_FALSE(save(fifo, "nobody reads", &error));
    EXPECT_EQ(errno, ENXIO);
    EXPECT_NE(error.find(fifo.string()), std::string::npos) << error;
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
  }
  // More than the pipe holds, to a reader that takes a little and goes away. (The reader has
  // the FIFO open for writing too, so that its read waits for the first bytes rather than
  // ending at once.)
  const int status = InChild([&] {
    const int early = open(fifo.c_str(), O_RDWR);
    if (early < 0) return 2;
    const pid_t quitter = fork();
    if (quitter == 0) {
      char some[100];
      _exit(read(early, some, sizeof some) > 0 ? 0 : 1);
    }
    close(early);
    std::string error;
    errno = 0;
    const bool written = WriteBuildFile(fifo, std::string(1 << 20, 'x'), &error);
    const int reason = errno;
    int quitted = 0;
    waitpid(quitter, &quitted, 0);
    if (written) return 3;
    if (reason != EPIPE) return 4;
    if (!WIFEXITED(quitted) || WEXITSTATUS(quitted) != 0) return 6;
    sigset_t pending;
    if (sigpending(&pending) != 0 || sigismember(&pending, SIGPIPE)) return 5;
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Ending(status);
  EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));

  // A node of the null device where root may make one; the system's own otherwise (an
  // ordinary user cannot replace it, so no older writer could do harm here).
  const fs::path null = geteuid() == 0 ? dir / "mynull" : fs::path("/dev/null");
  if (geteuid() == 0) {
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  }
  for (Writer save : kWriters) {
    std::string error;
    EXPECT_TRUE(save(null, "into the null device", &error)) << error;
    EXPECT_TRUE(S_ISCHR(StatOf(null).st_mode));
    EXPECT_EQ(StatOf(null).st_rdev, makedev(1, 3));
  }
  EXPECT_EQ(Names(dir),
            geteuid() == 0 ? (std::vector<std::string>{"ZQOUT.HEX", "mynull"}) : std::vector<std::string>{"ZQOUT.HEX"});
  fs::remove_all(dir);
}

namespace {
// The access list of `path` as text with numeric ids,
// "user::rw-,user:65534:rw-,group::r--,mask::rw-,other::---"; a file without a list of its own
// shows the three entries its mode gives.
std::string AccessList(const fs::path& path) {
  acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return std::string("(unreadable: ") + std::strerror(errno) + ")";
  char* text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
  std::string list = text != nullptr ? text : "(no text)";
  acl_free(text);
  acl_free(acl);
  return list;
}

bool SetAccessList(const fs::path& path, const char* text, acl_type_t type = ACL_TYPE_ACCESS) {
  acl_t acl = acl_from_text(text);
  const bool set = acl != nullptr && acl_set_file(path.c_str(), type, acl) == 0;
  acl_free(acl);
  return set;
}

std::string Attribute(const fs::path& path, const char* name) {
  char value[256];
  const ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? std::string("(none: ") + std::strerror(errno) + ")" : std::string(value, static_cast<size_t>(n));
}

// A program that another user may write too, through its access list: the list's mask is what
// the mode shows as the group's bits, while the owning group itself may only read.
constexpr const char* kSharedProgram = "user::rw-,user:65534:rw-,group::r--,mask::rw-,other::---";

bool ShareProgram(const fs::path& program) {
  return SetAccessList(program, kSharedProgram) && setxattr(program.c_str(), "user.note", "pump", 4, 0) == 0;
}
}  // namespace

// A program with an access list (a user named in it may write it too) and an attribute of its
// own keeps both through every save: the owning group does not gain the write access that the
// list's mask gives the named user, the named user can go on saving it, and user.* attributes
// stay. Saved by its owner, then by the named user in a folder they may not write and in one
// they may; the program stays its owner's.
TEST(FileWrite, AProgramKeepsItsAccessListAndAttributes) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user";
  const fs::path top = TempFolder("fw20");
  const fs::path own = top / "own", shared = top / "shared";
  fs::create_directory(own);
  fs::create_directory(shared);
  ASSERT_TRUE(SetAccessList(shared, "user::rwx,user:65534:rwx,group::r-x,mask::rwx,other::r-x"));
  for (const fs::path& dir : {own, shared}) {
    const fs::path program = dir / "prog.qsl";
    std::ofstream(program) << "old";
    ASSERT_TRUE(ShareProgram(program));
    int round = 0;
    for (Writer save : kWriters) {
      const std::string bytes = "saved by the owner " + std::to_string(++round);
      std::string error;
      ASSERT_TRUE(save(program, bytes, &error)) << error;
      EXPECT_EQ(Read(program), bytes);
      EXPECT_EQ(AccessList(program), kSharedProgram) << dir;
      EXPECT_EQ(Attribute(program, "user.note"), "pump") << dir;
    }
    const int status = ordinary_user::Run([&] {
      for (Writer save : kWriters) CHILD_CHECK(save(program, "saved by the named user", nullptr));
      return 0;
    });
    EXPECT_TRUE(ordinary_user::EndedWell(status)) << Ending(status) << " in " << dir;
    EXPECT_EQ(Read(program), "saved by the named user");
    EXPECT_EQ(StatOf(program).st_uid, 0u);
    EXPECT_EQ(AccessList(program), kSharedProgram) << dir;
    EXPECT_EQ(Attribute(program, "user.note"), "pump") << dir;
    EXPECT_EQ(Names(dir), std::vector<std::string>{"prog.qsl"});
  }
  fs::remove_all(top);
}

// In a folder whose default access list names a user, a new file gets what the folder gives
// every new file (what open with mode 0666 makes there: the list, its mask not cut by the
// umask), while a file without a list of its own gets none from a save: the named user gains
// no access to it. A file that holds the folder's list keeps it.
TEST(FileWrite, AFolderWithADefaultAccessListGivesItToNewFilesOnly) {
  const fs::path dir = TempFolder("fw21");
  ASSERT_TRUE(SetAccessList(dir, "user::rwx,user:65534:rw-,group::r-x,mask::rwx,other::r-x", ACL_TYPE_DEFAULT));
  const mode_t mask = umask(022);
  const fs::path given = dir / "given";
  close(open(given.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0666));
  const fs::path plain = dir / "plain.qsl", inherited = dir / "inherited.qsl";
  std::ofstream(plain) << "old";
  std::ofstream(inherited) << "old";
  ASSERT_EQ(removexattr(plain.c_str(), "system.posix_acl_access"), 0);
  ASSERT_EQ(chmod(plain.c_str(), 0640), 0);
  const std::string inheritedList = AccessList(inherited);
  int round = 0;
  for (Writer save : kWriters) {
    const fs::path fresh = dir / ("new" + std::to_string(++round) + ".qsl");
    std::string error;
    ASSERT_TRUE(save(fresh, "new", &error)) << error;
    EXPECT_EQ(AccessList(fresh), AccessList(given));
    EXPECT_EQ(StatOf(fresh).st_mode & 07777, StatOf(given).st_mode & 07777);
    ASSERT_TRUE(save(plain, "saved", &error)) << error;
    EXPECT_EQ(AccessList(plain), "user::rw-,group::r--,other::---");
    ASSERT_TRUE(save(inherited, "saved", &error)) << error;
    EXPECT_EQ(AccessList(inherited), inheritedList);
  }
  umask(mask);
  EXPECT_EQ(Names(dir),
            (std::vector<std::string>{"given", "inherited.qsl", "new1.qsl", "new2.qsl", "new3.qsl", "plain.qsl"}));
  fs::remove_all(dir);
}

// Where the filesystem keeps no attributes (listing them is not supported), a save replaces the
// file as before, with its mode. Where a file has an access list all the same, or where listing
// its attributes fails, the save cannot tell what a new file would lose: the bytes go into the
// file itself, which keeps its list and attributes.
TEST(FileWrite, AttributesThatCannotBeListedAreKeptByWritingTheFileItself) {
  const fs::path dir = TempFolder("fw22");
  const fs::path plain = dir / "plain.qsl", program = dir / "prog.qsl";
  std::ofstream(plain) << "old";
  ASSERT_EQ(chmod(plain.c_str(), 0640), 0);
  std::ofstream(program) << "old";
  ASSERT_TRUE(ShareProgram(program));
  const ino_t inode = StatOf(program).st_ino;
  int round = 0;
  for (Writer save : kWriters) {
    for (const bool noListing : {true, false}) {
      attributeFaults = {};
      attributeFaults.noListing = noListing;
      attributeFaults.inode = noListing ? 0 : inode;
      attributeFaults.listError = EIO;
      const std::string bytes = "saved " + std::to_string(++round);
      std::string error;
      EXPECT_TRUE(save(plain, bytes, &error)) << error;
      EXPECT_EQ(StatOf(plain).st_mode & 07777, 0640u);
      EXPECT_TRUE(save(program, bytes, &error)) << error;
      attributeFaults = {};
      EXPECT_EQ(Read(program), bytes);
      EXPECT_EQ(StatOf(program).st_ino, inode);
      EXPECT_EQ(AccessList(program), kSharedProgram);
      EXPECT_EQ(Attribute(program, "user.note"), "pump");
    }
  }
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"plain.qsl", "prog.qsl"}));
  fs::remove_all(dir);
}
