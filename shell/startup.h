#pragma once
// The run-time defaults of the studio that the main window sets at start-up.

#include "compiler/studio_state.h"
#include "shell/settings.h"

namespace shell {

// The studio's state before any program is opened: model ZQV-E, the default compile options
// with their twins, cursor and first row 0, EndRow 1, nothing to save, empty watch list.
// Also gives the monitor its speed from the settings.
void ApplyRunTimeDefaults(compiler::Studio& studio, const Settings& settings);

}  // namespace shell
