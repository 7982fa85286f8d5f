// Preprocessor of aq71 (see preprocessor.h).
#include "assembler/preprocessor.h"
#include "assembler/assembly.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <deque>
#include <vector>

#include "assembler/define_expansion.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/macros.h"
#include "assembler/operand_grammar.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/source_files.h"

namespace aq71 {

namespace {

constexpr std::size_t BODY_LINE_LIMIT = 507;  // characters of a #define line after "define"
constexpr int INCLUDE_NAME_EXPANSIONS = 100;  // #include NAME: defines looked through

// Flags of a directive.
constexpr unsigned NAME_CHECK = 1;  // a blank and an identifier must follow the directive
constexpr unsigned SETS_STATE = 4;  // the handler's result becomes the active state
constexpr unsigned LINE_END = 32;   // only blanks may follow

struct PpState {
  explicit PpState(Assembly& run)
      : tree(ident_tree(run)),
        settings(aq71::settings(run)),
        reader(source_reader(run)),
        problems(run.part<ProblemHooks>()) {}
  int active = 1;
  std::vector<unsigned char> if_stack;  // state of the enclosing level per open level
  std::vector<int> else_counts;         // #else lines met per open level
  std::deque<DefineRec> records;        // never freed: nodes of removed names keep pointers
  Scanner* scanner = nullptr;
  std::tm start{};
  bool line_error = false;  // an error was reported on this '#' line
  IdentTree& tree;
  RunSettings& settings;
  SourceReader& reader;
  ProblemHooks& problems;
};

PpState& pp(Assembly& run) { return run.part<PpState>(); }

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\f'; }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool at_line_end(int c) { return c == '\n' || c == -1; }
bool ident_start(int c) { return is_letter(c) || c == '_' || c == '?'; }
bool ident_part(const IdentTree& tree, int c) {
  if (is_letter(c) || is_digit(c) || c == '_' || c == '?' || c == '$') return true;
  return (c == '.' || c == '@') && tree.is_ident_char(static_cast<unsigned char>(c));
}

void skip_line_blanks(Scanner& sc) {
  while (is_blank(sc.current_char())) sc.getch();
}

std::string read_ident(Scanner& sc) {
  const IdentTree& tree = pp(sc.run()).tree;
  std::string name;
  while (ident_part(tree, sc.current_char())) {
    if (name.size() < 255) name += static_cast<char>(sc.current_char());
    sc.getch();
  }
  return name;
}

// A comment that ends the line: ';' after blanks, or "//".
bool comment_follows(Scanner& sc, bool after_blank) {
  int c = sc.current_char();
  if (c == ';' && after_blank) return true;
  return c == '/' && sc.peek() == '/';
}

// Only blanks (and a comment) up to the line end.
bool rest_is_blank(Scanner& sc) {
  bool blank = is_blank(sc.current_char());
  skip_line_blanks(sc);
  return at_line_end(sc.current_char()) || comment_follows(sc, blank);
}

DefineRec* new_record(PpState& s) { return &s.records.emplace_back(); }

// The node a #define of this name hangs on (entered when absent).
SymbolNode* define_node(IdentTree& tree, std::string_view name) {
  std::string stored = tree.case_sensitive ? std::string(name) : upper_ascii(name);
  return tree.enter(stored, false, false).node;
}

// ---- predefined symbols ------------------------------------------------------------------------

std::string quoted_file_name(const PpState& s) {
  const std::string& name = s.reader.file_name();
  std::string out = "\"";
  for (unsigned char c : name) {
    if (out.size() >= 80) break;
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += printable_char(c);
    }
  }
  out += '"';
  return out;
}

// Start of the run, or the fixed date of -c# (28 Nov 1990, 13:37:00).
std::tm run_start(const PpState& s) {
  if (!s.settings.fixed_date) return s.start;
  std::tm t{};
  t.tm_mday = 28;
  t.tm_mon = 10;
  t.tm_year = 90;
  t.tm_hour = 13;
  t.tm_min = 37;
  return t;
}

std::string date_text(const PpState& s) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::tm t = run_start(s);
  const char* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : "???";
  char buf[40];
  std::snprintf(buf, sizeof buf, "\"%s %2d %4d\"", month, t.tm_mday, t.tm_year + 1900);
  return buf;
}

