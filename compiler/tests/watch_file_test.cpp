#include "compiler/watch_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "compiler/studio_state.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/message_box.h"

using namespace compiler;
namespace fs = std::filesystem;

namespace {

const std::string kKo2 = "\xB0\xA1\xC7\xD1";  // two Korean characters in CP949

WatchList SampleList() {
  WatchList list;
  list.WatchCount = 3;
  list.WatchName[0] = "P0:1  " + kKo2;
  list.WatchAddr[0] = 0x0120;
  list.WatchMask[0] = 2;
  list.WatchKind[0] = 1;
  list.WatchName[1] = "";
  list.WatchAddr[1] = -1;
  list.WatchMask[1] = -32768;
  list.WatchKind[1] = 4;
  list.WatchName[2] = "C12";
  list.WatchAddr[2] = 32767;
  list.WatchKind[2] = 2;
  return list;
}

}  // namespace

TEST(WatchFileFormat, EmptyListAndKoreanLabelLayout) {
  WatchList empty;
  EXPECT_EQ(EncodeWatchFile(empty), std::string("WATCH200\0\0", 10));

  WatchList one;
  one.WatchCount = 1;
  one.WatchName[0] = "P0:1  " + kKo2;
  one.WatchAddr[0] = 0x0102;
  one.WatchMask[0] = -2;
  one.WatchKind[0] = 1;
  std::string bytes = EncodeWatchFile(one);
  ASSERT_EQ(bytes.size(), 28u);
  EXPECT_EQ(bytes.substr(8, 4), std::string("\x01\x00\x08\x00", 4));
  EXPECT_EQ(bytes.substr(12, 10), "P0:1  " + kKo2);
  EXPECT_EQ(bytes.substr(22), std::string("\x02\x01\xFE\xFF\x01\x00", 6));

  // Reading an empty list sets the count and leaves every slot alone.
  WatchList list = SampleList();
  ASSERT_TRUE(DecodeWatchFile(EncodeWatchFile(empty), list));
  EXPECT_EQ(list.WatchCount, 0);
  EXPECT_EQ(list.WatchName[0], "P0:1  " + kKo2);
}

TEST(WatchFileFormat, RoundTripKeepsSlotsBeyondTheCount) {
  WatchList original = SampleList();
  std::string bytes = EncodeWatchFile(original);
  WatchList list;
  list.WatchName[5] = "kept";
  list.WatchAddr[5] = 9;
  ASSERT_TRUE(DecodeWatchFile(bytes, list));
  EXPECT_EQ(list.WatchCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.WatchName[i], original.WatchName[i]);
    EXPECT_EQ(list.WatchAddr[i], original.WatchAddr[i]);
    EXPECT_EQ(list.WatchMask[i], original.WatchMask[i]);
    EXPECT_EQ(list.WatchKind[i], original.WatchKind[i]);
  }
  EXPECT_EQ(list.WatchName[5], "kept");
  EXPECT_EQ(list.WatchAddr[5], 9);
  EXPECT_EQ(EncodeWatchFile(list), bytes);

  WatchList full;
  full.WatchCount = 31;
  for (int i = 0; i < 31; ++i) full.WatchName[i] = "M" + std::to_string(i) + ":0";
  WatchList back;
  ASSERT_TRUE(DecodeWatchFile(EncodeWatchFile(full), back));
  EXPECT_EQ(back.WatchCount, 31);
  EXPECT_EQ(back.WatchName[30], "M30:0");
}

TEST(WatchFileFormat, ReaderRefusesBadCountsLengthsAndShortFiles) {
  const std::string good = EncodeWatchFile(SampleList());
  auto refused = [](const std::string& bytes) {
    WatchList list = SampleList();
    list.WatchName[10] = "x";
    WatchList before = list;
    bool ok = DecodeWatchFile(bytes, list);
    EXPECT_EQ(list.WatchCount, before.WatchCount);
    EXPECT_EQ(list.WatchName, before.WatchName);
    EXPECT_EQ(list.WatchAddr, before.WatchAddr);
    return !ok;
  };
  std::string w = good;
  w.replace(1, 7, "XXXXXXX");
  WatchList list;
  EXPECT_TRUE(DecodeWatchFile(w, list));  // only the "W" is checked
  w[0] = 'w';
  EXPECT_TRUE(refused(w));
  w = good;
  w[8] = 32;
  EXPECT_TRUE(refused(w));
  w[8] = '\xFF';
  w[9] = '\xFF';
  EXPECT_TRUE(refused(w));
  w = good;
  w[10] = '\xFF';  // first label length -1
  w[11] = '\xFF';
  EXPECT_TRUE(refused(w));
  // A label that ends on a lead byte at the end of the file.
  WatchList lone;
  lone.WatchCount = 1;
  lone.WatchName[0] = "A";
  std::string cut = EncodeWatchFile(lone).substr(0, 13);
  cut[12] = '\xB0';
  EXPECT_TRUE(refused(cut));
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_TRUE(refused(good.substr(0, n))) << n;
}

