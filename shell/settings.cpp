#include "shell/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace shell {
namespace {

// A 16-bit setting: a value outside -32768..32767 is not taken (the previous value stays).

int16_t Clamp16(int16_t value, int16_t lo, int16_t hi) { return std::clamp(value, lo, hi); }

}  // namespace

std::string DefaultPortDevice(int index) { return "/dev/ttyS" + std::to_string(index); }

Settings ReadSettings(const ProfileFile& file) {
  Settings s;
  s.screen.Top = int(std::clamp<int64_t>(file.ReadInt(ini::kScreen, "Top", kDefaultTop), -1000000, 1000000));
  s.screen.Left = int(std::clamp<int64_t>(file.ReadInt(ini::kScreen, "Left", kDefaultLeft), -1000000, 1000000));
  s.screen.Width = int(std::clamp<int64_t>(file.ReadInt(ini::kScreen, "Width", kDefaultWidth), -1000000, 1000000));
  s.screen.Height = int(std::clamp<int64_t>(file.ReadInt(ini::kScreen, "Height", kDefaultHeight), -1000000, 1000000));

  // A 16-bit value that is not taken leaves 0, as a fresh setting would hold before its read.
  auto read = [&](const char* section, const char* key, int16_t def, int16_t& target) {
    int64_t value = file.ReadInt(section, key, def);
    target = (value >= -32768 && value <= 32767) ? int16_t(value) : int16_t(0);
  };
  read(ini::kSetup, "PortNum", 0, s.PortNum);
  read(ini::kSetup, "Cunit", 80, s.Cunit);
  read(ini::kSetup, "Csai", 300, s.Csai);
  read(ini::kSetup, "Color", 1, s.Color);
  read(ini::kSetup, "AliasFirst", 0, s.AliasFirst);
  read(ini::kSetup, "MonSpeed", 5, s.MonSpeed);
  read(ini::kSetup, "AskStart", 1, s.AskStart);
  read(ini::kSetup, "TipShow", 1, s.TipShow);
  s.KoreanMenu = ProfileBool(file.ReadString(ini::kSetup, "KoreanMenu", "False"));
  s.FontName = file.ReadString(ini::kFont, "FontName", "굴림");
  if (s.FontName.empty()) s.FontName = "굴림";
  read(ini::kFont, "FontSize", 9, s.FontSize);
  s.FontBold = ProfileBool(file.ReadString(ini::kFont, "FontBold", "False"));
  s.FontItalic = ProfileBool(file.ReadString(ini::kFont, "FontItalic", "False"));
  for (int i = 0; i < 4; ++i) {
    std::string key = "PortDev" + std::to_string(i);
    s.PortDev[size_t(i)] = file.ReadString(ini::kSetup, key, DefaultPortDevice(i));
    if (s.PortDev[size_t(i)].empty()) s.PortDev[size_t(i)] = DefaultPortDevice(i);
  }

  // Working ranges; the file itself is left as it is.
  if (s.PortNum < 0 || s.PortNum > 3) s.PortNum = 0;
  s.Cunit = Clamp16(s.Cunit, 41, 121);
  s.Csai = Clamp16(s.Csai, 50, 550);
  s.MonSpeed = Clamp16(s.MonSpeed, 0, 10);
  s.AliasFirst = s.AliasFirst != 0 ? 1 : 0;
  s.AskStart = s.AskStart != 0 ? 1 : 0;
  s.TipShow = s.TipShow != 0 ? 1 : 0;
  if (s.FontSize < 1) s.FontSize = 9;
  s.FontSize = Clamp16(s.FontSize, 1, 127);
  return s;
}

