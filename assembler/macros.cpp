#include "assembler/macros.h"
#include "assembler/assembly.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <memory>

#include "assembler/conditional.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/repeat_blocks.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\r'; }
bool ident_first(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || c == '?' || c == '.';
}
bool ident_rest(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '?' || c == '$' || c == '.' || c == '@';
}

std::string trim_right(std::string s) {
  while (!s.empty() && blank(s.back())) s.pop_back();
  return s;
}

char formal_char(std::size_t index) {
  return index < 9 ? static_cast<char>('1' + index) : static_cast<char>('A' + (index - 9));
}

struct MacroState;

struct CallContext {
  MacroState* state = nullptr;  // of the run the call belongs to
  const MacroDef* def = nullptr;
  std::vector<std::string> actuals;
  std::size_t next_line = 0;
  int level = 0;
  int cond_depth = 0;
  bool ended = false;
  InputReader* reader = nullptr;  // the expansion reader of this call
};

class ExpansionReader;

// The macros of a run and the parts of the run they work with.
struct MacroState {
  explicit MacroState(Assembly& run)
      : run(run),
        conditional(conditional_assembly(run)),
        blocks(block_stack(run)),
        operators(macro_operators(run)),
        settings(aq71::settings(run)),
        tree(ident_tree(run)),
        reader(source_reader(run)) {
    // The conditional levels opened inside an expansion need to know that one is being read.
    conditional.macro_expansion_active = [this] { return !active.empty(); };
  }
  ~MacroState() { conditional.macro_expansion_active = nullptr; }
  std::deque<MacroDef> definitions;
  std::vector<CallContext*> active;  // innermost last
  std::vector<std::unique_ptr<ExpansionReader>> readers;
  std::vector<ExpansionReader*> idle;  // readers whose call has ended, for the next calls
  Assembly& run;
  ConditionalAssembly& conditional;
  BlockStack& blocks;
  MacroOperators& operators;
  RunSettings& settings;
  IdentTree& tree;
  SourceReader& reader;
};

// Builds one expanded line from a recorded one into `out` (cleared first; its room is reused).
void expand_line(const CallContext& ctx, const std::string& text, std::string& out) {
  out.clear();
  bool operators = ctx.def->operator_mode;
  MacroState& state = *ctx.state;
  if (operators) state.operators.enable();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      // The run up to the next backslash goes over as it stands.
      std::size_t next = text.find('\\', i);
      if (next == std::string::npos) next = text.size();
      out.append(text, i, next - i);
      i = next - 1;
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] == '\n') {
      std::string name = "\\";
      user_error_A01(state.run, 95, {.text = name});
      continue;
    }
    char d = text[++i];
    if (d == '\\') {
      out += "\\\\";
      continue;
    }
    if (operators) {
      std::size_t pos = i + 1;
      state.operators.interpret(d, text, pos, ctx.actuals, !state.conditional.skipping(), out);
      i = pos - 1;
      continue;
    }
    int index = -1;
    if (d >= '1' && d <= '9') index = d - '1';
    if (d >= 'A' && d <= 'Z') index = 9 + (d - 'A');
    if (index < 0) {
      std::string name{'\\', d};
      user_error_A01(state.run, 95, {.text = name});
      continue;
    }
    if (static_cast<std::size_t>(index) < ctx.actuals.size()) out += ctx.actuals[static_cast<std::size_t>(index)];
  }
  if (out.size() > kExpandedLineLimit) {
    user_error_A01(state.run, 20, {.number = static_cast<long>(kExpandedLineLimit)});
    bool lf = out.back() == '\n';
    out.resize(kExpandedLineLimit - 1);
    if (lf) out += '\n';
  }
}

// True when expanding a recorded line (see expand_line) has no effect but its text.
bool plain_line(const std::string& text, bool operator_mode) {
  std::size_t parameters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    if (operator_mode || i + 1 >= text.size()) return false;
    char d = text[++i];
    if (d == '\\') continue;
    if (!((d >= '1' && d <= '9') || (d >= 'A' && d <= 'Z'))) return false;
    ++parameters;
  }
  // The actuals of a call hold at most kMacroTextFill characters together.
  return text.size() + 1 + parameters * kMacroTextFill <= kExpandedLineLimit;
}

