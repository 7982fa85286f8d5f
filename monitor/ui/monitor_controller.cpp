#include "monitor/ui/monitor_controller.h"

#include "monitor/live_ladder.h"

namespace monitor {

MonitorController::MonitorController(compiler::Studio& studio, MonitorTicker& ticker, MonitorModeHost& host,
                                     LiveLadderTarget& ladder, QObject* parent)
    : QObject(parent),
      studio_(studio),
      ticker_(ticker),
      ladder_(ladder),
      dump_(new DumpPanel(studio)),
      watch_(new WatchPanel(studio)),
      mode_(studio.monitor, studio.shell, host, *this) {
  dump_->SetTicker(&ticker_);
  watch_->SetTicker(&ticker_);
  connect(&ticker_, &MonitorTicker::tick, this, &MonitorController::Tick);
}

MonitorController::~MonitorController() {
  if (dump_ && !dump_->parent()) delete dump_.data();
  if (watch_ && !watch_->parent()) delete watch_.data();
}

void MonitorController::SetReader(DeviceReader* reader) {
  reader_ = reader;
  dump_->SetReader(reader);
  watch_->SetReader(reader);
}

void MonitorController::ClearDump() {
  if (dump_) dump_->ClearPicture();
}

void MonitorController::Tick() {
  if (!studio_.monitor.MonitorOn() || !reader_) return;
  MonitorLadder(studio_.doc, studio_.monitor.map, *reader_, ladder_.Surface(), ladder_.ViewState());
  ladder_.Painted();
  dump_->Refresh();
  watch_->Refresh();
}

}  // namespace monitor