WindowPlace PlaceOnScreen(WindowPlace place, int screenWidth, int screenHeight, int frameWidth, int frameHeight) {
  if (place.Width < kMinWidth) place.Width = kDefaultWidth;
  if (place.Height < kMinHeight) place.Height = kDefaultHeight;
  // A window larger than the screen would only hide its own edges, and its picture of the
  // ladder can take gigabytes: it is fitted to the screen, frame included, from the screen's
  // edge.
  const int roomWidth = screenWidth - frameWidth, roomHeight = screenHeight - frameHeight;
  if (roomWidth > 0 && place.Width > roomWidth) {
    place.Width = roomWidth;
    place.Left = 0;
  }
  if (roomHeight > 0 && place.Height > roomHeight) {
    place.Height = roomHeight;
    place.Top = 0;
  }
  if (place.Left < 0) place.Left = kDefaultLeft;
  if (place.Top < 0) place.Top = kDefaultTop;
  if (place.Left > screenWidth - 500) place.Left = 0;
  if (place.Top > screenHeight - 500) place.Top = 0;
  return place;
}

void WriteWindowPlace(ProfileFile& file, const WindowPlace& place) {
  file.WriteString(ini::kScreen, "Left", std::to_string(place.Left));
  file.WriteString(ini::kScreen, "Top", std::to_string(place.Top));
  file.WriteString(ini::kScreen, "Width", std::to_string(place.Width));
  file.WriteString(ini::kScreen, "Height", std::to_string(place.Height));
}

int RoundHalfEven(double value) {
  double whole = std::floor(value);
  double frac = value - whole;
  if (frac > 0.5)
    whole += 1;
  else if (frac == 0.5 && std::fmod(whole, 2.0) != 0)
    whole += 1;
  return static_cast<int>(whole);
}

SettingsListener::~SettingsListener() {
  if (source_) source_->Unlisten(*this);
}

StudioSettings::~StudioSettings() {
  for (SettingsListener* listener : listeners_) listener->source_ = nullptr;
}

void StudioSettings::Listen(SettingsListener& listener) {
  if (listener.source_) listener.source_->Unlisten(listener);
  listener.source_ = this;
  listeners_.push_back(&listener);
}

void StudioSettings::Unlisten(SettingsListener& listener) {
  if (listener.source_ != this) return;
  listener.source_ = nullptr;
  listeners_.erase(std::find(listeners_.begin(), listeners_.end(), &listener));
}

void StudioSettings::Notify(SettingChange what) {
  // A listener may stop listening (or start another) while it hears of the change.
  const std::vector<SettingsListener*> now = listeners_;
  for (SettingsListener* listener : now)
    if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) listener->SettingChanged(what);
}

void StudioSettings::Load(const Settings& read) {
  values_ = read;
  font_ = {read.FontName, double(read.FontSize), read.FontBold, read.FontItalic};
  Notify(SettingChange::Loaded);
}

void StudioSettings::Set(int16_t Settings::*field, int16_t value, SettingChange what) {
  values_.*field = value;
  Notify(what);
}

void StudioSettings::SetColor(int16_t color) { Set(&Settings::Color, color, SettingChange::Color); }
void StudioSettings::SetCellSize(int16_t cunit) { Set(&Settings::Cunit, cunit, SettingChange::CellSize); }
void StudioSettings::SetRowGap(int16_t csai) { Set(&Settings::Csai, csai, SettingChange::RowGap); }
void StudioSettings::SetAliasFirst(int16_t aliasFirst) {
  Set(&Settings::AliasFirst, aliasFirst, SettingChange::AliasFirst);
}
void StudioSettings::SetAskStart(int16_t askStart) { Set(&Settings::AskStart, askStart, SettingChange::AskStart); }
void StudioSettings::SetPort(int16_t portNum) { Set(&Settings::PortNum, portNum, SettingChange::Port); }
void StudioSettings::SetMonSpeed(int16_t monSpeed) { Set(&Settings::MonSpeed, monSpeed, SettingChange::MonSpeed); }
void StudioSettings::SetTipShow(int16_t tipShow) { Set(&Settings::TipShow, tipShow, SettingChange::TipShow); }

void StudioSettings::SetFont(const LadderFont& shown) {
  font_ = shown;
  values_.FontName = shown.name;
  values_.FontSize = static_cast<int16_t>(std::clamp(RoundHalfEven(shown.size), 1, 32767));
  values_.FontBold = shown.bold;
  values_.FontItalic = shown.italic;
  Notify(SettingChange::Font);
}

void StudioSettings::SetKoreanMenu(bool korean) {
  values_.KoreanMenu = korean;
  Notify(SettingChange::Language);
}

}  // namespace shell
