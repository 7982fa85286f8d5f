#include "assembler/repeat_blocks.h"
#include "assembler/assembly.h"

#include <cctype>
#include <memory>

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_grammar.h"
#include "assembler/scanner.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"

namespace aq71 {

// ---- block stack -------------------------------------------------------------------------------

void BlockStack::reset() {
  nodes_.clear();
  nodes_.push_back(Node{});
}

void BlockStack::push(int kind, long line, bool fresh) {
  if (fresh || nodes_.size() == 1)
    nodes_.push_back({kind, line});
  else
    nodes_.back() = {kind, line};
}

int BlockStack::pop(int expected) {
  int open = nodes_.back().kind;
  if (open != expected) {
    static const int kNoneOpen[] = {0, 37, 68, 59, 82};
    static const int kByOpen[] = {0, 78, 79, 80, 81};
    int e = expected >= 1 && expected <= 4 ? expected : 1;
    user_error_A01(run_, open == OPEN_NONE ? kNoneOpen[e] : kByOpen[open >= 1 && open <= 4 ? open : 1]);
  }
  if (nodes_.size() > 1) nodes_.pop_back();
  return nodes_.back().kind;
}

std::optional<std::pair<const char*, long>> BlockStack::origin() const {
  const Node& n = nodes_.back();
  switch (n.kind) {
    case OPEN_MACRO:
      return std::make_pair(ORIGIN_MACRO, n.line);
    case OPEN_REPEAT:
      return std::make_pair(ORIGIN_REPEAT, n.line);
    case OPEN_CONDITIONAL:
      return std::make_pair(ORIGIN_CONDITIONAL, n.line);
    case OPEN_STRUCTURED:
      return std::make_pair(ORIGIN_STRUCTURED, n.line);
    default:
      return std::nullopt;
  }
}

BlockStack& block_stack(Assembly& run) { return run.part<BlockStack>(); }

// ---- headers -----------------------------------------------------------------------------------

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\r'; }

std::string trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && blank(s[a])) ++a;
  while (b > a && blank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

bool word_char(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '?' || c == '$' || c == '.' || c == '@';
}

}  // namespace

std::vector<std::string> split_repti_header(const std::string& text) {
  std::vector<std::string> items;
  std::string cur;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      items.push_back(trim(cur));
      cur.clear();
      continue;
    }
    if (c == ';' && !quoted) break;
    cur += c;
  }
  items.push_back(trim(cur));
  return items;
}

bool split_reptc_header(const std::string& text, std::string& formal, std::vector<std::string>& values,
                        bool& missing_quote) {
  missing_quote = false;
  values.clear();
  std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  formal = trim(text.substr(0, comma));
  std::string rest = text.substr(comma + 1);
  std::string chars;
  std::size_t q = rest.find('"');
  if (q != std::string::npos) {
    std::size_t e = rest.find('"', q + 1);
    if (e == std::string::npos) {
      missing_quote = true;
      chars = rest.substr(q + 1);
    } else {
      chars = rest.substr(q + 1, e - q - 1);
    }
  } else {
    std::size_t semi = rest.find(';');
    chars = trim(rest.substr(0, semi));
  }
  for (char c : chars) values.emplace_back(1, c);
  return !formal.empty() && !values.empty();
}

std::string replace_formal(const std::string& line, const std::string& formal, const std::string& value) {
  if (formal.empty()) return line;
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t f = line.find(formal, pos);
    if (f == std::string::npos) break;
    out.append(line, pos, f - pos);
    out += value;
    pos = f + formal.size();
  }
  out.append(line, pos, std::string::npos);
  return out;
}

// Upper-cased words of the label field (when the line starts with one) and of the operation
// field; a comment ends the search.
std::pair<std::string, std::string> statement_words(const std::string& line) {
  std::pair<std::string, std::string> w;
  std::size_t i = 0;
  auto take = [&](std::string& out) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i < line.size() && (line[i] == ';' || line[i] == '*')) {
      i = line.size();
      return;
    }
    std::size_t s = i;
    while (i < line.size() && word_char(line[i])) ++i;
    out = upper_ascii(std::string_view(line).substr(s, i - s));
    if (i < line.size() && line[i] == ':') ++i;
    if (i < line.size() && !blank(line[i])) {
      // Not a plain word: no directive can follow in this field.
      if (out.empty()) i = line.size();
    }
  };
  if (!line.empty() && !blank(line[0])) take(w.first);
  take(w.second);
  return w;
}

namespace {

// ---- recording and play-back -------------------------------------------------------------------

struct RepeatBody {
  int mode = 3;
  long count = 0;
  std::string formal;
  std::vector<std::string> values;
  std::vector<std::string> lines;
};

class RepeatReader : public InputReader {
 public:
  RepeatBody body;
  explicit RepeatReader(RepeatBody b) : body(std::move(b)) {
    buffered_text = &text_;
    buffered_pos = &pos_;
  }
  RepeatReader(const RepeatReader&) = delete;
  RepeatReader& operator=(const RepeatReader&) = delete;
  int read() override {
    while (pos_ >= text_.size()) {
      if (!next_line()) return EXHAUSTED;
    }
    return static_cast<unsigned char>(text_[pos_++]);
  }
  const std::string* generated_line() const override { return text_.empty() ? nullptr : &text_; }

