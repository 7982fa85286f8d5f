#include "assembler/listing.h"
#include "assembler/assembly.h"
#include "assembler/listing_directives.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <span>
#include <tuple>

#include "assembler/command_line.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/output_files.h"
#include "assembler/macros.h"
#include "assembler/object_writer.h"
#include "assembler/preprocessor.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

namespace aq71 {

namespace {

constexpr int kAddressDigits = 8;
constexpr std::size_t kCodeBytesPerLine = 6;
// Room a listed line is given up front: its fields and a source line of common length.
constexpr std::size_t kLineRoom = 192;

// What the listing keeps of a statement record besides the record itself.
struct LineInfo {
  std::uint32_t serial = 0;  // source line it was read on (records of one line share it)
  unsigned context = 0;      // context bits of that line
  bool from_include = false;
  bool skipped = false;                // a line of a false conditional branch
  std::uint32_t problems_written = 0;  // problem lines already in the list file
};

struct ListingState {
  ListingTime time;
  int page_lines = 0;
  int page_number = 1;
  long last_line = 0;
  bool have_line = false;
  int expansion = 0;
  unsigned long cycles = 0;
  bool cycle_carry = false;
  std::uint32_t serial = 0;
  // What the listing keeps of the records of the module, in source order: a record's place is
  // its running number in the module. Records made while nothing was listed have none.
  std::vector<LineInfo> info;
  bool module_listed = false;
  int modules = 0;
  int total_errors = 0;
  int total_warnings = 0;
};

ListingState& ls(Assembly& run) { return run.part<ListingState>(); }
ListingHooks& hooks(Assembly& run) { return run.part<ListingHooks>(); }

// A record's running number in the module: its place among the records made since the module
// began (SIZE_MAX for a record of no module of the run).
std::size_t module_place(Assembly& run, const Statement& st) {
  const StatementServices& s = statement_services(run);
  const std::size_t place = s.store.place(st);
  return place < s.store.count() && place >= s.module_first ? place - s.module_first : SIZE_MAX;
}

// What the listing keeps of a record of the module, or nullptr for a record it did not see.
LineInfo* line_info(Assembly& run, const Statement* st) {
  ListingState& l = ls(run);
  const std::size_t place = module_place(run, *st);
  return place < l.info.size() ? &l.info[place] : nullptr;
}

std::FILE* list_file(Assembly& run) { return standard_files(run).list; }

void write(Assembly& run, std::string_view text) {
  write_output(run, list_file(run), standard_files(run).list_name, text);
}

std::string blanks(int n) { return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string(); }

std::string padded(std::string_view text, int width) {
  std::string out;
  out.reserve(std::max(text.size(), static_cast<std::size_t>(std::max(width, 0))));
  out.append(text);
  if (static_cast<int>(out.size()) < width) out.append(static_cast<std::size_t>(width) - out.size(), ' ');
  return out;
}

template <class... A>
std::string format(const char* fmt, A... args) {
  int n = std::snprintf(nullptr, 0, fmt, args...);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, args...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// The number fields of every listed line, written without a format string: `v` in decimal
// in a field of `width` columns, to the right or (left) to the left of it.
template <class Number>
void append_decimal(std::string& s, Number v, int width, bool left = false) {
  char digits[24];
  const std::size_t n = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, v).ptr - digits);
  const std::size_t fill = static_cast<std::size_t>(width) > n ? static_cast<std::size_t>(width) - n : 0;
  if (!left) s.append(fill, ' ');
  s.append(digits, n);
  if (left) s.append(fill, ' ');
}

// `v` in upper-case hexadecimal, with leading zeros to at least `digits` digits.
void append_hex(std::string& s, unsigned long v, int digits) {
  char text[24];
  char* end = std::to_chars(text, text + sizeof text, v, 16).ptr;
  const std::size_t n = static_cast<std::size_t>(end - text);
  if (static_cast<std::size_t>(digits) > n) s.append(static_cast<std::size_t>(digits) - n, '0');
  for (char* c = text; c != end; ++c)
    if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
  s.append(text, n);
}

// A line made of text (without line feed), ended and counted.
void line(Assembly& run, std::string_view text) {
  write(run, text);
  new_list_line_A01(run);
}

void start_new_page(Assembly& run) {
  ++ls(run).page_number;
  const std::string& base = standard_files(run).base_name;
  std::string s = "\f";
  s += blanks(48 - static_cast<int>(base.size()) / 2);
  s += "- " + base + " -";
  while (s.size() < 93) s += ' ';  // "Page" 92 characters after the form feed
  s += format("Page %4d\n\n", ls(run).page_number);
  write(run, s);
  ls(run).page_lines = 2;
}

// The processor option texts of the -v choices.
const char* processor_option_text(int option) {
  static const char* const kTexts[] = {
      "Relative jumps reach entire addr space",
      "Relative jumps reach entire addr space",
      "Relative jumps do not wrap",
      "Relative jumps do not wrap",
      "Relative jumps do not wrap",
      "Relative jumps do not wrap",
      "Relative jumps do not wrap",
  };
  if (option < 0 || option >= static_cast<int>(std::size(kTexts))) return "";
  return kTexts[option];
}

// Column (0-based) of the comment part of a source line, 0 when it has none.
int comment_column(std::string_view text) {
  char quote = 0;
  for (std::size_t i = 0; i < text.size() && text[i] != '\n'; ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      return static_cast<int>(i);
    }
  }
  return 0;
}

