#pragma once
// The user's settings: read at start-up from ZQVSTUDIO.INI with their defaults, then held
// for the run by one StudioSettings, which tells its listeners of every change. Values
// outside their working range are clamped in memory only; the file keeps what the user
// wrote until a setting is changed in the studio.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/profile_ini.h"

namespace shell {

// Section and key names.
namespace ini {
inline constexpr const char* kScreen = "Screen";
inline constexpr const char* kSetup = "Setup";
inline constexpr const char* kFont = "Font";
inline constexpr const char* kLastOpen = "LastOpen";
}  // namespace ini

constexpr int kDefaultTop = 105, kDefaultLeft = 105, kDefaultWidth = 14540, kDefaultHeight = 11175;
// Smallest window (twips) accepted from the file; anything smaller starts at the default size.
constexpr int kMinWidth = 6000, kMinHeight = 4500;

struct WindowPlace {
  int Top = kDefaultTop, Left = kDefaultLeft, Width = kDefaultWidth, Height = kDefaultHeight;
  bool operator==(const WindowPlace&) const = default;
};

struct Settings {
  WindowPlace screen;
  int16_t PortNum = 0;  // 0..3 = COM1..COM4
  int16_t Cunit = 80;   // 41..121
  int16_t Csai = 300;   // 50..550
  int16_t Color = 1;    // 1 white background, otherwise black
  int16_t AliasFirst = 0;
  int16_t MonSpeed = 5;  // 0..10
  int16_t AskStart = 1;
  int16_t TipShow = 1;
  bool KoreanMenu = false;
  std::string FontName = "굴림";
  int16_t FontSize = 9;  // 1..127 points
  bool FontBold = false;
  bool FontItalic = false;
  // Device files of COM1..COM4 (Setup/PortDev0..3).
  std::array<std::string, 4> PortDev{};
};

struct LadderFont {
  std::string name;  // UTF-8 face name
  double size = 9;   // points as chosen; the setting keeps whole points
  bool bold = false;
  bool italic = false;
};

// The device file COM(n+1) stands for when Setup/PortDev<n> is not in the file: /dev/ttyS<n>.
// (The serial link applies the environment's overrides on top.)
std::string DefaultPortDevice(int index);

// Reads every setting with its default; clamps out-of-range values in memory.
Settings ReadSettings(const ProfileFile& file);

// Keeps a stored window on the screen (twips): a left edge beyond screen width - 500 goes
// to 0, then a top beyond screen height - 500 goes to 0; a negative position goes to the
// default and a size below the minimum to the default size; a width or height that would
// not fit on the screen with the frame around the window (frameWidth, frameHeight) is fitted
// to it, the window then starting at the screen's edge on that side.
WindowPlace PlaceOnScreen(WindowPlace place, int screenWidth, int screenHeight, int frameWidth = 0,
                          int frameHeight = 0);

// Writes the window's place to the Screen section (Left, Top, Width, Height).
void WriteWindowPlace(ProfileFile& file, const WindowPlace& place);

// Nearest whole number, an exact half going to the even neighbour (10.5 -> 10, 11.5 -> 12).
int RoundHalfEven(double value);

// Which setting changed. Loaded: all of them at once (the settings file was read).
enum class SettingChange {
  Loaded,
  Color,
  CellSize,
  RowGap,
  AliasFirst,
  AskStart,
  Port,
  Font,
  Language,
  MonSpeed,
  TipShow
};

class StudioSettings;

// Hears of every change of the settings it listens to. It stops listening when it goes;
// settings that go first let their listeners be.
class SettingsListener {
 public:
  virtual void SettingChanged(SettingChange what) = 0;
  SettingsListener(const SettingsListener&) = delete;
  SettingsListener& operator=(const SettingsListener&) = delete;

 protected:
  SettingsListener() = default;
  ~SettingsListener();

 private:
  friend class StudioSettings;
  StudioSettings* source_ = nullptr;
};

// The settings of the run, the one place they are held. Each setter stores its value and
// tells every listener, in the order they began to listen, even when the value stays the
// same (a setting chosen again is drawn again). Writing the settings file is the caller's.
class StudioSettings {
 public:
  StudioSettings() = default;
  ~StudioSettings();
  StudioSettings(const StudioSettings&) = delete;
  StudioSettings& operator=(const StudioSettings&) = delete;

  const Settings& Values() const { return values_; }
  // The ladder font as shown: the size as chosen, where the setting keeps whole points.
  const LadderFont& Font() const { return font_; }

  // Takes the settings read from the file (the font shown is the stored one).
  void Load(const Settings& read);
  void SetColor(int16_t color);
  void SetCellSize(int16_t cunit);
  void SetRowGap(int16_t csai);
  void SetAliasFirst(int16_t aliasFirst);
  void SetAskStart(int16_t askStart);
  void SetPort(int16_t portNum);
  // The font as chosen; the setting takes its size rounded half to even (at least 1).
  void SetFont(const LadderFont& shown);
  void SetKoreanMenu(bool korean);
  // The monitor speed 0..10 (the monitor keeps its own copy for the run).
  void SetMonSpeed(int16_t monSpeed);
  // Whether the tip window is offered at the next start; the offers of this run are the
  // window's.
  void SetTipShow(int16_t tipShow);

  // A listener listens to one StudioSettings at a time.
  void Listen(SettingsListener& listener);
  void Unlisten(SettingsListener& listener);

 private:
  void Set(int16_t Settings::*field, int16_t value, SettingChange what);
  void Notify(SettingChange what);

  Settings values_;
  LadderFont font_{values_.FontName, double(values_.FontSize), values_.FontBold, values_.FontItalic};
  std::vector<SettingsListener*> listeners_;
};

// Writes a Boolean as the studio does: "True" or "False".
inline const char* BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace shell
