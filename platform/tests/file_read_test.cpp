#include "platform/file_read.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/tests/hang_guard_support.h"

namespace fs = std::filesystem;
using platform::ReadFileStart;
using platform::ReadWholeFile;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zqv-read-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// True when reading `path` is refused with `reason`, and the reason names the path.
bool Refused(const fs::path& path, int reason) {
  std::string bytes = "old", error;
  errno = 0;
  if (ReadWholeFile(path, bytes, &error) || errno != reason) {
    std::fprintf(stderr, "%s: errno %d (%s)\n", path.c_str(), errno, error.c_str());
    return false;
  }
  return error.find(path.string()) != std::string::npos;
}

}  // namespace

// A FIFO (with or without a writer), a device, also through a link named like a program, a
// socket and a folder are refused at once: nothing waits for a writer, nothing reads /dev/zero
// without end, and a FIFO's bytes stay in it for its reader.
TEST(FileRead, ANameThatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const fs::path fifo = dir.path / "p.qsl", fed = dir.path / "fed.qsl", zero = dir.path / "x.qsl",
                 socketPath = dir.path / "s.qsl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(fed.c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", zero);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::string overran;
  const int status = hang_guard::RunInChild(
      [&] {
        const int writer = open(fed.c_str(), O_RDWR | O_NONBLOCK);
        CHILD_CHECK(writer >= 0 && write(writer, "data", 4) == 4);
        CHILD_CHECK(Refused(fifo, EINVAL));
        CHILD_CHECK(Refused(fed, EINVAL));
        char back[8] = {};
        CHILD_CHECK(read(writer, back, sizeof back) == 4 && std::string(back) == "data");
        CHILD_CHECK(Refused(zero, EINVAL));
        CHILD_CHECK(Refused("/dev/zero", EINVAL));
        CHILD_CHECK(Refused("/dev/null", EINVAL));
        CHILD_CHECK(Refused(socketPath, EINVAL));
        CHILD_CHECK(Refused(dir.path, EISDIR));
        CHILD_CHECK(Refused(dir.path / "missing.qsl", ENOENT));
        std::string bytes;
        CHILD_CHECK(!ReadFileStart(fifo, bytes, 10) && errno == EINVAL);
        return 0;
      },
      &overran);
  close(listener);
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << hang_guard::Ending(status, overran);
}

// A file is read as far as its size when it was opened: one of the system's files that calls
// itself empty but would give bytes without end (the page map of a process: 8 bytes for every
// page of its address space) reads as empty, at once.
TEST(FileRead, AFileIsReadNoFurtherThanItsSize) {
  std::string overran;
  const int status = hang_guard::RunInChild(
      [] {
        std::string bytes = "old";
        CHILD_CHECK(ReadWholeFile("/proc/self/pagemap", bytes));
        CHILD_CHECK(bytes.empty());
        return 0;
      },
      &overran);
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << hang_guard::Ending(status, overran);

  TempDir dir;
  const fs::path file = dir.path / "f.txt";
  const std::string text(100, 'a');
  {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(fd, text.data(), text.size()), 100);
    close(fd);
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(file, bytes));
  EXPECT_EQ(bytes, text);
  ASSERT_TRUE(ReadFileStart(file, bytes, 10));
  EXPECT_EQ(bytes, text.substr(0, 10));
  ASSERT_TRUE(ReadFileStart(file, bytes, 1000));
  EXPECT_EQ(bytes, text);
}
