#pragma once
// The one message with which file, port and device commands refuse while monitoring.
// Header only, so that any library can call it without linking the monitor.

#include "compiler/studio_state.h"
#include "monitor/monitor_texts.h"
#include "platform/message_box.h"

namespace monitor {

// True (after the message) when monitor mode is on: the caller must not run.
inline bool RefuseWhileMonitoring(compiler::Studio& studio) {
  if (!studio.monitor.MonitorOn()) return false;
  if (studio.messages) {
    studio.messages->Show({texts::kRefusalCaption,
                           platform::Pick(studio.shell.KoreanMenu, texts::kRefusal, texts::kRefusalKo),
                           platform::MsgIcon::Information, platform::MsgButtons::Ok});
  }
  return true;
}

}  // namespace monitor
