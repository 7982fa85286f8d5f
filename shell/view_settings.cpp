#include "shell/view_settings.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "monitor/monitor_texts.h"

namespace shell {

ColorScheme ColorSchemeOf(int color) {
  if (color == 1) return {0xFFFFFF, 0x000000, 0x00FF00};
  return {0x000000, 0xFFFFFF, 0xFF0000};
}

int SizeSliderOf(int cunit) { return std::clamp(cunit - 41, 0, kSizeSliderMax); }

int SpaceSliderOf(int csai) { return std::clamp(csai / 50 - 1, 0, kSpaceSliderMax); }

int RoundHalfEven(double value) {
  double whole = std::floor(value);
  double frac = value - whole;
  if (frac > 0.5)
    whole += 1;
  else if (frac == 0.5 && std::fmod(whole, 2.0) != 0)
    whole += 1;
  return static_cast<int>(whole);
}

void ShowMonitoringRefusal(platform::MessageSink& sink, bool koreanMenu) {
  platform::Message m;
  m.caption = monitor::texts::kRefusalCaption;
  m.text = platform::Pick(koreanMenu, monitor::texts::kRefusal, monitor::texts::kRefusalKo);
  m.icon = platform::MsgIcon::Information;
  m.buttons = platform::MsgButtons::Ok;
  sink.Show(m);
}

ViewSettingsHandlers::ViewSettingsHandlers(ViewSettings& settings, ViewSettingsHooks hooks)
    : settings_(settings), hooks_(std::move(hooks)) {}

void ViewSettingsHandlers::Write(const char* section, const char* key, const std::string& value) {
  if (hooks_.writeIni) hooks_.writeIni(section, key, value);
}

void ViewSettingsHandlers::Redraw() {
  if (hooks_.redraw) hooks_.redraw();
}

void ViewSettingsHandlers::ColorChosen(int index) {
  settings_.Color = index == 1 ? 1 : 0;
  if (hooks_.colorsChanged) hooks_.colorsChanged(ColorSchemeOf(settings_.Color));
  Redraw();
  Write("Setup", "Color", std::to_string(settings_.Color));
}

void ViewSettingsHandlers::PortChosen(int index) {
  if (hooks_.monitorOn && hooks_.monitorOn()) {
    if (hooks_.messages) ShowMonitoringRefusal(*hooks_.messages, hooks_.koreanMenu && hooks_.koreanMenu());
    return;
  }
  if (index < 0 || index > 3) return;
  settings_.PortNum = static_cast<int16_t>(index);
  Write("Setup", "PortNum", std::to_string(settings_.PortNum));
}

void ViewSettingsHandlers::SizeSliderMoved(int value) {
  value = std::clamp(value, 0, kSizeSliderMax);
  settings_.Cunit = static_cast<int16_t>(CunitOfSlider(value));
  if (hooks_.cellSizeChanged) hooks_.cellSizeChanged(settings_.Cunit);
  Redraw();
  Write("Setup", "Cunit", std::to_string(settings_.Cunit));
}

void ViewSettingsHandlers::SpaceSliderMoved(int value) {
  value = std::clamp(value, 0, kSpaceSliderMax);
  settings_.Csai = static_cast<int16_t>(CsaiOfSlider(value));
  if (hooks_.spacingChanged) hooks_.spacingChanged(settings_.Csai);
  Redraw();
  Write("Setup", "Csai", std::to_string(settings_.Csai));
}

void ViewSettingsHandlers::AliasFirstToggled(bool checked) {
  settings_.AliasFirst = checked ? 1 : 0;
  Redraw();
  Write("Setup", "AliasFirst", std::to_string(settings_.AliasFirst));
}

void ViewSettingsHandlers::AskStartToggled(bool checked) {
  settings_.AskStart = checked ? 1 : 0;
  Write("Setup", "AskStart", std::to_string(settings_.AskStart));
}

void ViewSettingsHandlers::ChangeFont() {
  LadderFont current{settings_.FontName, static_cast<double>(settings_.FontSize), settings_.FontBold,
                     settings_.FontItalic};
  std::optional<LadderFont> chosen;
  if (hooks_.chooseFont) chosen = hooks_.chooseFont(current);
  LadderFont font = chosen ? *chosen : current;
  if (font.size <= 0) font.size = current.size;
  settings_.FontName = font.name;
  settings_.FontSize = static_cast<int16_t>(std::clamp(RoundHalfEven(font.size), 1, 32767));
  settings_.FontBold = font.bold;
  settings_.FontItalic = font.italic;
  if (hooks_.applyFont) hooks_.applyFont(font);
  Write("Font", "FontName", settings_.FontName);
  Write("Font", "FontSize", std::to_string(settings_.FontSize));
  Write("Font", "FontBold", settings_.FontBold ? "True" : "False");
  Write("Font", "FontItalic", settings_.FontItalic ? "True" : "False");
  Redraw();
}

}  // namespace shell