std::string time_text(const PpState& s) {
  const std::tm t = run_start(s);
  char buf[40];
  std::snprintf(buf, sizeof buf, "\"%02d:%02d:%02d\"", t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

std::string line_text(const PpState& s) {
  long line = s.scanner ? s.scanner->line_number() : s.reader.line_number();
  return std::to_string(line);
}

std::string tid_text(const PpState& s) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%1ld", static_cast<long>(target_id(s.settings)));
  return buf;
}

void predefine(PpState& s, std::string_view name, std::function<std::string()> value) {
  SymbolNode* node = s.tree.enter(name, false, false).node;
  if (node->define) return;
  DefineRec* d = new_record(s);
  d->param_count = DEFINE_PREDEFINED;
  d->value = std::move(value);
  node->define = d;
}

// ---- the #if stack -------------------------------------------------------------------------

void push_condition(PpState& s, bool condition) {
  if (static_cast<int>(s.if_stack.size()) >= MAX_IF_DEPTH) {
    report_error(s.tree.run(), 11, {}, MAX_IF_DEPTH);
    return;
  }
  s.if_stack.push_back(static_cast<unsigned char>(s.active));
  s.else_counts.push_back(0);
  if (s.active == 1 && !condition) {
    s.if_stack.back() = 3;
    s.active = 0;
  }
}

void unmatched(const PpState& s) {
  if (s.settings.ifdef_matching) report_error(s.tree.run(), 24);
}

// Reads an #if or #elif expression up to the line end.
bool evaluate_condition(Scanner& sc) {
  std::int32_t v = parse_absolute_expression_A08(sc, false, false);
  return v != 0;
}

// ---- handlers ----------------------------------------------------------------------------------

// Reads the #define line from the name on. Returns false after an error (nothing is stored).
int pp_define(Scanner& sc) {
  PpState& s = pp(sc.run());
  std::size_t read_count = 0;
  bool too_long = false;
  auto next = [&] {
    if (++read_count > BODY_LINE_LIMIT && !too_long) {
      too_long = true;
      report_error(sc.run(), 20, {}, 512);
    }
    sc.getch();
  };
  auto ident = [&] {
    std::string name;
    while (ident_part(s.tree, sc.current_char())) {
      if (name.size() < 255) name += static_cast<char>(sc.current_char());
      next();
    }
    return name;
  };
  auto blanks = [&] {
    bool any = false;
    while (is_blank(sc.current_char())) {
      any = true;
      next();
    }
    return any;
  };

  std::string name = ident();
  int params = DEFINE_OBJECT;
  std::vector<std::string> formals;
  if (sc.current_char() == '(') {
    next();
    blanks();
    if (sc.current_char() == ')') {
      next();
    } else {
      for (;;) {
        blanks();
        if (!ident_start(sc.current_char())) {
          report_error(sc.run(), 16);
          return 0;
        }
        std::string f = ident();
        if (static_cast<int>(formals.size()) >= MAX_FORMALS) {
          report_error(sc.run(), 21, {}, MAX_FORMALS);
          return 0;
        }
        for (const std::string& g : formals)
          if (g == f) {
            report_error(sc.run(), 22, f);
            return 0;
          }
        formals.push_back(f);
        blanks();
        if (sc.current_char() == ',') {
          next();
          continue;
        }
        if (sc.current_char() == ')') {
          next();
          break;
        }
        report_error(sc.run(), 23);
        return 0;
      }
    }
    params = static_cast<int>(formals.size());
    if (!is_blank(sc.current_char()) && !at_line_end(sc.current_char())) {
      report_error(sc.run(), 10);
      return 0;
    }
  } else if (!is_blank(sc.current_char()) && !at_line_end(sc.current_char())) {
    report_error(sc.run(), 10);
    return 0;
  }

  // The body.
  std::string body;
  bool pending_blank = false;
  auto append = [&](std::string_view text) {
    if (pending_blank && !body.empty()) body += ' ';
    pending_blank = false;
    body += text;
  };
  auto formal_index = [&](const std::string& word) {
    for (std::size_t i = 0; i < formals.size(); ++i)
      if (formals[i] == word) return static_cast<int>(i + 1);
    return 0;
  };
  blanks();
  while (!at_line_end(sc.current_char()) && !too_long) {
    int c = sc.current_char();
    if (is_blank(c)) {
      blanks();
      if (comment_follows(sc, true)) break;
      pending_blank = true;
      continue;
    }
    if (c == '/' && sc.peek() == '/') break;
    if (c == '/' && sc.peek() == '*') {
      next();
      next();
      while (!at_line_end(sc.current_char())) {
        if (sc.current_char() == '*' && sc.peek() == '/') {
          next();
          next();
          break;
        }
        next();
      }
      pending_blank = true;
      continue;
    }
    if (c == '#') {
      next();
      if (sc.current_char() == '#') {
        next();
        if (params < 0) {
          report_warning(sc.run(), 7);
          continue;
        }
        pending_blank = false;
        blanks();
        continue;
      }
      if (params < 0) {
        report_warning(sc.run(), 7);
        continue;
      }
      bool gap = blanks();
      if (ident_start(sc.current_char())) {
        std::string word = ident();
        if (int n = formal_index(word)) {
          char mark[4] = {'"', FORMAL_MARK, static_cast<char>(n), '"'};
          append(std::string_view(mark, 4));
          continue;
        }
        report_warning(sc.run(), 7);
        if (gap) pending_blank = true;
        append(word);
        continue;
      }
      report_warning(sc.run(), 7);
      if (gap) pending_blank = true;
      continue;
    }
    if (c == '"' || c == '\'') {
      std::string lit(1, static_cast<char>(c));
      next();
      while (!at_line_end(sc.current_char())) {
        int d = sc.current_char();
        lit += static_cast<char>(d);
        next();
        if (d == '\\' && !at_line_end(sc.current_char())) {
          lit += static_cast<char>(sc.current_char());
          next();
          continue;
        }
        if (d == c) break;
      }
      append(lit);
      continue;
    }
    if (is_digit(c) || ((c == '$' || c == '%' || c == '@') && is_digit(sc.peek())) ||
        (c == '$' && std::isxdigit(sc.peek()))) {
      // Numbers are copied whole, so that a suffix or hex digit is never taken for a formal.
      std::string num(1, static_cast<char>(c));
      next();
      while (is_letter(sc.current_char()) || is_digit(sc.current_char()) || sc.current_char() == '_') {
        num += static_cast<char>(sc.current_char());
        next();
      }
      append(num);
      continue;
    }
    if (ident_start(c)) {
      std::string word = ident();
      if (int n = formal_index(word)) {
        char mark[2] = {FORMAL_MARK, static_cast<char>(n)};
        append(std::string_view(mark, 2));
        continue;
      }
      append(word);
      // A quoted radix number (H'1F): its digits are no formals.
      if (word.size() == 1 && sc.current_char() == '\'' &&
          std::string_view("BDHXOQbdhxoq").find(word[0]) != std::string_view::npos) {
        std::string num(1, '\'');
        next();
        while (is_letter(sc.current_char()) || is_digit(sc.current_char())) {
          num += static_cast<char>(sc.current_char());
          next();
        }
        body += num;
      }
      continue;
    }
    append(std::string(1, static_cast<char>(c)));
    next();
  }
  if (too_long || s.line_error) return 0;
  if (s.active != 1) return 0;

  SymbolNode* node = define_node(s.tree, name);
  DefineRec* old = node->define;
  if (old && (old->param_count != params || old->body != body)) report_warning(sc.run(), 9, name);
  DefineRec* d = new_record(s);
  d->param_count = params;
  d->body = std::move(body);
  d->origin_line = sc.line_number();
  d->origin_file = s.tree.env.file_index;
  node->define = d;
  return 0;
}

int pp_undef(Scanner& sc) {
  std::string name = read_ident(sc);
  if (pp(sc.run()).active == 1) undefine_symbol_A02(sc.run(), name);
  return 0;
}

int pp_if(Scanner& sc) {
  PpState& s = pp(sc.run());
  if (!is_blank(sc.current_char())) {
    report_error(sc.run(), 10);
    push_condition(s, false);
    return s.active;
  }
  bool condition = s.active == 1 && evaluate_condition(sc);
  push_condition(s, condition);
  return s.active;
}

int pp_ifdef(Scanner& sc, bool wanted) {
  // The name is only looked up: a name never seen leaves no trace in the tree.
  std::string name = read_ident(sc);
  PpState& s = pp(sc.run());
  bool defined = find_define(sc.run(), name) != nullptr;
  push_condition(s, defined == wanted);
  return s.active;
}

int pp_elif(Scanner& sc) {
  PpState& s = pp(sc.run());
  if (s.if_stack.empty() || s.else_counts.back() != 0) {
    unmatched(s);
    return 0;
  }
  unsigned char& entry = s.if_stack.back();
  if (!(entry & 2)) return 0;
  if (evaluate_condition(sc)) {
    entry = 1;
    return 1;
  }
  return 0;
}

int pp_else(Scanner& sc) {
  PpState& s = pp(sc.run());
  if (s.if_stack.empty() || s.else_counts.back()++ != 0) {
    unmatched(s);
    return 0;
  }
  return (s.if_stack.back() & 2) ? 1 : 0;
}

int pp_endif(Scanner& sc) {
  PpState& s = pp(sc.run());
  if (s.if_stack.empty()) {
    unmatched(s);
    return 1;
  }
  int state = s.if_stack.back() & 1;
  s.if_stack.pop_back();
  s.else_counts.pop_back();
  return state;
}

int pp_ignore(Scanner&) { return 0; }

int pp_message(Scanner& sc) {
  skip_line_blanks(sc);
  int c = sc.current_char();
  if (c != '"' && c != '\'') {
    report_error(sc.run(), 0);
    return 0;
  }
  // Adjacent literals are one string.
  std::string text;
  do {
    int code = sc.get_pp_token_A05();
    if (code != TOK_STRING || !sc.token().string) {
      report_error(sc.run(), 0);
      return 0;
    }
    text += sc.token().string->text;
    skip_line_blanks(sc);
  } while (sc.current_char() == '"' || sc.current_char() == '\'');
  if (pp(sc.run()).active == 1) console_printf("#message: %s\n", text.c_str());
  return 0;
}

int pp_error(Scanner& sc) {
  skip_line_blanks(sc);
  std::string text;
  while (!at_line_end(sc.current_char())) {
    if (text.size() < BODY_LINE_LIMIT) text += static_cast<char>(sc.current_char());
    sc.getch();
  }
  if (pp(sc.run()).active == 1) report_error(sc.run(), 25, text);
  return 0;
}

// The name of an #include: <name> or "name", possibly through names defined as such a form.
bool include_name(Scanner& sc, std::string& name, char& form) {
  int c = sc.current_char();
  if (c == '<' || c == '"') return sc.read_include_name(name, form);
  if (!ident_start(c)) return false;
  std::string word = read_ident(sc);
  const IdentTree& tree = pp(sc.run()).tree;
  for (int i = 0; i < INCLUDE_NAME_EXPANSIONS; ++i) {
    DefineRec* d = find_define(sc.run(), word);
    if (!d || d->param_count != DEFINE_OBJECT) return false;
    const std::string& body = d->body;
    if (body.empty()) return false;
    if (body[0] == '<' || body[0] == '"') {
      char close = body[0] == '<' ? '>' : '"';
      std::size_t end = body.find(close, 1);
      if (end == std::string::npos || end == 1) return false;
      name = body.substr(1, end - 1);
      form = body[0];
      return true;
    }
    std::size_t n = 0;
    while (n < body.size() && ident_part(tree, static_cast<unsigned char>(body[n]))) ++n;
    if (n == 0 || n != body.size()) return false;
    word = body;
  }
  return false;
}

int pp_include(Scanner& sc) {
  if (macro_level(sc.run()) > 0) {
    report_error(sc.run(), 99);
    return 0;
  }
  if (!is_blank(sc.current_char())) {
    report_error(sc.run(), 10);
    return 0;
  }
  PpState& s = pp(sc.run());
  if (s.active != 1) return 0;
  skip_line_blanks(sc);
  std::string name;
  char form = '"';
  if (!include_name(sc, name, form) || name.empty()) {
    report_error(sc.run(), 3);
    return 0;
  }
  s.reader.push_include_file(name, form == '"');
  return 0;
}

struct Directive {
  const char* name;
  unsigned flags;
  int (*handler)(Scanner&);
};

const Directive kDirectives[] = {
    {"define", NAME_CHECK, pp_define},
    {"undef", NAME_CHECK | LINE_END, pp_undef},
    {"if", SETS_STATE, pp_if},
    {"elif", SETS_STATE, pp_elif},
    {"ifdef", NAME_CHECK | LINE_END | SETS_STATE, [](Scanner& sc) { return pp_ifdef(sc, true); }},
    {"ifndef", NAME_CHECK | LINE_END | SETS_STATE, [](Scanner& sc) { return pp_ifdef(sc, false); }},
    {"else", LINE_END | SETS_STATE, pp_else},
    {"endif", LINE_END | SETS_STATE, pp_endif},
    {"line", 0, pp_ignore},
    {"pragma", 0, pp_ignore},
    {"message", LINE_END, pp_message},
    {"error", 0, pp_error},
    {"include", 0, pp_include},
};

// Only the first error of a '#' line is reported (fatal ones always are).
class LineErrorFilter {
 public:
  LineErrorFilter(Assembly& run, PpState& s) : state_(s), saved_(s.problems) {
    s.line_error = false;
    s.problems.error = [this, &run](int number, std::string_view name, long number_arg) {
      const char* text = find_error_text(number);
      bool fatal = text && std::string_view(text).find(MSG_FATAL) != std::string_view::npos;
      if (state_.line_error && !fatal) return;
      state_.line_error = true;
      if (saved_.error)
        saved_.error(number, name, number_arg);
      else
        user_error_A01(run, number, MessageArgs{name, number_arg});
    };
  }
  ~LineErrorFilter() { state_.problems = saved_; }
  LineErrorFilter(const LineErrorFilter&) = delete;
  LineErrorFilter& operator=(const LineErrorFilter&) = delete;

 private:
  PpState& state_;
  ProblemHooks saved_;
};

}  // namespace

