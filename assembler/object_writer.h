// Object writer of aq71: turns one resolved and encoded module (its segments and statement
// records) into a ZOLEX object module and appends it to the object file.
//
// write_object_module is the driver's entry point; the other pieces are for tests and tools that
// want the bytes without a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assembler/statements.h"
#include "assembler/zolex_format.h"

namespace aq71 {

class Assembly;

struct ValueRec;
struct ExprTerm;

// What the object writer gets of one module once it is resolved and encoded. Its segments are
// those of segments() (index 0 "__EXTERNS", 1 "ASEG", then the named ones); each segment's
// chain holds its statement records in source order with their final end offsets and sizes.
struct ModuleView {
  std::string name;
  bool library = false;
  std::int32_t option = -1;                             // NAME name(expr), -1 when none
  ValueRec* start_address = nullptr;                    // ENDMOD / END expr
  StatementRange statements;                            // every statement of the module in source order
  bool program_end = false;                             // the module ended with END
};
// Writes one module into the run's object file (called only for a module with content).
void write_object_module(Assembly& run, const ModuleView& module);

// The bytes of one module, CRC and trailing 0xFF of END included. Problems (values that cannot
// be written, strings over 255 bytes, more than 256 segments) are reported as errors; the result
// is then empty.
std::optional<std::vector<std::uint8_t>> build_object_module(Assembly& run, const ModuleView& module);

// What the final report shows of the last module written: its checksum ("CRC:%X") and its
// byte count (code, data and reserved bytes of all its segments).
struct ObjectModuleSummary {
  bool written = false;
  std::uint16_t crc = 0;
  std::uint32_t bytes = 0;
};
const ObjectModuleSummary& last_object_module(Assembly& run);

// Writes an expression as a linker expression (postfix tags, no field tag).
void write_linker_expression(Assembly& run, zolex::Encoder& e, ValueRec& value);

}  // namespace aq71
