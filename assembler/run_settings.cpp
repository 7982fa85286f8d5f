#include "assembler/run_settings.h"

#include "assembler/assembly.h"

namespace aq71 {

namespace {

// Every warning starts enabled.
struct Settings {
  RunSettings values;
  Settings() { values.warning_enabled.fill(true); }
};

}  // namespace

RunSettings& settings() { return current_assembly().part<Settings>().values; }

}  // namespace aq71
