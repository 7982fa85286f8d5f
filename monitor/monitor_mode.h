#pragma once
// Monitor mode: on and off, the speed of the monitor timer and what one tick does. The mode
// owns the studio's monitor flag (compiler::MonitorState::MonitorOn); it switches the
// window's controls through MonitorModeHost and its own timer and Dump page through MonitorLoop.

#include <string>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "monitor/device_reader.h"
#include "monitor/dump_pages.h"
#include "monitor/live_ladder.h"

namespace monitor {

// The window's controls that follow monitor mode.
class MonitorModeHost {
 public:
  virtual ~MonitorModeHost() = default;
  // True when the module is missing or of another model (the message is shown).
  virtual bool CheckModuleModel() = 0;
  // Makes sure the serial port is open; the result is not examined.
  virtual void OpenPort() = 0;
  virtual void SetMenuCaption(const std::string& caption) = 0;  // the Monitor menu item
  virtual void ShowCellEditor(bool show) = 0;
  virtual void ShowSpeedControls(bool show) = 0;  // slider and "Monitoring Stop" button
  // Sets the slider; when that changes its value, the slider's handler calls SpeedChanged.
  virtual void SetSpeedSlider(int value) = 0;
  virtual void RepaintLadder(bool withCursor) = 0;
  virtual void FocusLadder() = 0;
  virtual void SelectWatchPage() = 0;         // runs the side panel's tab handler
  virtual void WriteMonSpeed(int value) = 0;  // the speed setting, also Setup/MonSpeed in the file
};

// The monitor's own parts that follow the mode: the timer that runs the ticks and the Dump
// page that they fill.
class MonitorLoop {
 public:
  virtual ~MonitorLoop() = default;
  virtual void SetTimerEnabled(bool on) = 0;
  virtual void SetTimerInterval(int ms) = 0;
  virtual bool DumpVisible() const = 0;
  virtual void ClearDump() = 0;
};

// Interval of the monitor timer for a slider value 0..10.
inline int MonitorInterval(int sliderValue) { return (sliderValue + 1) * 100; }
constexpr int kFirstMonitorInterval = 500;  // until the speed is first changed in a run

class MonitorMode {
 public:
  // state: the flag this mode owns and the speed; shell: the menu language.
  MonitorMode(compiler::MonitorState& state, const compiler::ShellState& shell, MonitorModeHost& host,
              MonitorLoop& loop)
      : state_(state), shell_(shell), host_(host), loop_(loop) {}

  // The Monitor menu item, the toolbar button and the stop button: start or stop.
  void Toggle();
  // Leaves monitor mode.
  void Stop();
  // The speed slider's change and click handler.
  void SpeedChanged(int sliderValue);

  int IntervalMs() const { return intervalMs_; }

 private:
  void Start();
  // What starting and stopping share: the flag, then the menu caption, the timer, the cell
  // editor and the speed controls.
  void Switch(bool on);

  compiler::MonitorState& state_;
  const compiler::ShellState& shell_;
  MonitorModeHost& host_;
  MonitorLoop& loop_;
  int intervalMs_ = kFirstMonitorInterval;
};

// What one tick paints on: the ladder view, the dump page (when its frame is visible) and
// the watch picture. A null surface skips its part.
struct TickTargets {
  ladder::DrawingSurface* ladder = nullptr;
  ladder::LadderViewState view;  // geometry and colours of the last repaint
  DumpPages* dump = nullptr;
  ladder::DrawingSurface* dumpSurface = nullptr;
  bool dumpVisible = false;
  ladder::DrawingSurface* watchSurface = nullptr;
};

// One tick: the live ladder, then the dump page, then the watch list. Each part ends at its
// own first time-out; the next part still runs.
void MonitorTick(const compiler::Studio& studio, DeviceReader& reader, const TickTargets& targets);

}  // namespace monitor
