// The assembly driver: runs every module of the source through the source pass, resolving,
// object output and the listing.
#pragma once

namespace aq71 {

// Sets up the token buffers and the preprocessor before the check-time options (-D, -U, -I)
// are applied.
void prepare_source_pass();

// Runs all modules; returns when the last module is done.
void assemble_A03();

} // namespace aq71
