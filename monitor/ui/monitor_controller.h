#pragma once
// Monitor mode in the window: the mode's logic, the monitor timer, the Dump and Watch
// pages and what one tick paints. The window creates one, places DumpPage() and
// WatchPage() in its side panel, fills the hooks it owns and calls the handlers below.

#include <QObject>
#include <QPointer>
#include <functional>

#include "compiler/studio_state.h"
#include "monitor/device_reader.h"
#include "monitor/live_ladder.h"
#include "monitor/monitor_mode.h"
#include "monitor/ui/dump_panel.h"
#include "monitor/ui/monitor_ticker.h"
#include "monitor/ui/watch_panel.h"

namespace monitor {

class MonitorController : public QObject {
  Q_OBJECT
 public:
  // hooks: the window's own controls (menu caption, cell editor, slider and stop button,
  // ladder repaint and focus, Watch page selection, module check, port, settings write).
  // The timer and the Dump page's hooks are filled here unless the window gives them.
  MonitorController(compiler::Studio& studio, MonitorHooks hooks, QObject* parent = nullptr);
  // Deletes the pages that no window has taken.
  ~MonitorController() override;

  // Where device words are read (the link in the studio); null reads nothing.
  void SetReader(DeviceReader* reader);
  // The ladder view's surface and the view state its painter used; called at each tick.
  std::function<ladder::DrawingSurface*()> ladderSurface;
  std::function<const ladder::LadderViewState*()> ladderView;
  // After a tick painted the ladder view (the window shows the new picture).
  std::function<void()> ladderPainted;

  // Handlers of the window's controls.
  void mnuMonitor_Click() { mode_.Toggle(); }
  void cmdMonOut_Click() { mode_.Toggle(); }
  void SliderMonSpeed_Change(int value) { mode_.SpeedChanged(value); }
  void StopMonitor() { mode_.Stop(); }
  void tmrMon_Timer() { ticker_.TickNow(); }

  MonitorMode& Mode() { return mode_; }
  MonitorTicker& Ticker() { return ticker_; }
  // The pages, without a parent until the window places them.
  DumpPanel* DumpPage() const { return dump_; }
  WatchPanel* WatchPage() const { return watch_; }

 private:
  void Tick();

  compiler::Studio& studio_;
  DeviceReader* reader_ = nullptr;
  MonitorTicker ticker_;
  QPointer<DumpPanel> dump_;
  QPointer<WatchPanel> watch_;
  MonitorMode mode_;
};

}  // namespace monitor