void add_cycles(Assembly& run, const Statement* st) {
  if (!st || st->kind != StatementKind::Instruction || !st->entry) return;
  ls(run).cycles += st->entry->cycles[0];
}

std::uint32_t listed_address(Assembly& run, const Statement& st) {
  if (LabelRec* l = label_record(st.label())) {
    // A label without value record and with bit 0x80 is a predefined absolute symbol.
    if ((l->flags & LABEL_PREDEFINED) && !l->value) return static_cast<std::uint32_t>(l->absolute_value);
    ValueRec& v = label_value(run, *l);
    if (v.absolute()) return v.value;
  }
  return st.start();
}

// Appends up to kCodeBytesPerLine code bytes from `from` on, padded to 12 columns.
void append_code_text(std::string& s, const std::vector<int>& bytes, std::size_t from) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::size_t start = s.size();
  for (std::size_t i = from; i < bytes.size() && i < from + kCodeBytesPerLine; ++i) {
    const int b = bytes[i];
    if (b < 0) {
      s += "..";
    } else if (b <= 0xFF) {
      s += kHex[b >> 4];
      s += kHex[b & 15];
    } else {
      append_hex(s, static_cast<unsigned>(b), 2);
    }
  }
  if (s.size() - start < 12) s.append(12 - (s.size() - start), ' ');
}

void problem_line(Assembly& run, const std::string& text) { list_source_line_A01(run, text, -1, 0, nullptr, 0); }

// ---- report box ------------------------------------------------------------------------------

void box_line(Assembly& run, const std::string& text) {
  int slack = 28 - static_cast<int>(text.size());
  if (slack < 0) slack = 0;
  int left = slack / 2;
  line(run, "#" + blanks(left) + text + blanks(slack - left) + "#");
}

// ---- cross reference ---------------------------------------------------------------------------

void xref_line_end(Assembly& run) {
  new_list_line_A01(run);
  if (settings(run).dual_spacing) new_list_line_A01(run);
}

std::string xref_name(const SymbolNode* n) {
  std::string out;
  if (n->def && n->def->kind == KIND_DELIMITER && n->def->b == TOK_EOF) return "EOF";
  for (char c : n->name) {
    if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
    if (out.size() >= 100) break;
  }
  if (out.size() > 100) out.resize(100);
  return out;
}

// The name padded to 20 columns; a long name gets a line of its own.
void xref_write_name(Assembly& run, const SymbolNode* n) {
  std::string name = xref_name(n);
  if (name.size() > 31) {
    write(run, name);
    xref_line_end(run);
    write(run, blanks(20));
  } else {
    write(run, padded(name, 20));
  }
}

std::string reference_text(const Reference& r) {
  if (r.file == 0) return format("%9ld", r.line);
  return (r.file < 10 ? std::string(" ") : std::string()) + format("%6ld:%1d", r.line, r.file);
}

void xref_references(Assembly& run, const DefinitionRec* def) {
  if (def && def->first_reference()) {
    std::string s = reference_text(*def->first_reference()) + "  ";
    int on_line = 0;
    for (const Reference& r : def->references()) {
      if (on_line == 4) {
        write(run, s);
        xref_line_end(run);
        s = blanks(64);
        on_line = 0;
      }
      s += reference_text(r);
      ++on_line;
    }
    write(run, s);
  }
  xref_line_end(run);
}

