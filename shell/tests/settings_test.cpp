#include "shell/settings.h"

#include <gtest/gtest.h>

#include "shell/recent_files.h"
#include "shell/tests/shell_test_support.h"
#include "shell/window_layout.h"

using namespace shell;
using shell_test::ReadFile;
using shell_test::TempDir;
using shell_test::WriteFile;

TEST(Settings, EmptyFileGivesTheDefaults) {
  TempDir dir;
  ProfileFile ini(dir / "none.ini");
  Settings s = ReadSettings(ini);
  EXPECT_EQ(s.screen.Top, 105);
  EXPECT_EQ(s.screen.Left, 105);
  EXPECT_EQ(s.screen.Width, 14540);
  EXPECT_EQ(s.screen.Height, 11175);
  EXPECT_EQ(s.PortNum, 0);
  EXPECT_EQ(s.Cunit, 80);
  EXPECT_EQ(s.Csai, 300);
  EXPECT_EQ(s.Color, 1);
  EXPECT_EQ(s.AliasFirst, 0);
  EXPECT_EQ(s.MonSpeed, 5);
  EXPECT_EQ(s.AskStart, 1);
  EXPECT_EQ(s.TipShow, 1);
  EXPECT_FALSE(s.KoreanMenu);
  EXPECT_EQ(s.FontName, "굴림");
  EXPECT_EQ(s.FontSize, 9);
  EXPECT_FALSE(s.FontBold);
  EXPECT_FALSE(s.FontItalic);
  EXPECT_EQ(s.PortDev[0], "/dev/ttyS0");
  EXPECT_EQ(s.PortDev[3], "/dev/ttyS3");
  EXPECT_FALSE(std::filesystem::exists(ini.Path()));  // reading writes nothing
}

TEST(Settings, LanguageWords) {
  TempDir dir;
  for (auto [text, korean] : {std::pair{"True", true}, {"true", true}, {"1", true}, {"yes", false}, {"False", false}}) {
    WriteFile(dir / "a.ini", std::string("[Setup]\nKoreanMenu=") + text + "\n");
    EXPECT_EQ(ReadSettings(ProfileFile(dir / "a.ini")).KoreanMenu, korean) << text;
  }
}

TEST(Settings, OutOfRangeValuesAreClampedInMemoryOnly) {
  TempDir dir;
  const std::string file =
      "[Setup]\nPortNum=7\nCunit=0\nCsai=9000\nMonSpeed=-3\nAskStart=40000\n[Font]\nFontSize=0\nFontBold=TRUE\n";
  WriteFile(dir / "a.ini", file);
  Settings s = ReadSettings(ProfileFile(dir / "a.ini"));
  EXPECT_EQ(s.PortNum, 0);
  EXPECT_EQ(s.Cunit, 41);
  EXPECT_EQ(s.Csai, 550);
  EXPECT_EQ(s.MonSpeed, 0);
  EXPECT_EQ(s.AskStart, 0);  // outside 16 bits: not taken, 0 as before the read
  EXPECT_EQ(s.FontSize, 9);
  EXPECT_TRUE(s.FontBold);
  EXPECT_EQ(ReadFile(dir / "a.ini"), file);
}

TEST(Settings, PortDevicesFromFile) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[Setup]\nPortDev1=/dev/ttyUSB0\n");
  Settings s = ReadSettings(ProfileFile(dir / "a.ini"));
  EXPECT_EQ(s.PortDev[0], "/dev/ttyS0");
  EXPECT_EQ(s.PortDev[1], "/dev/ttyUSB0");
  EXPECT_EQ(s.PortDev[2], "/dev/ttyS2");
}

TEST(WindowPlace, KeptOnTheScreen) {
  WindowPlace p;
  p.Left = 20000;
  EXPECT_EQ(PlaceOnScreen(p, 19200, 14400).Left, 0);
  p.Left = 19200 - 500;
  EXPECT_EQ(PlaceOnScreen(p, 19200, 14400).Left, 18700);
  p.Top = 16000;
  EXPECT_EQ(PlaceOnScreen(p, 19200, 14400).Top, 0);
  WindowPlace bad{-32000, -32000, 1200, 600};  // a minimised window's report
  WindowPlace fixed = PlaceOnScreen(bad, 19200, 14400);
  EXPECT_EQ(fixed, (WindowPlace{105, 105, 14540, 11175}));
  // A size larger than the screen is fitted to it: 1,000,000 twips would make the ladder's
  // picture 66,666 pixels square.
  EXPECT_EQ(PlaceOnScreen(WindowPlace{105, 105, 1000000, 1000000}, 19200, 14400), (WindowPlace{0, 0, 19200, 14400}));
  EXPECT_EQ(PlaceOnScreen(WindowPlace{105, 105, 19200, 14400}, 19200, 14400), (WindowPlace{105, 105, 19200, 14400}));
  EXPECT_EQ(PlaceOnScreen(WindowPlace{300, 200, 12000, 20000}, 19200, 14400), (WindowPlace{0, 200, 12000, 14400}));
  EXPECT_EQ(PlaceOnScreen(WindowPlace{}, 12000, 9000), (WindowPlace{0, 0, 12000, 9000}));
  // With the window's frame, the window and its frame fit.
  EXPECT_EQ(PlaceOnScreen(WindowPlace{105, 105, 1000000, 1000000}, 19200, 14400, 120, 405),
            (WindowPlace{0, 0, 19080, 13995}));
}

