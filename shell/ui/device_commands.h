#pragma once
// The window's device commands that talk to the module over the serial link: Run, Reset,
// Stop (menu and toolbar) and the Setup page's Port Check.

namespace plclink {
class Link;
}

namespace shell {

class FrmMain;

// Gives the window's Run, Reset, Stop and Port Check their code. The link follows the
// Setup page's port choice at each command. `link` must outlive the window.
void WireDeviceCommands(FrmMain& window, plclink::Link& link);

}  // namespace shell
