// The assembly driver: runs every module of the source through the source pass, resolving,
// code generation, object output and the listing. The statement services it shares with the
// directive handlers are in statement_services.h.
#pragma once

namespace aq71 {

class Assembly;

// Sets up the token buffers and the preprocessor of the run before the check-time options (-D,
// -U, -I) are applied.
void prepare_source_pass(Assembly& run);

// Runs all modules of the run's source; returns when the last module is done.
void assemble_A03(Assembly& run);

// Registers every keyword before the first module (directives, mnemonics, segment types, the
// operators and registers, TID) and sets the case rules of the identifier tree.
void init_keywords_B00(Assembly& run);

}  // namespace aq71
