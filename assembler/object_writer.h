// Object writer of aq71: turns one resolved and encoded module (its segments and statement
// records) into a ZOLEX object module and appends it to the object file.
//
// write_object_module (declared in assembly_driver.h) is the driver's entry point; the pieces
// below are for tests and tools that want the bytes without a file.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "assembler/assembly_driver.h"
#include "assembler/zolex_format.h"

namespace aq71 {

struct ValueRec;
struct ExprTerm;

// The bytes of one module, CRC and trailing 0xFF of END included. Problems (values that cannot
// be written, strings over 255 bytes, more than 256 segments) are reported as errors; the result
// is then empty.
std::optional<std::vector<std::uint8_t>> build_object_module(const ModuleView& module);

// What the final report shows of the last module written: its checksum ("CRC:%X") and its
// byte count (code, data and reserved bytes of all its segments).
struct ObjectModuleSummary {
  bool written = false;
  std::uint16_t crc = 0;
  std::uint32_t bytes = 0;
};
const ObjectModuleSummary& last_object_module();

// Writes an expression as a linker expression (postfix tags, no field tag).
void write_linker_expression(zolex::Encoder& e, ValueRec& value);

}  // namespace aq71
