#pragma once
// The live states over the ladder: for every cell on screen that the translator marked
// with a monitor kind, the device is read and its state painted over the last repaint (a
// state box beside a contact, the current value of a timer or counter box).

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "ladder/view_state.h"
#include "monitor/device_reader.h"

namespace monitor {

// Paints the states of the rows from the document's TopRow down to the surface's bottom,
// with the geometry and colours the ladder view was last painted with.
// Each byte is read at most once per pass (a word read brings two). The first read that
// times out ends the pass. Draws in copy mode; the surface's mode, pen
// width and text colour are as before afterwards.
void MonitorLadder(const compiler::ProgramDocument& doc, const compiler::DeviceMap& map, DeviceReader& reader,
                   ladder::DrawingSurface& surface, const ladder::LadderViewState& view);

// The value a timer box shows for the word read (b0 high, bit 15 the timer's output), and
// whether the timer or counter output bit is set.
inline int TimerValue(DeviceWord w) { return (w.b0 & 0x7F) * 256 + w.b1; }
inline int CounterValue(DeviceWord w) { return w.b0 * 256 + w.b1; }
inline bool OutputBit(uint8_t b) { return (b & 0x80) != 0; }

}  // namespace monitor
