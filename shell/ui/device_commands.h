#pragma once
// The window's device commands that talk to the module over the serial link: Run, Reset,
// Stop, Auto, Verify, Clear Keep Area, Erase, Object Download, Upload (menu and toolbar) and the
// Setup page's Port Check.

namespace plclink {
class Device;
class ErrorCellView;
}  // namespace plclink
namespace monitor {
class MonitorTicker;
}

namespace shell {

class FrmMain;

// Gives the window's device commands their code. The link follows the Setup page's port
// choice when it opens. `device` and `errorCell` (which shows a build's failing cell, the
// ladder view's) must outlive the window. While a command talks to the module, the
// monitor's ticker (when given) starts no tick.
void WireDeviceCommands(FrmMain& window, plclink::Device& device, plclink::ErrorCellView& errorCell,
                        monitor::MonitorTicker* ticker = nullptr);

}  // namespace shell
