// Scanner and statement reader of aq71 (see scanner.h).
#include "assembler/scanner.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace aq71 {

namespace {

constexpr int NO_TOKEN = -1000;             // internal: nothing to return yet, scan on
constexpr std::size_t IDENT_LIMIT = 255;    // identifiers, backquoted names, raw literals
constexpr std::size_t DIGIT_LIMIT = 510;    // digit strings
constexpr std::size_t LITERAL_LIMIT = 509;  // quoted literals
constexpr std::size_t JOIN_LIMIT = 509;     // joined strings (510 bytes with the terminator)
constexpr std::size_t PUSHBACK_LIMIT = 100;
constexpr std::size_t SAVED_LIMIT = 4;

constexpr bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\f'; }

// How many blanks `rest` starts with. The runs of spaces that expanded tabs leave are counted
// eight at a step while eight characters remain.
inline std::size_t leading_blanks(std::string_view rest) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (n + 8 <= rest.size()) {
      std::uint64_t word;
      std::memcpy(&word, rest.data() + n, 8);
      if (const std::uint64_t other = word ^ 0x2020202020202020; other != 0) {
        n += static_cast<std::size_t>(std::countr_zero(other)) / 8;
        break;
      }
      n += 8;
    }
  }
  while (n < rest.size() && is_blank(static_cast<unsigned char>(rest[n]))) ++n;
  return n;
}
constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }
constexpr bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool is_hex(int c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int upper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Digit value, or 99 for a character that is no digit at all.
int digit_value(int c) {
  if (is_digit(c)) return c - '0';
  c = upper(c);
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

bool is_radix_digit(int c, int radix) { return digit_value(c) < radix; }

// Built-in codes of operator and punctuation characters.
int single_code(int c) {
  switch (c) {
    case '*':
      return TOK_STAR;
    case '&':
      return TOK_AMP;
    case '+':
      return TOK_PLUS;
    case '-':
      return TOK_MINUS;
    case '!':
      return TOK_BANG;
    case '~':
      return TOK_TILDE;
    case '/':
      return TOK_SLASH;
    case '%':
      return TOK_PERCENT;
    case '>':
      return TOK_GT;
    case '<':
      return TOK_LT;
    case '=':
      return TOK_ASSIGN;
    case ':':
      return TOK_COLON;
    case ';':
      return TOK_SEMICOLON;
    case '.':
      return TOK_DOT;
    case ',':
      return TOK_COMMA;
    case '(':
      return TOK_LPAREN;
    case ')':
      return TOK_RPAREN;
    case '[':
      return TOK_LBRACKET;
    case ']':
      return TOK_RBRACKET;
    case '{':
      return TOK_LBRACE;
    case '}':
      return TOK_RBRACE;
    case '#':
      return TOK_HASH;
    case '$':
      return TOK_DOLLAR;
    case '@':
      return TOK_AT;
    case '^':
      return TOK_CARET;
    case '\\':
      return TOK_BACKSLASH;
    default:
      return -1;
  }
}

int pair_code(int a, int b) {
  if (a == '>' && b == '>') return TOK_SHR;
  if (a == '>' && b == '=') return TOK_GE;
  if (a == '<' && b == '<') return TOK_SHL;
  if (a == '<' && b == '=') return TOK_LE;
  if (a == '<' && b == '>') return TOK_NE_ANGLE;
  if ((a == '=' || a == '!') && b == '=') return TOK_EQEQ;
  return -1;
}

}  // namespace

std::string printable_char(int c) {
  char buf[8];
  if (c >= 32 && c <= 126) return std::string(1, static_cast<char>(c));
  switch (c) {
    case 0:
      return "\\0";
    case 7:
      return "\\a";
    case 8:
      return "\\b";
    case 9:
      return "\\t";
    case 10:
      return "\\n";
    case 11:
      return "\\v";
    case 12:
      return "\\f";
    case 13:
      return "\\r";
    default:
      std::snprintf(buf, sizeof buf, "\\x%02x", c & 0xFF);
      return buf;
  }
}

// ---- input readers -----------------------------------------------------------------------------

void Scanner::SourceInput::attach(LineSource* s) {
  source = s;
  direct = s ? s->direct_reader() : nullptr;
}

int Scanner::SourceInput::read_char() {
  for (;;) {
    if (at_end || !source) return -1;
    int c = direct ? direct->source_file_getch() : source->next_char();
    if (line_done) {
      line_.clear();
      pos = 0;
      line_done = false;
    }
    if (c < 0) {
      at_end = true;
      return -1;
    }
    if (c == '\n') {
      line_done = true;
      ++pos;
      return c;
    }
    if (c == 0) {
      report_error(run, 15, printable_char(0));
      continue;
    }
    if (!direct) line_ += static_cast<char>(c);
    ++pos;
    return c;
  }
}

const std::string& Scanner::SourceInput::text() {
  if (direct) {
    // The reader still holds the line: what was taken of it, without NULs and line feed.
    line_.clear();
    std::string_view whole(direct->line());
    for (char c : whole.substr(0, std::min(direct->read_position(), whole.size())))
      if (c != 0 && c != '\n') line_ += c;
  }
  return line_;
}

// One pushed text. When it is used up the listing flags come back and the reader is popped.
class Scanner::StringReader : public InputReader {
 public:
  StringReader() {
    buffered_text = &text;
    buffered_pos = &pos;
  }
  StringReader(const StringReader&) = delete;
  StringReader& operator=(const StringReader&) = delete;
  std::string text;
  std::size_t pos = 0;
  std::uint32_t saved_flags = 0;
  std::uint32_t* flags = nullptr;
  bool in_use = false;

  int read() override {
    if (pos < text.size()) return static_cast<unsigned char>(text[pos++]);
    if (in_use) {
      in_use = false;
      if (flags) *flags = saved_flags;
    }
    return EXHAUSTED;
  }
};

// Returns one fixed character for ever.
class Scanner::ConstReader : public InputReader {
 public:
  explicit ConstReader(int c) : c_(c) {}
  int read() override { return c_; }

 private:
  int c_;
};

// ---- set-up ------------------------------------------------------------------------------------

Scanner::Scanner(Assembly& run)
    : tree(ident_tree(run)), run_(run), source_(std::make_unique<SourceInput>(run)), lf_reader_(std::make_unique<ConstReader>('\n')) {
  reader_ = source_.get();
}

Scanner::~Scanner() = default;

void Scanner::start(LineSource* source) {
  source_ = std::make_unique<SourceInput>(run_);
  source_->attach(source);
  for (auto& r : string_readers_) r->in_use = false;
  reset_input();
  ch_ = prev_ch_ = '\n';
  mode_ = MODE_FIELDS;
  line_start_pending_ = true;
  at_line_start_ = first_column_ = true;
  block_comment_ = comment_lf_given_ = keyword_seen_ = suffix_wanted_ = false;
  in_pp_line_ = label_on_line_ = label_blank_ = comment_seen_ = pending_percent_ = false;
  suppress_skip_ = false;
  nonblank_on_line_ = 0;
  token_ = Token{};
  held_.clear();
  saved_.clear();
  replay_ = false;
  line_tokens_ = 0;
}

bool Scanner::reads_from(const InputReader* r) const {
  if (r == reader_) return true;
  for (const InputReader* s : stack_)
    if (s == r) return true;
  return false;
}

const std::string* Scanner::generated_line() const {
  if (reader_)
    if (const std::string* t = reader_->generated_line()) return t;
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
    if (const std::string* t = (*it)->generated_line()) return t;
  return nullptr;
}

void Scanner::begin_module() {
  for (InputReader* r : stack_) r->pushback.clear();
  reader_->pushback.clear();
  for (auto& r : string_readers_) r->in_use = false;
  reset_input();
  held_.clear();
  saved_.clear();
}

// ---- character level ---------------------------------------------------------------------------

int Scanner::getch_slow() {
  prev_ch_ = ch_;
  if (reader_ == source_.get() && reader_->pushback.empty()) {
    // The common case: straight from the source.
    int c = source_->read_char();
    ch_ = c;
    if (recorder && c >= 0) recorder->push_back(static_cast<char>(c));
    return c;
  }
  for (;;) {
    if (!reader_->pushback.empty()) {
      ch_ = reader_->pushback.back();
      reader_->pushback.pop_back();
      if (recorder && ch_ >= 0) recorder->push_back(static_cast<char>(ch_));
      return ch_;
    }
    int c = reader_->read();
    if (c == InputReader::EXHAUSTED) {
      pop_input();
      continue;
    }
    ch_ = c;
    if (recorder && c >= 0) recorder->push_back(static_cast<char>(c));
    return c;
  }
}

void Scanner::unget_char_A05(int c) {
  if (reader_->pushback.size() >= PUSHBACK_LIMIT) report_internal(run_, "unget_char_A05", "buffer full");
  reader_->pushback.push_back(c);
  if (recorder && c >= 0 && !recorder->empty()) recorder->pop_back();
}

int Scanner::peek() {
  if (reader_->pushback.empty() && !recorder)
    if (const std::string* text = reader_->buffered_text; text && *reader_->buffered_pos < text->size())
      return static_cast<unsigned char>((*text)[*reader_->buffered_pos]);
  int cur = ch_;
  int prev = prev_ch_;
  int next = getch();
  // A reader that ran dry has been popped: the character goes back on the one now current.
  unget_char_A05(next);
  ch_ = cur;
  prev_ch_ = prev;
  return next;
}

void Scanner::redirect_input_A05(InputReader* reader) {
  stack_.push_back(reader_);
  reader_ = reader;
}

void Scanner::pop_input() {
  if (stack_.empty()) report_internal(run_, "handle_save_getch_A05", "no stack");
  reader_ = stack_.back();
  stack_.pop_back();
}

void Scanner::reset_input() {
  stack_.clear();
  reader_ = source_.get();
  reader_->pushback.clear();
}

void Scanner::push_input_string_A05(std::string_view text, bool leading_blank, bool trailing_newline,
                                    std::uint32_t list_flags) {
  StringReader* r = nullptr;
  for (auto& s : string_readers_)
    if (!s->in_use && s.get() != reader_) {
      bool on_stack = false;
      for (InputReader* x : stack_) on_stack = on_stack || x == s.get();
      if (!on_stack) {
        r = s.get();
        break;
      }
    }
  if (!r) {
    string_readers_.push_back(std::make_unique<StringReader>());
    r = string_readers_.back().get();
  }
  r->text.clear();
  if (leading_blank) r->text += ' ';
  r->text.append(text);
  if (trailing_newline) r->text += '\n';
  r->pos = 0;
  r->pushback.clear();
  r->in_use = true;
  r->flags = &listing_flags;
  r->saved_flags = listing_flags;
  listing_flags = list_flags;
  redirect_input_A05(r);
}

void Scanner::insert_text_now(std::string_view text) {
  if (text.empty()) return;
  if (ch_ != -1) unget_char_A05(ch_);
  push_input_string_A05(text, false, false, listing_flags);
  getch();
}

const std::string& Scanner::line_text() const { return source_->text(); }

// ---- lines -------------------------------------------------------------------------------------

void Scanner::begin_line() {
  line_start_pending_ = false;
  if (hooks.line_begin) hooks.line_begin();
  at_line_start_ = true;
  first_column_ = true;
  getch();
  if (hooks.line_listed) hooks.line_listed();
  keyword_seen_ = false;
  suffix_wanted_ = false;
  label_on_line_ = false;
  label_blank_ = false;
  comment_seen_ = false;
  nonblank_on_line_ = 0;
  mode_ = MODE_FIELDS;
  limit_reported_ = false;
  if (!block_comment_ && ch_ == '*') {
    comment_seen_ = true;
    skip_to_line_end();
    if (ch_ == -1) {
      // The comment ran into the end of input: the line still ends.
      ch_ = '\n';
    }
  }
}

bool Scanner::is_comment_start(int c) const {
  if (c == '*' && at_line_start_) return true;
  if (t().has_comment_chars()) return c >= 0 && t().is_comment_char(static_cast<unsigned char>(c));
  return c == ';';
}

bool Scanner::ident_start(int c) const { return is_letter(c) || c == '_' || c == '?' || c == 1; }

StringLiteral& Scanner::new_string_literal() {
  StringLiteral& lit = strings_[next_string_];
  next_string_ = (next_string_ + 1) % kStringRecords;
  lit.text.clear();
  lit.quote_kind = 1;
  return lit;
}

int Scanner::read_line_raw(std::string& out) {
  while (ch_ != '\n' && ch_ != -1) {
    out += static_cast<char>(ch_);
    getch();
  }
  return ch_;
}

// ---- token level -------------------------------------------------------------------------------

int Scanner::get_pp_token_A05() {
  for (;;) {
    if (line_start_pending_ && conditional && !suppress_skip_) {
      // Lines of a false conditional branch are skipped whole.
      int s = conditional->state();
      if (s == 1 || s == 4 || s == 5) {
        skip_false_branch();
        if (ch_ == -1) line_start_pending_ = false;
        continue;
      }
    }
    if (line_start_pending_) begin_line();
    if (block_comment_) {
      int t = continue_block_comment();
      if (t == NO_TOKEN) continue;
      first_column_ = false;
      return t;
    }
    token_.kind = KIND_NONE;
    token_.node = nullptr;
    single_name_ = false;
    token_.string = nullptr;
    token_.number = 0;
    token_.real = 0.0;
    token_.fvalue = unpacked_float{};
    token_.text.clear();
    if (pending_percent_) token_.text.push_back('%');
    token_.where = {line_number(), column()};
    int code = dispatch();
    if (code != TOK_IDENT) colon_after_label_ = false;
    if (code == NO_TOKEN) continue;
    token_.code = code;
    pending_percent_ = false;
    if (code != TOK_BLANK) {
      at_line_start_ = false;
      if (code != TOK_EOL) ++nonblank_on_line_;
    }
    first_column_ = false;
    return code;
  }
}

bool Scanner::registered_token(std::string_view text, int builtin_code) {
  if (t().name_count() == 0) return false;
  LookupResult r = text.size() == 1 ? t().check_char(static_cast<unsigned char>(text[0]), mode_) : t().check_ident(text, mode_);
  if (!r.node || !r.node->def) return false;
  token_.node = r.node;
  token_.kind = r.node->def->kind;
  switch (token_.kind) {
    case KIND_OPERATOR:
      token_.code = r.node->def->op ? r.node->def->op->token : builtin_code;
      break;
    case KIND_DELIMITER:
    case KIND_IDENT_CHAR:
    case KIND_COMMENT_CHAR:
      token_.code = static_cast<int>(r.node->def->b);
      break;
    default:
      token_.code = builtin_code;
      break;
  }
  token_.text.append(text);
  if (!in_pp_line_ && (token_.kind == KIND_MNEMONIC || token_.kind == KIND_DIRECTIVE)) {
    keyword_seen_ = true;  // "=" as a directive
    mode_ = MODE_EXPRESSION;
  }
  return true;
}

int Scanner::operator_token(int c) {
  // The current character is taken on every road below, before anything reads the position:
  // the next one may be seen in the line at hand rather than read and put back.
  const std::string_view rest = ahead();
  int next = !rest.empty() && rest[0] != 0 ? static_cast<unsigned char>(rest[0]) : peek();
  char pair[3] = {static_cast<char>(c), static_cast<char>(next), 0};
  bool pair_registered = false;
  if (next >= 0 && next != '\n') {
    if (t().may_hold_pair(static_cast<unsigned char>(c), static_cast<unsigned char>(next)))
      pair_registered = registered_token(std::string_view(pair, 2), pair_code(c, next));
    else if (t().name_count() > 0)
      t().set_current(nullptr);  // as a lookup that found nothing
  }
  if (pair_registered) {
    getch();
    getch();
    return token_.code;
  }
  int pc = next >= 0 ? pair_code(c, next) : -1;
  if (pc >= 0) {
    token_.text.append(pair, 2);
    getch();
    getch();
    return pc;
  }
  char one[2] = {static_cast<char>(c), 0};
  if (registered_token(std::string_view(one, 1), single_code(c))) {
    getch();
    return token_.code;
  }
  int sc = single_code(c);
  if (sc >= 0) {
    token_.text += static_cast<char>(c);
    getch();
    return sc;
  }
  if (in_pp_line_) {
    token_.text += static_cast<char>(c);
    getch();
    return TOK_COLON;
  }
  report_error(run_, 15, printable_char(c));
  getch();
  return NO_TOKEN;
}

int Scanner::dispatch() {
  int c = ch_;
  switch (c) {
    case -1:
      if (hooks.preprocessor_if_open && hooks.preprocessor_if_open()) report_error(run_, 14);
      return TOK_EOF;
    case '\n':
      line_start_pending_ = true;
      return TOK_EOL;
    case ' ':
    case '\t':
    case '\f':
      return finish_blank_run();
    case '#': {
      int next = peek();
      if (next == '#') {
        getch();
        getch();
        token_.text = "##";
        return TOK_PASTE;
      }
      if (!at_line_start_ || raw_mode || in_pp_line_) {
        getch();
        token_.text = "#";
        return TOK_HASH;
      }
      handle_preprocessor_line();
      return NO_TOKEN;
    }
    case '$':
      if (first_column_ && !in_pp_line_ && reader_ == source_.get()) {
        handle_include_line();
        return NO_TOKEN;
      }
      if (is_hex(peek())) {
        getch();
        return scan_prefixed_number(16);
      }
      return operator_token(c);
    case '%': {
      int next = peek();
      bool op_field = label_on_line_ && !keyword_seen_ && nonblank_on_line_ <= 2;
      if (!raw_mode && (percent_prefix || (op_field && !is_digit(next)))) {
        getch();
        pending_percent_ = true;
        return NO_TOKEN;
      }
      if (is_digit(next)) {
        getch();
        return scan_prefixed_number(2);
      }
      return operator_token(c);
    }
    case '@':
      if (t().is_ident_char('@')) return scan_identifier();
      if (is_digit(peek())) {
        getch();
        return scan_prefixed_number(8);
      }
      return operator_token(c);
    case '\\': {
      int next = peek();
      if (next == '\'' || next == '\\') {
        getch();
        getch();
        token_.number = next;
        token_.text = std::string("\\") + static_cast<char>(next);
        return TOK_CHAR;
      }
      return operator_token(c);
    }
    case '"':
      if (!raw_mode) {
        int code = scan_plain_string();
        if (code != NO_TOKEN) return code;
      }
      return scan_quoted(c, false);
    case '\'':
      return scan_quoted(c, false);
    case '`':
      return scan_backquoted();
    case '/': {
      int next = peek();
      if (next == '*') {
        getch();
        getch();
        block_comment_ = true;
        comment_lf_given_ = false;
        comment_seen_ = true;
        return NO_TOKEN;
      }
      if (next == '/') {
        comment_seen_ = true;
        skip_to_line_end();
        if (ch_ == -1) return TOK_EOF;
        line_start_pending_ = true;
        return TOK_EOL;
      }
      return operator_token(c);
    }
    case '.': {
      // See the dot rule in scanner.h.
      if (t().is_ident_char('.') && ident_start(peek())) return scan_identifier();
      getch();
      token_.text = ".";
      if (keyword_seen_ && !in_pp_line_ && !first_column_) return TOK_DOT;
      token_.text.clear();
      if (!registered_token(".", TOK_DOT)) {
        token_.text = ".";
        return TOK_DOT;
      }
      return token_.code;
    }
    case ':': {
      if (in_pp_line_) return operator_token(c);
      bool label_colon = colon_after_label_;
      getch();
      if (ch_ >= 0 && ch_ != '\n' && t().name_count() > 0) {
        char s[2] = {static_cast<char>(upper(ch_)), 0};
        LookupResult r = t().check_ident(s, mode_ == MODE_EXPRESSION ? MODE_SUFFIX : mode_);
        if (r.node && r.node->def && r.node->def->kind == KIND_SUFFIX) suffix_wanted_ = true;
      }
      if (registered_token(":", TOK_COLON)) return token_.code;
      token_.text = ":";
      // The colon of a label in the first field never starts a BCD string ("L1:ADC ...").
      if (!label_colon && !list_reads_type && is_hex(ch_)) return scan_bcd();
      return TOK_COLON;
    }
    default:
      break;
  }
  if (is_digit(c)) return scan_number();
  if (ident_start(c)) return scan_identifier();
  return operator_token(c);
}

void Scanner::skip_to_line_end() {
  if (ch_ == '\n' || ch_ == -1) return;
  // The characters at hand before the line end are taken at once; a NUL among them, and the
  // line end itself, are read as the reader gives them.
  const std::string_view rest = ahead();
  std::size_t n = 0;
  while (n < rest.size() && rest[n] != '\n' && rest[n] != 0) ++n;
  if (n > 0) {
    const int before = n > 1 ? static_cast<unsigned char>(rest[n - 2]) : ch_;
    take_ahead(rest, n);
    prev_ch_ = before;
  }
  while (ch_ != '\n' && ch_ != -1) getch();
}

int Scanner::finish_blank_run() {
  getch();
  if (is_blank(ch_)) {
    // A longer run: the blanks at hand are taken at once (the last one becomes the current
    // character), then the character after them is read.
    std::string_view rest = ahead();
    take_ahead(rest, leading_blanks(rest));
    do getch();
    while (is_blank(ch_));
  }
  if (ch_ == '#' && at_line_start_ && !raw_mode && !in_pp_line_ && peek() != '#') {
    handle_preprocessor_line();
    return NO_TOKEN;
  }
  if (!in_pp_line_ && !raw_mode && is_comment_start(ch_)) {
    comment_seen_ = true;
    skip_to_line_end();
  }
  token_.text.clear();
  token_.text.push_back(' ');
  return TOK_BLANK;
}

void Scanner::handle_preprocessor_line() {
  int saved_mode = mode_;
  in_pp_line_ = true;
  mode_ = MODE_PREPROCESSOR;
  getch();  // past '#'
  first_column_ = false;
  if (hooks.preprocessor_line) {
    try {
      hooks.preprocessor_line();
    } catch (...) {
      in_pp_line_ = false;
      mode_ = saved_mode;
      throw;
    }
  }
  in_pp_line_ = false;
  mode_ = saved_mode;
  if (!line_start_pending_) {
    skip_to_line_end();
    if (ch_ == '\n') line_start_pending_ = true;
  }
  if (hooks.preprocessor_active && !hooks.preprocessor_active()) skip_to_preprocessor_line();
}

void Scanner::skip_to_preprocessor_line() {
  for (;;) {
    if (ch_ == -1) return;
    if (line_start_pending_ || ch_ == '\n') {
      line_start_pending_ = false;
      getch();
      if (hooks.line_listed) hooks.line_listed();
    }
    while (is_blank(ch_)) getch();
    if (ch_ == '#') {
      at_line_start_ = true;
      first_column_ = false;
      return;
    }
    skip_to_line_end();
  }
}

void Scanner::handle_include_line() {
  getch();  // past '$'
  while (ch_ == ' ' || ch_ == '\t') getch();
  std::string name;
  while (ch_ != ' ' && ch_ != '\t' && ch_ != '\n' && ch_ != -1) {
    if (name.size() < 511) name += static_cast<char>(ch_);
    getch();
  }
  skip_to_line_end();
  if (ch_ == '\n') line_start_pending_ = true;
  if (hooks.include_file) hooks.include_file(name);
}

// ---- identifiers -------------------------------------------------------------------------------

[[gnu::always_inline]] inline std::string_view Scanner::ahead() const {
  if (!reader_->pushback.empty() || recorder) return {};
  if (reader_ == source_.get()) return source_->ahead();
  const std::string* text = reader_->buffered_text;
  if (!text || *reader_->buffered_pos >= text->size()) return {};
  return std::string_view(*text).substr(*reader_->buffered_pos);
}

[[gnu::always_inline]] inline void Scanner::take_ahead(std::string_view rest, std::size_t count) {
  if (count == 0) return;
  if (reader_ == source_.get())
    source_->take(count);
  else
    *reader_->buffered_pos += count;
  ch_ = static_cast<unsigned char>(rest[count - 1]);
}

inline void Scanner::take_name_run(char* name, std::size_t& length, std::size_t limit) {
  std::string_view rest = ahead();
  std::size_t n = 0;
  while (n < rest.size()) {
    unsigned char c = static_cast<unsigned char>(rest[n]);
    if (!kNamePart[c] && !ident_part(c) && !(c == ':' && colon_continues_ident)) break;
    if (length < limit) name[length++] = static_cast<char>(c);
    ++n;
  }
  take_ahead(rest, n);
}

int Scanner::scan_plain_name() {
  if (!token_.text.empty() || colon_continues_ident || raw_mode || in_pp_line_ || lookup_only) return NO_TOKEN;
  if ((keyword_seen_ || suffix_wanted_) && t().kind_made(KIND_SUFFIX)) return NO_TOKEN;
  const std::string_view rest = ahead();
  std::size_t n = 0;
  bool lower = ch_ >= 'a' && ch_ <= 'z';
  while (n < rest.size() && ident_part(static_cast<unsigned char>(rest[n]))) {
    lower = lower || (rest[n] >= 'a' && rest[n] <= 'z');
    ++n;
  }
  // The name must end inside the line, before a character that asks for nothing more.
  if (lower || n >= rest.size() || n >= IDENT_LIMIT) return NO_TOKEN;
  const char after = rest[n];
  if (after == '\'' || after == ':' || after == 0) return NO_TOKEN;
  char name[IDENT_LIMIT];
  name[0] = static_cast<char>(ch_);
  for (std::size_t i = 0; i < n; ++i) name[i + 1] = rest[i];
  const std::string_view text(name, n + 1);
  const bool first_field = first_column_;
  SymbolNode* node = t().single_meaning(text, first_field || mode_ == MODE_SYMBOL_LIST || mode_ == MODE_BACKQUOTED);
  if (!node) return NO_TOKEN;

  if (after == '\n') {
    if (n > 0) take_ahead(rest, n);
    getch();  // the line end is taken as the reader gives it
  } else {
    take_ahead(rest, n + 1);
    prev_ch_ = static_cast<unsigned char>(text.back());
  }
  token_.text.append(text);
  label_blank_ = false;
  token_.node = node;
  single_name_ = true;
  token_.kind = node->def->kind;
  // Where the name was read (references of labels and #define names).
  t().env.line = line_number();
  t().env.file_index = source_->file_index();
  if (token_.kind == KIND_LABEL) {
    // A label's use or definition is noted where it stands.
    ClassifyContext ctx;
    ctx.mode = mode_;
    ctx.first_field = first_field;
    ctx.symbol_list = mode_ == MODE_SYMBOL_LIST;
    ctx.list_reads_type = list_reads_type;
    ctx.define_line = define_line;
    ctx.after_label = label_on_line_;
    t().classify_single(node, ctx);
    if (first_field) label_on_line_ = true;
  } else {
    node->looked_up = true;
    t().set_current(node);
  }
  colon_after_label_ = false;
  if (token_.kind == KIND_MNEMONIC || token_.kind == KIND_DIRECTIVE) {
    keyword_seen_ = true;
    mode_ = MODE_EXPRESSION;
  }
  return TOK_IDENT;
}

int Scanner::scan_identifier() {
  if (int code = scan_plain_name(); code != NO_TOKEN) return code;
  // A '%' held for this token stays in its text but is no part of the name.
  const std::size_t prefix_length = token_.text.size();
  char name[IDENT_LIMIT];
  std::size_t length = 0;
  bool started_in_first_column = first_column_;
  for (;;) {
    if (ident_part(ch_) || (length == 0 && (ch_ == '.' || ch_ == '@' || ch_ == 1)) ||
        (ch_ == ':' && colon_continues_ident)) {
      if (length < IDENT_LIMIT) name[length++] = static_cast<char>(ch_);
      if (length > 0) take_name_run(name, length, IDENT_LIMIT);
      getch();
      continue;
    }
    break;
  }
  const std::string_view text(name, length);
  token_.text.append(name, length);

  // Quoted radix: B'101, D'99, H'1F, X'1F, O'17, Q'17.
  if (text.size() == 1 && ch_ == '\'') {
    int radix = 0;
    switch (upper(text[0])) {
      case 'B':
        radix = 2;
        break;
      case 'D':
        radix = 10;
        break;
      case 'H':
      case 'X':
        radix = 16;
        break;
      case 'O':
      case 'Q':
        radix = 8;
        break;
      default:
        break;
    }
    if (radix && is_radix_digit(peek(), radix)) {
      getch();  // the quote
      std::string digits;
      while (is_radix_digit(ch_, radix)) {
        if (digits.size() < DIGIT_LIMIT) digits += static_cast<char>(ch_);
        getch();
      }
      if (ch_ == '\'') getch();  // one closing quote
      token_.text = digits;
      return convert_number(digits, radix);
    }
  }

  // A name with a quote appended may be registered ("AF'").
  if (ch_ == '\'' && t().name_count() > 0) {
    std::string candidate(text);
    candidate += '\'';
    LookupResult r = t().check_ident(candidate, mode_);
    if (r.node && r.node->def) {
      getch();
      token_.text.resize(prefix_length);
      token_.text += candidate;
      token_.node = r.node;
      token_.kind = r.node->def->kind;
      return TOK_IDENT;
    }
  }

  label_blank_ = false;
  if (ch_ == ':') {
    int after = peek();
    label_blank_ = is_blank(after) || after == '\n';
  }

  if (raw_mode || t().name_count() == 0) return TOK_IDENT;

  if ((keyword_seen_ || suffix_wanted_) && !in_pp_line_) {
    std::string_view bare = text;
    if (!bare.empty() && bare[0] == '.') bare.remove_prefix(1);
    if (SymbolNode* s = t().kind_made(KIND_SUFFIX) ? t().find_kind(bare, KIND_SUFFIX) : nullptr) {
      suffix_wanted_ = false;
      token_.node = s;
      token_.kind = KIND_SUFFIX;
      t().set_current(s);
      return KIND_SUFFIX;
    }
  }

  ClassifyContext ctx;
  ctx.mode = mode_;
  ctx.first_field = !in_pp_line_ && (started_in_first_column || (ch_ == ':' && label_blank_));
  ctx.symbol_list = mode_ == MODE_SYMBOL_LIST;
  ctx.list_reads_type = list_reads_type;
  ctx.preprocessor_line = in_pp_line_;
  ctx.define_line = define_line;
  ctx.lookup_only = lookup_only;
  ctx.after_label = label_on_line_;
  ctx.line_active = true;
  classify_token(text, ctx);
  colon_after_label_ = ctx.first_field && ch_ == ':';
  if (!in_pp_line_ && (token_.kind == KIND_MNEMONIC || token_.kind == KIND_DIRECTIVE)) {
    keyword_seen_ = true;
    mode_ = MODE_EXPRESSION;
  }
  return TOK_IDENT;
}

int Scanner::scan_backquoted() {
  getch();  // past the opening backquote
  std::string name;
  while (ch_ != '`' && ch_ != '\n' && ch_ != -1) {
    if (ch_ == '\\' && peek() == '`') getch();
    if (name.size() < IDENT_LIMIT) name += static_cast<char>(ch_);
    getch();
  }
  if (ch_ == '`')
    getch();
  else
    report_error(run_, 13);
  token_.text = name;
  if (raw_mode || t().name_count() == 0) return TOK_IDENT;
  ClassifyContext ctx;
  ctx.mode = MODE_BACKQUOTED;
  ctx.first_field = first_column_ && !in_pp_line_;
  ctx.preprocessor_line = in_pp_line_;
  ctx.define_line = define_line;
  ctx.lookup_only = lookup_only;
  classify_token(name, ctx);
  return TOK_IDENT;
}

void Scanner::classify_token(std::string_view name, const ClassifyContext& ctx) {
  t().env.line = line_number();
  t().env.file_index = source_->file_index();
  LookupResult r = t().classify(name, ctx);
  token_.node = r.node;
  token_.kind = r.kind();
  if (ctx.first_field && token_.kind == KIND_LABEL) label_on_line_ = true;
}

// ---- numbers -----------------------------------------------------------------------------------

int Scanner::convert_number(const std::string& digits, int radix) {
  std::uint32_t value = 0;
  for (char d : digits) {
    int v = digit_value(static_cast<unsigned char>(d));
    if (v >= radix) {
      if (!raw_mode) report_error(run_, 6);
      break;
    }
    value = value * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(v);
  }
  token_.number = static_cast<std::int32_t>(value);
  skip_integer_suffix();
  return TOK_INTEGER;
}

void Scanner::skip_integer_suffix() {
  int c = upper(ch_);
  if (c == 'L') {
    getch();
    if (upper(ch_) == 'U') getch();
  } else if (c == 'U') {
    getch();
    if (upper(ch_) == 'L') getch();
  }
}

int Scanner::scan_prefixed_number(int radix) {
  // The prefix is consumed; the current character is the first digit.
  std::string digits;
  while (is_hex(ch_)) {
    if (digits.size() < DIGIT_LIMIT) digits += static_cast<char>(ch_);
    getch();
  }
  token_.text += digits;
  return convert_number(digits, radix);
}

int Scanner::scan_plain_number() {
  // The characters after the current one, up to the line feed at least, are at hand.
  const std::string_view rest = ahead();
  std::size_t n = 0;
  std::uint32_t value = 0;
  if (ch_ == '0' && !rest.empty() && (rest[0] == 'x' || rest[0] == 'X')) {
    n = 1;
    while (n < rest.size() && is_hex(static_cast<unsigned char>(rest[n]))) {
      value = value * 16 + static_cast<std::uint32_t>(digit_value(static_cast<unsigned char>(rest[n])));
      ++n;
    }
    if (n == 1 || n > DIGIT_LIMIT || n == rest.size()) return NO_TOKEN;
    token_.text.assign("0x");
    token_.text.append(rest.data() + 1, n - 1);
  } else {
    if (default_radix <= 9) return NO_TOKEN;
    value = static_cast<std::uint32_t>(ch_ - '0');
    while (n < rest.size() && is_digit(static_cast<unsigned char>(rest[n]))) {
      value = value * static_cast<std::uint32_t>(default_radix) + static_cast<std::uint32_t>(rest[n] - '0');
      ++n;
    }
    if (n + 1 > DIGIT_LIMIT || n == rest.size()) return NO_TOKEN;
    // What follows must end the digits and make no radix suffix or fraction of them.
    const int next = static_cast<unsigned char>(rest[n]);
    const int up = upper(next);
    if (is_hex(next) || up == 'H' || up == 'O' || up == 'Q' || next == '.' || (next == ':' && colon_ends_number))
      return NO_TOKEN;
    token_.text.assign(1, static_cast<char>(ch_));
    token_.text.append(rest.data(), n);
  }
  if (n > 0) take_ahead(rest, n);
  getch();
  token_.number = static_cast<std::int32_t>(value);
  skip_integer_suffix();
  return TOK_INTEGER;
}

int Scanner::scan_number() {
  if (!raw_mode) {
    int code = scan_plain_number();
    if (code != NO_TOKEN) return code;
  }
  std::string digits;
  bool limit_hit = false;
  auto add = [&](int c) {
    if (digits.size() >= DIGIT_LIMIT) {
      if (!limit_hit && !raw_mode) report_error(run_, 12, {}, static_cast<long>(DIGIT_LIMIT));
      limit_hit = true;
      digits.back() = static_cast<char>(c);
    } else {
      digits += static_cast<char>(c);
    }
  };

  if (ch_ == '0') {
    int next = peek();
    if (next == 'x' || next == 'X') {
      getch();
      getch();
      while (is_hex(ch_)) {
        add(ch_);
        getch();
      }
      token_.text = "0x" + digits;
      if (digits.empty()) {
        if (!raw_mode) report_error(run_, 7);
        token_.number = 0;
        skip_integer_suffix();
        return TOK_INTEGER;
      }
      return convert_number(digits, 16);
    }
  }

  bool suffix_seen = false;
  bool all_decimal = true;
  for (;;) {
    int c = upper(ch_);
    if (is_hex(ch_)) {
      if (!is_digit(ch_)) all_decimal = false;
    } else if (c == 'H' || c == 'O' || c == 'Q') {
      suffix_seen = true;
      all_decimal = false;
    } else {
      break;
    }
    add(ch_);
    getch();
  }
  token_.text = digits;

  if (colon_ends_number && ch_ == ':') return convert_number(digits, 16);

  if (!suffix_seen && all_decimal && floats_enabled && ch_ == '.' && is_digit(peek())) return scan_float(digits);

  int radix = default_radix;
  switch (upper(static_cast<unsigned char>(digits.back()))) {
    case 'B':
      radix = 2;
      break;
    case 'D':
      radix = 10;
      break;
    case 'H':
      radix = 16;
      break;
    case 'O':
    case 'Q':
      radix = 8;
      break;
    default:
      return convert_number(digits, radix);
  }
  // The last letter is the radix suffix (B, D, H, O, Q), whatever the default radix.
  return convert_number(digits.substr(0, digits.size() - 1), radix);
}

// Floating constants are built with the assembler's own floating point: integer digits,
// fraction digits, then the decimal exponent.
int Scanner::scan_float(const std::string& int_digits) {
  std::string text = int_digits;
  std::string frac;
  text += '.';
  getch();  // past '.'
  while (is_digit(ch_)) {
    if (text.size() < DIGIT_LIMIT) {
      text += static_cast<char>(ch_);
      frac += static_cast<char>(ch_);
    }
    getch();
  }
  long exponent = 0;
  if (ch_ == 'e' || ch_ == 'E') {
    std::string exp = "e";
    bool negative = false;
    getch();
    if (ch_ == '+' || ch_ == '-') {
      negative = ch_ == '-';
      exp += static_cast<char>(ch_);
      getch();
    }
    bool any = false;
    while (is_digit(ch_)) {
      if (exp.size() < 12) exp += static_cast<char>(ch_);
      // Far beyond any representable power: the value saturates either way.
      if (exponent < 100000) exponent = exponent * 10 + (ch_ - '0');
      any = true;
      getch();
    }
    if (!any) {
      if (!raw_mode) report_error(run_, 8);
    } else {
      text += exp;
    }
    if (negative) exponent = -exponent;
  }
  if (ch_ == 'f' || ch_ == 'F') getch();
  if (ch_ == 'l' || ch_ == 'L') getch();
  token_.text = text;
  // Macro actuals are only copied: their values are computed (and warned about) when used.
  FloatState& fs = float_state(run_);
  const bool warn = float_warnings_enabled(fs);
  if (raw_mode) set_float_warnings_enabled(fs, false);
  token_.fvalue = decimal_to_float_G03(fs, int_digits, frac, exponent);
  set_float_warnings_enabled(fs, warn);
  token_.real = std::bit_cast<double>(float_to_ieee_double(fs, token_.fvalue));
  return TOK_FLOAT;
}

int Scanner::scan_bcd() {
  std::string digits;
  while (is_hex(ch_)) {
    digits += static_cast<char>(ch_);
    getch();
  }
  if (digits.size() > 8) {
    report_error(run_, 56);
    digits.resize(8);
  }
  if (digits.size() % 2) digits += '0';
  StringLiteral& s = new_string_literal();
  s.text.assign(4, '\0');
  for (std::size_t i = 0; i < digits.size(); i += 2)
    s.text[i / 2] = static_cast<char>(digit_value(digits[i]) * 16 + digit_value(digits[i + 1]));
  s.quote_kind = 0;
  token_.string = &s;
  token_.text = ":" + digits;
  return TOK_BCD;
}

// ---- literals ----------------------------------------------------------------------------------

int Scanner::scan_plain_string() {
  std::string_view rest = ahead();
  std::size_t n = 0;
  while (n < rest.size() && n < LITERAL_LIMIT) {
    const char c = rest[n];
    if (c == '"' || c == '\\' || c == '\n' || c == '\0') break;
    ++n;
  }
  if (n == rest.size() || rest[n] != '"') return NO_TOKEN;
  token_.text.clear();
  token_.text.append(rest.data(), n);
  StringLiteral& lit = new_string_literal();
  lit.text.append(rest.data(), n);  // (new_string_literal clears it)
  token_.string = &lit;
  take_ahead(rest, n + 1);  // through the closing quote
  getch();
  return TOK_STRING;
}

int Scanner::scan_quoted(int quote, bool include_name) {
  if (raw_mode && !include_name) {
    token_.text = std::string(1, static_cast<char>(quote));
    getch();
    return TOK_COLON;
  }
  int close = include_name && quote == '<' ? '>' : quote;
  std::string s;
  bool failed = false;
  bool reported = false;
  auto add = [&](int c) {
    if (s.size() >= LITERAL_LIMIT) {
      if (!reported) report_error(run_, 12, {}, static_cast<long>(LITERAL_LIMIT));
      reported = true;
      s.clear();
    }
    s += static_cast<char>(c);
  };
  getch();  // past the opening quote
  for (;;) {
    if (ch_ == -1) {
      report_error(run_, 4);
      failed = true;
      break;
    }
    if (ch_ == '\n') {
      report_error(run_, 13);
      failed = true;
      break;
    }
    if (ch_ == close) {
      getch();
      if (quote == '\'' && !include_name && ch_ == '\'') {
        add('\'');
        getch();
        continue;
      }
      break;
    }
    if (ch_ == '\\' && !include_name) {
      getch();
      int c = ch_;
      int value = -1;
      switch (c) {
        case 'n':
          value = 10;
          break;
        case 't':
          value = 9;
          break;
        case 'v':
          value = 11;
          break;
        case 'b':
          value = 8;
          break;
        case 'r':
          value = 13;
          break;
        case 'f':
          value = 12;
          break;
        case 'a':
          value = 7;
          break;
        case '\\':
        case '\'':
        case '"':
        case '>':
          value = c;
          break;
        default:
          break;
      }
      if (value >= 0) {
        add(value);
        getch();
        continue;
      }
      if (c >= '0' && c <= '7') {
        int v = 0;
        for (int i = 0; i < 3 && ch_ >= '0' && ch_ <= '7'; ++i) {
          v = v * 8 + (ch_ - '0');
          getch();
        }
        add(v & 0xFF);
        continue;
      }
      if ((c == 'x' || c == 'X') && is_hex(peek())) {
        getch();
        unsigned v = 0;
        while (is_hex(ch_)) {
          v = (v * 16 + static_cast<unsigned>(digit_value(ch_))) & 0xFFFu;
          getch();
        }
        add(static_cast<int>(v & 0xFF));
        continue;
      }
      if (c == '\n' || c == -1) continue;  // reported as a missing delimiter
      report_warning(run_, 2);
      add(c);
      getch();
      continue;
    }
    add(ch_);
    // The ordinary characters that follow, as far as the reader holds them at hand, go over
    // in one piece.
    std::string_view rest = ahead();
    std::size_t n = 0;
    while (n < rest.size() && s.size() + n < LITERAL_LIMIT) {
      const char c = rest[n];
      if (c == close || c == '\\' || c == '\n' || c == '\0') break;
      ++n;
    }
    s.append(rest.data(), n);
    take_ahead(rest, n);
    getch();
  }
  if (failed) s.clear();
  token_.text = s;
  if (quote == '"' || include_name) {
    StringLiteral& lit = new_string_literal();
    lit.text = std::move(s);
    lit.quote_kind = 1;
    token_.string = &lit;
    return TOK_STRING;
  }
  if (failed || s.empty()) {
    token_.number = 0;
    return TOK_EMPTY_CHAR;
  }
  if (s.size() == 1) {
    token_.number = static_cast<unsigned char>(s[0]);
    return TOK_CHAR;
  }
  StringLiteral& lit = new_string_literal();
  lit.text = s;
  lit.quote_kind = 0;
  token_.string = &lit;
  return TOK_STRING;
}

bool Scanner::read_include_name(std::string& name, char& form) {
  if (ch_ != '<' && ch_ != '"') return false;
  form = static_cast<char>(ch_);
  int code = scan_quoted(ch_, true);
  name = token_.text;
  return code == TOK_STRING && !name.empty();
}

int Scanner::continue_block_comment() {
  for (;;) {
    if (ch_ == -1) {
      report_error(run_, 4);
      block_comment_ = false;
      return TOK_EOF;
    }
    if (ch_ == '*') {
      getch();
      if (ch_ == '/') {
        getch();
        block_comment_ = false;
        at_line_start_ = false;
        token_.text = " ";
        token_.code = TOK_BLANK;
        return TOK_BLANK;
      }
      continue;
    }
    if (ch_ == '\n') {
      line_start_pending_ = true;
      if (!comment_lf_given_) {
        comment_lf_given_ = true;
        token_.text.clear();
        token_.code = TOK_EOL;
        return TOK_EOL;
      }
      return NO_TOKEN;
    }
    getch();
  }
}

// ---- false conditional branches ---------------------------------------------------------------

// The directive word of a line: the word after exactly one run of blanks (the label field may
// stand before it); empty for a comment line, a line without such a word, or a word at the first
// column. `end` is the place after the word (the line's size when there is none).
std::string_view Scanner::skip_directive_word(std::string_view line, std::size_t& end) const {
  end = line.size();
  std::size_t i = 0;
  while (i < line.size() && !is_blank(static_cast<unsigned char>(line[i]))) ++i;
  bool comment = !line.empty() && (line[0] == ';' || line[0] == '*');
  std::size_t j = i;
  while (j < line.size() && is_blank(static_cast<unsigned char>(line[j]))) ++j;
  if (comment || j == i || j >= line.size()) return {};
  std::size_t k = j;
  while (k < line.size() && ident_part(static_cast<unsigned char>(line[k]))) ++k;
  end = k;
  return line.substr(j, k - j);
}

// The skip hands on an ELSEIF line that ends it with a blank before it, and an ELSE or ENDIF
// line as its directive word in capitals with a blank before it: a line that starts with a blank
// and, for ELSE and ENDIF, holds nothing but the word in capitals reads as the same tokens.
bool Scanner::reads_in_place(std::string_view line, std::string_view word, std::size_t end, int kind) {
  if (kind != COND_ELSE && kind != COND_ELSEIF && kind != COND_ENDIF) return false;
  if (line.empty() || !is_blank(static_cast<unsigned char>(line[0]))) return false;
  if (kind == COND_ELSEIF) return true;
  for (char c : word)
    if (c >= 'a' && c <= 'z') return false;
  for (std::size_t i = end; i < line.size(); ++i)
    if (!is_blank(static_cast<unsigned char>(line[i]))) return false;
  return true;
}

bool Scanner::skipped_line_listed() const {
  return (listing_flags & 1) && !(listing_flags & 2) && hooks.list_skipped_line &&
         (!hooks.lines_listed || hooks.lines_listed());
}

void Scanner::skip_false_branch() {
  IdentTree& tr = t();
  int macro_count = 0;
  const bool in_expansion = conditional->in_macro_expansion();
  auto names = [&tr](std::string_view word, int block) {
    for (SymbolNode* n : tr.block_names(block))
      if (equals_upper_ascii(word, n->name)) return true;
    return false;
  };
  // What a line is to the skip, by its directive word: a conditional kind (COND_IF ...),
  // kSkipMacro, kSkipEndm or 0.
  auto classify = [&](std::string_view word) {
    if (word.empty()) return 0;
    int kind = 0;
    for (const auto& c : tr.conditional_names())
      if (equals_upper_ascii(word, c.node->name)) kind = c.kind;
    if (kind) return kind;
    if (names(word, BLOCK_MACRO)) return static_cast<int>(kSkipMacro);
    if (names(word, BLOCK_ENDM)) return static_cast<int>(kSkipEndm);
    return 0;
  };
  // Handles the line of a conditional kind; true when skipping goes on.
  auto conditional_line = [&](int kind, int s, const std::string& line, std::string_view word) {
    switch (kind) {
      case COND_IF:
        conditional->open_skipped_level();
        return true;
      case COND_ELSEIF:
        if (s == 5) return true;
        conditional->set_state(s | 128);
        push_input_string_A05(line, true, true, listing_flags);
        return false;
      case COND_ELSE:
        if (s == 5) return true;
        conditional->set_state(s | 128);
        push_input_string_A05(upper_ascii(word), true, true, listing_flags);
        return false;
      case COND_ENDIF:
        if (conditional->depth() != 1) {
          conditional->close_level();
          return true;
        }
        conditional->set_state(s | 128);
        push_input_string_A05(upper_ascii(word), true, true, listing_flags);
        return false;
      default:
        return true;
    }
  };
  for (;;) {
    int s = conditional->state();
    if (s != 1 && s != 4 && s != 5) return;
    const bool listed = skipped_line_listed();
    RecordedLine recorded;
    if (line_start_pending_ && !listed && !recorder && reader_->pushback.empty() &&
        reader_->peek_recorded_line(recorded)) {
      // A recorded line is looked at unexpanded when nothing its expansion could put in the
      // place of a parameter reaches its directive word (its class is kept with the line).
      if (*recorded.skip_class == kSkipUnknown) {
        std::size_t end = 0;
        std::string_view word = skip_directive_word(recorded.text, end);
        bool plain = recorded.text.substr(0, end + 1).find('\\') == std::string_view::npos;
        int kind = plain ? classify(word) : kSkipExpanded;
        if (reads_in_place(recorded.text, word, end, kind)) kind += kSkipInPlace;
        *recorded.skip_class = static_cast<std::int8_t>(kind);
      }
      const bool in_place = *recorded.skip_class > kSkipInPlace && *recorded.skip_class < kSkipMacro;
      const int kind = in_place ? *recorded.skip_class - kSkipInPlace : *recorded.skip_class;
      if (kind == 0 || (!in_expansion && (kind == kSkipMacro || kind == kSkipEndm)) ||
          (kind == COND_IF || ((kind == COND_ELSE || kind == COND_ELSEIF) && s == 5) ||
           (kind == COND_ENDIF && conditional->depth() != 1))) {
        reader_->pass_recorded_line();
        prev_ch_ = recorded.text.empty() ? '\n' : static_cast<unsigned char>(recorded.text.back());
        ch_ = '\n';
        if (kind != 0 && kind != kSkipMacro && kind != kSkipEndm) conditional_line(kind, s, std::string(), {});
        continue;
      }
      if (in_place) {
        // It ends the skip: its reader goes on with it.
        conditional->set_state(s | 128);
        return;
      }
      if (kind == COND_ELSE || kind == COND_ELSEIF || kind == COND_ENDIF) {
        // It ends the skip: read it expanded, as the lines of the expansion are read.
        std::string line = reader_->expand_recorded_line();
        prev_ch_ = line.empty() ? '\n' : static_cast<unsigned char>(line.back());
        ch_ = '\n';
        std::size_t end = 0;
        conditional_line(kind, s, line, skip_directive_word(line, end));
        return;
      }
    }
    if (line_start_pending_) {
      line_start_pending_ = false;
      getch();
    }
    if (ch_ == -1) return;
    std::string line;
    read_line_raw(line);  // the whole line, however long
    line_start_pending_ = true;
    // (the listing flags of a pushed text end with it)
    if (skipped_line_listed()) hooks.list_skipped_line(line);

    std::size_t end = 0;
    std::string_view word = skip_directive_word(line, end);
    const int kind = classify(word);
    if (kind == kSkipMacro || kind == kSkipEndm) {
      if (!in_expansion) continue;
      if (kind == kSkipMacro) ++macro_count;
      if (kind == kSkipEndm) {
        if (macro_count == 1) {
          macro_count = 0;
        } else {
          report_error(run_, 57);
          return;
        }
      }
      continue;
    }
    if (!conditional_line(kind, s, line, word)) return;
  }
}

// ---- line helpers ------------------------------------------------------------------------------

void Scanner::skip_rest_of_line() {
  if (token_.code == TOK_EOL && line_start_pending_) return;
  bool saved = suppress_skip_;
  suppress_skip_ = true;
  skip_to_line_end();
  block_comment_ = false;
  held_.clear();
  try {
    next_token_A07();
  } catch (...) {
    suppress_skip_ = saved;
    throw;
  }
  suppress_skip_ = saved;
}

void Scanner::skip_rest_of_line_quiet() {
  if (line_start_pending_) return;
  skip_to_line_end();
  if (ch_ == '\n') line_start_pending_ = true;
}

std::string Scanner::read_rest_of_line(std::size_t max_length) {
  if (line_start_pending_ || ch_ == '\n') {
    line_start_pending_ = false;
    getch();
  }
  std::string out;
  while (ch_ != '\n' && ch_ != -1) {
    if (out.size() < max_length) out += static_cast<char>(ch_);
    getch();
  }
  if (ch_ == -1) {
    if (conditional && conditional->depth() > 0)
      report_error(run_, 57);
    else if (hooks.repeat_recording && hooks.repeat_recording())
      report_error(run_, 76);
    else
      report_error(run_, 4);
  } else {
    line_start_pending_ = true;
  }
  return out;
}

int Scanner::read_delimited_word(std::string_view skip_set, std::string_view stop_set, std::size_t max_length,
                                 std::string& out) {
  out.clear();
  while (ch_ != -1 && ch_ != '\n' && skip_set.find(static_cast<char>(ch_)) != std::string_view::npos) getch();
  while (ch_ != -1 && ch_ != '\n' && stop_set.find(static_cast<char>(ch_)) == std::string_view::npos) {
    if (out.size() < max_length) out += static_cast<char>(ch_);
    getch();
  }
  while (ch_ != -1 && ch_ != '\n') getch();
  if (ch_ == -1) return -1;
  line_start_pending_ = true;
  return 0;
}

// ---- statement reader --------------------------------------------------------------------------

SymbolNode* Scanner::define_of(SymbolNode* node) const {
  if (!node) return nullptr;
  if (node->define) return node;
  if (node == token_.node && single_name_) return nullptr;  // the one node of its name
  for (SymbolNode* n = t().find_exact(node->name); n; n = n->next)
    if (n->define) return n;
  return nullptr;
}

void Scanner::evaluate_defined() {
  // defined NAME or defined(NAME): the name is only looked up.
  bool saved_lookup = lookup_only;
  lookup_only = true;
  auto next_nonblank = [&]() {
    int c;
    do c = get_pp_token_A05();
    while (c == TOK_BLANK);
    return c;
  };
  int c = next_nonblank();
  bool paren = false;
  if (token_.code == TOK_LPAREN) {
    paren = true;
    c = next_nonblank();
  }
  bool result = false;
  bool ok = true;
  // A line end met while the operand is looked for still ends the line.
  auto keep_line_end = [&] {
    if (token_.code == TOK_EOL || token_.code == TOK_EOF) held_.push_back(token_);
  };
  if (c != TOK_IDENT) {
    report_error(run_, in_pp_line_ ? 16 : 0);
    keep_line_end();
    ok = false;
  } else {
    SymbolNode* n = token_.node;
    if (!n) n = t().find_exact(token_.text);
    if (!n) n = t().find_exact(upper_ascii(token_.text));
    result = define_of(n) != nullptr;
    if (paren) {
      next_nonblank();
      if (token_.code != TOK_RPAREN) {
        report_error(run_, in_pp_line_ ? 17 : 0);
        keep_line_end();
        ok = false;
      }
    }
  }
  lookup_only = saved_lookup;
  Token r = token_;
  r.code = TOK_INTEGER;
  r.kind = KIND_NONE;
  r.node = nullptr;
  r.number = ok && result ? 1 : 0;
  r.text = r.number ? "1" : "0";
  token_ = r;
}

const Token& Scanner::statement_token(bool expand) {
  for (;;) {
    int code = get_pp_token_A05();
    (void)code;
    if (token_.code == TOK_IDENT && token_.node) {
      SymbolNode* def_node = expand ? define_of(token_.node) : nullptr;
      if (def_node && hooks.expand_define) {
        ++line_tokens_;
        if (hooks.expand_define(def_node)) continue;
      }
      if (expand && token_.kind == KIND_MACRO && hooks.macro_call) {
        hooks.macro_call(token_.node);
        token_.code = TOK_MACRO_CALL;
        return token_;
      }
      if (token_.kind == KIND_DEFINED) {
        evaluate_defined();
        return token_;
      }
      bool has_meaning = false;
      if (in_pp_line_ && !token_.node->def)
        for (SymbolNode* n = t().find_exact(token_.node->name); n; n = n->next) has_meaning = has_meaning || n->def;
      if (in_pp_line_ && !has_meaning && !token_.node->def) {
        report_warning(run_, 4);
        token_.code = TOK_INTEGER;
        token_.number = 0;
        token_.kind = KIND_NONE;
        token_.node = nullptr;
      }
    }
    if (token_.code == TOK_EOF && !eof_allowed) report_error(run_, 4);
    if (token_.code == TOK_EOL) line_tokens_ = 0;
    return token_;
  }
}

const Token& Scanner::next_token_A07() {
  if (replay_ && !saved_.empty()) {
    token_ = saved_.front();
    saved_.pop_front();
    return token_;
  }
  if (!held_.empty()) {
    held_.pop_front_into(token_);
    return token_;
  }
  statement_token(true);
  if (token_.code != TOK_STRING || no_string_follows()) return token_;
  return join_strings();
}

bool Scanner::no_string_follows() const {
  if (recorder || in_pp_line_ || raw_mode) return false;
  int c = ch_;
  if (is_blank(c)) {
    std::string_view rest = ahead();
    std::size_t n = 0;
    while (n < rest.size() && is_blank(static_cast<unsigned char>(rest[n]))) ++n;
    if (n == rest.size()) return false;
    c = static_cast<unsigned char>(rest[n]);
  }
  if (c == '\n') return true;
  return c == '=' && !t().is_comment_char('=');
}

Token Scanner::blank_token(TokenPosition where) {
  Token t;
  t.code = TOK_BLANK;
  t.text = " ";
  t.where = where;
  return t;
}

const Token& Scanner::join_strings() {
  // Adjacent strings are joined into one (its text made only when a second string follows).
  Token joined = std::move(token_);
  std::string text;
  bool joining = false;
  bool reported = false;
  for (;;) {
    statement_token(true);
    // A blank token is its position: it is made again when it is held back.
    std::optional<TokenPosition> blank;
    if (token_.code == TOK_BLANK) {
      blank = token_.where;
      do statement_token(true);
      while (token_.code == TOK_BLANK);
    }
    if (token_.code != TOK_STRING) {
      if (blank) held_.push_back(blank_token(*blank));
      held_.push_back(std::move(token_));
      break;
    }
    if (!joining) {
      text = joined.string ? joined.string->text : joined.text;
      joining = true;
    }
    const std::string& more = token_.string ? token_.string->text : token_.text;
    for (char ch : more) {
      if (text.size() >= JOIN_LIMIT) {
        if (!reported) report_error(run_, 12, {}, static_cast<long>(JOIN_LIMIT));
        reported = true;
        break;
      }
      text += ch;
    }
  }
  if (joining && text != (joined.string ? joined.string->text : joined.text)) {
    StringLiteral& lit = new_string_literal();
    lit.text = text;
    lit.quote_kind = joined.string ? joined.string->quote_kind : 1;
    joined.string = &lit;
    joined.text = std::move(text);
  }
  token_ = std::move(joined);
  return token_;
}

const Token& Scanner::next_raw_token() {
  if (!held_.empty()) {
    held_.pop_front_into(token_);
    return token_;
  }
  return statement_token(false);
}

void Scanner::pass_plain_blanks() {
  if (!is_blank(ch_) || line_start_pending_ || block_comment_ || raw_mode || in_pp_line_ || pending_percent_ ||
      (replay_ && !saved_.empty()) || !held_.empty())
    return;
  const std::string_view rest = ahead();
  const std::size_t n = leading_blanks(rest);
  if (n >= rest.size()) return;
  // What follows the blanks must start an ordinary token: a '#' or a comment asks for more.
  const int after = static_cast<unsigned char>(rest[n]);
  if (after == 0 || after == '\n' || after == '#' || is_comment_start(after)) return;
  const int last_blank = n > 0 ? static_cast<unsigned char>(rest[n - 1]) : ch_;
  take_ahead(rest, n + 1);
  prev_ch_ = last_blank;
  // What the blank token would have left behind.
  colon_after_label_ = false;
  first_column_ = false;
}

const Token& Scanner::next_nonblank_token() {
  pass_plain_blanks();
  next_token_A07();
  while (token_.code == TOK_BLANK) next_token_A07();
  return token_;
}

void Scanner::skip_tokens(int code) {
  while (token_.code == code) next_token_A07();
}

void Scanner::save_token(bool replay) {
  if (saved_.size() >= SAVED_LIMIT) report_internal(run_, "A07:save_or_get_token_A07", "Backup overflow");
  saved_.push_back(token_);
  replay_ = replay;
}

bool Scanner::get_saved_token() {
  if (!replay_ || saved_.empty()) return false;
  token_ = saved_.front();
  saved_.pop_front();
  return true;
}

void Scanner::clear_saved_tokens() {
  saved_.clear();
  replay_ = false;
}

int skip_blanks(Scanner& sc) {
  while (sc.token().code == TOK_BLANK) sc.next_token_A07();
  return sc.token().code;
}

int next_nonblank(Scanner& sc) { return sc.next_nonblank_token().code; }

bool end_of_statement(Scanner& sc) {
  int code = skip_blanks(sc);
  if (code == TOK_EOL || code == TOK_EOF) return true;
  if (code == TOK_SEMICOLON) {
    sc.skip_rest_of_line();
    return true;
  }
  user_error_A01(sc.run(), 0);
  sc.skip_rest_of_line();
  return false;
}

}  // namespace aq71
