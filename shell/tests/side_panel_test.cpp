#include "shell/side_panel.h"

#include <gtest/gtest.h>

#include "shell/mnemonic.h"
#include "shell/options.h"
#include "shell/toolbar.h"

#include <filesystem>
#include <fstream>

namespace shell {
namespace {

struct SideFixture : ::testing::Test {
  std::vector<std::string> calls;
  bool monitoring = false, korean = false;
  std::vector<NoticeLine> dump, watch;
  SidePanelLogic panel{Hooks()};

  SidePanelHooks Hooks() {
    SidePanelHooks h;
    h.plcSetupFix = [this] { calls.push_back("fix"); };
    h.plcSetupLoad = [this] { calls.push_back("load"); };
    h.fillSetup = [this] { calls.push_back("setup"); };
    h.showAlias = [this] { calls.push_back("alias"); };
    h.showDump = [this] { calls.push_back("dump"); };
    h.showWatch = [this] { calls.push_back("watch"); };
    h.monitorOn = [this] { return monitoring; };
    h.koreanMenu = [this] { return korean; };
    h.dumpNotice = [this](const std::vector<NoticeLine>& l) { dump = l; };
    h.watchNotice = [this](const std::vector<NoticeLine>& l) { watch = l; };
    return h;
  }
};

TEST_F(SideFixture, LeavingThePlcPageFixesOnce) {
  panel.Choose(1);
  panel.Choose(2);
  panel.Choose(3);
  panel.Choose(1);
  panel.Choose(1);
  panel.Choose(6);
  EXPECT_EQ(calls, (std::vector<std::string>{"load", "fix", "setup", "alias", "load", "load", "fix"}));
  EXPECT_EQ(panel.shown(), SidePage::Memo);
  calls.clear();
  panel.Choose(0);
  panel.Choose(7);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(panel.shown(), SidePage::Memo);
}

TEST_F(SideFixture, NoticesWhileNotMonitoring) {
  panel.Choose(4);
  ASSERT_EQ(dump.size(), 1u);
  EXPECT_EQ(dump[0].x, 100);
  EXPECT_EQ(dump[0].y, 600);
  EXPECT_EQ(dump[0].text, "You can use at Monitering State !");
  korean = true;
  panel.Choose(4);
  ASSERT_EQ(dump.size(), 2u);
  EXPECT_EQ(dump[0].text, "모니터링 상태에서만");
  EXPECT_EQ(dump[1].x, 800);
  EXPECT_EQ(dump[1].y, 1000);
  EXPECT_EQ(dump[1].text, "  사용 가능합니다.");
  panel.Choose(5);
  ASSERT_EQ(watch.size(), 1u);
  EXPECT_EQ(watch[0].x, 300);
  EXPECT_EQ(watch[0].text, "모니터링 상태에서만 사용가능합니다.");
  EXPECT_EQ(calls, (std::vector<std::string>{"dump", "dump", "watch"}));  // drawn before the notice
  dump.clear();
  watch.clear();
  monitoring = true;
  panel.Choose(4);
  panel.Choose(5);
  EXPECT_TRUE(dump.empty());
  EXPECT_TRUE(watch.empty());
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
