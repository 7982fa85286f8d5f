// #define expansion of aq71 (see define_expansion.h).
#include "assembler/define_expansion.h"
#include "assembler/assembly.h"

#include <memory>
#include <string>
#include <vector>

#include "assembler/define_records.h"
#include "assembler/ident_tree.h"
#include "assembler/scanner.h"

namespace aq71 {

namespace {

struct ExpansionState;

// One body being read. When it runs dry its name may expand again.
class BodyReader : public InputReader {
 public:
  explicit BodyReader(ExpansionState& s) : state(s) {}
  ExpansionState& state;  // of the run the body is read in
  std::string text;
  std::size_t pos = 0;
  DefineRec* rec = nullptr;
  int params = 0;
  bool open = false;

  int read() override;
};

struct ExpansionState {
  std::vector<std::unique_ptr<BodyReader>> readers;  // reused
  std::vector<BodyReader*> levels;                   // open bodies, innermost last
  long line = -1;                                    // line of the last expansion
  long line_counter = 0;                             // lines begun so far
  int line_expansions = 0;
  int active_params = 0;  // arguments of the expansions under way
  int collecting = 0;     // nested argument collections
};

ExpansionState& state(Assembly& run) { return run.part<ExpansionState>(); }

void end_level(BodyReader* r) {
  ExpansionState& s = r->state;
  r->open = false;
  if (r->rec) r->rec->active = 0;
  for (std::size_t i = s.levels.size(); i-- > 0;)
    if (s.levels[i] == r) {
      s.levels.erase(s.levels.begin() + static_cast<long>(i));
      break;
    }
  if (s.levels.empty() && s.collecting == 0) s.active_params = 0;
}

int BodyReader::read() {
  if (pos < text.size()) return static_cast<unsigned char>(text[pos++]);
  if (open) end_level(this);
  return EXHAUSTED;
}

BodyReader* free_reader(ExpansionState& s) {
  for (auto& r : s.readers)
    if (!r->open) return r.get();
  s.readers.push_back(std::make_unique<BodyReader>(s));
  return s.readers.back().get();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// Stored form of an actual argument: no blanks at either end, inner blank runs (and block
// comments) one blank, quoted text unchanged.
std::string normalise_argument(const std::string& in) {
  std::string out;
  bool blank = false;
  for (std::size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '\0') break;
    if (is_space(c)) {
      blank = true;
      continue;
    }
    if (c == '/' && i + 1 < in.size() && in[i + 1] == '*') {
      std::size_t end = in.find("*/", i + 2);
      i = end == std::string::npos ? in.size() : end + 1;
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    if (c == '"' || c == '\'') {
      out += c;
      for (++i; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 1 < in.size()) {
          out += in[i];
          out += in[++i];
          continue;
        }
        out += in[i];
        if (in[i] == c) break;
      }
      continue;
    }
    out += c;
  }
  return out;
}

// Drops the name just read (and the character after it) from the argument being collected: the
// expansion takes its place.
void drop_name_from_record(Scanner& sc, std::size_t name_length) {
  std::string* rec = sc.recorder;
  if (!rec) return;
  std::size_t n = name_length + (sc.current_char() >= 0 ? 1 : 0);
  rec->resize(rec->size() > n ? rec->size() - n : 0);
}

// Makes the text the input; the character after the name comes back after it.
bool push_io_status_A06(Scanner& sc, DefineRec* rec, std::string text, int params, std::string_view name) {
  ExpansionState& s = state(sc.run());
  if (static_cast<int>(s.levels.size()) >= MAX_EXPANSION_DEPTH) {
    s.active_params -= params;
    if (s.active_params < 0) s.active_params = 0;
    rec->active = 0;
    report_error(sc.run(), 29, name, MAX_EXPANSION_DEPTH);
    return false;
  }
  BodyReader* r = free_reader(s);
  r->text = std::move(text);
  r->pos = 0;
  r->rec = rec;
  r->params = params;
  r->open = true;
  r->pushback.clear();
  s.levels.push_back(r);
  // The recorder holds the character after the name again, so that pushing it back takes it
  // off once more.
  if (sc.recorder && sc.current_char() >= 0) sc.recorder->push_back(static_cast<char>(sc.current_char()));
  if (sc.current_char() != -1) sc.unget_char_A05(sc.current_char());
  sc.redirect_input_A05(r);
  sc.getch();
  return true;
}

// Reads "(a, b, ...)" after the name. The arguments are read through the statement reader, so
// defined names in them are expanded before they are stored.
std::vector<std::string> collect_arguments(Scanner& sc, DefineRec* d, std::string_view name) {
  ExpansionState& s = state(sc.run());
  const int want = d->param_count;
  std::vector<std::string> args;
  if (sc.current_char() != '(') {
    // Nothing is consumed: the formals read empty arguments.
    report_error(sc.run(), 26, name);
    return std::vector<std::string>(static_cast<std::size_t>(want));
  }
  std::string record;
  std::string* outer = sc.recorder;
  sc.recorder = &record;
  ++s.collecting;
  struct Restore {
    Scanner& sc;
    std::string* outer;
    ExpansionState& s;
    ~Restore() {
      sc.recorder = outer;
      --s.collecting;
    }
  } restore{sc, outer, s};

  record.push_back('(');
  sc.next_token_A07();  // the '('
  record.erase(0, 1);
  if (want == 0) {
    if (sc.current_char() != ')') {
      report_error(sc.run(), 17, name);
      return args;
    }
    sc.next_token_A07();
    return args;
  }

  bool too_long_reported = false;
  bool failed = false;
  std::size_t start = 0;
  int depth = 1;
  auto tail = [&] { return sc.current_char() >= 0 ? std::size_t{1} : std::size_t{0}; };
  auto finish_argument = [&](std::size_t token_length) {
    std::size_t end = record.size() - tail() - token_length;
    std::string text = end > start ? record.substr(start, end - start) : std::string();
    if (text.size() > MAX_ARGUMENT_LENGTH) text.resize(MAX_ARGUMENT_LENGTH);
    start = record.size() - tail();
    if (static_cast<int>(args.size()) >= want) {
      report_error(sc.run(), 31, name);
      failed = true;
      return;
    }
    std::string stored = normalise_argument(text);
    if (stored.empty()) report_warning(sc.run(), 11, name);
    args.push_back(std::move(stored));
  };
  for (;;) {
    const Token& t = sc.next_token_A07();
    if (t.code == TOK_EOF) {
      report_error(sc.run(), 4);
      failed = true;
      break;
    }
    if (t.code == TOK_LPAREN) {
      ++depth;
    } else if (t.code == TOK_RPAREN) {
      if (--depth == 0) {
        finish_argument(1);
        break;
      }
    } else if (t.code == TOK_COMMA && depth == 1) {
      finish_argument(1);
      if (failed) break;
    } else if (t.code == TOK_HASH || t.code == TOK_PASTE) {
      report_warning(sc.run(), 7);
      std::size_t n = t.code == TOK_PASTE ? 2 : 1;
      std::size_t at = record.size() - tail();
      if (at >= start + n) record.erase(at - n, n);
    }
    if (!too_long_reported && record.size() - start > MAX_ARGUMENT_LENGTH + 1) {
      report_error(sc.run(), 30, {}, MAX_ARGUMENT_LENGTH);
      too_long_reported = true;
    }
  }
  if (static_cast<int>(args.size()) < want) {
    if (!failed) report_error(sc.run(), 32, name);
    std::string last = args.empty() ? std::string() : args.back();
    args.resize(static_cast<std::size_t>(want), last);
  }
  return args;
}

// The body with every formal marker replaced by its argument.
std::string substitute(const std::string& body, const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == FORMAL_MARK && i + 1 < body.size()) {
      std::size_t n = static_cast<unsigned char>(body[++i]);
      if (n >= 1 && n <= args.size()) out += args[n - 1];
      continue;
    }
    out += body[i];
  }
  return out;
}

}  // namespace

