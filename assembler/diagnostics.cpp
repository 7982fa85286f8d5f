#include "assembler/diagnostics.h"
#include "assembler/assembly.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include "assembler/record_arena.h"
#include "assembler/run_settings.h"

namespace aq71 {

namespace {

std::FILE* g_console = nullptr;

struct DiagnosticState {
  DiagnosticCounts counts;
  std::optional<SourceLocation> last_shown;
  std::optional<SourceLocation> marked;
  std::string list_line;                           // message line being collected for the listing
  ProblemLines pending;                            // reports made before their statement record
  ProblemLines* last_problems = nullptr;           // statement of the last report
  bool may_wait = false;                           // see problems_may_wait
  RecordArena<ProblemLines, 16, 1024> site_lines;  // problem lines of the sites that had a report
};

DiagnosticState& diag_state(Assembly& run) { return run.part<DiagnosticState>(); }
DiagnosticHooks& hooks(Assembly& run) { return run.part<DiagnosticHooks>(); }

// Message lines of one report: a line may be completed early so that it stays within 128
// characters, but a single piece is never split (the studio reads markers from the echoed
// source line).
constexpr std::size_t MESSAGE_LINE_WIDTH = 128;

// One destination of a problem report.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void piece(std::string_view text) = 0;  // text without line feeds
  virtual void line_end() = 0;
  virtual bool is_console() const = 0;

  // Writes text, turning each line feed into a line end.
  void text(std::string_view t) {
    while (!t.empty()) {
      std::size_t nl = t.find('\n');
      if (nl == std::string_view::npos) {
        piece(t);
        return;
      }
      if (nl > 0) piece(t.substr(0, nl));
      line_end();
      t.remove_prefix(nl + 1);
    }
  }
};

class ConsoleSink : public ReportSink {
 public:
  void piece(std::string_view t) override { console_write(t); }
  void line_end() override { console_write("\n"); }
  bool is_console() const override { return true; }
};

class ListSink : public ReportSink {
 public:
  explicit ListSink(Assembly& run) : run_(run) {}
  void piece(std::string_view t) override {
    std::string& buf = diag_state(run_).list_line;
    if (!buf.empty() && buf.size() + t.size() > MESSAGE_LINE_WIDTH) complete();
    buf.append(t);
  }
  void line_end() override { complete(); }
  bool is_console() const override { return false; }

 private:
  void complete() {
    std::string line;
    line.swap(diag_state(run_).list_line);
    error_to_AVM_A01(run_, line);
  }

  Assembly& run_;
};

std::string printable_line(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') break;
    out.push_back(static_cast<unsigned char>(c) < 32 ? '$' : c);
  }
  return out;
}

std::string caret_line(int column) {
  std::string out;
  if (column > 1) out.assign(static_cast<std::size_t>(column - 1), '-');
  out.push_back('^');
  return out;
}

// Expands the control bytes of a message text.
void write_message_text(Assembly& run, ReportSink& sink, const char* text, const MessageArgs& args) {
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) sink.text(literal);
    literal.clear();
  };
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case MSG_MARK:
      case MSG_FATAL:
        break;
      case MSG_NAME:
        flush();
        sink.text("'" + std::string(args.text) + "'");
        break;
      case MSG_QNAME:
        flush();
        sink.text("\"" + std::string(args.text) + "\"");
        break;
      case MSG_NUMBER:
        flush();
        sink.text(std::to_string(args.number));
        break;
      case MSG_HEX: {
        flush();
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(args.number));
        sink.text(buf);
        break;
      }
      case MSG_ORIGIN:
        flush();
        if (hooks(run).block_origin) {
          if (auto origin = hooks(run).block_origin()) {
            sink.text("\n" + std::string(origin->first) + std::to_string(origin->second) + "\n");
          }
        }
        break;
      default:
        literal.push_back(*p);
    }
  }
  flush();
}

struct ProblemContext {
  SourceLocation where;
  std::optional<SourceLocation> macro_call;
  bool fatal = false;
};

