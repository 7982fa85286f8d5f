#pragma once
// The handlers of the Setup page: colour scheme, cell size and row spacing, serial port,
// alias display, ask-before-run and the ladder font. Each handler changes one setting in
// the studio's settings, whose listeners redraw what follows it, and writes that setting's
// key to the settings file at once.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/message_box.h"
#include "shell/settings.h"

namespace shell {

using Rgb = uint32_t;  // 0xBBGGRR: red in the low byte

struct ColorScheme {
  Rgb back;  // ladder background
  Rgb line;  // symbols and text
  Rgb on;    // an energised contact or coil while monitoring
};
// Color 1 is the white scheme; every other value is drawn black.
ColorScheme ColorSchemeOf(int color);

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

// What the Setup page's handlers need from the studio around them.
class SetupPageHost {
 public:
  // Writes one key of the settings file.
  virtual void WriteSetting(const std::string& section, const std::string& key, const std::string& value) = 0;
  virtual bool MonitorOn() const = 0;
  // Shows the font dialog starting from the given font; nullopt when it was cancelled.
  virtual std::optional<LadderFont> ChooseFont(const LadderFont& current) = 0;
  // Where messages are shown, and whether they are shown in Korean.
  virtual platform::MessageSink& Messages() = 0;
  virtual bool KoreanMenu() const = 0;

 protected:
  ~SetupPageHost() = default;
};

class ViewSettingsHandlers {
 public:
  ViewSettingsHandlers(StudioSettings& settings, SetupPageHost& host);

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

 private:
  StudioSettings& settings_;
  SetupPageHost& host_;
};

}  // namespace shell