 private:
  bool next_line() {
    if (body.lines.empty()) return false;
    if (line_ >= body.lines.size()) {
      line_ = 0;
      if (++iteration_ >= body.count) return false;
    }
    const std::string& raw = body.lines[line_++];
    if (body.mode == 3)
      text_ = raw;
    else
      text_ = replace_formal(raw, body.formal, body.values[static_cast<std::size_t>(iteration_)]);
    text_ += '\n';
    pos_ = 0;
    return true;
  }
  std::string text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 0;
  long iteration_ = 0;
};

struct RepeatState {
  explicit RepeatState(Assembly& run) : blocks(block_stack(run)), tree(ident_tree(run)) {}
  int recording = 0;
  std::vector<std::unique_ptr<RepeatReader>> readers;
  BlockStack& blocks;
  IdentTree& tree;
};

RepeatState& rs(Assembly& run) { return run.part<RepeatState>(); }

bool is_name(const IdentTree& tree, const std::string& word, int block) {
  for (SymbolNode* n : tree.block_names(block))
    if (upper_ascii(n->name) == word) return true;
  return false;
}

bool is_directive_word(const IdentTree& tree, const std::pair<std::string, std::string>& w, int block) {
  return (!w.first.empty() && is_name(tree, w.first, block)) || (!w.second.empty() && is_name(tree, w.second, block));
}

// Reads the body up to the matching ENDR. Returns false when the block ended otherwise.
bool record_body(Scanner& sc, RepeatState& state, RepeatBody& body) {
  BlockStack& blocks = state.blocks;
  auto is_directive = [&state](const std::pair<std::string, std::string>& w, int block) {
    return is_directive_word(state.tree, w, block);
  };
  int nested = 0;
  for (;;) {
    std::string line = sc.read_rest_of_line(kRepeatLineLimit);
    if (sc.current_char() == -1) return false;
    auto w = statement_words(line);
    if (is_directive(w, BLOCK_END)) {
      user_error_A01(sc.run(), 75);
      for (; nested >= 0; --nested) blocks.pop(OPEN_REPEAT);
      // The module ends at this line all the same.
      sc.push_input_string_A05(line, false, true, sc.listing_flags);
      return false;
    }
    if (is_directive(w, BLOCK_ENDM)) {
      user_error_A01(sc.run(), 79);
      fatal_exit_A01(sc.run());
    }
    if (is_directive(w, BLOCK_ENDR)) {
      blocks.pop(OPEN_REPEAT);
      if (nested == 0) return true;
      --nested;
    } else if (is_directive(w, BLOCK_REPT) || is_directive(w, BLOCK_REPTI) || is_directive(w, BLOCK_REPTC)) {
      ++nested;
      blocks.push(OPEN_REPEAT, sc.line_number());
    }
    body.lines.push_back(std::move(line));
  }
}

}  // namespace

void directive_rept(Scanner& sc, SymbolNode* label, int mode) {
  Statement& st = open_statement(sc.run(), StatementKind::Nothing);
  attach_label(sc.run(), st, label);
  RepeatState& state = rs(sc.run());
  state.blocks.push(OPEN_REPEAT, sc.line_number());
  RepeatBody body;
  body.mode = mode;
  if (mode == 3) {
    bool ok = false;
    next_nonblank(sc);
    std::int32_t n = parse_absolute_expression_A08(sc, false, true, &ok);
    if (n < 0) {
      user_error_A01(sc.run(), 74);
      n = 0;
    }
    body.count = ok ? n : 0;
    if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
  } else {
    std::string header;
    if (sc.current_char() == '\n' || sc.current_char() == -1)
      sc.skip_rest_of_line_quiet();
    else
      header = sc.read_rest_of_line(kRepeatLineLimit);
    if (mode == 2) {
      auto items = split_repti_header(trim(header));
      body.formal = items.front();
      body.values.assign(items.begin() + 1, items.end());
      if (body.values.empty() || body.formal.empty()) {
        user_error_A01(sc.run(), 0);
        body.values.clear();
      }
    } else {
      bool missing_quote = false;
      bool ok = split_reptc_header(header, body.formal, body.values, missing_quote);
      if (missing_quote) user_error_A01(sc.run(), 13);
      if (!ok && !missing_quote) user_error_A01(sc.run(), 0);
      if (!ok) body.values.clear();
    }
    body.count = static_cast<long>(body.values.size());
  }
  ++state.recording;
  bool complete = false;
  try {
    complete = record_body(sc, state, body);
  } catch (...) {
    --state.recording;
    throw;
  }
  --state.recording;
  if (!complete || body.count <= 0 || body.lines.empty()) return;
  // Readers the scanner has let go of (played to the end, or left by EXITM) are freed here, so
  // that the list holds no more than the blocks still playing.
  std::erase_if(state.readers, [&sc](const std::unique_ptr<RepeatReader>& r) { return !sc.reads_from(r.get()); });
  auto reader = std::make_unique<RepeatReader>(std::move(body));
  sc.redirect_input_A05(reader.get());
  state.readers.push_back(std::move(reader));
}

void directive_endr(Scanner& sc, SymbolNode* label) {
  user_error_A01(sc.run(), 68);
  Statement& st = open_statement(sc.run(), StatementKind::Failed);
  st.failed = true;
  attach_label(sc.run(), st, label);
  if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
}

bool repeat_recording(Assembly& run) { return rs(run).recording > 0; }

bool repeat_playing(const Scanner& sc) {
  // The newest block is the likeliest to be the one reading.
  const auto& readers = rs(sc.run()).readers;
  for (auto it = readers.rbegin(); it != readers.rend(); ++it)
    if (sc.reads_from(it->get())) return true;
  return false;
}

std::size_t repeat_bodies_held(Assembly& run) { return rs(run).readers.size(); }

void reset_repeat_blocks(Assembly& run) {
  RepeatState& state = rs(run);
  state.recording = 0;
  state.readers.clear();
  state.blocks.reset();
}

}  // namespace aq71
