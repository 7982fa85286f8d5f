#include "shell/ui/device_commands.h"

#include <QAction>

#include "link/link.h"
#include "link/module_commands.h"
#include "shell/ui/frm_main.h"

namespace shell {

void WireDeviceCommands(FrmMain& window, plclink::Link& link) {
  FrmMain* w = &window;
  plclink::Link* l = &link;
  auto run = [w, l](std::uint8_t command) {
    l->PortNum = w->View().PortNum;
    plclink::MonitorItem item = plclink::RunCommand(*l, command, w->MonitorOn());
    if (QAction* monitor = w->Action("mnuMonitor")) {
      if (item == plclink::MonitorItem::Enable) monitor->setEnabled(true);
      if (item == plclink::MonitorItem::Disable) monitor->setEnabled(false);
    }
  };
  window.SetHandler("mnuRun", [run] { run(plclink::cmd::kRun); });
  window.SetHandler("mnuReset", [run] { run(plclink::cmd::kReset); });
  window.SetHandler("mnuStop", [run] { run(plclink::cmd::kStop); });
  window.SetHandler("Command2", [w, l] {
    l->PortNum = w->View().PortNum;
    plclink::PortCheck(*l, w->MonitorOn());
  });
}

}  // namespace shell
