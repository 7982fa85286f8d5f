// Run settings of aq71: everything the command line can change, in one place.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace aq71 {

// Listing flag bits (a statement keeps a copy of the word as it was on its line).
inline constexpr std::uint32_t LIST_ON = 0x001;               // -cD clears
inline constexpr std::uint32_t LIST_ASSEMBLED_ONLY = 0x002;   // -cA
inline constexpr std::uint32_t LIST_MULTI_CODE = 0x004;       // -cO
inline constexpr std::uint32_t LIST_MACRO_EXPANSION = 0x008;  // -cE clears
inline constexpr std::uint32_t LIST_MACRO_DEFS = 0x010;       // -cM
inline constexpr std::uint32_t LIST_CYCLES = 0x080;           // -cC
inline constexpr std::uint32_t LIST_BIT_100 = 0x100;
inline constexpr std::uint32_t LIST_XREF = 0x200;        // -x
inline constexpr std::uint32_t LIST_STRUCTURED = 0x400;  // -cS clears
inline constexpr std::uint32_t LIST_FLAGS_DEFAULT = 0x509;

// Object debug word bits (-r, -re, -rb).
inline constexpr std::uint32_t DEBUG_ON = 0x1;            // debugger records in the object
inline constexpr std::uint32_t DEBUG_EMBED_SOURCE = 0x2;  // -re: the main source inside the object
inline constexpr std::uint32_t DEBUG_REFERENCES = 0x4;    // -rb: reference records of every symbol

inline constexpr int WARNING_COUNT = 500;  // warning numbers 0 to 499 can be switched

struct RunSettings {
  int max_errors = 100;               // -E
  int tab_width = 8;                  // -t
  int page_length = 0;                // -p (0 = no paging)
  int processor_option = 0;           // -v
  bool first_module_library = false;  // -b
  bool banner = true;                 // -S: banner and console summary
  bool console_diagnostics = true;    // -ST
  bool listing_header = true;         // -N
  bool case_sensitive = false;        // -s (the back end switches it on unless -s was given)
  bool case_option_given = false;     // -s seen
  char macro_quote_open = '<';        // -M
  char macro_quote_close = '>';
  bool ifdef_matching = true;                     // -d
  bool macro_debug = false;                       // -B
  bool active_lines_only = false;                 // -T (no effect on output)
  bool list_includes = false;                     // -i
  bool warnings_exit_code = false;                // -ws
  bool warnings_as_errors = false;                // -cW
  bool fixed_date = false;                        // -c#
  std::uint32_t debug_info = 0;                   // -r
  bool cross_reference = false;                   // -x
  bool xref_defines = false;                      // -xD
  bool xref_internal = false;                     // -xI
  bool dual_spacing = false;                      // -x2
  std::uint32_t list_flags = LIST_FLAGS_DEFAULT;  // -c letters, -x

  std::array<bool, WARNING_COUNT> warning_enabled{};  // set by the -w parser
  bool all_warnings_off = false;                      // -w with an empty string
};

class Assembly;

// The settings of a run.
RunSettings& settings(Assembly& run);

// Target identifier of the object header and of the predefined symbol TID.
std::uint16_t target_id(const RunSettings& settings);

// " Assembler V1.30A/386" (with the fixed-date option " Assembler V2.11D/DOS").
std::string signon_text_A01(const RunSettings& settings);

}  // namespace aq71
