#pragma once
// Window and loop parts for monitor mode that do nothing; the module check passes. Tests
// derive from them to watch or answer the calls they care about.

#include <string>

#include "monitor/monitor_mode.h"

namespace monitor_test {

struct QuietHost : monitor::MonitorModeHost {
  bool CheckModuleModel() override { return false; }
  void OpenPort() override {}
  void SetMenuCaption(const std::string&) override {}
  void ShowCellEditor(bool) override {}
  void ShowSpeedControls(bool) override {}
  void SetSpeedSlider(int) override {}
  void RepaintLadder(bool) override {}
  void FocusLadder() override {}
  void SelectWatchPage() override {}
  void WriteMonSpeed(int) override {}
};

struct QuietLoop : monitor::MonitorLoop {
  void SetTimerEnabled(bool) override {}
  void SetTimerInterval(int) override {}
  bool DumpVisible() const override { return false; }
  void ClearDump() override {}
};

}  // namespace monitor_test