// The input of one call: its expanded lines one after the other.
class ExpansionReader : public InputReader {
 public:
  explicit ExpansionReader(std::unique_ptr<CallContext> c) : ctx(std::move(c)) {
    buffered_text = &text_;
    buffered_pos = &pos_;
  }
  ExpansionReader(const ExpansionReader&) = delete;
  ExpansionReader& operator=(const ExpansionReader&) = delete;
  // The reader of a new call, its context cleared.
  void restart() {
    std::vector<std::string> actuals = std::move(ctx->actuals);
    *ctx = CallContext{};
    ctx->actuals = std::move(actuals);
    ctx->reader = this;
    text_.clear();
    pos_ = 0;
    pushback.clear();
  }
  int read() override {
    while (pos_ >= text_.size()) {
      if (ctx->next_line >= ctx->def->lines.size()) {
        if (!ctx->ended) {
          // The line holding ENDM was skipped as part of a false branch.
          if (!ctx->state->conditional.skipping()) user_error_A01(ctx->state->run, 57);
          fatal_exit_A01(ctx->state->run);
        }
        // Read to its end and taken off the input: the next call may use it.
        ctx->state->idle.push_back(this);
        return EXHAUSTED;
      }
      next_expanded_line();
      pos_ = 0;
    }
    return static_cast<unsigned char>(text_[pos_++]);
  }
  const std::string* generated_line() const override { return text_.empty() ? nullptr : &text_; }
  bool peek_recorded_line(RecordedLine& line) override {
    if (pos_ < text_.size() || ctx->next_line >= ctx->def->lines.size()) return false;
    const MacroLine& l = ctx->def->lines[ctx->next_line];
    if (!l.plain) return false;
    line.text = l.text;
    if (!line.text.empty() && line.text.back() == '\n') line.text.remove_suffix(1);
    line.skip_class = &l.skip_class;
    return true;
  }
  void pass_recorded_line() override {
    ++ctx->next_line;
    text_.clear();
    pos_ = 0;
  }
  std::string expand_recorded_line() override {
    next_expanded_line();
    pos_ = text_.size();
    std::string line = text_;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
  }
  std::unique_ptr<CallContext> ctx;

 private:
  // Expands the next recorded line into text_. The line read so far stays text_ while the
  // expansion runs (its errors are reported against it); both buffers keep their room.
  void next_expanded_line() {
    expand_line(*ctx, ctx->def->lines[ctx->next_line++].text, scratch_);
    text_.swap(scratch_);
  }
  std::string text_;
  std::string scratch_;
  std::size_t pos_ = 0;
};

MacroState& ms(Assembly& run) { return run.part<MacroState>(); }

void give_value(Assembly& run, SymbolNode* node, long value) {
  LabelRec* l = node && node->def ? node->def->label : nullptr;
  if (!l) internal_error_A01(run, "create_args_symbol", "no local label", 0, 0);
  l->flags &= ~LABEL_NOT_PLACED;
  l->flags |= LABEL_DEFINED;
  l->segment_number = SEG_ASEG;
  l->segment_kind = static_cast<std::uint16_t>(SegmentKind::Absolute);
  assign_label_number(run, *l, static_cast<std::int32_t>(value));
}

// Turns a node into the macro's name; false when it may not become one (error 34 reported).
bool name_macro(Assembly& run, IdentTree& tree, SymbolNode* node, MacroDef* def) {
  if (!node) return false;
  for (SymbolNode* n = tree.find_exact(node->name); n; n = n->next)
    if (n->def && n->def->kind == KIND_MACRO) {
      user_error_A01(run, 34, {.text = node->name});
      // The label meaning entered for this line would hide the macro from later calls:
      // the old macro stays the one that expands.
      if (node != n && node->def && node->def->kind == KIND_LABEL) {
        LabelRec* l = node->def->label;
        const std::uint32_t used = LABEL_PUBLIC | LABEL_EXTERN | LABEL_ON_LINE;
        if (l && !(l->flags & used) && node->def->references().empty()) {
          tree.remove_pending_label(node);
          tree.remove_node(node);
        }
      }
      return false;
    }
  SymbolNode* target = node;
  if (node->def && node->def->kind == KIND_LABEL) {
    LabelRec* l = node->def->label;
    if (l && (l->flags & (LABEL_PUBLIC | LABEL_EXTERN | LABEL_ON_LINE))) {
      user_error_A01(run, 34, {.text = node->name});
      return false;
    }
    node->def->kind = KIND_MACRO;
    // The name was entered as a label of the line: it is no debug symbol.
    tree.remove_pending_label(node);
  } else if (node->def) {
    target = tree.add_meaning(node, KIND_MACRO);
    if (!target) {
      user_error_A01(run, 34, {.text = node->name});
      return false;
    }
  } else {
    target = tree.add_meaning(node, KIND_MACRO);
  }
  target->def->object = def;
  return true;
}

}  // namespace

