#pragma once
// The monitor timer. A tick never starts inside another tick, inside a device command's
// exchange or under a modal message box (their nested event loops would otherwise run
// the timer): those hold the ticker, and a timer event that finds it held is dropped.
// The monitor's controller hears each tick through the tick signal.

#include <QObject>
#include <QTimer>

#include "platform/message_box.h"

namespace monitor {

class MonitorTicker : public QObject {
  Q_OBJECT
 public:
  explicit MonitorTicker(QObject* parent = nullptr);

  void SetEnabled(bool on);
  bool Enabled() const { return timer_.isActive(); }
  void SetInterval(int ms) { timer_.setInterval(ms); }
  int Interval() const { return timer_.interval(); }

  // Keeps ticks from starting while it lives.
  class Hold {
   public:
    explicit Hold(MonitorTicker* ticker) : ticker_(ticker) {
      if (ticker_) ++ticker_->holds_;
    }
    ~Hold() {
      if (ticker_) --ticker_->holds_;
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    MonitorTicker* ticker_;
  };

  // True while a tick runs or a hold lives.
  bool Busy() const { return inTick_ || holds_ > 0; }
  // Runs one tick now (emits tick) unless busy; returns whether it ran. The timer uses it.
  bool TickNow();

  int TicksRun() const { return ticksRun_; }
  int TicksDropped() const { return ticksDropped_; }

 signals:
  void tick();

 private:
  QTimer timer_;
  int holds_ = 0;
  bool inTick_ = false;
  int ticksRun_ = 0;
  int ticksDropped_ = 0;
};

// A message sink that holds the ticker while a message box is shown.
class HoldingMessageSink : public platform::MessageSink {
 public:
  HoldingMessageSink(platform::MessageSink& inner, MonitorTicker& ticker) : inner_(inner), ticker_(ticker) {}
  platform::MsgResult Show(const platform::Message& message) override {
    MonitorTicker::Hold hold(&ticker_);
    return inner_.Show(message);
  }

 private:
  platform::MessageSink& inner_;
  MonitorTicker& ticker_;
};

}  // namespace monitor