// A #define's line, then the lines that expanded it.
void xref_define_references(Assembly& run, const DefineRec& d) {
  if (d.origin_line <= 0) {
    xref_line_end(run);
    return;
  }
  References refs;
  refs.first = Reference{d.origin_file, d.origin_line};
  for (const auto& [file, line] : d.references) refs.uses.push_back(Reference{file, line});
  DefinitionRec lines;
  lines.refs = &refs;
  xref_references(run, &lines);
}

const char* kind_text(int kind) {
  switch (kind) {
    case KIND_MNEMONIC:
      return " MNEMONIC ";
    case KIND_DIRECTIVE:
      return " DIRECTIVE ";
    case KIND_REGISTER:
      return " REGISTER ";
    case KIND_MACRO:
      return " MACRO ";
    case KIND_PREFIX:
      return " PREFIX ";
    case KIND_SUFFIX:
      return " SUFFIX ";
    case KIND_SEGMENT_TYPE:
      return " SEGMENT TYPE ";
    case KIND_OPERATOR:
      return " OPERATOR ";
    case KIND_DELIMITER:
      return " DELIMITER ";
    case KIND_PREPROCESSOR:
      return " PREPROCESSOR DIRECTIVE ";
    default:
      return nullptr;
  }
}

const char* segment_type_word(int type) {
  static const char* const kWords[] = {"UNTYPED ", "CODE ", "DATA ", "XDATA ", "IDATA ", "BIT ", "REGISTER ", "CONST "};
  return type >= 0 && type < 8 ? kWords[type] : "UNTYPED ";
}

const char* label_type_word(int type) {
  static const char* const kWords[] = {"UNTYP. ", "U CHAR ", "CHAR ",  "U SHORT ", "SHORT ",
                                       "U INT ",  "INT ",    "U LONG", "LONG ",    "FLOAT ",
                                       "DOUBLE ", "LONG ",   "VOID ",  "DOT ",     "ADDR "};
  return type >= 0 && type < 15 ? kWords[type] : "UNTYP. ";
}

bool segment_has_code(const Segment& seg) {
  for (const Statement* st : seg.chain)
    if ((st->kind == StatementKind::Instruction || st->kind == StatementKind::Storage ||
         st->kind == StatementKind::Alignment) &&
        st->size > 0)
      return true;
  return false;
}

void segment_table(Assembly& run) {
  const RunSettings& s = settings(run);
  write(run, padded("Segment", 20) + "Type \tMode");
  xref_line_end(run);
  write(run, std::string(40, '-'));
  xref_line_end(run);
  SegmentTable& table = segments(run);
  for (int i = 0; i < table.count(); ++i) {
    const Segment& seg = table[i];
    if (seg.name.rfind("__", 0) == 0 && !s.xref_internal) continue;
    if (i == SEG_ASEG && !segment_has_code(seg)) continue;
    std::string text = padded(seg.name, 20) + segment_type_word(seg.type);
    switch (seg.kind) {
      case SegmentKind::Absolute: {
        unsigned long org = seg.start && seg.start->solved() ? seg.start->value : 0;
        text += format(" \tABS Org:%lX ", org);
        break;
      }
      case SegmentKind::Relocatable:
        text += " \tREL ";
        break;
      case SegmentKind::Stack:
        text += " \tSTACK ";
        break;
      case SegmentKind::Common:
        text += " \tCOMMON ";
        break;
    }
    write(run, text);
    xref_line_end(run);
  }
}

void label_table(Assembly& run, const std::vector<const SymbolNode*>& labels) {
  if (labels.empty()) return;
  write(run, padded("Label", 20) + "Mode   Type                   Segment    Value/Offset");
  xref_line_end(run);
  write(run, std::string(78, '-'));
  xref_line_end(run);
  for (const SymbolNode* n : labels) {
    LabelRec* l = n->def->label;
    std::string text = padded(xref_name(n), 20);
    static const char* const kModes[] = {"ABS    ", "REL    ", "STACK  ", "COMMON "};
    text += l->segment_kind < 4 ? kModes[l->segment_kind] : "ABS    ";
    text = padded(text, 27);
    if (l->flags & LABEL_BY_EQU) text += "CONST ";
    if (l->flags & LABEL_REDEFINABLE) text += "VAR ";
    if (l->flags & LABEL_PUBLIC) text += "PUB ";
    if (l->flags & LABEL_EXTERN) text += format("EXT [%.3d] ", l->extern_index);
    if (l->flags & LABEL_LOCAL) text += "LOCAL ";
    if (l->flags & LABEL_SFR) text += "SFR ";
    text += label_type_word(l->type);
    text = padded(text, 50);
    std::string seg_name;
    if (l->segment_number >= 0 && l->segment_number < segments(run).count()) seg_name = segments(run)[l->segment_number].name;
    text += format("%-10s", seg_name.c_str());
    if (l->flags & LABEL_EXTERN) {
      text += " Solved Extern ";
    } else {
      ValueRec& v = label_value(run, *l);
      if (v.solved() || v.kind == VALUE_TEMPORARY)
        text += format(" %lX ", static_cast<unsigned long>(v.value));
      else if (v.kind == VALUE_COMPLEX)
        text += " Solved Complex ";
      else
        text += " Not solved ";
    }
    write(run, text);
    xref_line_end(run);
  }
}

}  // namespace

