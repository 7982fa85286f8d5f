#include "monitor/link_reader.h"

#include "link/module_commands.h"

namespace monitor {

std::optional<DeviceWord> LinkDeviceReader::ReadDeviceWord(int address) {
  const auto bytes = plclink::ReadDeviceBytes(link_, setup_.PlcModel, address);
  if (!bytes) return std::nullopt;
  return DeviceWord{(*bytes)[0], (*bytes)[1]};
}

}  // namespace monitor