void init_preprocessor_A02(Assembly& run) {
  PpState& s = pp(run);
  IdentTree& tree = s.tree;
  if (!tree.find_kind("define", KIND_PREPROCESSOR)) {
    for (const Directive& d : kDirectives) tree.init_preprocessor_word(d.name);
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &s.start);
  }
  predefine(s, "__LINE__", [&s] { return line_text(s); });
  predefine(s, "__FILE__", [&s] { return quoted_file_name(s); });
  predefine(s, "__DATE__", [&s] { return date_text(s); });
  predefine(s, "__TIME__", [&s] { return time_text(s); });
  predefine(s, "__TID__", [&s] { return tid_text(s); });
  predefine(s, "__VER__", [] { return std::string("130"); });
  predefine(s, "__QEX_SYSTEMS_ASM", [] { return std::string("1"); });
  predefine(s, "__QEX_SYSTEMS_ASM__", [] { return std::string("1"); });
}

int define_symbol_A02(Assembly& run, std::string_view name, std::string_view body, long origin_line) {
  init_preprocessor_A02(run);
  PpState& s = pp(run);
  SymbolNode* node = s.tree.enter(name, false, false).node;
  int had = node->define ? 1 : 0;
  DefineRec* d = new_record(s);
  d->param_count = DEFINE_OBJECT;
  d->body = std::string(body);
  d->origin_line = origin_line;
  node->define = d;
  return had;
}