// ---- state -------------------------------------------------------------------------------------

const ListingTime& listing_time(Assembly& run) { return ls(run).time; }
ListingHooks& listing_hooks(Assembly& run) { return run.part<ListingHooks>(); }

const char* month_name(int month) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
}

int listing_width(Assembly& run) { return listing_layout(run).width; }
int header_width(Assembly& run) { return listing_layout(run).width < 132 ? 79 : 99; }

void install_listing_hooks(Assembly& run) {
  diagnostic_hooks(run).flush_listing = [&run] { flush_problems_on_fatal_stop(run); };
}

void begin_listing_run(Assembly& run) {
  install_listing_hooks(run);
  ls(run) = ListingState{};
  listing_layout(run) = ListingLayout{};
  if (settings(run).fixed_date) {
    ls(run).time = {0, 37, 13, 28, 11, 1990};
  } else {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    ls(run).time = {t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900};
  }
  if (!hooks(run).line_context)
    hooks(run).line_context = [&run] { return macro_level(run) > 0 ? LINE_CONTEXT_MACRO : 0u; };
  if (!hooks(run).define_value) {
    hooks(run).define_value = [](const SymbolNode* n) -> std::optional<std::string> {
      if (!n->define || n->define->param_count != DEFINE_OBJECT) return std::nullopt;
      return n->define->body;
    };
  }
  if (settings(run).list_flags & LIST_XREF) {
    ident_tree(run).env.record_label_references = true;
    ident_tree(run).env.record_define_references = true;
  }
}

void begin_module_listing(Assembly& run) {
  page_header_A01(run);
  ls(run).info.clear();
  ls(run).module_listed = false;
  ls(run).have_line = false;
  ls(run).expansion = 0;
  ls(run).cycles = 0;
  ls(run).cycle_carry = false;
}

void note_statement(Assembly& run, const Statement& st, bool new_line) {
  if (!list_file(run)) return;  // nothing to list: no bookkeeping either
  ListingState& l = ls(run);
  if (module_place(run, st) != l.info.size()) return;  // not the module's next record
  if (new_line || l.info.empty()) ++l.serial;
  LineInfo info;
  info.serial = l.serial;
  const ListingHooks& h = hooks(run);
  info.context = h.line_context ? h.line_context() : 0;
  info.from_include = source_reader(run).include_depth() > 0;
  l.info.push_back(info);
}

void note_call_line(Assembly& run, const Statement& st, unsigned context) {
  if (LineInfo* info = line_info(run, &st)) info->context = context;
}

void note_skipped_line(Assembly& run, const Statement& st) {
  if (LineInfo* info = line_info(run, &st)) info->skipped = true;
}

// ---- pages and lines -------------------------------------------------------------------------

void page_header_A01(Assembly& run) {
  if (settings(run).page_length <= 0 || !list_file(run) || ls(run).page_lines == 0) return;
  start_new_page(run);
}

namespace {

// A line feed was written: the line counts on the page.
void count_list_line(Assembly& run) {
  ++ls(run).page_lines;
  if (settings(run).page_length > 0 && ls(run).page_lines == settings(run).page_length) page_header_A01(run);
}

}  // namespace

void new_list_line_A01(Assembly& run) {
  write(run, "\n");
  count_list_line(run);
}

