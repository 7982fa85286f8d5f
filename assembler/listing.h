// Listing of aq71: the header box of each module, the listing lines with line numbers, addresses
// and code bytes, the problem reports under their lines, page headers, the cross reference, the
// report box and the console summary; and the listing directives (LSTxxx, PAGSIZ, COL, PAGE).
//
// Nothing reaches the list file during the source pass: statements note themselves here as they
// are opened, and the module is listed from those records once it has been resolved.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aq71 {

class Assembly;

class Scanner;
struct Statement;
class StatementRange;
struct SymbolNode;

// Date and time shown in the header box.
struct ListingTime {
  int second = 0;
  int minute = 0;
  int hour = 0;
  int day = 1;
  int month = 1;  // 1 to 12
  int year = 1970;
};
const ListingTime& listing_time(Assembly& run);
// "Jan" to "Dec", "???" for an invalid month.
const char* month_name(int month);

// Context bits of a listing line. Any bit makes it an expansion line (numbered "line.n"), listed
// only with list flag 0x008; bit 0x1 also needs 0x400 and bit 0x4 also needs 0x100.
inline constexpr unsigned LINE_CONTEXT_STRUCTURED = 0x1;
inline constexpr unsigned LINE_CONTEXT_MACRO = 0x2;
inline constexpr unsigned LINE_CONTEXT_REPEAT = 0x4;

struct ListingHooks {
  // Context bits of the line being read (0 for a plain source line).
  std::function<unsigned()> line_context;
  // Value text of an object-like #define (nothing for one with parameters).
  std::function<std::optional<std::string>(const SymbolNode*)> define_value;
};
ListingHooks& listing_hooks(Assembly& run);

// Kinds of lines list_source_line_A01 writes.
enum class ListLineKind { Source, Problem };

// ---- run and module ------------------------------------------------------------------------

// The run starts: date and time (fixed with -c#), page and width state, totals.
void begin_listing_run(Assembly& run);
// A module's source pass begins: a new page when paging is on; its records are forgotten.
void begin_module_listing(Assembly& run);
// A statement record was opened; new_line tells that it is the first record of its line.
void note_statement(Assembly& run, const Statement& st, bool new_line);
// The record stands for a macro call line: a source line, not part of the expansion it starts.
void note_call_line(Assembly& run, const Statement& st, unsigned context = 0);
// The record stands for a line skipped in a false conditional branch.
void note_skipped_line(Assembly& run, const Statement& st);

// Header box of a closed module.
void list_header_A01(Assembly& run);
// New page when paging is on and the page has lines on it.
void page_header_A01(Assembly& run);
// Ends a listing line, counts it and starts a new page when the page is full.
void new_list_line_A01(Assembly& run);
// One listing line: a source line (line number, context bits, its statement and the list
// flags it was read with) or a problem line (no statement, line number -1).
void list_source_line_A01(Assembly& run, std::string_view text, long line_number, unsigned context,
                          const Statement* st, std::uint32_t list_flags);
// The module's listing, cross reference, report box and console summary.
void print_final_report_A03(Assembly& run, bool code_produced, const StatementRange& statements);
void print_cross_reference_A03(Assembly& run);
// A fatal stop: problem lines not yet in the list file are written there.
void flush_problems_on_fatal_stop(Assembly& run);
// Makes a fatal stop of the diagnostics flush the listing's problem lines (the run's entry does
// it before any file is opened; begin_listing_run does it too).
void install_listing_hooks(Assembly& run);

// Listing width (COL) and the header-box width that follows from it.
int listing_width(Assembly& run);
int header_width(Assembly& run);

// Code bytes of a statement as the listing shows them: -1 for a byte the linker fills. At most
// `limit` bytes.
std::vector<int> listing_code_bytes(const Statement& st, std::size_t limit);

}  // namespace aq71
