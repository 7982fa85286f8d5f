#include "link/link_config.h"

#include <cstdlib>
#include <string>

namespace plclink {

LinkConfig LinkConfig::WithEnvironment() const {
  LinkConfig out = *this;
  for (int i = 0; i < 4; ++i) {
    std::string name = "ZQV_PORT_DEV" + std::to_string(i);
    if (const char* v = std::getenv(name.c_str()); v && *v) out.portDevices[i] = v;
  }
  if (const char* v = std::getenv("ZQV_BASE_WAIT_MS"); v && *v) {
    char* end = nullptr;
    long ms = std::strtol(v, &end, 10);
    if (end && *end == '\0' && ms > 0 && ms <= 600000) out.baseWaitMs = static_cast<int>(ms);
  }
  return out;
}

}  // namespace plclink
