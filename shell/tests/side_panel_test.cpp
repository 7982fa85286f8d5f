#include "shell/side_panel.h"

#include <gtest/gtest.h>

#include "shell/mnemonic.h"
#include "shell/options.h"
#include "shell/toolbar.h"

#include <filesystem>
#include <fstream>

namespace shell {
namespace {

TEST(SidePanel, NoticesWhileNotMonitoring) {
  auto en = DumpNotice(false);
  ASSERT_EQ(en.size(), 1u);
  EXPECT_EQ(en[0].x, 100);
  EXPECT_EQ(en[0].y, 600);
  EXPECT_EQ(en[0].text, "You can use at Monitering State !");
  auto ko = DumpNotice(true);
  ASSERT_EQ(ko.size(), 2u);
  EXPECT_EQ(ko[0].x, 800);
  EXPECT_EQ(ko[0].y, 600);
  EXPECT_EQ(ko[0].text, "모니터링 상태에서만");
  EXPECT_EQ(ko[1].x, 800);
  EXPECT_EQ(ko[1].y, 1000);
  EXPECT_EQ(ko[1].text, "  사용 가능합니다.");
  for (bool k : {false, true}) {
    auto w = WatchNotice(k);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].x, 300);
    EXPECT_EQ(w[0].y, 600);
    EXPECT_EQ(w[0].text, k ? "모니터링 상태에서만 사용가능합니다." : "You can use at Monitering State !");
  }
}

TEST(Mnemonic, FilesByKeyAndModel) {
  EXPECT_EQ(MnemonicFileOf(MnemonicKey::F8, 10), "QS2OUT.$$$");
  EXPECT_EQ(MnemonicFileOf(MnemonicKey::F9, 10), "ZQCORE2.LST");
  EXPECT_EQ(MnemonicFileOf(MnemonicKey::F9, 4), "ZQCORE3.LST");
  EXPECT_EQ(MnemonicFileOf(MnemonicKey::F10, 10), "ZQCORE2.S71");
  EXPECT_EQ(MnemonicFileOf(MnemonicKey::F10, 1), "ZQCORE3.S71");
  EXPECT_TRUE(MnemonicKeysIgnored("Untitled.qsl"));
  EXPECT_FALSE(MnemonicKeysIgnored("untitled.qsl"));
  EXPECT_FALSE(MnemonicKeysIgnored("/home/a/Untitled.qsl"));
  EXPECT_FALSE(MnemonicKeysIgnored("Untitle"));
}

TEST(Mnemonic, TextIsCp949AndAMissingFileIsEmpty) {
  auto dir = std::filesystem::temp_directory_path() / ("mnemonic_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  { std::ofstream(dir / "ZQCORE3.LST", std::ios::binary) << "; \xB0\xA1\r\nLDI\r\n"; }
  EXPECT_EQ(MnemonicText(dir, "ZQCORE3.LST"), "; 가\r\nLDI\r\n");
  EXPECT_EQ(MnemonicText(dir, "QS2OUT.$$$"), "");
  std::filesystem::create_directories(dir / "ZQCORE2.LST");  // a folder is no file
  EXPECT_EQ(MnemonicText(dir, "ZQCORE2.LST"), "");
  std::filesystem::remove_all(dir);
}

TEST(Toolbar, DispatchTable) {
  for (int sep : {1, 5, 7, 11, 13, 18}) EXPECT_EQ(ToolbarCommandOf(sep), ToolbarCommand::None) << sep;
  EXPECT_EQ(ToolbarCommandOf(10), ToolbarCommand::BlockPasteInsert);
  EXPECT_EQ(ToolbarCommandOf(2), ToolbarCommand::New);
  EXPECT_EQ(ToolbarCommandOf(17), ToolbarCommand::Monitor);
  EXPECT_EQ(ToolbarCommandOf(0), ToolbarCommand::None);
  EXPECT_EQ(ToolbarCommandOf(19), ToolbarCommand::None);
  int actions = 0;
  for (const auto& b : kToolbarButtons) actions += b.command != ToolbarCommand::None;
  EXPECT_EQ(actions, 12);
  // Each action button carries its tool tip; separators carry none.
  EXPECT_EQ(kToolbarButtons[9].command, ToolbarCommand::BlockPasteInsert);
  EXPECT_EQ(kToolbarButtons[13].command, ToolbarCommand::Auto);
  for (const auto& b : kToolbarButtons) EXPECT_EQ(b.toolTip == nullptr, b.command == ToolbarCommand::None) << b.index;
}

TEST(Options, CloseCopiesTheBoxesAndTellsAChange) {
  compiler::PlcSetup s;
  s.UploadOpt = 1;
  s.ClearKeepOpt = 2;  // not 1: shown unchecked
  s.Scan25Opt = 0;
  OptionBoxes b = OptionBoxesOf(s);
  EXPECT_TRUE(b.upload);
  EXPECT_FALSE(b.clearKeep);
  b.upload = false;
  b.scan25 = true;
  EXPECT_TRUE(ApplyOptionBoxes(b, s));
  EXPECT_EQ(s.UploadOpt, 0);
  EXPECT_FALSE(s.UploadFlag);
  EXPECT_EQ(s.ClearKeepOpt, 0);
  EXPECT_FALSE(s.ClearKeepFlag);
  EXPECT_EQ(s.Scan25Opt, 1);
  EXPECT_FALSE(ApplyOptionBoxes(b, s));
  b.clearKeep = true;
  EXPECT_TRUE(ApplyOptionBoxes(b, s));
  EXPECT_TRUE(s.ClearKeepFlag);
}

}  // namespace
}  // namespace shell