bool expand_define_A06(Scanner& sc, SymbolNode* node) {
  if (!node || !node->define) return false;
  ExpansionState& s = state(sc.run());
  DefineRec* d = node->define;
  const std::string name = node->name;

  // Per line only so many expansions: a pair of names defined in terms of each other stops.
  if (s.line != s.line_counter) {
    s.line = s.line_counter;
    s.line_expansions = 0;
  } else if (s.line_expansions++ > MAX_LINE_EXPANSIONS) {
    report_warning(sc.run(), 12, name);
    return false;
  }
  if (d->active != 0) {
    report_warning(sc.run(), 12, name);
    return false;
  }
  d->active = 1;
  drop_name_from_record(sc, sc.token().text.size());

  switch (d->param_count) {
    case DEFINE_OBJECT:
      return push_io_status_A06(sc, d, d->body, 0, name);
    case DEFINE_PREDEFINED:
      return push_io_status_A06(sc, d, d->value ? d->value() : std::string(), 0, name);
    default:
      break;
  }
  if (s.collecting >= MAX_COLLECTION_DEPTH) {
    d->active = 0;
    report_error(sc.run(), 28, name, MAX_COLLECTION_DEPTH);
    return false;
  }
  if (s.active_params + d->param_count >= MAX_ACTIVE_PARAMETERS) {
    d->active = 0;
    report_error(sc.run(), 27, name, MAX_ACTIVE_PARAMETERS);
    return false;
  }
  std::vector<std::string> args = collect_arguments(sc, d, name);
  s.active_params += d->param_count;
  return push_io_status_A06(sc, d, substitute(d->body, args), d->param_count, name);
}

void define_expansion_line_begin(Assembly& run) { ++state(run).line_counter; }

void reset_define_expansion(Assembly& run) {
  ExpansionState& s = state(run);
  for (BodyReader* r : s.levels) {
    r->open = false;
    if (r->rec) r->rec->active = 0;
  }
  s.levels.clear();
  s.active_params = 0;
  s.collecting = 0;
}

int define_expansion_depth(Assembly& run) { return static_cast<int>(state(run).levels.size()); }

}  // namespace aq71
