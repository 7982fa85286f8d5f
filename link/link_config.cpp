#include "link/link_config.h"

namespace plclink {

LinkConfig LinkConfig::WithOverrides(const platform::StartupOptions& options) const {
  LinkConfig out = *this;
  for (size_t i = 0; i < portDevices.size(); ++i)
    if (!options.portDevices[i].empty()) out.portDevices[i] = options.portDevices[i];
  if (options.baseWaitMs) out.baseWaitMs = *options.baseWaitMs;
  return out;
}

}  // namespace plclink