// ---- pure helpers ------------------------------------------------------------------------------

bool split_actuals(Assembly& run, const std::string& text, char open, char close, std::vector<std::string>& actuals) {
  actuals.clear();
  std::string cur;
  std::size_t used = 0;
  bool any = false;
  std::size_t i = 0;
  auto add = [&](char c) {
    if (used >= kMacroTextFill) {
      if (used == kMacroTextFill) user_error_A01(run, 20, {.number = static_cast<long>(kMacroTextLimit)});
      ++used;
      return;
    }
    ++used;
    cur += c;
  };
  auto finish = [&] {
    actuals.push_back(trim_right(cur));
    cur.clear();
    ++used;  // its terminating zero
  };
  while (i < text.size() && blank(text[i])) ++i;
  bool at_start = true;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\n') break;
    if (at_start && blank(c)) continue;
    if (at_start && c == open) {
      any = true;
      int nest = 1;
      ++i;
      for (; i < text.size() && text[i] != '\n'; ++i) {
        if (text[i] == open && open != close) ++nest;
        if (text[i] == close && --nest == 0) break;
        add(text[i]);
      }
      if (i >= text.size() || text[i] == '\n') {
        user_error_A01(run, 38);
        break;
      }
      ++i;
      while (i < text.size() && blank(text[i])) ++i;
      at_start = false;
      if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != ';') {
        user_error_A01(run, 0);
        while (i < text.size() && text[i] != ',') ++i;
      }
      if (i >= text.size() || text[i] != ',') break;
      finish();
      at_start = true;
      continue;
    }
    if (c == ';' || (c == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*'))) break;
    any = true;
    at_start = false;
    if (c == '"' || c == '\'') {
      // A literal is copied whole: its commas and semicolons belong to it.
      add(c);
      for (++i; i < text.size() && text[i] != '\n'; ++i) {
        add(text[i]);
        if (text[i] == c) break;
      }
      if (i >= text.size() || text[i] == '\n') break;
      continue;
    }
    if (c == ',') {
      finish();
      at_start = true;
      continue;
    }
    add(c);
  }
  if (any || !actuals.empty()) finish();
  return actuals.size() <= static_cast<std::size_t>(kMacroActualLimit);
}

std::string replace_formals(const std::string& line, const std::vector<std::string>& formals, bool case_sensitive) {
  std::string out;
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ';') {
      out.append(line, i, std::string::npos);
      break;
    }
    if (c == '"' || c == '\'') {
      std::size_t e = line.find(c, i + 1);
      std::size_t end = e == std::string::npos ? line.size() : e + 1;
      out.append(line, i, end - i);
      i = end;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t s = i;
      while (i < line.size() && ident_rest(line[i])) ++i;
      out.append(line, s, i - s);
      continue;
    }
    if (!ident_first(c)) {
      out += c;
      ++i;
      continue;
    }
    std::size_t s = i;
    while (i < line.size() && ident_rest(line[i])) ++i;
    std::string word = line.substr(s, i - s);
    std::size_t found = formals.size();
    for (std::size_t f = 0; f < formals.size() && f < 35; ++f) {
      if (formals[f].empty()) continue;
      if (case_sensitive ? formals[f] == word : upper_ascii(formals[f]) == upper_ascii(word)) {
        found = f;
        break;
      }
    }
    if (found < formals.size() && found < 35) {
      out += '\\';
      out += formal_char(found);
    } else {
      out += word;
    }
  }
  return out;
}