void list_header_A01(Assembly& run) {
  if (!list_file(run) || !settings(run).listing_header) return;
  const int w = header_width(run);
  const bool wide = w == 99;
  const std::string frame_empty = "#" + blanks(w - 2) + "#";
  line(run, std::string(static_cast<std::size_t>(w), '#'));
  line(run, frame_empty);

  std::string maker = std::string("#     QEX Systems ") + "Q71" + signon_text_A01(settings(run));
  if (w - static_cast<int>(maker.size()) < 21) {
    line(run, padded(maker, w - 1) + "#");
    maker = "#" + blanks(45);
  }
  const ListingTime& t = ls(run).time;
  maker += format(" %02d/%s/%04d  %02d:%02d:%02d", t.day, month_name(t.month), t.year, t.hour, t.minute, t.second);
  line(run, padded(maker, w) + "#");
  line(run, frame_empty);
  std::string versions = format("FE%s%s BE%s%c", "1.25A", " CO1.10K", "1.30", 'A');
  line(run, format("%-12sInternal versions %-*s#", "#", wide ? 68 : 48, versions.c_str()));
  line(run, frame_empty);
  const int field = wide ? 69 : 49;
  line(run, format("%-12sTarget option =  %-*s#", "#", field, processor_option_text(settings(run).processor_option)));
  const StandardFiles& files = standard_files(run);
  line(run, format("%-12sSource file   =  %-*s#", "#", field, lower_case(files.source_name).c_str()));
  line(run, format("%-12sList file     =  %-*s#", "#", field, lower_case(files.list_name).c_str()));
  line(run, format("%-12sObject file   =  %-*s#", "#", field, lower_case(files.object_name).c_str()));

  std::string text = format("%-12sCommand line  =  ", "#");
  const std::size_t area_width = wide ? 68 : 48;
  std::string area;
  auto close = [&] { line(run, padded(text + area, w - 1) + "#"); };
  const std::vector<ArgumentWord>& args = argument_list(run);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const ArgumentWord& a = args[i];
    std::string piece;
    if (a.marks & ARG_ENV_FIRST) piece += "[";
    if (a.marks & ARG_CMD_FIRST) piece += "(";
    piece += a.text;
    if (a.marks & ARG_CMD_LAST) piece += ")";
    if (a.marks & ARG_ENV_LAST) piece += "]";
    piece += " ";
    if (!area.empty() && area.size() + piece.size() > area_width) {
      close();
      text = format("%-29s", "#");
      area.clear();
    }
    area += piece;
  }
  close();
  line(run, frame_empty);
  line(run, std::string(static_cast<std::size_t>(w), '#'));
  new_list_line_A01(run);
}

void list_source_line_A01(Assembly& run, std::string_view text, long line_number, unsigned context,
                          const Statement* st, std::uint32_t list_flags) {
  if (!list_file(run)) return;
  ListingState& l = ls(run);
  const bool problem = st == nullptr && line_number < 0;
  std::string s;
  s.reserve(kLineRoom);  // one allocation for the fields and the text of most lines
  if (problem) {
    s.assign(11, ' ');
  } else if (context) {
    if (l.have_line) {
      append_decimal(s, l.last_line, 7);
      s += '.';
      append_decimal(s, ++l.expansion, 2, true);
      s += ' ';
    } else {
      s.assign(11, ' ');
    }
  } else {
    append_decimal(s, line_number, 7);
    s += "    ";
    l.last_line = line_number;
    l.have_line = true;
    l.expansion = 0;
  }
  const bool cycles = !problem && (list_flags & LIST_CYCLES);
  if (cycles) {
    const DiagnosticCounts& c = diagnostic_counts(run);
    if (c.errors == 0 && c.warnings == 0) {
      append_decimal(s, l.cycles, 8);
      s += ' ';
    } else {
      s += blanks(9);
    }
    add_cycles(run, st);
  }
  std::vector<int> code;
  const bool multi = (list_flags & LIST_MULTI_CODE) != 0;
  const bool with_code = st && !problem && st->kind != StatementKind::Comment;
  if (with_code) {
    append_hex(s, static_cast<unsigned long>(listed_address(run, *st)), kAddressDigits);
    s += ' ';
    code = listing_code_bytes(*st, multi ? SIZE_MAX : kCodeBytesPerLine + 1);
    append_code_text(s, code, 0);
  } else {
    s += blanks(21);
  }
  s += code.size() > kCodeBytesPerLine && !multi ? '*' : ' ';

  std::size_t end = text.find('\n');
  if (end != std::string_view::npos) text = text.substr(0, end);
  if (problem) {
    // Problem reports stay whole: the studio reads the echoed line and the two after it.
    s += text;
  } else {
    const int width = listing_layout(run).width;
    int indent = 22 + (with_code && !code.empty() ? comment_column(text) : 0) + (context ? 0 : 11) + (cycles ? 8 : 0);
    if (indent >= width - 5) indent = 0;
    int col = static_cast<int>(s.size());
    // A text that ends within the width is never wrapped: no word of it passes the width.
    if (static_cast<std::ptrdiff_t>(text.size()) <= width - col) {
      s += text;
      text = {};
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      bool wrap = col >= width;
      if (!wrap && (c == ' ' || c == '\t') && col >= width - 10) {
        std::size_t j = i + 1;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t') ++j;
        wrap = j > i + 1 && col + static_cast<int>(j - i) > width;
      }
      if (wrap) {
        write(run, s);
        new_list_line_A01(run);
        s = blanks(indent);
        col = indent;
      }
      s += c;
      ++col;
    }
  }
  s += '\n';  // written with the line
  write(run, s);
  count_list_line(run);
  if (multi) {
    for (std::size_t from = kCodeBytesPerLine; from < code.size(); from += kCodeBytesPerLine) {
      std::string more = blanks(cycles ? 29 : 20);
      append_code_text(more, code, from);
      while (!more.empty() && more.back() == ' ') more.pop_back();
      line(run, more);
    }
  }
  if (settings(run).dual_spacing) new_list_line_A01(run);
}