void print_problem(Assembly& run, ReportSink& sink, const ProblemContext& ctx, bool new_location, int number,
                   const char* label, const char* text, const MessageArgs& args) {
  if (new_location) {
    if (sink.is_console()) sink.line_end();
    sink.piece(printable_line(ctx.where.text));
    sink.line_end();
    sink.piece(caret_line(ctx.where.column));
    sink.line_end();
  }
  sink.piece("\"" + ctx.where.file + "\"," + std::to_string(ctx.where.line) + "  " + label + "[" +
             std::to_string(number) + "]: ");
  write_message_text(run, sink, text, args);
  sink.line_end();
  if (ctx.macro_call) {
    const SourceLocation& call = *ctx.macro_call;
    if (sink.is_console()) sink.line_end();
    sink.piece(printable_line(call.text));
    sink.line_end();
    sink.piece(caret_line(call.column));
    sink.line_end();
    sink.piece("\"" + call.file + "\"," + std::to_string(call.line) + " <- macro line location");
    sink.line_end();
  }
  if (ctx.fatal) sink.text("\nFatal!\a Execution terminated...\n");
}

std::FILE* list_file(Assembly& run) { return hooks(run).list_file ? hooks(run).list_file() : nullptr; }

SourceLocation current_location(Assembly& run) {
  return hooks(run).current_location ? hooks(run).current_location() : SourceLocation{};
}

std::optional<SourceLocation> current_macro_call(Assembly& run) {
  return hooks(run).macro_call_location ? hooks(run).macro_call_location() : std::nullopt;
}

void report(Assembly& run, int context_kind, const ProblemSite* site, int column, int number, const char* label,
            const char* text, int severity, const MessageArgs& args) {
  const RunSettings& s = settings(run);
  DiagnosticState& d = diag_state(run);
  if (severity == 1 && s.warnings_as_errors) {
    severity = 2;
    label = "Error";
  }
  ProblemContext ctx;
  ProblemLines* statement = nullptr;
  if (site && (context_kind == 1 || context_kind == 2)) {
    ctx.where.file = site->where.file;
    ctx.where.line = site->where.line;
    ctx.where.text = site->where.text;
    ctx.where.column = column;
    ctx.macro_call = current_macro_call(run);
    statement = &site_problems(run, *site);
  } else {
    if (text[0] == MSG_MARK && d.marked) {
      ctx.where = *d.marked;
    } else {
      ctx.where = current_location(run);
    }
    ctx.macro_call = current_macro_call(run);
    if (site)
      statement = &site_problems(run, *site);
    else if (hooks(run).current_statement)
      statement = hooks(run).current_statement();
  }
  if (!statement) {
    statement = &d.pending;
    d.may_wait = true;
  }
  if (statement->severity < severity) statement->severity = severity;
  d.last_problems = statement;
  ctx.fatal = std::strchr(text, MSG_FATAL) != nullptr;

  bool new_location = !d.last_shown || !d.last_shown->same_place(ctx.where);
  if (list_file(run)) {
    ListSink list(run);
    print_problem(run, list, ctx, new_location, number, label, text, args);
  }
  if (s.console_diagnostics) {
    ConsoleSink console;
    print_problem(run, console, ctx, new_location, number, label, text, args);
  }
  d.last_shown = ctx.where;
  if (ctx.fatal) fatal_exit_A01(run);
}

const char* error_text_or_internal(Assembly& run, int number, bool warning) {
  const char* text = warning ? find_warning_text(number) : find_error_text(number);
  if (!text) internal_error_A01(run, "print_problem", "unknown error number", number, 0);
  return text;
}

int column_of(Assembly& run, const ProblemSite* site, int context_kind, int column_choice, const char* function) {
  if (column_choice < 1 || column_choice > 3) internal_error_A01(run, function, "Illegal error type", column_choice, 0);
  if (site && (context_kind == 1 || context_kind == 2)) {
    return site->columns[static_cast<std::size_t>(column_choice - 1)];
  }
  return 0;
}

// The memory pool.
struct Pool {
  std::vector<std::unique_ptr<unsigned char[]>> blocks;
  unsigned char* current = nullptr;
  std::size_t offset = POOL_BLOCK_SIZE;
  long total = 0;
};

