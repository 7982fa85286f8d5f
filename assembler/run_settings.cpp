#include "assembler/run_settings.h"

namespace aq71 {

namespace {
RunSettings g_settings = [] {
    RunSettings s;
    s.warning_enabled.fill(true);
    return s;
}();
} // namespace

RunSettings& settings() { return g_settings; }

void reset_settings() {
    g_settings = RunSettings{};
    g_settings.warning_enabled.fill(true);
}

} // namespace aq71