// ---- operator language -------------------------------------------------------------------------

MacroOperators& macro_operators(Assembly& run) { return run.part<MacroOperators>(); }

void MacroOperators::reset() {
  sp_ = -1;
  counter_ = 0;
  enabled_ = true;
}

bool MacroOperators::push(std::int32_t v) {
  if (sp_ >= 99) {
    user_error_A01(run_, 93);
    return false;
  }
  stack_[++sp_] = v;
  return true;
}

bool MacroOperators::need(int n) {
  if (sp_ + 1 >= n) return true;
  user_error_A01(run_, sp_ < 0 ? 92 : 94);
  return false;
}

namespace {
std::int32_t wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }
}  // namespace

void MacroOperators::interpret(char op, const std::string& text, std::size_t& pos,
                               const std::vector<std::string>& actuals, bool assembling, std::string& out) {
  if (!enabled_) {
    out += '\\';
    out += op;
    return;
  }
  auto number = [&](std::int32_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04ld", static_cast<long>(v));
    out += buf;
  };
  auto result_top = [&] {
    if (sp_ >= 0) number(stack_[sp_]);
  };
  auto index_ok = [&](std::int64_t index) {
    if (index < 0) {
      user_error_A01(run_, 92);
      return false;
    }
    if (index >= 100) {
      user_error_A01(run_, 93);
      return false;
    }
    return true;
  };
  char u = static_cast<char>(std::toupper(static_cast<unsigned char>(op)));
  switch (u) {
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': {
      std::size_t n = static_cast<std::size_t>(op - '0');
      if (n < actuals.size()) out += actuals[n];
      return;
    }
    case 'L': {
      std::int64_t v = 0;
      while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        v = (v * 10 + (text[pos++] - '0')) & 0xFFFFFFFF;
      if (pos < text.size() && text[pos] == '.') ++pos;
      push(wrap(v));
      return;
    }
    case 'U':
      if (need(1) && push(stack_[sp_])) result_top();
      return;
    case 'O':
      if (need(1)) {
        --sp_;
        result_top();
      }
      return;
    case '<':
      if (need(1)) {
        result_top();
        --sp_;
      }
      return;
    case '.':
      if (need(1)) result_top();
      return;
    case 'A':
      if (sp_ < 1) {
        user_error_A01(run_, 94);
        return;
      }
      std::swap(stack_[sp_], stack_[sp_ - 1]);
      result_top();
      return;
    case '+':
    case '-':
    case '*':
    case '/': {
      if (!need(2)) return;
      std::int64_t top = stack_[sp_], second = stack_[sp_ - 1];
      std::int64_t r = 0;
      if (u == '+') r = second + top;
      if (u == '-') r = top - second;
      if (u == '*') r = second * top;
      if (u == '/') r = second == 0 ? 0 : top / second;  // no result is defined for a zero divisor
      stack_[sp_ - 1] = wrap(r);
      --sp_;
      result_top();
      return;
    }
    case 'N':
      if (need(1)) {
        stack_[sp_] = wrap(-static_cast<std::int64_t>(stack_[sp_]));
        result_top();
      }
      return;
    case 'I':
    case 'D':
      if (need(1)) {
        stack_[sp_] = wrap(static_cast<std::int64_t>(stack_[sp_]) + (u == 'I' ? 1 : -1));
        result_top();
      }
      return;
    case '$':
      if (push(sp_ + 1)) result_top();
      return;
    case '=': {
      if (!need(1)) return;
      std::int64_t n = stack_[sp_];
      if (n > 100) {
        user_error_A01(run_, 93);
        n = 100;
      } else if (n < 1) {
        user_error_A01(run_, 92);
        n = 1;
      }
      sp_ = static_cast<int>(n) - 1;
      number(static_cast<std::int32_t>(n));
      return;
    }
    case 'R': {
      if (!need(1)) return;
      std::int64_t index = sp_ + static_cast<std::int64_t>(stack_[sp_]);
      if (!index_ok(index)) return;
      stack_[sp_] = stack_[index];
      result_top();
      return;
    }
    case 'S': {
      if (!need(2)) return;
      std::int32_t value = stack_[sp_--];
      std::int64_t index = sp_ + static_cast<std::int64_t>(stack_[sp_]);
      if (!index_ok(index)) return;
      stack_[index] = value;
      --sp_;
      number(value);
      return;
    }
    case '?':
      if (push(static_cast<std::int32_t>(actuals.size()))) result_top();
      return;
    case '@':
      if (push(counter_)) {
        result_top();
        counter_ = wrap(static_cast<std::int64_t>(counter_) + 1);
      }
      return;
    case '%':
      if (need(1)) {
        std::int32_t n = stack_[sp_];
        stack_[sp_] = n >= 0 && static_cast<std::size_t>(n) < actuals.size()
                          ? static_cast<std::int32_t>(actuals[static_cast<std::size_t>(n)].size())
                          : 0;
        result_top();
      }
      return;
    case '"': {
      if (sp_ < 2) {
        user_error_A01(run_, 94);
        return;
      }
      std::int32_t n = stack_[sp_], first = stack_[sp_ - 1], last = stack_[sp_ - 2];
      sp_ -= 3;
      if (n < 0 || static_cast<std::size_t>(n) >= actuals.size()) {
        user_error_A01(run_, 94);
        return;
      }
      const std::string& a = actuals[static_cast<std::size_t>(n)];
      long len = static_cast<long>(a.size());
      // Only positions inside the actual give characters: far-off bounds cost nothing.
      if (last >= first) {
        for (long p = std::max<long>(first, 1); p <= std::min<long>(last, len); ++p)
          out += a[static_cast<std::size_t>(p - 1)];
      } else {
        for (long p = std::min<long>(first, len); p >= std::max<long>(last, 1); --p)
          out += a[static_cast<std::size_t>(p - 1)];
      }
      return;
    }
    case 'F':
    case 'T':
      if ((u == 'F') == assembling) {
        enabled_ = false;
        out += '\\';
        out += op;
      }
      return;
    default:
      return;
  }
}

