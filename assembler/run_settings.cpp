#include "assembler/run_settings.h"

#include <cstdio>

#include "assembler/assembly.h"

namespace aq71 {

namespace {

// Every warning starts enabled.
struct Settings {
  RunSettings values;
  Settings() { values.warning_enabled.fill(true); }
};

}  // namespace

RunSettings& settings(Assembly& run) { return run.part<Settings>().values; }

std::uint16_t target_id(const RunSettings& s) { return static_cast<std::uint16_t>((s.processor_option + 1440) * 16); }
std::string signon_text_A01(const RunSettings& settings) {
  char buf[64];
  if (settings.fixed_date)
    std::snprintf(buf, sizeof buf, " Assembler V%s%c/%s", "2.11", 'D', "DOS");
  else
    std::snprintf(buf, sizeof buf, " Assembler V%s%c/%s", "1.30", 'A', "386");
  return buf;
}

}  // namespace aq71
