#pragma once
// The module's commands as the menu gives them: one-byte commands with their
// acknowledgement, the check of the firmware version against the configured model, the
// device-word read of the live monitor as a value, and the logic of the Run, Reset, Stop
// and Port Check commands. The command bytes, the version read and the word read's framing
// are the link's (link/link.h).
// The Boolean results keep the studio's polarity, which every device command is written
// against: true means failure.

#include <array>
#include <cstdint>
#include <optional>

#include "link/device.h"
#include "link/link.h"

namespace plclink {

// Sends a one-byte command and checks its two-byte acknowledgement; shows the time-out
// or incorrect message on failure.
bool SendCommand(Device& device, int command);

// Reads the version and checks it against the model; shows "Korvane module Not Found ! "
// or the model's mismatch message on failure.
bool CheckModuleModel(Device& device, std::int16_t plcModel);

// Reads the two bytes at addr and addr + 1 of the module's data memory (Link::ReadDeviceWord);
// nothing on time-out. Shows no message.
std::optional<std::array<std::uint8_t, 2>> ReadDeviceBytes(Link& link, std::int16_t plcModel, int addr);

// Shows the monitoring refusal and returns true when monitorOn is set: the command ends.
[[nodiscard]] bool RefuseWhileMonitoring(Device& device, bool monitorOn);

// What a command does to the Monitor menu item.
enum class MonitorItem { Unchanged, Enable, Disable };

// Run (0xA5), Reset (0xA6) and Stop (0xA7) as the menu and toolbar give them: refused
// while monitoring; else the command is sent and Run and Reset enable the Monitor item,
// Stop disables it, whether or not the module answered.
MonitorItem RunCommand(Device& device, std::uint8_t command, bool monitorOn);

// The Port Check button: shows the module's firmware version or that none answered.
void PortCheck(Device& device, bool monitorOn);

}  // namespace plclink
