#include "monitor/memory_device.h"

namespace monitor {

std::optional<DeviceWord> MemoryDevice::ReadDeviceWord(int address) {
  reads.push_back(address);
  if (onRead) onRead(address);
  if (goodReadsLeft == 0) return std::nullopt;
  if (goodReadsLeft > 0) --goodReadsLeft;
  return DeviceWord{Byte(address), Byte(address + 1)};
}

}  // namespace monitor