// ---- definition --------------------------------------------------------------------------------

const MacroDef* macro_definition(const SymbolNode* node) {
  if (!node || !node->def || node->def->kind != KIND_MACRO) return nullptr;
  return static_cast<const MacroDef*>(node->def->object);
}

void directive_macro(Scanner& sc, SymbolNode* label) {
  MacroState& state = ms(sc.run());
  IdentTree& tree = state.tree;
  open_statement(sc.run(), StatementKind::Nothing);
  state.blocks.push(OPEN_MACRO, state.reader.line_number());
  MacroDef& def = state.definitions.emplace_back();
  std::vector<std::string> formals;
  bool named = false;
  if (label) {
    def.name = label->name;
    named = name_macro(sc.run(), tree, label, &def);
    std::string rest;
    if (sc.current_char() == '\n' || sc.current_char() == -1)
      sc.skip_rest_of_line_quiet();
    else
      rest = sc.read_rest_of_line(kMacroTextLimit);
    // Formals: identifiers separated by commas; an empty position keeps its slot.
    std::size_t semi = rest.find(';');
    if (semi != std::string::npos) rest.resize(semi);
    std::size_t i = 0;
    bool trailing = false;
    while (i < rest.size()) {
      while (i < rest.size() && blank(rest[i])) ++i;
      if (i >= rest.size()) break;
      std::string name;
      if (ident_first(rest[i])) {
        std::size_t s = i;
        while (i < rest.size() && ident_rest(rest[i])) ++i;
        name = rest.substr(s, i - s);
      }
      while (i < rest.size() && blank(rest[i])) ++i;
      if (i < rest.size() && rest[i] != ',') {
        user_error_A01(sc.run(), 36);
        break;
      }
      formals.push_back(name);
      if (formals.size() > static_cast<std::size_t>(kMacroFormalLimit)) {
        user_error_A01(sc.run(), 21, {.number = kMacroFormalLimit});
        fatal_exit_A01(sc.run());
      }
      trailing = i < rest.size();
      if (trailing) ++i;
    }
    if (trailing) formals.emplace_back();
  } else {
    def.operator_mode = true;
    bool saved = sc.lookup_only;
    sc.lookup_only = true;
    // The name is read raw: an existing macro of that name must not start a call here.
    sc.next_raw_token();
    while (sc.token().code == TOK_BLANK) sc.next_raw_token();
    sc.lookup_only = saved;
    if (sc.token().code == TOK_IDENT) {
      def.name = sc.token().text;
      SymbolNode* node = sc.token().node;
      if (!node) node = tree.enter(def.name, false, false).node;
      named = name_macro(sc.run(), tree, node, &def);
    } else {
      user_error_A01(sc.run(), 35);
    }
    if (sc.token().code != TOK_EOL) sc.skip_rest_of_line_quiet();
  }
  (void)named;

  for (;;) {
    long line_no = state.reader.line_number() + 1;
    std::string line = sc.read_rest_of_line(kMacroTextLimit);
    if (sc.current_char() == -1) {
      state.blocks.pop(OPEN_MACRO);
      return;
    }
    if (line.size() > kMacroTextFill) {
      user_error_A01(sc.run(), 20, {.number = static_cast<long>(kMacroTextLimit)});
      line.resize(kMacroTextFill);
    }
    auto words = statement_words(line);
    open_line_statement(sc.run(), StatementKind::Comment).macro_definition_line = true;
    std::string text = def.operator_mode ? line : replace_formals(line, formals, tree.case_sensitive);
    def.lines.push_back({text + '\n', line_no, state.reader.file_name(), plain_line(text, def.operator_mode)});
    bool endm = false;
    for (SymbolNode* n : tree.block_names(BLOCK_ENDM))
      endm = endm || upper_ascii(n->name) == words.first || upper_ascii(n->name) == words.second;
    if (endm) break;
  }
  state.blocks.pop(OPEN_MACRO);
  if (state.settings.macro_debug) {
    std::printf("%s\n%*s\n%s\nData stored during macro recording:\n", std::string(78, '-').c_str(),
                static_cast<int>(38 + def.name.size() / 2), def.name.c_str(), std::string(78, '-').c_str());
    for (const auto& l : def.lines) std::fputs(l.text.c_str(), stdout);
  }
}

