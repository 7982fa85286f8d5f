#pragma once
// The watch list: devices the user chose, shown with their live values on the Watch page.
// Entries are added by text or from a ladder cell, removed by a click on their row, and
// redrawn on every monitor tick. The list is saved with the program, so each addition,
// removal and All Clear of entries marks the program changed.

#include <optional>
#include <string>
#include <string_view>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "monitor/device_reader.h"

namespace monitor {

// Slots a list may fill by adding; a stored list of all 31 slots still loads and shows.
constexpr int kWatchAddLimit = 30;

enum WatchKindCode : int16_t { kWatchByte = 0, kWatchBit = 1, kWatchCounter = 2, kWatchTimer = 3, kWatchWord = 4 };

struct WatchSlot {
  platform::AnsiText name;
  int16_t addr = 0;
  int16_t mask = 0;
  int16_t kind = 0;
};

// Result of reading a device text for the watch list.
struct WatchParse {
  enum Status { kEntry, kNotDevice, kBad } status = kNotDevice;
  WatchSlot slot;      // kEntry
  std::string reason;  // kBad: why the device cannot be watched (UTF-8)
};

// Classifies an upper-case device text (P1:2, M12:7, C3, CH3, CNT0, AD2, D100, T5, G7, ...)
// against the areas of the map: a text that is no device at all gives kNotDevice; a device
// whose bit lies outside 0..7, whose number lies outside its area or that carries trailing
// characters gives kBad with a reason.
WatchParse ParseWatchDevice(const compiler::ProgramDocument& doc, const compiler::DeviceMap& map,
                            std::string_view deviceUpper);

// What the entry box holds after Enter has turned an alias into its device or put the colon
// into a short bit device (M12 -> M1:2). Texts are CP949.
platform::AnsiText NormalizeWatchText(const compiler::ProgramDocument& doc, std::string_view typed);

// Enter in the watch entry box (text is the box's UTF-8 text; it is rewritten as the box is to
// show it afterwards). Does nothing unless monitoring. Shows the syntax or capacity message
// on refusal. Returns true when an entry was added (empty the box and refresh the list).
bool AddWatchByText(compiler::Studio& studio, std::string& text);

// Right-click on the ladder's cursor cell while monitoring with the Watch page visible:
// adds the cell's device, silently nothing when the cell holds none or the list is full.
bool AddWatchFromCell(compiler::Studio& studio, bool watchPageVisible);

// Click with a button other than the left one on the watch picture at y (twips); removes
// the entry on that row. lineHeight is the picture's text height of "A". Returns true when
// an entry was removed.
bool RemoveWatchAt(compiler::Studio& studio, int y, int lineHeight);

// "All Clear".
void ClearWatch(compiler::Studio& studio);

// The value part of an entry's line after its read(s); empty when the kind shows nothing.
struct WatchValue {
  std::string state;     // "On", "Off", "    On", "    Off" or empty
  bool stateOn = false;  // "On" is red
  std::string number;    // printed after the state
  int column = 20;       // text column of the value
};
WatchValue FormatWatchValue(int kind, int mask, DeviceWord w, std::optional<uint8_t> flagByte);

// Number as the display prints it: a blank for the sign before, one blank after.
std::string DisplayNumber(long value);

// Redraws the list with fresh values; clears the picture first. Stops at the first time-out
// and below the picture's bottom. Draws nothing unless monitoring.
void RefreshWatch(const compiler::WatchList& list, const compiler::MonitorState& monitor, DeviceReader& reader,
                  ladder::DrawingSurface& surface);

}  // namespace monitor
