#include "shell/view_settings.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace shell {
namespace {

using Write = std::tuple<std::string, std::string, std::string>;

const char* NameOf(SettingChange what) {
  switch (what) {
    case SettingChange::Color:
      return "color";
    case SettingChange::CellSize:
      return "size";
    case SettingChange::RowGap:
      return "space";
    case SettingChange::AliasFirst:
      return "alias";
    case SettingChange::AskStart:
      return "ask";
    case SettingChange::Port:
      return "port";
    case SettingChange::Font:
      return "font";
    default:
      return "other";
  }
}

struct SetupFixture : ::testing::Test, SetupPageHost, SettingsListener {
  StudioSettings settings;
  std::vector<Write> writes;
  std::vector<std::string> events;
  bool monitoring = false;
  bool korean = false;
  platform::RecordingMessageSink sink;
  std::optional<LadderFont> dialogAnswer;

  SetupFixture() { settings.Listen(*this); }
  ViewSettingsHandlers Handlers() { return ViewSettingsHandlers(settings, *this); }
  const Settings& values() const { return settings.Values(); }

  void WriteSetting(const std::string& s, const std::string& k, const std::string& v) override {
    writes.emplace_back(s, k, v);
  }
  bool MonitorOn() const override { return monitoring; }
  std::optional<LadderFont> ChooseFont(const LadderFont& f) override {
    events.push_back("dialog " + f.name);
    return dialogAnswer;
  }
  platform::MessageSink& Messages() override { return sink; }
  bool KoreanMenu() const override { return korean; }
  void SettingChanged(SettingChange what) override { events.push_back(NameOf(what)); }
};

TEST_F(SetupFixture, SizeSliderSetsCunitAndWritesIt) {
  auto h = Handlers();
  for (auto [slider, cunit] : {std::pair{0, 41}, {80, 121}, {39, 80}, {4, 45}}) {
    writes.clear();
    events.clear();
    h.SizeSliderMoved(slider);
    EXPECT_EQ(values().Cunit, cunit);
    EXPECT_EQ(events, (std::vector<std::string>{"size"}));
    EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "Cunit", std::to_string(cunit)}}));
  }
}

TEST_F(SetupFixture, SpaceSlider) {
  auto h = Handlers();
  for (auto [slider, csai] : {std::pair{0, 50}, {5, 300}, {10, 550}}) {
    writes.clear();
    events.clear();
    h.SpaceSliderMoved(slider);
    EXPECT_EQ(values().Csai, csai);
    EXPECT_EQ(events, (std::vector<std::string>{"space"}));
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
  EXPECT_EQ(values().Color, 0);
  EXPECT_EQ(writes.back(), (Write{"Setup", "Color", "0"}));
  h.ColorChosen(1);
  EXPECT_EQ(values().Color, 1);
  EXPECT_EQ(writes.back(), (Write{"Setup", "Color", "1"}));
  h.ColorChosen(1);  // chosen again: drawn again
  EXPECT_EQ(events, (std::vector<std::string>{"color", "color", "color"}));
  h.ColorChosen(5);
  EXPECT_EQ(values().Color, 0);
  EXPECT_EQ(ColorSchemeOf(0).back, 0x000000u);
  EXPECT_EQ(ColorSchemeOf(0).line, 0xFFFFFFu);
  EXPECT_EQ(ColorSchemeOf(0).on, 0xFF0000u);  // blue in 0xBBGGRR
  EXPECT_EQ(ColorSchemeOf(1).back, 0xFFFFFFu);
  EXPECT_EQ(ColorSchemeOf(1).line, 0x000000u);
  EXPECT_EQ(ColorSchemeOf(1).on, 0x00FF00u);  // green
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
  EXPECT_EQ(values().PortNum, 0);
  EXPECT_TRUE(writes.empty());
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(sink.shown.size(), 1u);  // the refusal
  monitoring = false;
  h.PortChosen(2);
  EXPECT_EQ(values().PortNum, 2);
  EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "PortNum", "2"}}));
}

TEST_F(SetupFixture, CheckBoxes) {
  auto h = Handlers();
  h.AliasFirstToggled(true);
  h.AskStartToggled(false);
  EXPECT_EQ(values().AliasFirst, 1);
  EXPECT_EQ(values().AskStart, 0);
  EXPECT_EQ(writes, (std::vector<Write>{{"Setup", "AliasFirst", "1"}, {"Setup", "AskStart", "0"}}));
  EXPECT_EQ(events, (std::vector<std::string>{"alias", "ask"}));
}

TEST_F(SetupFixture, FontChosenIsRoundedForTheSettingOnly) {
  auto h = Handlers();
  dialogAnswer = LadderFont{"Noto Sans", 10.5, true, false};
  h.ChangeFont();
  EXPECT_EQ(values().FontName, "Noto Sans");
  EXPECT_EQ(values().FontSize, 10);
  EXPECT_DOUBLE_EQ(settings.Font().size, 10.5);
  EXPECT_EQ(writes, (std::vector<Write>{{"Font", "FontName", "Noto Sans"},
                                        {"Font", "FontSize", "10"},
                                        {"Font", "FontBold", "True"},
                                        {"Font", "FontItalic", "False"}}));
  EXPECT_EQ(events.back(), "font");
}

TEST_F(SetupFixture, CancelledFontRewritesTheOldValues) {
  auto h = Handlers();
  settings.SetFont({"굴림", 11, false, true});
  dialogAnswer.reset();
  h.ChangeFont();
  EXPECT_EQ(events[1], "dialog 굴림");
  EXPECT_EQ(writes, (std::vector<Write>{{"Font", "FontName", "굴림"},
                                        {"Font", "FontSize", "11"},
                                        {"Font", "FontBold", "False"},
                                        {"Font", "FontItalic", "True"}}));
  EXPECT_EQ(settings.Font().name, "굴림");
  EXPECT_DOUBLE_EQ(settings.Font().size, 11);
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
