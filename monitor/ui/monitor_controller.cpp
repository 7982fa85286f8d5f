#include "monitor/ui/monitor_controller.h"

#include "monitor/ui/picture_box.h"

namespace monitor {
namespace {

MonitorHooks WithOwnParts(MonitorHooks hooks, MonitorTicker& ticker, QPointer<DumpPanel> dump) {
  if (!hooks.setTimerEnabled) hooks.setTimerEnabled = [&ticker](bool on) { ticker.SetEnabled(on); };
  if (!hooks.setTimerInterval) hooks.setTimerInterval = [&ticker](int ms) { ticker.SetInterval(ms); };
  if (!hooks.dumpVisible) hooks.dumpVisible = [dump] { return dump && dump->isVisible(); };
  if (!hooks.clearDump) {
    hooks.clearDump = [dump] {
      if (dump) dump->ClearPicture();
    };
  }
  return hooks;
}

}  // namespace

MonitorController::MonitorController(compiler::Studio& studio, MonitorHooks hooks, QObject* parent)
    : QObject(parent),
      studio_(studio),
      ticker_([this] { Tick(); }),
      dump_(new DumpPanel(studio)),
      watch_(new WatchPanel(studio)),
      mode_(studio, WithOwnParts(std::move(hooks), ticker_, dump_)) {
  dump_->SetTicker(&ticker_);
  watch_->SetTicker(&ticker_);
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

void MonitorController::Tick() {
  if (studio_.monitor.MonitorOn != 1 || !reader_) return;
  ladder::DrawingSurface* view = ladderSurface ? ladderSurface() : nullptr;
  const ladder::LadderViewState* state = ladderView ? ladderView() : nullptr;
  if (view && state) {
    MonitorLadder(studio_.doc, studio_.monitor.map, *reader_, *view, *state);
    if (ladderPainted) ladderPainted();
  }
  dump_->Refresh();
  watch_->Refresh();
}

}  // namespace monitor