TEST(WatchFileFormat, WriterClipsWhatTheReaderCouldNotTakeBack) {
  WatchList list;
  list.WatchCount = 40;
  EXPECT_EQ(EncodeWatchFile(list).substr(8, 2), std::string("\x1F\x00", 2));
  list.WatchCount = 1;
  list.WatchName[0] = "AB\xB0";  // a lone lead byte at the end is dropped
  std::string bytes = EncodeWatchFile(list);
  EXPECT_EQ(bytes.substr(10, 4), std::string("\x02\x00"
                                             "AB",
                                             4));
  WatchList back;
  ASSERT_TRUE(DecodeWatchFile(bytes, back));
  EXPECT_EQ(back.WatchName[0], "AB");
}

TEST(WatchFileCommands, SaveAndLoadBesideTheProgram) {
  std::string pattern = (fs::temp_directory_path() / "zqv-watch-XXXXXX").string();
  fs::path dir = mkdtemp(pattern.data());
  platform::RecordingMessageSink sink;
  auto studio = std::make_unique<Studio>();
  studio->messages = &sink;
  studio->shell.CurFilePath = (dir / "prog.qsl").string();
  studio->watch = SampleList();

  EXPECT_FALSE(SaveWatchFile(*studio, studio->shell.CurFilePath));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(dir / "prog.wch", bytes));
  EXPECT_EQ(bytes, EncodeWatchFile(SampleList()));

  studio->watch = WatchList{};
  ASSERT_TRUE(LoadWatchFile(*studio, studio->shell.CurFilePath));
  EXPECT_EQ(studio->watch.WatchCount, 3);
  EXPECT_EQ(studio->watch.WatchName[0], SampleList().WatchName[0]);
  EXPECT_TRUE(sink.shown.empty());

  const std::string wch = (dir / "bad.wch").string();
  ASSERT_TRUE(platform::WriteFileAtomically(wch, "XATCH200"));
  studio->shell.CurFilePath = (dir / "bad.qsl").string();
  for (bool korean : {false, true}) {
    studio->shell.KoreanMenu = korean;
    EXPECT_FALSE(LoadWatchFile(*studio, studio->shell.CurFilePath));
    EXPECT_EQ(sink.shown.back().text, (korean ? "읽어들일 수 없는 형식의 파일입니다." : "File Format Error :") + wch);
    EXPECT_EQ(sink.shown.back().caption, "Korvane Studio Error !");
  }
  EXPECT_EQ(studio->watch.WatchCount, 3);

  studio->shell.KoreanMenu = false;
  studio->shell.CurFilePath = (dir / "none.qsl").string();
  EXPECT_FALSE(LoadWatchFile(*studio, studio->shell.CurFilePath));
  EXPECT_EQ(sink.shown.back().text, "File Open Error :" + (dir / "none.wch").string());

  fs::create_directory(dir / "blocked.wch");
  studio->shell.CurFilePath = (dir / "blocked.qsl").string();
  studio->shell.KoreanMenu = true;
  EXPECT_TRUE(SaveWatchFile(*studio, studio->shell.CurFilePath));
  EXPECT_EQ(sink.shown.back().text, "파일 세이브도중 에러가 발생했습니다. " + (dir / "blocked.wch").string());
  fs::remove_all(dir);
}

TEST(WatchFileFuzz, DamagedFilesAreRefusedOrReadWithoutHarm) {
  const std::string good = EncodeWatchFile(SampleList());
  std::mt19937 rng(99);
  for (int i = 0; i < 4000; ++i) {
    std::string bytes = good;
    if (i % 2 == 0) {
      bytes.resize(rng() % (bytes.size() + 1));
    } else {
      for (int k = 1 + rng() % 4; k > 0; --k) bytes[rng() % bytes.size()] ^= static_cast<char>(1u << (rng() % 8));
    }
    WatchList list;
    if (DecodeWatchFile(bytes, list)) {
      ASSERT_GE(list.WatchCount, 0);
      ASSERT_LE(list.WatchCount, kWatchSlots);
      WatchList again;
      ASSERT_TRUE(DecodeWatchFile(EncodeWatchFile(list), again));
    }
  }
}