// ---- calls -------------------------------------------------------------------------------------

std::size_t unclosed_block_comment(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      std::size_t end = text.find(c, i + 1);
      if (end == std::string::npos) return std::string::npos;
      i = end;
    } else if (c == ';' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
      return std::string::npos;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      std::size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) return i;
      i = end + 1;
    }
  }
  return std::string::npos;
}

int macro_level(Assembly& run) { return static_cast<int>(ms(run).active.size()); }

void reset_macros(Assembly& run) {
  MacroState& state = ms(run);
  state.active.clear();
  state.idle.clear();
  state.readers.clear();
  state.operators.reset();
}

void macro_call_A10(Scanner& sc, SymbolNode* node) {
  MacroState& state = ms(sc.run());
  const MacroDef* def = macro_definition(node);
  if (!def) internal_error_A01(sc.run(), "macro_call_A10", "no macro", 0, 0);
  const int level = static_cast<int>(state.active.size());
  if (level + 1 >= kMacroNestingLimit) {
    user_error_A01(sc.run(), 29, {.number = kMacroNestingLimit});
    fatal_exit_A01(sc.run());
  }
  // The rest of the call line holds the actuals.
  std::string text;
  for (int c = sc.current_char(); c != '\n' && c != -1; c = sc.getch()) text += static_cast<char>(c);
  if (sc.current_char() == '\n') sc.skip_rest_of_line_quiet();
  // A block comment that runs past the line end: its lines belong to the comment and the
  // actuals go on after its close.
  for (std::size_t open = unclosed_block_comment(text); open != std::string::npos;
       open = unclosed_block_comment(text)) {
    std::string tail;
    std::size_t close = std::string::npos;
    while (close == std::string::npos && sc.current_char() != -1) {
      tail = sc.read_rest_of_line(kMacroTextLimit);
      close = tail.find("*/");
    }
    text.resize(open);
    if (close == std::string::npos) break;
    text += ' ';
    text += tail.substr(close + 2);
  }
  ExpansionReader* reader = nullptr;
  if (!state.idle.empty()) {
    reader = state.idle.back();
    state.idle.pop_back();
    reader->restart();
  } else {
    state.readers.push_back(std::make_unique<ExpansionReader>(std::make_unique<CallContext>()));
    reader = state.readers.back().get();
    reader->ctx->reader = reader;
  }
  CallContext* c = reader->ctx.get();
  c->state = &state;
  c->def = def;
  if (!split_actuals(sc.run(), text, state.settings.macro_quote_open, state.settings.macro_quote_close, c->actuals))
    internal_error_A01(sc.run(), "actuals_scan", "Too many actuals", 0, 0);
  c->cond_depth = state.conditional.depth();
  c->level = level + 1;
  state.active.push_back(c);
  sc.redirect_input_A05(reader);
  give_value(sc.run(), state.tree.declare_local("_args", c->level, false), static_cast<long>(c->actuals.size()));
  if (state.settings.macro_debug) {
    std::printf("%s\n%s\n%s\nArguments:\n", std::string(78, '+').c_str(), def->name.c_str(),
                std::string(78, '+').c_str());
    for (const auto& a : c->actuals) std::printf("%s\n", a.c_str());
    std::printf("Data to be expanded:\n");
    for (const auto& l : def->lines) std::fputs(l.text.c_str(), stdout);
    std::printf("\nExpanding macro:\n");
  }
}