unsigned char* take_block(Pool& pool, std::size_t size) {
  unsigned char* block = new (std::nothrow) unsigned char[size];
  if (!block) block = new (std::nothrow) unsigned char[size];  // retried once
  if (!block) return nullptr;
  std::memset(block, 0xFF, size);
  pool.blocks.emplace_back(block);
  pool.total += static_cast<long>(size);
  return block;
}

}  // namespace

// ---- console --------------------------------------------------------------------------------

std::FILE* console_stream() { return g_console ? g_console : stdout; }
void set_console_stream(std::FILE* stream) { g_console = stream; }

void console_write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), console_stream()); }

void console_printf(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(console_stream(), format, ap);
  va_end(ap);
}

// ---- state ----------------------------------------------------------------------------------

DiagnosticHooks& diagnostic_hooks(Assembly& run) { return hooks(run); }
const DiagnosticCounts& diagnostic_counts(Assembly& run) { return diag_state(run).counts; }

void begin_module_diagnostics(Assembly& run) {
  DiagnosticState& d = diag_state(run);
  d.counts.errors = 0;
  d.counts.warnings = 0;
}

void mark_position_A01(Assembly& run, SourceLocation where) { diag_state(run).marked = std::move(where); }

bool pending_problems(Assembly& run) {
  const DiagnosticState& d = diag_state(run);
  return d.pending.severity != 0 || !d.pending.lines.empty() || d.last_problems == &d.pending;
}

const bool& problems_may_wait(Assembly& run) { return diag_state(run).may_wait; }

ProblemLines& site_problems(Assembly& run, const ProblemSite& site) {
  if (!site.problems) {
    site.problems = &diag_state(run).site_lines.emplace_back();
    if (site.keep) *site.keep = site.problems;
  }
  return *site.problems;
}

void take_pending_problems(Assembly& run, ProblemLines& into) {
  DiagnosticState& d = diag_state(run);
  if (into.severity < d.pending.severity) into.severity = d.pending.severity;
  for (auto& line : d.pending.lines) into.lines.push_back(std::move(line));
  if (d.last_problems == &d.pending) d.last_problems = &into;
  d.pending = ProblemLines{};
  d.may_wait = false;
}

// ---- reporters ------------------------------------------------------------------------------

void count_error_A01(Assembly& run) {
  DiagnosticState& d = diag_state(run);
  ++d.counts.errors;
  ++d.counts.run_errors;
  const int max_errors = settings(run).max_errors;
  if (d.counts.errors >= max_errors) {
    MessageArgs args;
    args.number = max_errors;
    report(run, 0, nullptr, 0, 9, "Error", find_error_text(9), 2, args);
  }
}

void user_error_A01(Assembly& run, int number, MessageArgs args) {
  const char* text = error_text_or_internal(run, number, false);
  count_error_A01(run);
  report(run, 0, nullptr, 0, number, "Error", text, 2, args);
}

namespace {

// Counts a warning (as an error when warnings count as errors) and tells whether it is to be
// printed. A disabled warning neither counts nor prints.
bool count_warning(Assembly& run, int number) {
  const RunSettings& s = settings(run);
  if (number >= 0 && number < WARNING_COUNT && !s.warning_enabled[static_cast<std::size_t>(number)]) {
    return false;
  }
  if (s.warnings_as_errors) {
    count_error_A01(run);
  } else {
    DiagnosticState& d = diag_state(run);
    ++d.counts.warnings;
    ++d.counts.run_warnings;
  }
  return !s.all_warnings_off;
}

}  // namespace

void user_warning_A01(Assembly& run, int number, MessageArgs args) {
  if (!count_warning(run, number)) return;
  report(run, 0, nullptr, 0, number, "Warning", error_text_or_internal(run, number, true), 1, args);
}

void user_error_pass2_A01(Assembly& run, int context_kind, const ProblemSite* site, int number, int column_choice,
                          MessageArgs args) {
  int column = column_of(run, site, context_kind, column_choice, "user_error_pass2_A01");
  const char* text = error_text_or_internal(run, number, false);
  count_error_A01(run);
  report(run, context_kind, site, column, number, "Error", text, 2, args);
}

void user_warning_pass2_A01(Assembly& run, int context_kind, const ProblemSite* site, int number, int column_choice,
                            MessageArgs args) {
  int column = column_of(run, site, context_kind, column_choice, "user_warning_pass2_A01");
  if (!count_warning(run, number)) return;
  report(run, context_kind, site, column, number, "Warning", error_text_or_internal(run, number, true), 1, args);
}