TEST(WindowPlace, WrittenInOrder) {
  TempDir dir;
  ProfileFile ini(dir / "a.ini");
  WriteWindowPlace(ini, {1, 2, 9000, 8000});
  EXPECT_EQ(ReadFile(ini.Path()), "[Screen]\nLeft=2\nTop=1\nWidth=9000\nHeight=8000\n");
}

struct Recorder : SettingsListener {
  std::string name;
  std::vector<std::string>& heard;
  Recorder(std::string n, std::vector<std::string>& h) : name(std::move(n)), heard(h) {}
  void SettingChanged(SettingChange what) override { heard.push_back(name + std::to_string(int(what))); }
};

TEST(StudioSettings, ListenersHearEachChangeInTheOrderTheyCame) {
  std::vector<std::string> heard;
  StudioSettings settings;
  Recorder a("a", heard), b("b", heard);
  settings.Listen(a);
  settings.Listen(b);
  Settings read;
  read.Cunit = 100;
  read.FontSize = 12;
  settings.Load(read);
  EXPECT_EQ(settings.Values().Cunit, 100);
  EXPECT_DOUBLE_EQ(settings.Font().size, 12);
  settings.SetRowGap(400);
  EXPECT_EQ(heard, (std::vector<std::string>{"a0", "b0", "a3", "b3"}));  // Loaded, RowGap
  heard.clear();
  {
    Recorder c("c", heard);
    settings.Listen(c);
    settings.Unlisten(a);
    settings.SetColor(0);
  }  // c goes first: it stops listening
  settings.SetColor(1);
  EXPECT_EQ(heard, (std::vector<std::string>{"b1", "c1", "b1"}));
}

// The monitor speed and the tip offer at start are held like every other setting: the values
// of the run are the ones last set, and the listeners hear of them.
TEST(StudioSettings, MonitorSpeedAndTipOfferAreKeptForTheRun) {
  std::vector<std::string> heard;
  StudioSettings settings;
  Recorder a("a", heard);
  settings.Listen(a);
  settings.SetMonSpeed(0);
  settings.SetTipShow(0);
  EXPECT_EQ(settings.Values().MonSpeed, 0);
  EXPECT_EQ(settings.Values().TipShow, 0);
  EXPECT_EQ(heard, (std::vector<std::string>{"a" + std::to_string(int(SettingChange::MonSpeed)),
                                             "a" + std::to_string(int(SettingChange::TipShow))}));
}

TEST(StudioSettings, ListenersMayOutliveTheSettings) {
  std::vector<std::string> heard;
  Recorder late("late", heard);
  {
    StudioSettings settings;
    settings.Listen(late);
  }
  StudioSettings other;
  other.Listen(late);  // free to listen again
  other.SetAskStart(0);
  EXPECT_EQ(heard, (std::vector<std::string>{"late5"}));
}

TEST(StudioSettings, TheFontIsShownAsChosenAndStoredInWholePoints) {
  StudioSettings settings;
  for (auto [chosen, stored] : {std::pair{10.5, 10}, {11.5, 12}, {0.4, 1}, {9.0, 9}}) {
    settings.SetFont({"Noto Sans", chosen, true, false});
    EXPECT_DOUBLE_EQ(settings.Font().size, chosen);
    EXPECT_EQ(settings.Values().FontSize, stored) << chosen;
  }
  EXPECT_EQ(settings.Values().FontName, "Noto Sans");
  EXPECT_TRUE(settings.Values().FontBold);
}

