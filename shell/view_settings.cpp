#include "shell/view_settings.h"

#include <algorithm>

#include "compiler/monitoring_refusal.h"

namespace shell {

ColorScheme ColorSchemeOf(int color) {
  if (color == 1) return {0xFFFFFF, 0x000000, 0x00FF00};
  return {0x000000, 0xFFFFFF, 0xFF0000};
}

int SizeSliderOf(int cunit) { return std::clamp(cunit - 41, 0, kSizeSliderMax); }

int SpaceSliderOf(int csai) { return std::clamp(csai / 50 - 1, 0, kSpaceSliderMax); }

ViewSettingsHandlers::ViewSettingsHandlers(StudioSettings& settings, SetupPageHost& host)
    : settings_(settings), host_(host) {}

void ViewSettingsHandlers::ColorChosen(int index) {
  settings_.SetColor(index == 1 ? 1 : 0);
  host_.WriteSetting(ini::kSetup, "Color", std::to_string(settings_.Values().Color));
}

void ViewSettingsHandlers::PortChosen(int index) {
  if (compiler::RefuseWhileMonitoring(host_.MonitorOn(), &host_.Messages(), host_.KoreanMenu())) return;
  if (index < 0 || index > 3) return;
  settings_.SetPort(static_cast<int16_t>(index));
  host_.WriteSetting(ini::kSetup, "PortNum", std::to_string(index));
}

void ViewSettingsHandlers::SizeSliderMoved(int value) {
  const int cunit = CunitOfSlider(std::clamp(value, 0, kSizeSliderMax));
  settings_.SetCellSize(static_cast<int16_t>(cunit));
  host_.WriteSetting(ini::kSetup, "Cunit", std::to_string(cunit));
}

void ViewSettingsHandlers::SpaceSliderMoved(int value) {
  const int csai = CsaiOfSlider(std::clamp(value, 0, kSpaceSliderMax));
  settings_.SetRowGap(static_cast<int16_t>(csai));
  host_.WriteSetting(ini::kSetup, "Csai", std::to_string(csai));
}

void ViewSettingsHandlers::AliasFirstToggled(bool checked) {
  settings_.SetAliasFirst(checked ? 1 : 0);
  host_.WriteSetting(ini::kSetup, "AliasFirst", checked ? "1" : "0");
}

void ViewSettingsHandlers::AskStartToggled(bool checked) {
  settings_.SetAskStart(checked ? 1 : 0);
  host_.WriteSetting(ini::kSetup, "AskStart", checked ? "1" : "0");
}

void ViewSettingsHandlers::ChangeFont() {
  const Settings& s = settings_.Values();
  const LadderFont current{s.FontName, static_cast<double>(s.FontSize), s.FontBold, s.FontItalic};
  LadderFont font = host_.ChooseFont(current).value_or(current);
  if (font.size <= 0) font.size = current.size;
  settings_.SetFont(font);
  host_.WriteSetting(ini::kFont, "FontName", s.FontName);
  host_.WriteSetting(ini::kFont, "FontSize", std::to_string(s.FontSize));
  host_.WriteSetting(ini::kFont, "FontBold", BoolText(s.FontBold));
  host_.WriteSetting(ini::kFont, "FontItalic", BoolText(s.FontItalic));
}

}  // namespace shell
