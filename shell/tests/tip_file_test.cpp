#include "shell/tip_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace shell {
namespace {

TEST(TipFile, LinesAndSeparators) {
  TipTexts t = ParseTipFile("A\r\nB\r\n----------\r\nC\r\n");
  EXPECT_EQ(t.TipText[0], "A\r\n\r\nB\r\n\r\n");
  EXPECT_EQ(t.TipText[1], "C\r\n\r\n");
  EXPECT_EQ(t.TipCount, 1);
  // LF-only lines and a last line without an end read the same.
  TipTexts u = ParseTipFile("A\nB\n----------\nC");
  EXPECT_EQ(u.TipText, t.TipText);
}

TEST(TipFile, SeparatorIsTenHyphensAtTheStart) {
  TipTexts t = ParseTipFile("---------\nx\n------------\ny\n---------- Title\nz\n -----------\n");
  EXPECT_EQ(t.TipText[0], "---------\r\n\r\nx\r\n\r\n");
  EXPECT_EQ(t.TipText[1], "y\r\n\r\n");
  EXPECT_EQ(t.TipText[2], "z\r\n\r\n -----------\r\n\r\n");
  EXPECT_EQ(t.TipCount, 2);
}

TEST(TipFile, EmptyLinesBelongToTheTipAndATrailingSeparatorLeavesAnEmptyTip) {
  TipTexts t = ParseTipFile("A\n\nB\n----------\n");
  EXPECT_EQ(t.TipText[0], "A\r\n\r\n\r\n\r\nB\r\n\r\n");
  EXPECT_EQ(t.TipText[1], "");
  EXPECT_EQ(t.TipCount, 1);
  EXPECT_EQ(ParseTipFile("only\n").TipCount, 0);
}

TEST(TipFile, AtMost31Tips) {
  std::string file;
  for (int i = 0; i <= 40; ++i) file += "tip " + std::to_string(i) + "\n----------\n";
  TipTexts t = ParseTipFile(file);
  EXPECT_EQ(t.TipCount, 30);
  EXPECT_EQ(t.TipText[30], "tip 30\r\n\r\n");
  TipState s{t, 30};
  s.Next();
  EXPECT_EQ(s.TipIndex, 0);
  s.Previous();
  EXPECT_EQ(s.TipIndex, 30);
}

TEST(TipFile, NextAndPreviousWrap) {
  TipState s{ParseTipFile("A\nB\n----------\nC\n")};
  s.TipIndex = 1;
  s.Next();
  EXPECT_EQ(s.TipIndex, 0);
  s.Previous();
  EXPECT_EQ(s.TipIndex, 1);
  EXPECT_EQ(s.Shown(), "C\r\n\r\n");
  // Three tips, started at second 07: tip 7 is empty, Next goes to tip 0.
  TipState three{ParseTipFile("a\n----------\nb\n----------\nc\n")};
  three.TipIndex = FirstTipIndex(7);
  EXPECT_EQ(three.Shown(), "");
  three.Next();
  EXPECT_EQ(three.TipIndex, 0);
}

TEST(TipFile, LoadReportsAMissingFileAndKeepsTheOldTips) {
  auto dir = std::filesystem::temp_directory_path() / ("tips_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  TipTexts tips = ParseTipFile("old\n");
  platform::RecordingMessageSink sink;
  EXPECT_TRUE(LoadTipFile(dir, tips, sink, false));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].text, "Tip Text File Open Error !!!");
  EXPECT_EQ(tips.TipText[0], "old\r\n\r\n");
  { std::ofstream(dir / "tip.txt", std::ios::binary) << "new\r\n"; }
  EXPECT_FALSE(LoadTipFile(dir, tips, sink, true));
  EXPECT_EQ(tips.TipText[0], "new\r\n\r\n");
  EXPECT_EQ(sink.shown.size(), 1u);
  std::filesystem::remove_all(dir);
}

TEST(TipFile, ShippedTipFileHasAboutTenKoreanTips) {
  std::string bytes;
  std::ifstream in(std::filesystem::path(ZQV_BUILD_SOURCE_DIR) / "runtime" / "tip.txt", std::ios::binary);
  ASSERT_TRUE(in);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  TipTexts t = ParseTipFile(bytes);
  EXPECT_GE(t.TipCount, 8);
  for (int i = 0; i <= t.TipCount; ++i) {
    EXPECT_FALSE(t.TipText[i].empty()) << i;
    EXPECT_TRUE(platform::AnsiToUtf8(t.TipText[i]).has_value()) << i;  // valid CP949
  }
}

TEST(TipFile, RandomInputKeepsTheLimits) {
  std::mt19937 rng(15);
  const std::string pieces[] = {"----------", "-", "\n", "\r\n", "\r", "x", "\xB0\xA1", "\xFF", ""};
  for (int round = 0; round < 300; ++round) {
    std::string file;
    int n = static_cast<int>(rng() % 200);
    for (int i = 0; i < n; ++i) file += pieces[rng() % std::size(pieces)];
    TipTexts t = ParseTipFile(file);
    ASSERT_GE(t.TipCount, 0);
    ASSERT_LE(t.TipCount, 30);
    for (int i = t.TipCount + 1; i < kMaxTips; ++i) ASSERT_TRUE(t.TipText[i].empty());
    ParseTipFile(std::string_view(file).substr(0, file.size() / 2));
  }
}

}  // namespace
}  // namespace shell