int undefine_symbol_A02(Assembly& run, std::string_view name) {
  init_preprocessor_A02(run);
  IdentTree& tree = pp(run).tree;
  for (SymbolNode* n = tree.find_exact(name); n; n = n->next)
    if (n->define) {
      n->define = nullptr;
      return 0;
    }
  if (!tree.case_sensitive) {
    for (SymbolNode* n = tree.find_exact(upper_ascii(name)); n; n = n->next)
      if (n->define) {
        n->define = nullptr;
        return 0;
      }
  }
  return 1;
}

DefineRec* find_define(Assembly& run, std::string_view name) {
  IdentTree& tree = pp(run).tree;
  for (SymbolNode* n = tree.find_exact(name); n; n = n->next)
    if (n->define) return n->define;
  if (!tree.case_sensitive)
    for (SymbolNode* n = tree.find_exact(upper_ascii(name)); n; n = n->next)
      if (n->define) return n->define;
  return nullptr;
}

void pp_dispatch_A02(Scanner& sc) {
  PpState& s = pp(sc.run());
  IdentTree& tree = s.tree;
  SymbolNode* saved_current = tree.current();
  struct RestoreCurrent {
    IdentTree& tree;
    SymbolNode* node;
    ~RestoreCurrent() { tree.set_current(node); }
  } restore{tree, saved_current};
  LineErrorFilter filter(sc.run(), s);

  skip_line_blanks(sc);
  if (at_line_end(sc.current_char())) return;
  if (!ident_start(sc.current_char())) {
    report_error(sc.run(), 16);
    return;
  }
  std::string word = read_ident(sc);
  const Directive* dir = nullptr;
  for (const Directive& d : kDirectives)
    if (word == d.name) dir = &d;
  if (!dir) {
    report_error(sc.run(), 18, word);
    return;
  }
  if (dir->flags & NAME_CHECK) {
    if (!is_blank(sc.current_char())) {
      report_error(sc.run(), 10);
      return;
    }
    skip_line_blanks(sc);
    if (!ident_start(sc.current_char())) {
      report_error(sc.run(), 16);
      return;
    }
  }
  int result = dir->handler(sc);
  if ((dir->flags & LINE_END) && !s.line_error && !rest_is_blank(sc)) report_error(sc.run(), 19);
  if (dir->flags & SETS_STATE) s.active = result;
}

int preprocessor_active_state(Assembly& run) { return pp(run).active; }
int preprocessor_if_depth(Assembly& run) { return static_cast<int>(pp(run).if_stack.size()); }

void install_preprocessor(Scanner& sc) {
  PpState& s = pp(sc.run());
  s.scanner = &sc;
  sc.hooks.preprocessor_line = [&sc] { pp_dispatch_A02(sc); };
  sc.hooks.preprocessor_active = [&s] { return s.active == 1; };
  sc.hooks.preprocessor_if_open = [&s] { return !s.if_stack.empty(); };
  sc.hooks.expand_define = [&sc, &tree = s.tree](SymbolNode* n) {
    if (tree.env.record_define_references && n->define)
      n->define->references.emplace_back(tree.env.file_index, sc.line_number());
    return expand_define_A06(sc, n);
  };
  auto previous = sc.hooks.line_begin;
  sc.hooks.line_begin = [previous, &run = sc.run()] {
    define_expansion_line_begin(run);
    if (previous) previous();
  };
}

}  // namespace aq71