std::vector<int> listing_code_bytes(const Statement& st, std::size_t limit) {
  std::vector<int> out;
  auto push = [&](int b) {
    if (out.size() < limit) out.push_back(b);
  };
  auto push_value = [&](std::uint32_t v, std::uint32_t size) {
    for (std::uint32_t i = 0; i < size; ++i) push(static_cast<int>((v >> (8 * (i & 3))) & 0xFF));
  };
  if (st.failed) return out;
  switch (st.kind) {
    case StatementKind::Instruction: {
      if (!st.encoded || !st.entry) break;
      const StatementCode& c = st.code;
      std::array<int, 2 * std::tuple_size_v<decltype(c.words)>> held{};
      const std::span<int> bytes(held.data(), std::min<std::size_t>(2u * c.word_count, held.size()));
      for (std::size_t k = 0; k < bytes.size() / 2; ++k) {
        bytes[2 * k] = c.words[k] & 0xFF;
        bytes[2 * k + 1] = c.words[k] >> 8;
      }
      for (std::uint8_t i = 0; i < c.fixup_count; ++i) {
        const Fixup& f = st.fixups()[i];
        const LinkProgram p = link_program(f);
        std::size_t fields = 0;
        for (std::uint8_t k = 0; k < p.count; ++k)
          if (p.steps[k].op == LinkOp::kField) ++fields;
        for (std::size_t b = f.word * 2u; b < (f.word + fields) * 2u && b < bytes.size(); ++b) bytes[b] = -1;
      }
      for (int b : bytes) push(b);
      break;
    }
    case StatementKind::Storage:
      if (st.data().reserve_only) break;
      for (const DataItem& item : st.data().items) {
        if (!item.value && item.size == 1) {
          // A string: its characters once (count is their number).
          for (std::uint8_t c : item.bytes) push(c);
          continue;
        }
        for (std::uint32_t n = 0; n < item.count && out.size() < limit; ++n) {
          if (item.value) {
            const ValueRec& v = *item.value;
            if (v.absolute() || v.kind == VALUE_TEMPORARY)
              push_value(v.value, item.size);
            else
              for (std::uint32_t i = 0; i < item.size; ++i) push(-1);
          } else {
            std::uint32_t v = 0;
            for (std::size_t i = 0; i < item.bytes.size() && i < 4; ++i)
              v |= static_cast<std::uint32_t>(item.bytes[i]) << (8 * i);
            push_value(v, item.size);
          }
        }
      }
      break;
    case StatementKind::Alignment:
      if (st.data().items.empty()) break;
      for (std::uint32_t i = 0; i < st.size && out.size() < limit; ++i) {
        const DataItem& item = st.data().items[i % st.data().items.size()];
        if (item.value)
          push(item.value->absolute() ? static_cast<int>(item.value->value & 0xFF) : -1);
        else
          push(item.bytes.empty() ? 0 : item.bytes[0]);
      }
      break;
    default:
      break;
  }
  return out;
}

// ---- module listing and report -------------------------------------------------------------------

