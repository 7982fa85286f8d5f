#pragma once
// Where the four serial ports lie and how long the link waits. The shell takes the devices
// from the settings file (Setup/PortDev0..PortDev3); the start-up options (ZQV_PORT_DEV0..
// ZQV_PORT_DEV3, ZQV_BASE_WAIT_MS) override them.

#include <array>
#include <string>

#include "platform/startup_options.h"

namespace plclink {

struct LinkConfig {
  // Device path of each port choice 0..3 (shown as COM1..COM4).
  std::array<std::string, 4> portDevices{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
  // Length of one plain reply wait; the long waits are fixed multiples of it.
  int baseWaitMs = 1000;

  // Returns a copy with the start-up options' overrides applied.
  LinkConfig WithOverrides(const platform::StartupOptions& options) const;
};

}  // namespace plclink
