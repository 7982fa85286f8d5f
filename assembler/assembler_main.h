// Entry of aq71: builds the run settings from the command line and the environment, opens the
// files, runs the assembly driver and ends with exit code 0, 1, 2 or 3.
#pragma once

#include <string>

namespace aq71 {

class Assembly;
struct RunSettings;

// The whole run, its state kept in `run` (current while it lasts); returns the exit code.
int assembler_main(Assembly& run, int argc, char** argv);
// Runs body(run, argc, argv) with handlers for processor faults installed: a fault prints the
// internal-error report, puts the listing in place (not the object) and ends the process with
// exit code 3. A signal that ends the process (SIGINT, SIGTERM, SIGPIPE, ...) first removes the
// run's temporaries.
int run_guarded(Assembly& run, int (*body)(Assembly&, int, char**), int argc, char** argv);

// Fault class of a signal and its code (1 memory access, 2 misaligned data, 3 integer division
// by zero, 4 integer overflow, 6 privileged or illegal instruction, 7 floating point), or 0 for
// a signal that is not caught.
int classify_exception(int signal_number, int signal_code);

// Maker, target designation and sign-on, as the listing header shows them.
void print_banner(const RunSettings& settings);

}  // namespace aq71
