#include "monitor/monitor_mode.h"

#include "monitor/monitor_texts.h"
#include "monitor/watch_list.h"
#include "platform/message_box.h"

namespace monitor {

void MonitorMode::Toggle() {
  if (!state_.MonitorOn()) {
    if (host_.CheckModuleModel()) return;
    Start();
  } else {
    Stop();
  }
  host_.OpenPort();
}

void MonitorMode::Start() {
  Switch(true);
  host_.SetSpeedSlider(static_cast<int>(state_.MonSpeed));
  host_.RepaintLadder(false);
  host_.SelectWatchPage();
}

void MonitorMode::Stop() {
  Switch(false);
  host_.RepaintLadder(true);
  host_.FocusLadder();
  if (loop_.DumpVisible()) loop_.ClearDump();
}

void MonitorMode::Switch(bool on) {
  // The flag first: whatever the window and the loop do next sees the new mode.
  state_.monitorOn_ = on;
  const bool ko = shell_.KoreanMenu;
  host_.SetMenuCaption(on ? platform::Pick(ko, texts::kMonitorOffCaption, texts::kMonitorOffCaptionKo)
                          : platform::Pick(ko, texts::kMonitorOnCaption, texts::kMonitorOnCaptionKo));
  loop_.SetTimerEnabled(on);
  host_.ShowCellEditor(!on);
  host_.ShowSpeedControls(on);
}

void MonitorMode::SpeedChanged(int sliderValue) {
  if (sliderValue < 0) sliderValue = 0;
  if (sliderValue > 10) sliderValue = 10;
  intervalMs_ = MonitorInterval(sliderValue);
  loop_.SetTimerInterval(intervalMs_);
  state_.MonSpeed = static_cast<int16_t>(sliderValue);
  host_.WriteMonSpeed(sliderValue);
}

void MonitorTick(const compiler::Studio& studio, DeviceReader& reader, const TickTargets& t) {
  if (t.ladder) MonitorLadder(studio.doc, studio.monitor.map, reader, *t.ladder, t.view);
  if (t.dump && t.dumpSurface) t.dump->Refresh(studio, reader, *t.dumpSurface, t.dumpVisible);
  if (t.watchSurface) RefreshWatch(studio.watch, studio.monitor, reader, *t.watchSurface);
}

}  // namespace monitor
