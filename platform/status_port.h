#pragma once
// The status bar and the progress gauge as the logic libraries reach them. The studio's
// window implements it; tests record what was shown.

#include <string>
#include <utility>
#include <vector>

namespace platform {

class StatusPort {
 public:
  virtual ~StatusPort() = default;
  virtual void SetStatusText(const std::string& utf8) = 0;  // first panel of the status bar
  virtual void SetGauge(int value, int maximum) = 0;        // progress bar; maximum 0 hides it
  // Lets the window repaint during a long exchange (the exchange itself stays blocking).
  virtual void Refresh() {}
};

class NullStatusPort : public StatusPort {
 public:
  void SetStatusText(const std::string&) override {}
  void SetGauge(int, int) override {}
};

// Forwards to the window's port and has it repaint after each change, for code that keeps the
// window blocked while it waits for a device. The gauge repaints when its maximum or its
// shown percentage changes.
class PaintingStatusPort : public StatusPort {
 public:
  explicit PaintingStatusPort(StatusPort& target) : target_(target) {}
  void SetStatusText(const std::string& utf8) override {
    target_.SetStatusText(utf8);
    target_.Refresh();
  }
  void SetGauge(int value, int maximum) override {
    target_.SetGauge(value, maximum);
    const long long percent = maximum > 0 ? static_cast<long long>(value) * 100 / maximum : -1;
    if (maximum == shownMax_ && percent == shownPercent_) return;
    shownMax_ = maximum;
    shownPercent_ = percent;
    target_.Refresh();
  }
  void Refresh() override { target_.Refresh(); }

 private:
  StatusPort& target_;
  int shownMax_ = -1;
  long long shownPercent_ = -2;
};

class RecordingStatusPort : public StatusPort {
 public:
  void SetStatusText(const std::string& utf8) override { texts.push_back(utf8); }
  void SetGauge(int value, int maximum) override {
    gaugeValue = value;
    gaugeMax = maximum;
    ++gaugeCalls;
  }
  // Records what a repaint would show: the last text and the gauge.
  void Refresh() override {
    painted.push_back(texts.empty() ? std::string() : texts.back());
    paintedGauges.push_back({gaugeValue, gaugeMax});
  }
  std::vector<std::string> texts;
  int gaugeValue = 0, gaugeMax = 0, gaugeCalls = 0;
  std::vector<std::string> painted;
  std::vector<std::pair<int, int>> paintedGauges;  // value, maximum at each repaint
};

}  // namespace platform
