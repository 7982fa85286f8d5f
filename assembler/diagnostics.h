// Diagnostics of aq71: numbered user errors and warnings, the problem report on the console and
// in the listing, the error limit, the fatal stop, the internal-error and out-of-memory reports,
// and the memory pool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace aq71 {

class Assembly;

// Control bytes inside message texts.
inline constexpr char MSG_MARK = '\x01';    // report at the position the scanner marked
inline constexpr char MSG_FATAL = '\x02';   // the run stops after the report
inline constexpr char MSG_NAME = '\x03';    // text argument in single quotes
inline constexpr char MSG_QNAME = '\x04';   // text argument in double quotes
inline constexpr char MSG_NUMBER = '\x05';  // number argument in decimal
inline constexpr char MSG_HEX = '\x06';     // number argument in lower-case hexadecimal
inline constexpr char MSG_ORIGIN = '\x07';  // origin of the innermost open block

// Thrown by every fatal stop once the files are closed; assembler_main turns it into the exit
// code. Nothing may swallow it.
struct FatalStop {
  int exit_code = 3;
};

// ---- console -------------------------------------------------------------------------------

// Everything aq71 prints goes through here (standard output unless redirected, as tests do).
void console_write(std::string_view text);
void console_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void set_console_stream(std::FILE* stream);  // nullptr = standard output
std::FILE* console_stream();

// ---- locations and statements --------------------------------------------------------------

// A place in the source as a report shows it.
struct SourceLocation {
  std::string file;  // file name as shown
  long line = 0;     // line number in that file
  int column = 0;    // caret column, 1 = first character; 0 = none
  std::string text;  // the source line (up to and including its line feed)

  bool same_place(const SourceLocation& o) const { return file == o.file && line == o.line && column == o.column; }
};

// Problem lines and the highest severity reported for one statement; the listing prints them
// under the statement.
struct ProblemLines {
  int severity = 0;  // 0 none, 1 warning, 2 error
  std::vector<std::string> lines;
};

// A source line as a statement record shows it: the file name and the line text are views of
// text held once for the whole run (the statement store keeps them), not copies.
struct SourceRef {
  const char* file = "";  // file name as shown
  std::int32_t line = 0;  // line number in that file
  std::string_view text;  // the source line, up to and including its line feed
};

// A column as a site records it: columns past 65535 (lines that long) are kept as 65535.
inline std::uint16_t caret_column(int column) {
  return static_cast<std::uint16_t>(column < 0 ? 0 : column > 0xFFFF ? 0xFFFF : column);
}

// What a pass-2 report (context kinds 1 and 2) needs of a statement record. A report at a
// statement that came from a macro shows the call line of the expansion being read, if any.
struct ProblemSite {
  SourceRef where;                           // file, line number and source line
  std::array<std::uint16_t, 3> columns{};    // the three recorded caret columns (see caret_column)
  mutable ProblemLines* problems = nullptr;  // where the listing's problem lines go; made by
                                             // the first report at the site when left empty
  ProblemLines** keep = nullptr;             // where the owner of the site notes lines made so
};

// Arguments a message text can show: [name] / [quoted name] use text, [number] / [hex number]
// use number.
struct MessageArgs {
  std::string_view text{};
  long number = 0;
};

// Origin texts of [origin].
inline constexpr const char* ORIGIN_MACRO = "Recording MACRO started in line ";
inline constexpr const char* ORIGIN_REPEAT = "Recording REPT, REPTI or REPTC started in line ";
inline constexpr const char* ORIGIN_CONDITIONAL = "In conditional assembly started in line ";
inline constexpr const char* ORIGIN_STRUCTURED = "In structured assembly started in line ";

// What other modules tell the reporters. Every hook may be left empty.
struct DiagnosticHooks {
  // The reader's current line, file, line number and column (installed by the source reader).
  std::function<SourceLocation()> current_location;
  // The macro call line while a macro expansion is being read, else nothing.
  std::function<std::optional<SourceLocation>()> macro_call_location;
  // The statement a context-kind-0 report belongs to; nullptr means "the next statement
  // record", whose creator collects them with take_pending_problems().
  std::function<ProblemLines*()> current_statement;
  // Innermost open block: one of the ORIGIN_* texts and its first line.
  std::function<std::optional<std::pair<const char*, long>>()> block_origin;
  // Line number shown by the internal-error report (default: the reader's line number).
  std::function<long()> current_line_number;
  // The list file the problem lines and the internal-error report go to, nullptr while none is
  // open (installed by the files).
  std::function<std::FILE*()> list_file;
  // Its name as the messages give it (installed by the files).
  std::function<std::string()> list_name;
  // A fatal stop, in this order: the listing writes the problem lines it still holds, then every
  // file is closed (installed by the listing and by the files).
  std::function<void()> flush_listing;
  std::function<void()> close_files;
};
DiagnosticHooks& diagnostic_hooks(Assembly& run);