void report_problem_A01(Assembly& run, int context_kind, const ProblemSite* site, int number, const char* label,
                        const char* text, int severity, MessageArgs args) {
  report(run, context_kind, site, 0, number, label, text, severity, args);
}

void error_to_AVM_A01(Assembly& run, std::string_view line) {
  DiagnosticState& d = diag_state(run);
  if (!d.last_problems) internal_error_A01(run, "error_to_AVM_A01", "last_avm == NULL", 0, 0);
  d.last_problems->lines.emplace_back(line);
}

// ---- fatal stops ----------------------------------------------------------------------------

void write_internal_error_report(Assembly& run, const char* function, const char* diagnostic, long p0, long p1) {
  static const char* const banner = "\n               * * *   I N T E R N A L   E R R O R   * * *\n";
  std::FILE* out = console_stream();
  std::FILE* list = list_file(run);
  if (list) {
    std::fputs(banner, out);
    std::fputs("\n\n                        Please see list file \n", out);
    out = list;
  }
  long line = hooks(run).current_line_number ? hooks(run).current_line_number() : 0;
  std::fputs(banner, out);
  std::fprintf(out, "\nIn function: %s\nDiagnostic: %s\nLine: %ld   P0: %ld    P1: %ld\n\n", function, diagnostic, line,
               p0, p1);
  static const char* const advice[] = {
      "Dear User,",
      "please send us a copy of the source file(s) that were assembled when",
      "the internal error occurred.  Even better is if you could try to",
      "pinpoint the problem with a small sample program.",
      "In addition to the source file(s) we would like to receive information on:",
      "  1. Error message (as above)",
      "  2. Software version (see sign-on message)",
      "  3. Command-line including any .xcl file used",
      "  4. Hardware (memory etc.) and operating system version",
      "  5. Where and when you bought the software",
      "Please report this error to your distributor or the nearest QEX",
      "Systems office. For further information please see the Software",
      "Performance Report that can be found in your manual.",
      "",
      "",
      "                           T H A N K   Y O U !\a",
  };
  for (const char* line_text : advice) {
    std::fputs(line_text, out);
    std::fputc('\n', out);
  }
  std::fflush(out);
}

void internal_error_A01(Assembly& run, const char* function, const char* diagnostic, long p0, long p1) {
  write_internal_error_report(run, function, diagnostic, p0, p1);
  fatal_exit_A01(run);
}

void fatal_exit_A01(Assembly& run) {
  DiagnosticState& d = diag_state(run);
  ++d.counts.errors;
  ++d.counts.run_errors;
  // The listing has not been written yet: the problems reported so far go there now.
  DiagnosticHooks& h = hooks(run);
  if (h.flush_listing) h.flush_listing();
  if (h.close_files) h.close_files();
  std::fflush(console_stream());
  throw FatalStop{3};
}

void out_of_memory_A01(Assembly& run) {
  console_write("\n            * * *   A S S E M B L E R   O U T   O F   M E M O R Y   * * *\n");
  console_printf("\n                    Dynamic memory used: %ld bytes\n", run.part<Pool>().total);
  fatal_exit_A01(run);
}

// ---- memory pool ----------------------------------------------------------------------------

void* get_memory_A01(Assembly& run, std::size_t size) {
  Pool& pool = run.part<Pool>();
  size = (size + 1) & ~static_cast<std::size_t>(1);
  if (size >= POOL_BLOCK_SIZE) {
    // Too big for a block: it gets a block of its own; the current block goes on.
    unsigned char* block = take_block(pool, size);
    if (!block) out_of_memory_A01(run);
    return block;
  }
  if (pool.offset + size >= POOL_BLOCK_SIZE) {
    pool.current = take_block(pool, POOL_BLOCK_SIZE);
    if (!pool.current) out_of_memory_A01(run);
    pool.offset = 0;
  }
  unsigned char* piece = pool.current + pool.offset;
  pool.offset += size;
  return piece;
}

long pool_total(Assembly& run) { return run.part<Pool>().total; }

}  // namespace aq71
