#pragma once
// Monitor mode: on and off, the speed of the monitor timer and what one tick does. The
// window's controls are reached through MonitorHooks; a hook left empty is skipped.

#include <functional>
#include <string>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "monitor/device_reader.h"
#include "monitor/dump_pages.h"
#include "monitor/live_ladder.h"

namespace monitor {

struct MonitorHooks {
  std::function<bool()> checkModuleModel;  // true when the module is missing or of another model (message shown)
  std::function<void()> openPort;          // make sure the serial port is open; result not examined
  std::function<void(const std::string&)> setMenuCaption;  // the Monitor menu item
  std::function<void(bool)> setTimerEnabled;
  std::function<void(int)> setTimerInterval;  // milliseconds
  std::function<void(bool)> showCellEditor;
  std::function<void(bool)> showSpeedControls;  // slider and "Monitoring Stop" button
  // Sets the slider; when that changes its value, the slider's handler calls SpeedChanged.
  std::function<void(int)> setSpeedSlider;
  std::function<void(bool withCursor)> repaintLadder;
  std::function<void()> focusLadder;
  std::function<void()> selectWatchPage;  // runs the side panel's tab handler
  std::function<bool()> dumpVisible;
  std::function<void()> clearDump;
  std::function<void(int)> writeMonSpeed;  // settings Setup/MonSpeed, decimal
};

// Interval of the monitor timer for a slider value 0..10.
inline int MonitorInterval(int sliderValue) { return (sliderValue + 1) * 100; }
constexpr int kFirstMonitorInterval = 500;  // until the speed is first changed in a run

class MonitorMode {
 public:
  MonitorMode(compiler::Studio& studio, MonitorHooks hooks) : studio_(studio), hooks_(std::move(hooks)) {}

  // The Monitor menu item, the toolbar button and the stop button: start or stop.
  void Toggle();
  // Leaves monitor mode.
  void Stop();
  // The speed slider's change and click handler.
  void SpeedChanged(int sliderValue);

  bool On() const { return studio_.monitor.MonitorOn == 1; }
  int IntervalMs() const { return intervalMs_; }

 private:
  void Start();

  compiler::Studio& studio_;
  MonitorHooks hooks_;
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
