// The run a test works on when it makes none of its own: one at a time in the test program,
// made on first use; start_test_run() ends it and begins a fresh one.
#pragma once

#include "assembler/assembly.h"

namespace aq71_test {

aq71::Assembly& test_run();
void start_test_run();

}  // namespace aq71_test
