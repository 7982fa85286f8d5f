#pragma once
// The user's view and link preferences of the Setup page: colour scheme, cell size and row
// spacing, serial port, alias display, ask-before-run and the ladder font. Each handler
// changes one setting, tells the window what to redraw and writes that setting's key to
// the settings file at once.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/message_box.h"

namespace shell {

using Rgb = uint32_t;  // 0xBBGGRR: red in the low byte

struct ColorScheme {
  Rgb back;  // ladder background
  Rgb line;  // symbols and text
  Rgb on;    // an energised contact or coil while monitoring
};
// Color 1 is the white scheme; every other value is drawn black.
ColorScheme ColorSchemeOf(int color);

struct LadderFont {
  std::string name;  // UTF-8 face name
  double size = 9;   // points as chosen; the setting keeps whole points
  bool bold = false;
  bool italic = false;
};

// The settings as the studio holds them for the run (defaults of a missing settings file).
// The colours of the ladder follow Color by ColorSchemeOf.
struct ViewSettings {
  int16_t Color = 1;
  int16_t PortNum = 0;
  int16_t Cunit = 80;
  int16_t Csai = 300;
  int16_t AliasFirst = 0;
  int16_t AskStart = 1;
  std::string FontName = "굴림";
  int16_t FontSize = 9;
  bool FontBold = false;
  bool FontItalic = false;
};

// Slider ranges and the conversions between slider positions and settings.
constexpr int kSizeSliderMax = 80;   // Cunit 41..121
constexpr int kSpaceSliderMax = 10;  // Csai 50..550
constexpr int CunitOfSlider(int value) { return value + 41; }
constexpr int CsaiOfSlider(int value) { return (value + 1) * 50; }
// Slider positions that show a setting; a value the slider cannot show is clamped to its
// range for the display only.
int SizeSliderOf(int cunit);
int SpaceSliderOf(int csai);
// The option shown for a colour setting: 1 "White" for Color 1, else 0 "Black" (the scheme
// it is drawn with).
constexpr int ColorOptionOf(int color) { return color == 1 ? 1 : 0; }

// Nearest whole number, an exact half going to the even neighbour (10.5 -> 10, 11.5 -> 12).
int RoundHalfEven(double value);

// What the handlers need from the studio around them. Unset members are skipped.
struct ViewSettingsHooks {
  // Writes one key of the settings file (section, key, value).
  std::function<void(const std::string&, const std::string&, const std::string&)> writeIni;
  std::function<bool()> monitorOn;
  std::function<bool()> koreanMenu;
  platform::MessageSink* messages = nullptr;
  // The ladder's colours changed (background, symbols and text, energised elements).
  std::function<void(const ColorScheme&)> colorsChanged;
  // The cell size changed: the ladder geometry follows Cunit and the cursor goes to the
  // first cell at the top of the program.
  std::function<void(int cunit)> cellSizeChanged;
  // The row spacing changed; the cursor stays.
  std::function<void(int csai)> spacingChanged;
  // The font chosen, unrounded, for the ladder and alias pictures and the sample label.
  std::function<void(const LadderFont&)> applyFont;
  // Shows the font dialog starting from the given font; nullopt when it was cancelled.
  std::function<std::optional<LadderFont>(const LadderFont&)> chooseFont;
  std::function<void()> redraw;
};

class ViewSettingsHandlers {
 public:
  ViewSettingsHandlers(ViewSettings& settings, ViewSettingsHooks hooks);

  void ColorChosen(int index);
  // Refused while monitoring (message, nothing changes).
  void PortChosen(int index);
  void SizeSliderMoved(int value);
  void SpaceSliderMoved(int value);
  void AliasFirstToggled(bool checked);
  void AskStartToggled(bool checked);
  // The "Change" button: the font dialog, then the font is applied and all four font keys
  // are written (a cancelled dialog writes the old values again).
  void ChangeFont();

  ViewSettings& settings() { return settings_; }

 private:
  void Write(const char* section, const char* key, const std::string& value);
  void Redraw();

  ViewSettings& settings_;
  ViewSettingsHooks hooks_;
};

// The message shown when a command is refused while monitoring.
void ShowMonitoringRefusal(platform::MessageSink& sink, bool koreanMenu);

}  // namespace shell
