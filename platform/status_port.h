#pragma once
// The status bar and the progress gauge as the logic libraries reach them. The studio's
// window implements it; tests record what was shown.

#include <string>
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

class RecordingStatusPort : public StatusPort {
 public:
  void SetStatusText(const std::string& utf8) override { texts.push_back(utf8); }
  void SetGauge(int value, int maximum) override {
    gaugeValue = value;
    gaugeMax = maximum;
    ++gaugeCalls;
  }
  std::vector<std::string> texts;
  int gaugeValue = 0, gaugeMax = 0, gaugeCalls = 0;
};

}  // namespace platform
