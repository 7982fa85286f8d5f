#include "monitor/ui/monitor_ticker.h"

#include "monitor/monitor_mode.h"

namespace monitor {

MonitorTicker::MonitorTicker(QObject* parent) : QObject(parent) {
  timer_.setInterval(kFirstMonitorInterval);
  connect(&timer_, &QTimer::timeout, this, [this] { TickNow(); });
}

void MonitorTicker::SetEnabled(bool on) {
  if (on) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

bool MonitorTicker::TickNow() {
  if (Busy()) {
    ++ticksDropped_;
    return false;
  }
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(inTick_);
  ++ticksRun_;
  emit tick();
  return true;
}

}  // namespace monitor
