#pragma once
// The module's command protocol: one-byte commands with their acknowledgement, the
// firmware version and its check against the configured model, the device-word read of
// the live monitor, and the logic of the Run, Reset, Stop and Port Check commands.
// Results follow the studio's rule: true means failure.

#include <array>
#include <cstdint>
#include <optional>

#include "link/link.h"

namespace plclink {

namespace cmd {
inline constexpr std::uint8_t kDownload = 0xA1;
inline constexpr std::uint8_t kReadBack = 0xA2;
inline constexpr std::uint8_t kVersion = 0xA3;
inline constexpr std::uint8_t kReadWord = 0xA4;
inline constexpr std::uint8_t kRun = 0xA5;
inline constexpr std::uint8_t kReset = 0xA6;
inline constexpr std::uint8_t kStop = 0xA7;
inline constexpr std::uint8_t kChecksum = 0xA8;
inline constexpr std::uint8_t kClearKeep = 0xA9;
}  // namespace cmd

// Sends a one-byte command and checks its two-byte acknowledgement; shows the time-out
// or incorrect message on failure.
bool SendCommand(Link& link, int command);

// The firmware version 0..255, or -1 when no module answered. Renews ExtraAckByte and
// raises DataEchoMode in the extended framing. Shows no message.
int GetModuleVersion(Link& link);

// Reads the version and checks it against the model; shows "Korvane module Not Found ! "
// or the model's mismatch message on failure.
bool CheckModuleModel(Link& link, std::int16_t plcModel);

// Reads the two bytes at addr and addr + 1 of the module's data memory into ReadByte0 and
// ReadByte1; true on time-out (no message; the bytes keep their values).
bool ReadDeviceWord(Link& link, std::int16_t plcModel, int addr);
// The same as a value: the two bytes, or nothing on time-out.
std::optional<std::array<std::uint8_t, 2>> ReadDeviceBytes(Link& link, std::int16_t plcModel, int addr);

// Shows the monitoring refusal and returns true when monitorOn is set.
bool RefuseWhileMonitoring(Link& link, bool monitorOn);

// What a command does to the Monitor menu item.
enum class MonitorItem { Unchanged, Enable, Disable };

// Run (0xA5), Reset (0xA6) and Stop (0xA7) as the menu and toolbar give them: refused
// while monitoring; else the command is sent and Run and Reset enable the Monitor item,
// Stop disables it, whether or not the module answered.
MonitorItem RunCommand(Link& link, std::uint8_t command, bool monitorOn);

// The Port Check button: shows the module's firmware version or that none answered.
void PortCheck(Link& link, bool monitorOn);

}  // namespace plclink
