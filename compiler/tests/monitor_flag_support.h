#pragma once
// For fixtures that need the studio in monitor mode without running the mode itself.

#include "compiler/studio_state.h"

namespace compiler {

struct MonitorFlagForTests {
  static void Set(Studio& studio, bool on) { studio.monitor.monitorOn_ = on; }
};

}  // namespace compiler
