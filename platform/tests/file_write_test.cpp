#include "platform/file_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using namespace platform;

namespace {
fs::path TempFolder(const char* name) {
  fs::path dir = fs::temp_directory_path() / (std::string(name) + "." + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}
}  // namespace

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
  // An unwritable folder (not for root, who may write anywhere).
  if (geteuid() != 0) {
    chmod(dir.c_str(), 0500);
    EXPECT_FALSE(WriteFileAtomically(target, "new", &error));
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

TEST(FileWrite, ASaveRemovesWhatInterruptedSavesOfTheSameFileLeft) {
  fs::path dir = TempFolder("fw4");
  auto put = [&](const std::string& name) { std::ofstream(dir / name) << "part"; };
  // Left by saves killed mid-write: of the target, and of another file.
  put(".prog.qsl.a1B2c3");
  put(".prog.qsl.ZZZZZZ");
  put(".other.qsl.a1B2c3");
  put(".prog.qsl.a1B2c");       // not a temporary name
  put(".prog.qsl.a1B2c3.bak");  // nor this
  // A save of the target in progress elsewhere holds its temporary locked.
  put(".prog.qsl.busy01");
  const int busy = open((dir / ".prog.qsl.busy01").c_str(), O_RDONLY);
  ASSERT_EQ(flock(busy, LOCK_EX), 0);

  ASSERT_TRUE(WriteFileAtomically(dir / "prog.qsl", "program"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".other.qsl.a1B2c3", ".prog.qsl.a1B2c", ".prog.qsl.a1B2c3.bak",
                                             ".prog.qsl.busy01", "prog.qsl"}));
  close(busy);
  fs::remove_all(dir);
}
