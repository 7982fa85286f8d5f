#pragma once
// The user's settings as the studio reads them at start-up from ZQVSTUDIO.INI, with their
// defaults. Values outside their working range are clamped in memory only; the file keeps
// what the user wrote until a setting is changed in the studio.

#include <array>
#include <cstdint>
#include <string>

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

// The device file COM(n+1) stands for when Setup/PortDev<n> is not in the file: /dev/ttyS<n>.
// (The serial link applies the environment's overrides on top.)
std::string DefaultPortDevice(int index);

// Reads every setting with its default; clamps out-of-range values in memory.
Settings ReadSettings(const ProfileFile& file);

// Keeps a stored window on the screen (twips): a left edge beyond screen width - 500 goes
// to 0, then a top beyond screen height - 500 goes to 0; a negative position goes to the
// default and a size below the minimum to the default size.
WindowPlace PlaceOnScreen(WindowPlace place, int screenWidth, int screenHeight);

// Writes the window's place to the Screen section (Left, Top, Width, Height).
void WriteWindowPlace(ProfileFile& file, const WindowPlace& place);

// Writes a Boolean as the studio does: "True" or "False".
inline const char* BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace shell
