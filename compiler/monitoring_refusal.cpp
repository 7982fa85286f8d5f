#include "compiler/monitoring_refusal.h"

namespace compiler {

bool RefuseWhileMonitoring(bool monitorOn, platform::MessageSink* messages, bool koreanMenu) {
  if (!monitorOn) return false;
  if (messages) {
    messages->Show({"Korvane Studio Message",
                    koreanMenu ? "모니터링 상태에서는 사용할 수 없습니다." : "You can't use Monitoring mode ! ",
                    platform::MsgIcon::Information, platform::MsgButtons::Ok});
  }
  return true;
}

bool RefuseWhileMonitoring(Studio& studio) {
  return RefuseWhileMonitoring(studio.monitor.MonitorOn(), studio.messages, studio.shell.KoreanMenu);
}

}  // namespace compiler