TEST(Layout, PanesFollowTheWindowSize) {
  MainLayout l = ComputeLayout(14540, 11175, 10485);
  EXPECT_EQ(l.tabInfo, (TwipRect{0, 370, 4095, 9575}));
  EXPECT_EQ(l.tabMain, (TwipRect{4150, 390, 10255, 9575}));
  EXPECT_EQ(l.picBoard, (TwipRect{4320, 720, 10255 - 310, 9575 - 800}));
  EXPECT_EQ(l.txtMnemonic, (TwipRect{4320, 480, 9945, 8775 + 280}));
  EXPECT_EQ(l.gagStatus, (TwipRect{120, 10485 - 260, 2775, 195}));
  EXPECT_EQ(l.vsbMain, (TwipRect{9945 - 310, 345, 255, 8775 - 410}));
  EXPECT_EQ(l.tbrLadder.width, 10255 - 200);
  EXPECT_EQ(l.endLineLength, 9945);
  EXPECT_EQ(l.sideFrame, (TwipRect{120, 720, 3855, 9575 - 480}));
  EXPECT_EQ(l.txtMemo.top, 720);
  EXPECT_EQ(SideMemoBox(9575), (TwipRect{120, 800, 3855, 9575 - 520}));
  EXPECT_EQ(l.picDump, (TwipRect{120, 840, 3615, (9095 - 120) - 840}));
  EXPECT_EQ(l.vsbAlias, (TwipRect{3615 - 310, 0, 255, (9095 - 120 - 600) - 70}));
  EXPECT_EQ(l.picWatch, (TwipRect{0, 600, 3855, 9095 - 600}));
  // A tiny window gives negative sizes, which the window then skips.
  MainLayout tiny = ComputeLayout(2000, 1000, 400);
  EXPECT_FALSE(tiny.tabMain.Usable());
  EXPECT_FALSE(tiny.picBoard.Usable());
  EXPECT_EQ(Px(720), 48);
  EXPECT_EQ(Px(7), 0);
  EXPECT_EQ(Px(8), 1);
  EXPECT_EQ(Px(-15), -1);
}

// The recent-file list, driven through the settings file.
struct RecentFixture : ::testing::Test {
  TempDir dir;
  ProfileFile ini{dir / "r.ini"};
  RecentFiles recent;
  std::vector<std::string> Stored() {
    std::vector<std::string> v;
    for (int k = 1; k <= 5; ++k) v.push_back(ini.ReadString("LastOpen", "File" + std::to_string(k), "none"));
    return v;
  }
  using V = std::vector<std::string>;
};

TEST_F(RecentFixture, OpeningFiveFilesInTurn) {
  recent.Load(ini);
  for (int k = 1; k <= 4; ++k) EXPECT_FALSE(recent.Visible(k));
  for (const char* p : {"A", "B", "C", "D", "E"}) recent.Update(ini, p);
  EXPECT_EQ(Stored(), (V{"E", "D", "C", "B", "A"}));
  EXPECT_EQ(recent.Caption(1), "E");
  EXPECT_EQ(recent.Caption(4), "B");
  EXPECT_TRUE(recent.Visible(4));

  recent.Update(ini, "C");  // opened again: moves to the top, the gap closes from the reserve
  EXPECT_EQ(Stored(), (V{"C", "E", "D", "B", "none"}));

  recent.Update(ini, "C");  // already first: nothing changes
  EXPECT_EQ(Stored(), (V{"C", "E", "D", "B", "none"}));
}

TEST_F(RecentFixture, TwoEntriesAndPromotion) {
  WriteFile(ini.Path(), "[LastOpen]\nFile1=A\nFile2=B\n");
  recent.Load(ini);
  recent.Update(ini, "B");
  EXPECT_EQ(Stored(), (V{"B", "A", "none", "none", "none"}));
  EXPECT_FALSE(recent.Visible(3));
  EXPECT_FALSE(recent.Visible(4));

  WriteFile(ini.Path(), "[LastOpen]\nFile1=E\nFile2=D\nFile3=C\nFile4=B\nFile5=A\n");
  recent.Load(ini);
  recent.Promote(ini, 3, "C");
  EXPECT_EQ(recent.Caption(1), "C");
  EXPECT_EQ(recent.Caption(2), "D");
  EXPECT_EQ(recent.Caption(3), "E");
  EXPECT_EQ(Stored(), (V{"C", "D", "E", "B", "A"}));
}

TEST_F(RecentFixture, LongPathsStayWholeAndAmpersandsShowInMenus) {
  recent.Load(ini);
  std::string longPath = "/data/" + std::string(110, 'x') + "/R&D.qsl";
  recent.Update(ini, longPath);
  recent.Update(ini, "/b.qsl");
  EXPECT_EQ(recent.Caption(2), longPath);
  RecentFiles again;
  again.Load(ini);
  EXPECT_EQ(again.Caption(2), longPath);
  EXPECT_EQ(MenuItemText("R&D.qsl"), "R&&D.qsl");
  EXPECT_TRUE(IsEmptyEntry("none"));
  EXPECT_TRUE(IsEmptyEntry("nonexistent"));  // begins with "none"
  EXPECT_FALSE(IsEmptyEntry("None"));
}
