#pragma once
// A module's data memory held in the process: the device reader of the tests, the
// benchmark and the studio's offline checks. Reads can be made to time out after a
// number of good ones, and a hook runs on every read (wire pacing in the benchmark).

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "monitor/device_reader.h"

namespace monitor {

class MemoryDevice : public DeviceReader {
 public:
  std::optional<DeviceWord> ReadDeviceWord(int address) override;

  void SetByte(int address, uint8_t value) { bytes[Index(address)] = value; }
  uint8_t Byte(int address) const { return bytes[Index(address)]; }
  // Stores b0 at the address and b1 after it, as the module returns them.
  void SetWord(int address, uint8_t b0, uint8_t b1) {
    SetByte(address, b0);
    SetByte(address + 1, b1);
  }

  std::array<uint8_t, 65536> bytes{};
  std::vector<int> reads;  // every address asked for, time-outs included
  int goodReadsLeft = -1;  // reads that still succeed; -1: all of them
  std::function<void(int address)> onRead;

 private:
  static int Index(int address) { return address & 0xFFFF; }
};

}  // namespace monitor
