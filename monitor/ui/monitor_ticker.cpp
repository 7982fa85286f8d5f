#include "monitor/ui/monitor_ticker.h"

#include "monitor/monitor_mode.h"

namespace monitor {

MonitorTicker::MonitorTicker(std::function<void()> tick, QObject* parent) : QObject(parent), tick_(std::move(tick)) {
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
  if (tick_) tick_();
  return true;
}

}  // namespace monitor