// ---- counters and state --------------------------------------------------------------------

struct DiagnosticCounts {
  int errors = 0;        // current module
  int warnings = 0;      // current module
  int run_errors = 0;    // whole run (exit code, object deletion)
  int run_warnings = 0;  // whole run
};
const DiagnosticCounts& diagnostic_counts(Assembly& run);

// A new module begins: its error and warning counters start at 0.
void begin_module_diagnostics(Assembly& run);

// The scanner marks a position; texts starting with [mark] are reported there.
void mark_position_A01(Assembly& run, SourceLocation where);

// Reports made while no statement record existed yet: the next statement record takes them.
void take_pending_problems(Assembly& run, ProblemLines& into);
// True when reports wait for the next statement record.
bool pending_problems(Assembly& run);
// False while no report went to the next statement record since it last took them (then
// pending_problems is false too): one load for a caller that asks at every statement.
const bool& problems_may_wait(Assembly& run);
// Problem lines of a site, made (for the rest of the run) when the site has none yet.
ProblemLines& site_problems(Assembly& run, const ProblemSite& site);

// ---- tables ---------------------------------------------------------------------------------

// Message text of an error or warning number (front-end tables, then the back-end texts for
// numbers from 400 on and numbers not found), or nullptr.
const char* find_error_text(int number);
const char* find_warning_text(int number);

struct MessageRow {
  int number;
  const char* text;
};
// The raw tables, each ended by a row with number -1 (for the table checks).
const MessageRow* error_table();
const MessageRow* warning_table();
const MessageRow* backend_error_table();
const MessageRow* backend_warning_table();

// ---- reporters ------------------------------------------------------------------------------

// Pass-1 error at the reader's current position (or the marked one).
void user_error_A01(Assembly& run, int number, MessageArgs args = {});
// Pass-1 warning; nothing happens when the warning is disabled.
void user_warning_A01(Assembly& run, int number, MessageArgs args = {});
// Problems found after the source pass. Context kind 1: site is the statement that defined a
// label; 2: site is a statement; 0: the current statement (site may be nullptr). column_choice
// 1 to 3 picks one of the recorded caret columns.
void user_error_pass2_A01(Assembly& run, int context_kind, const ProblemSite* site, int number, int column_choice,
                          MessageArgs args = {});
void user_warning_pass2_A01(Assembly& run, int context_kind, const ProblemSite* site, int number,
                            int column_choice, MessageArgs args = {});
// The same at a site made for the report (a statement's site).
inline void user_error_pass2_A01(Assembly& run, int context_kind, const ProblemSite& site, int number,
                                 int column_choice, MessageArgs args = {}) {
  user_error_pass2_A01(run, context_kind, &site, number, column_choice, args);
}
inline void user_warning_pass2_A01(Assembly& run, int context_kind, const ProblemSite& site, int number,
                                   int column_choice, MessageArgs args = {}) {
  user_warning_pass2_A01(run, context_kind, &site, number, column_choice, args);
}
// Writes one problem to the list file's problem lines (when a list file is open) and to the
// console (unless -ST). A severity-1 report becomes an "Error" with warnings counted as errors.
// Stops the run after a [fatal] text.
void report_problem_A01(Assembly& run, int context_kind, const ProblemSite* site, int number, const char* label,
                        const char* text, int severity, MessageArgs args = {});
// One more error; at the maximum, error 9 is reported and the run stops.
void count_error_A01(Assembly& run);
// Appends one completed message line to the last reported statement.
void error_to_AVM_A01(Assembly& run, std::string_view line);

// Internal-error report, then fatal stop.
[[noreturn]] void internal_error_A01(Assembly& run, const char* function, const char* diagnostic, long p0, long p1);
// Writes the internal-error report only (the fault handler uses it).
void write_internal_error_report(Assembly& run, const char* function, const char* diagnostic, long p0, long p1);
// Counts one error, closes all files (deleting the object) and ends the run with exit code 3.
[[noreturn]] void fatal_exit_A01(Assembly& run);
// Out-of-memory report, then fatal stop.
[[noreturn]] void out_of_memory_A01(Assembly& run);

// ---- memory pool ----------------------------------------------------------------------------

inline constexpr std::size_t POOL_BLOCK_SIZE = 20480;
// A piece of never-freed memory, filled with 0xFF bytes.
void* get_memory_A01(Assembly& run, std::size_t size);
// Bytes taken from the system for the pool so far.
long pool_total(Assembly& run);

}  // namespace aq71