namespace {

// What the listing kept of the records of a run of the module's records, found by place: the
// records of a range follow one another, so the first one's place gives all the others'.
struct ModuleLines {
  ModuleLines(Assembly& run, const StatementRange& statements)
      : kept(ls(run).info), first(statements.empty() ? SIZE_MAX : module_place(run, *statements.front())) {}
  // What is kept of the record `i` places after the first, or nullptr for one the listing did
  // not see.
  LineInfo* info(std::size_t i) const {
    return first != SIZE_MAX && first + i < kept.size() ? &kept[first + i] : nullptr;
  }
  std::vector<LineInfo>& kept;
  std::size_t first;
};

void write_problems(Assembly& run, const Statement& st, LineInfo* info) {
  for (const std::string& l : st.problems().lines) problem_line(run, l);
  if (info) info->problems_written = st.problems().lines.size();
}

// The module's lines in source order: the records of one source line make one listed line.
// A walk in step with the records: no record is looked up by its address.
void list_module_lines(Assembly& run, const StatementRange& statements) {
  const RunSettings& s = settings(run);
  StatementStore& store = statement_store(run);
  ModuleLines lines(run, statements);
  std::vector<const Statement*> group;  // the records of the line at hand
  // The walk's current record, counted from the range's first.
  std::size_t place = 0;
  auto it = statements.begin();
  const auto stop = statements.end();
  while (it != stop) {
    const std::size_t first = place;
    const Statement* head = *it;
    const LineInfo* head_info = lines.info(first);
    const LineInfo info = head_info ? *head_info : LineInfo{};
    group.assign(1, head);
    ++it;
    ++place;
    while (it != stop && info.serial != 0) {
      const LineInfo* next = lines.info(place);
      if (!next || next->serial != info.serial) break;
      group.push_back(*it);
      ++it;
      ++place;
    }
    // ELSE, ELSEIF and ENDIF lines of a skipped branch are read again as statements:
    // the statement's line stands for them.
    if (info.skipped && it != stop) {
      const Statement* next = *it;
      if (next->line == head->line && next->text(store) == head->text(store) && next->file == head->file) continue;
    }
    const std::uint32_t flags = head->list_flags;
    if (!(flags & LIST_ON)) continue;
    int severity = 0;
    bool page_break = false;
    const Statement* shown = head;
    // Records kept only for the object (declarations of PUBLIC and EXTERN names)
    // still stand for their line; generated records do not.
    bool listed = false;
    for (const Statement* st : group) {
      if (st->listed || (st->kind == StatementKind::Declaration && !st->debug_symbol)) listed = true;
      severity = std::max(severity, st->problems().severity);
      if (st->kind == StatementKind::PageBreak) page_break = true;
      if (shown->size == 0 && st->size > 0 && st->listed) shown = st;
    }
    auto problems = [&] {
      for (std::size_t k = 0; k < group.size(); ++k) write_problems(run, *group[k], lines.info(first + k));
    };
    if (page_break) {
      page_header_A01(run);
      continue;
    }
    if (severity >= 2) {
      problems();
      continue;
    }
    if (!listed) continue;
    const unsigned ctx = info.context;
    if (ctx && !(flags & LIST_MACRO_EXPANSION)) continue;
    if ((ctx & LINE_CONTEXT_STRUCTURED) && !(flags & LIST_STRUCTURED)) continue;
    if ((ctx & LINE_CONTEXT_REPEAT) && !(flags & LIST_BIT_100)) continue;
    if (info.from_include && !s.list_includes) continue;
    if (head->macro_definition_line && !(flags & LIST_MACRO_DEFS)) continue;
    const std::string_view generated = head->generated_text();
    const std::string_view text = generated.empty() ? head->text(store) : generated;
    list_source_line_A01(run, text, head->line, ctx, shown, flags);
    problems();
  }
}

}  // namespace

