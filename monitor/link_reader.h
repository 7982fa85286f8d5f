#pragma once
// The monitor's device reads over the serial link to the module.

#include "compiler/studio_state.h"
#include "link/link.h"
#include "monitor/device_reader.h"

namespace monitor {

// setup: the document's PLC setup, whose model the reads follow.
class LinkDeviceReader : public DeviceReader {
 public:
  LinkDeviceReader(plclink::Link& link, const compiler::PlcSetup& setup) : link_(link), setup_(setup) {}
  std::optional<DeviceWord> ReadDeviceWord(int address) override;

 private:
  plclink::Link& link_;
  const compiler::PlcSetup& setup_;
};

}  // namespace monitor
