#pragma once
// Monitor attributes of the ladder cells: which device the live monitor shows over each
// cell (MonDevNum, MonDevBit, MonDevKind). Set after every clean translation.

#include <cstdint>
#include <string_view>

namespace compiler {

class ProgramDocument;

// MonDevKind codes.
enum MonitorKind : int16_t {
  kMonNone = 0,
  kMonTimerValue = 3,
  kMonCounterValue = 5,
  kMonPBit = 6,
  kMonMBit = 7,
  kMonFBit = 8,
  kMonTimerContact = 9,
  kMonCounterContact = 10,
  kMonStep = 11,
  kMonKBit = 12,
};

// Sets the attributes of cell (col, row) from text. A word outside 0..32767, a bit outside
// 0..7 of a P, M, F or K bit or a step outside 0..255 gives kind 0.
void SetMonitorDevice(ProgramDocument& doc, int col, int row, std::string_view text);

// For rows 0..EndRow, columns 0..10: clears number and kind, then sets them from the cell
// text unless it is empty or a comment ('...). MonDevBit is never cleared.
void SetMonitorAttributes(ProgramDocument& doc);

}  // namespace compiler
