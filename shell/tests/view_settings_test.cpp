#include "shell/view_settings.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace shell {
namespace {

using Write = std::tuple<std::string, std::string, std::string>;

struct SetupFixture : ::testing::Test {
  ViewSettings settings;
  std::vector<Write> writes;
  std::vector<std::string> events;
  bool monitoring = false;
  bool korean = false;
  platform::RecordingMessageSink sink;
  std::optional<LadderFont> dialogAnswer;
  LadderFont applied;
  ColorScheme scheme{};

  ViewSettingsHandlers Handlers() {
    ViewSettingsHooks h;
    h.writeIni = [this](const std::string& s, const std::string& k, const std::string& v) {
      writes.emplace_back(s, k, v);
    };
    h.monitorOn = [this] { return monitoring; };
    h.koreanMenu = [this] { return korean; };
    h.messages = &sink;
    h.redraw = [this] { events.push_back("redraw"); };
    h.cellSizeChanged = [this](int c) { events.push_back("size " + std::to_string(c)); };
    h.spacingChanged = [this](int c) { events.push_back("space " + std::to_string(c)); };
    h.colorsChanged = [this](const ColorScheme& s) { scheme = s; };
    h.chooseFont = [this](const LadderFont& f) {
      events.push_back("dialog " + f.name);
      return dialogAnswer;
    };
    h.applyFont = [this](const LadderFont& f) { applied = f; };
    return ViewSettingsHandlers(settings, h);
  }
};

TEST_F(SetupFixture, SizeSliderSetsCunitAndWritesIt) {
  auto h = Handlers();
  for (auto [slider, cunit] : {std::pair{0, 41}, {80, 121}, {39, 80}, {4, 45}}) {
    writes.clear();
    events.clear();
    h.SizeSliderMoved(slider);
    EXPECT_EQ(settings.Cunit, cunit);
    EXPECT_EQ(events, (std::vector<std::string>{"size " + std::to_string(cunit), "redraw"}));
    EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "Cunit", std::to_string(cunit)}}));
  }
}

TEST_F(SetupFixture, SpaceSlider) {
  auto h = Handlers();
  for (auto [slider, csai] : {std::pair{0, 50}, {5, 300}, {10, 550}}) {
    writes.clear();
    h.SpaceSliderMoved(slider);
    EXPECT_EQ(settings.Csai, csai);
    EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "Csai", std::to_string(csai)}}));
  }
}

TEST_F(SetupFixture, SlidersShowTheSettings) {
  EXPECT_EQ(SizeSliderOf(80), 39);
  EXPECT_EQ(SpaceSliderOf(300), 5);
  EXPECT_EQ(SpaceSliderOf(349), 5);
  // Values a hand-edited file may hold stay within the sliders.
  EXPECT_EQ(SizeSliderOf(10), 0);
  EXPECT_EQ(SizeSliderOf(500), 80);
  EXPECT_EQ(SpaceSliderOf(0), 0);
  EXPECT_EQ(SpaceSliderOf(-300), 0);
  EXPECT_EQ(SpaceSliderOf(5000), 10);
  for (int v = 0; v <= kSizeSliderMax; ++v) EXPECT_EQ(SizeSliderOf(CunitOfSlider(v)), v);
  for (int v = 0; v <= kSpaceSliderMax; ++v) EXPECT_EQ(SpaceSliderOf(CsaiOfSlider(v)), v);
}

TEST_F(SetupFixture, ColourSchemes) {
  auto h = Handlers();
  h.ColorChosen(0);
  EXPECT_EQ(settings.Color, 0);
  EXPECT_EQ(scheme.back, 0x000000u);
  EXPECT_EQ(scheme.line, 0xFFFFFFu);
  EXPECT_EQ(scheme.on, 0xFF0000u);  // blue in 0xBBGGRR
  EXPECT_EQ(writes.back(), (Write{"Setup", "Color", "0"}));
  h.ColorChosen(1);
  EXPECT_EQ(scheme.back, 0xFFFFFFu);
  EXPECT_EQ(scheme.line, 0x000000u);
  EXPECT_EQ(scheme.on, 0x00FF00u);  // green
  EXPECT_EQ(writes.back(), (Write{"Setup", "Color", "1"}));
  h.ColorChosen(5);
  EXPECT_EQ(settings.Color, 0);
  // A stored value other than 0 and 1 is drawn black, and the page shows black.
  EXPECT_EQ(ColorSchemeOf(2).back, 0x000000u);
  EXPECT_EQ(ColorOptionOf(2), 0);
  EXPECT_EQ(ColorOptionOf(1), 1);
}

TEST_F(SetupFixture, PortRefusedWhileMonitoring) {
  auto h = Handlers();
  monitoring = true;
  korean = true;
  h.PortChosen(2);
  EXPECT_EQ(settings.PortNum, 0);
  EXPECT_TRUE(writes.empty());
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Message");
  EXPECT_EQ(sink.shown[0].text, "모니터링 상태에서는 사용할 수 없습니다.");
  EXPECT_EQ(sink.shown[0].icon, platform::MsgIcon::Information);
  monitoring = false;
  h.PortChosen(2);
  EXPECT_EQ(settings.PortNum, 2);
  EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "PortNum", "2"}}));
}

TEST_F(SetupFixture, CheckBoxes) {
  auto h = Handlers();
  h.AliasFirstToggled(true);
  h.AskStartToggled(false);
  EXPECT_EQ(settings.AliasFirst, 1);
  EXPECT_EQ(settings.AskStart, 0);
  EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "AliasFirst", "1"}, {"Setup", "AskStart", "0"}}));
  EXPECT_EQ(events, (std::vector<std::string>{"redraw"}));  // ask-before-run draws nothing
}

TEST_F(SetupFixture, FontChosenIsRoundedForTheSettingOnly) {
  auto h = Handlers();
  dialogAnswer = LadderFont{"Noto Sans", 10.5, true, false};
  h.ChangeFont();
  EXPECT_EQ(settings.FontName, "Noto Sans");
  EXPECT_EQ(settings.FontSize, 10);
  EXPECT_DOUBLE_EQ(applied.size, 10.5);
  EXPECT_EQ(writes, (std::vector<Write>{{"Font", "FontName", "Noto Sans"},
                                        {"Font", "FontSize", "10"},
                                        {"Font", "FontBold", "True"},
                                        {"Font", "FontItalic", "False"}}));
  EXPECT_EQ(events.back(), "redraw");
}

TEST_F(SetupFixture, CancelledFontRewritesTheOldValues) {
  auto h = Handlers();
  settings.FontName = "굴림";
  settings.FontSize = 11;
  settings.FontItalic = true;
  dialogAnswer.reset();
  h.ChangeFont();
  EXPECT_EQ(events.front(), "dialog 굴림");
  EXPECT_EQ(writes, (std::vector<Write>{{"Font", "FontName", "굴림"},
                                        {"Font", "FontSize", "11"},
                                        {"Font", "FontBold", "False"},
                                        {"Font", "FontItalic", "True"}}));
  EXPECT_EQ(applied.name, "굴림");
  EXPECT_DOUBLE_EQ(applied.size, 11);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(10.5), 10);
  EXPECT_EQ(RoundHalfEven(11.5), 12);
  EXPECT_EQ(RoundHalfEven(4.5), 4);
  EXPECT_EQ(RoundHalfEven(5.5), 6);
  EXPECT_EQ(RoundHalfEven(10.49), 10);
  EXPECT_EQ(RoundHalfEven(10.51), 11);
  EXPECT_EQ(RoundHalfEven(9), 9);
}

}  // namespace
}  // namespace shell
