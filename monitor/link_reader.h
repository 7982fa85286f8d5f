#pragma once
// The monitor's device reads over the serial link to the module.

#include "compiler/studio_state.h"
#include "link/link.h"
#include "monitor/device_reader.h"

namespace monitor {

class LinkDeviceReader : public DeviceReader {
 public:
  LinkDeviceReader(plclink::Link& link, const compiler::Studio& studio) : link_(link), studio_(studio) {}
  std::optional<DeviceWord> ReadDeviceWord(int address) override;

 private:
  plclink::Link& link_;
  const compiler::Studio& studio_;
};

}  // namespace monitor
