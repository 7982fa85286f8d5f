#pragma once
// Monitor mode in the window: the mode's logic, the Dump and Watch pages and what one tick
// paints. The window creates one over the monitor timer, places DumpPage() and WatchPage()
// in its side panel, gives its own controls as a MonitorModeHost and its ladder view as a
// LiveLadderTarget, and calls the handlers below.

#include <QObject>
#include <QPointer>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "ladder/view_state.h"
#include "monitor/device_reader.h"
#include "monitor/monitor_mode.h"
#include "monitor/ui/dump_panel.h"
#include "monitor/ui/monitor_ticker.h"
#include "monitor/ui/watch_panel.h"

namespace monitor {

// The ladder view as a tick paints the live states over it.
class LiveLadderTarget {
 public:
  virtual ~LiveLadderTarget() = default;
  virtual ladder::DrawingSurface& Surface() = 0;
  // The geometry and colours of the view's last repaint.
  virtual const ladder::LadderViewState& ViewState() const = 0;
  // A tick painted the surface: the view shows the new picture.
  virtual void Painted() = 0;
};

class MonitorController : public QObject, private MonitorLoop {
  Q_OBJECT
 public:
  // ticker: the monitor timer, whose ticks this controller runs; host: the window's own
  // controls (menu caption, cell editor, slider and stop button, ladder repaint and focus,
  // Watch page selection, module check, port, settings write); ladder: the ladder view.
  MonitorController(compiler::Studio& studio, MonitorTicker& ticker, MonitorModeHost& host, LiveLadderTarget& ladder,
                    QObject* parent = nullptr);
  // Deletes the pages that no window has taken.
  ~MonitorController() override;

  // Where device words are read (the link in the studio); null reads nothing.
  void SetReader(DeviceReader* reader);

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
  // MonitorLoop
  void SetTimerEnabled(bool on) override { ticker_.SetEnabled(on); }
  void SetTimerInterval(int ms) override { ticker_.SetInterval(ms); }
  bool DumpVisible() const override { return dump_ && dump_->isVisible(); }
  void ClearDump() override;

  compiler::Studio& studio_;
  MonitorTicker& ticker_;
  LiveLadderTarget& ladder_;
  DeviceReader* reader_ = nullptr;
  QPointer<DumpPanel> dump_;
  QPointer<WatchPanel> watch_;
  MonitorMode mode_;
};

}  // namespace monitor
