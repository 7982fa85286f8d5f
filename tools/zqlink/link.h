// The ZOLEX linker: loads object modules, merges and places their segments, resolves
// public and external symbols, evaluates the linker expressions and builds the code image.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "assembler/zolex_format.h"

namespace zqlink {

// One -Z NAME=START-END option (both ends inclusive).
struct Placement {
  std::string name;
  uint32_t start = 0;
  uint32_t end = 0;
};

struct InputFile {
  std::string name;           // for messages
  std::vector<uint8_t> data;  // the whole object file
};

struct PlacedSegment {
  std::string name;
  aq71::zolex::SegmentKind kind = aq71::zolex::SegmentKind::Relocatable;
  uint8_t type = 0;
  bool code_space = true;  // CODE, CONST and untyped segments go into the image
  uint32_t start = 0;
  uint32_t size = 0;
};

struct LinkResult {
  bool ok = false;
  unsigned errors = 0;
  std::vector<uint8_t> image;  // code space from address 0, holes 0xFF
  std::vector<PlacedSegment> segments;
  std::vector<std::string> loaded_modules;
};

// The image may not pass this size: the HEX file carries 16-bit addresses only.
inline constexpr uint32_t kImageLimit = 0x10000;

// Links the given objects. Errors and warnings are written to `diag`, one per line, each
// starting with "zqlink: error: " or "zqlink: warning: ".
LinkResult link(std::span<const InputFile> inputs, std::span<const Placement> placements, std::ostream& diag);

// Intel HEX text of the image: type-00 records of 16 bytes from address 0 and the end
// record ":00000001FF", lines ended by CR LF.
std::string intel_hex(std::span<const uint8_t> image);

// Parses "NAME=START-END" (hexadecimal addresses); false with a message when malformed.
bool parse_placement(const std::string& text, Placement& out, std::string& error);

// Human-readable listing of every record of an object file (zqlink --dump).
void dump(const aq71::zolex::ObjectFile& object, std::ostream& out);

}  // namespace zqlink
