#pragma once
// The one device access of the monitor: read the word at a data-memory address of the
// module (the byte at the address and the byte after it), or fail on a time-out.

#include <cstdint>
#include <optional>

namespace monitor {

struct DeviceWord {
  uint8_t b0 = 0;  // byte at the address
  uint8_t b1 = 0;  // byte at the address + 1
};

class DeviceReader {
 public:
  virtual ~DeviceReader() = default;
  // nullopt on a time-out.
  virtual std::optional<DeviceWord> ReadDeviceWord(int address) = 0;
};

}  // namespace monitor