void directive_endm(Scanner& sc, SymbolNode* label) {
  (void)label;
  MacroState& state = ms(sc.run());
  open_statement(sc.run(), StatementKind::Nothing);
  if (state.active.empty()) {
    user_error_A01(sc.run(), 37);
    fatal_exit_A01(sc.run());
  }
  CallContext* c = state.active.back();
  if (state.conditional.depth() != c->cond_depth) {
    user_error_A01(sc.run(), 57);
    fatal_exit_A01(sc.run());
  }
  c->ended = true;
  sc.next_token_A07();
  end_of_statement(sc);
  if (state.settings.macro_debug) {
    std::string end = "End of '" + c->def->name + "'";
    std::printf("%s\n%*s\n%s\n", std::string(78, '+').c_str(), static_cast<int>(39 + end.size() / 2), end.c_str(),
                std::string(78, '+').c_str());
  }
  state.tree.end_local_level(c->level);
  c->next_line = c->def->lines.size();
  state.active.pop_back();
}

void directive_exitm(Scanner& sc, SymbolNode* label) {
  Statement& st = open_statement(sc.run(), StatementKind::Nothing);
  attach_label(sc.run(), st, label);
  MacroState& state = ms(sc.run());
  if (state.active.empty()) {
    user_error_A01(sc.run(), 37);
    if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
    return;
  }
  CallContext* c = state.active.back();
  // IF levels opened by this expansion end with it.
  state.conditional.close_to_depth(c->cond_depth);
  if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
  // Repeat blocks and pushed texts of this expansion end here as well.
  while (sc.current_reader() != c->reader && sc.input_depth() > 1) sc.pop_input();
  if (!c->def->lines.empty()) c->next_line = c->def->lines.size() - 1;
}

void directive_local(Scanner& sc, SymbolNode* label) {
  MacroState& state = ms(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::Nothing);
  attach_label(sc.run(), st, label);
  bool saved = sc.lookup_only;
  int saved_mode = sc.lookup_mode();
  sc.lookup_only = true;
  sc.set_lookup_mode(MODE_SYMBOL_LIST);
  for (;;) {
    next_nonblank(sc);
    if (sc.token().code != TOK_IDENT) {
      user_error_A01(sc.run(), 0);
      break;
    }
    std::string name = sc.token().text;
    if (state.active.empty()) {
      user_error_A01(sc.run(), 77, {.text = name});
      break;
    }
    state.tree.declare_local(name, state.active.back()->level);
    next_nonblank(sc);
    if (sc.token().code != TOK_COMMA) break;
  }
  sc.lookup_only = saved;
  sc.set_lookup_mode(saved_mode);
  int code = sc.token().code;
  if (code != TOK_EOL && code != TOK_EOF && code != TOK_SEMICOLON) {
    if (!state.active.empty()) user_error_A01(sc.run(), 0);
  }
  if (code != TOK_EOL && code != TOK_EOF) sc.skip_rest_of_line();
}

}  // namespace aq71
