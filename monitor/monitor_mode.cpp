#include "monitor/monitor_mode.h"

#include "monitor/monitor_texts.h"
#include "monitor/watch_list.h"
#include "platform/message_box.h"

namespace monitor {
namespace {

template <typename F, typename... A>
void Call(const F& f, A&&... args) {
  if (f) f(std::forward<A>(args)...);
}

}  // namespace

void MonitorMode::Toggle() {
  if (studio_.monitor.MonitorOn == 0) {
    if (hooks_.checkModuleModel && hooks_.checkModuleModel()) return;
    Start();
  } else {
    Stop();
  }
  Call(hooks_.openPort);
}

void MonitorMode::Start() {
  const bool ko = studio_.shell.KoreanMenu;
  Call(hooks_.setMenuCaption, platform::Pick(ko, texts::kMonitorOffCaption, texts::kMonitorOffCaptionKo));
  studio_.monitor.MonitorOn = 1;
  Call(hooks_.setTimerEnabled, true);
  Call(hooks_.showCellEditor, false);
  Call(hooks_.showSpeedControls, true);
  Call(hooks_.setSpeedSlider, static_cast<int>(studio_.monitor.MonSpeed));
  Call(hooks_.repaintLadder, false);
  Call(hooks_.selectWatchPage);
}

void MonitorMode::Stop() {
  const bool ko = studio_.shell.KoreanMenu;
  Call(hooks_.setMenuCaption, platform::Pick(ko, texts::kMonitorOnCaption, texts::kMonitorOnCaptionKo));
  studio_.monitor.MonitorOn = 0;
  Call(hooks_.setTimerEnabled, false);
  Call(hooks_.showCellEditor, true);
  Call(hooks_.showSpeedControls, false);
  Call(hooks_.repaintLadder, true);
  Call(hooks_.focusLadder);
  if (hooks_.dumpVisible && hooks_.dumpVisible()) Call(hooks_.clearDump);
}

void MonitorMode::SpeedChanged(int sliderValue) {
  if (sliderValue < 0) sliderValue = 0;
  if (sliderValue > 10) sliderValue = 10;
  intervalMs_ = MonitorInterval(sliderValue);
  Call(hooks_.setTimerInterval, intervalMs_);
  studio_.monitor.MonSpeed = static_cast<int16_t>(sliderValue);
  Call(hooks_.writeMonSpeed, sliderValue);
}

void MonitorTick(const compiler::Studio& studio, DeviceReader& reader, const TickTargets& t) {
  if (t.ladder) MonitorLadder(studio.doc, studio.monitor.map, reader, *t.ladder, t.view);
  if (t.dump && t.dumpSurface) t.dump->Refresh(studio, reader, *t.dumpSurface, t.dumpVisible);
  if (t.watchSurface) RefreshWatch(studio, reader, *t.watchSurface);
}

}  // namespace monitor
