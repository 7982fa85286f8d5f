#pragma once
// Monitor mode in the studio's window: the Monitor command, the speed slider and stop button
// on the ladder toolbar, the Dump and Watch pages of the side panel, and the live ladder
// painted over the ladder view at each tick.

namespace ladder {
class LadderView;
}
namespace plclink {
class Device;
}
namespace monitor {
class MonitorController;
class MonitorTicker;
class DeviceReader;
}  // namespace monitor

namespace shell {

class FrmMain;

// The controller belongs to the window. reader: where device words come from (the link in the
// studio); ticker: the monitor timer. The caller keeps both alive as long as the window.
monitor::MonitorController* WireMonitor(FrmMain& window, ladder::LadderView& view, plclink::Device& device,
                                        monitor::DeviceReader& reader, monitor::MonitorTicker& ticker);

}  // namespace shell