void print_final_report_A03(Assembly& run, bool code_produced, const StatementRange& statements) {
  const RunSettings& s = settings(run);
  const DiagnosticCounts& counts = diagnostic_counts(run);
  const bool listing = list_file(run) != nullptr;
  ls(run).module_listed = true;
  if (listing) {
    if (counts.errors || counts.warnings) {
      for (const Statement* st : statements)
        for (const std::string& l : st->problems().lines) problem_line(run, l);
      new_list_line_A01(run);
      new_list_line_A01(run);
    }
    if (code_produced) list_module_lines(run, statements);
  }
  // Whatever was reported at statements of the module is in the list file by now.
  if (listing) {
    ModuleLines lines(run, statements);
    std::size_t place = 0;
    for (const Statement* st : statements)
      if (LineInfo* info = lines.info(place++)) info->problems_written = st->problems().lines.size();
  }

  ++ls(run).modules;
  ls(run).total_errors += counts.errors;
  ls(run).total_warnings += counts.warnings;
  const ObjectModuleSummary& object = last_object_module(run);
  const long bytes = code_produced && object.written ? static_cast<long>(object.bytes) : 0;
  const bool last = module_state(run).end_seen;
  const bool several = last && ls(run).modules >= 2;

  if (listing) {
    if (s.list_flags & LIST_XREF) print_cross_reference_A03(run);
    line(run, "##############################");
    if (counts.errors == 0 && code_produced && object.written) box_line(run, format("CRC:%X", object.crc));
    box_line(run, format("Errors:   %d", counts.errors));
    box_line(run, format("Warnings: %d", counts.warnings));
    box_line(run, format("Bytes: %ld", bytes));
    if (several) {
      box_line(run, format("Modules:        %d", ls(run).modules));
      box_line(run, format("Total errors:   %d", ls(run).total_errors));
      box_line(run, format("Total warnings: %d", ls(run).total_warnings));
    }
    line(run, "##############################");
    new_list_line_A01(run);
    new_list_line_A01(run);
    new_list_line_A01(run);
    write(run, "\f");
    ls(run).page_lines = 0;
  }
  if (s.banner) {
    console_printf("\nErrors:   %d\n", counts.errors);
    console_printf("Warnings: %d\n", counts.warnings);
    console_printf("Bytes: %ld\n", bytes);
    if (several) {
      console_printf("\nModules:   %d\n", ls(run).modules);
      console_printf("Total errors:   %d\n", ls(run).total_errors);
      console_printf("Total warnings: %d\n", ls(run).total_warnings);
    }
  }
}

void print_cross_reference_A03(Assembly& run) {
  if (!list_file(run)) return;
  const RunSettings& s = settings(run);
  xref_line_end(run);
  xref_line_end(run);
  std::vector<const SymbolNode*> labels;
  ident_tree(run).for_each_node([&](SymbolNode* n) {
    if (n->state == NODE_REMOVED) return;
    const DefinitionRec* def = n->def;
    if (n->define && s.xref_defines) {
      xref_write_name(run, n);
      std::optional<std::string> value;
      if (hooks(run).define_value) value = hooks(run).define_value(n);
      if (value)
        write(run, format(" #define, value: %s, line: ", value->c_str()));
      else
        write(run, " #define,            line: ");
      xref_define_references(run, *n->define);
      return;
    }
    if (def && def->kind == KIND_LABEL && def->label) {
      if ((def->label->flags & LABEL_PREDEFINED) && !def->label->value) {
        if (!s.xref_internal) return;
        xref_write_name(run, n);
        write(run, format(" Target symbol: %ld ", static_cast<long>(def->label->absolute_value)));
        xref_references(run, def);
        return;
      }
      // A #define name read in its #define line is no label of the module.
      if (!(n->define && (def->label->flags & LABEL_NOT_PLACED))) labels.push_back(n);
      if (def->first_reference()) {
        xref_write_name(run, n);
        xref_references(run, def);
      }
      return;
    }
    if (def && def->kind == KIND_SEGMENT) {
      if (def->first_reference()) {
        xref_write_name(run, n);
        xref_references(run, def);
      }
      return;
    }
    if (!def || !s.xref_internal) return;
    const char* kind = kind_text(def->kind);
    if (!kind) return;
    xref_write_name(run, n);
    write(run, kind);
    xref_references(run, def);
  });
  segment_table(run);
  label_table(run, labels);
  xref_line_end(run);
  xref_line_end(run);
}

void flush_problems_on_fatal_stop(Assembly& run) {
  if (!list_file(run)) return;
  std::size_t place = 0;
  for (const Statement* st : statement_services(run).module_statements()) {
    if (place == ls(run).info.size()) break;
    LineInfo& info = ls(run).info[place++];
    const std::size_t done = info.problems_written;
    const ProblemLines& lines = st->problems();
    for (std::size_t k = done; k < lines.lines.size(); ++k) problem_line(run, lines.lines[k]);
    info.problems_written = lines.lines.size();
  }
  ProblemLines pending;
  take_pending_problems(run, pending);
  for (const std::string& l : pending.lines) problem_line(run, l);
  flush_output(run, list_file(run), standard_files(run).list_name);
}

}  // namespace aq71
