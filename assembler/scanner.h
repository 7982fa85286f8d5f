// Scanner of aq71: turns the characters of the source, of #define bodies, macro lines and pushed
// texts into tokens, and the statement reader on top of it (#define expansion, macro calls,
// `defined`, joining of adjacent strings, look-ahead store).
//
// Characters arrive through a stack of input readers (input_readers.h). The bottom one reads the
// source through a LineSource (the include-stack reader of the driver, or a string in tests);
// pushed texts, #define bodies and macro lines are readers pushed on top. Each reader keeps its
// own pushed-back characters.
//
// Dot rule: when "." is registered as an identifier character it is an ordinary character inside
// names ("a.b" is one name) and, followed by a letter, "_" or "?", it begins a name (".L1:" defines
// the label ".L1"). A dot anywhere else, or an unregistered dot, is the token "." (24).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/ident_tree.h"
#include "assembler/input_readers.h"
#include "assembler/source_files.h"
#include "assembler/tokens.h"

namespace aq71 {

// What the false-branch skip needs of conditional assembly.
class ConditionalControl {
 public:
  virtual ~ConditionalControl() = default;
  virtual int state() const = 0;  // 1, 4 or 5: a false branch is being skipped
  virtual void set_state(int state) = 0;
  virtual int depth() const = 0;
  // IF inside a skipped block: a nested level in state 5 (with its block-stack entry).
  virtual void open_skipped_level() = 0;
  // ENDIF inside a skipped block below the outermost level: back to the enclosing level.
  virtual void close_level() = 0;
  virtual bool in_macro_expansion() const = 0;
};

struct ScannerHooks {
  std::function<void()> line_begin;                         // a new line starts
  std::function<void()> line_listed;                        // the line under the read head goes to the listing
  std::function<void(std::string_view)> list_skipped_line;  // a skipped false-branch line
  std::function<bool()> lines_listed;                       // the listing may show the lines read now
  std::function<void()> preprocessor_line;                  // '#' line: reads the rest with the scanner
  std::function<bool()> preprocessor_active;                // false while an #if branch is false
  std::function<bool()> preprocessor_if_open;               // an #if level is open (end of input: error 14)
  std::function<void(const std::string&)> include_file;     // '$' line
  std::function<bool(SymbolNode*)> expand_define;           // true when the body has become the input
  std::function<void(SymbolNode*)> macro_call;              // a macro name was read as a statement word
  std::function<bool()> repeat_recording;                   // a repeat block is being recorded
};

// Characters that are always part of a name: letters, digits, '$', '?' and '_' (byte 1 may
// only begin one).
inline constexpr std::array<bool, 256> kNamePart = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<std::size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                     c == '$' || c == '?' || c == '_';
  return t;
}();

// Printable form of a character for messages: itself for 32..126, \0 \a \b \t \n \v \f \r, else
// \xNN.
std::string printable_char(int c);

class Scanner {
 public:
  // A scanner of one run: it reads names into that run's identifier tree, and the handlers it
  // is passed to reach the run through it.
  explicit Scanner(Assembly& run);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // The whole scanner back to its start state, reading from the given source (which must stay
  // alive while the scanner reads it). Also resets the input stack (init_token_buffers_A07).
  void start(LineSource* source);
  // A module begins: pushed-back characters are dropped and input comes from the source again.
  void begin_module();

  ScannerHooks hooks;
  ConditionalControl* conditional = nullptr;
  Assembly& run() const { return run_; }
  IdentTree& tree;  // the run's identifier tree

  // ---- mode flags set by other parts ----------------------------------------------------
  int default_radix = 10;              // RADIX
  bool floats_enabled = true;          // back end feature bit 4 clear
  bool raw_mode = false;               // macro actuals: literals unprocessed, no classification
  bool colon_continues_ident = false;  // macro call operands
  bool percent_prefix = false;         // macro body recording
  bool colon_ends_number = false;      // ORG operand
  bool define_line = false;            // inside a #define line
  bool lookup_only = false;            // names are looked up, never entered
  bool list_reads_type = false;        // PUBLIC/EXTERN list reads a segment type
  bool eof_allowed = true;             // end of input is not error 4 in the statement reader
  // While set, every character read is appended to it and every character pushed back is
  // taken off again (collection of #define arguments).
  std::string* recorder = nullptr;
  std::uint32_t listing_flags = 0;  // listing flags, saved and restored around pushed texts
  int lookup_mode() const { return mode_; }
  void set_lookup_mode(int mode) { mode_ = mode; }
  bool in_preprocessor_line() const { return in_pp_line_; }
  bool keyword_seen() const { return keyword_seen_; }
  bool label_followed_by_blank() const { return label_blank_; }
  bool comment_seen() const { return comment_seen_; }  // the current line held a comment

  // ---- character level ------------------------------------------------------------------
  int current_char() const { return ch_; }
  int previous_char() const { return prev_ch_; }
  inline int getch();          // reads the next character into the current one
  void unget_char_A05(int c);  // pushes a character back on the current reader
  void set_current_char(int c) { ch_ = c; }
  int peek();  // the character after the current one, left unread
  // Input stack.
  void redirect_input_A05(InputReader* reader);
  void pop_input();
  void reset_input();
  std::size_t input_depth() const { return stack_.size(); }
  InputReader* current_reader() const { return reader_; }
  // True when the reader is the current input or waits below it on the input stack.
  bool reads_from(const InputReader* r) const;
  // The generated line of the innermost reader that plays one back, or nullptr.
  const std::string* generated_line() const;
  // Makes a text the next input.
  void push_input_string_A05(std::string_view text, bool leading_blank, bool trailing_newline,
                             std::uint32_t list_flags);
  // Makes a text the input from here on: the current character is pushed back behind it and
  // the text's first character becomes current (expansions that replace the name just read).
  void insert_text_now(std::string_view text);
  // Source position of the read head.
  long line_number() const;
  int column() const;
  const std::string& line_text() const;

  // ---- token level ----------------------------------------------------------------------
  // Next token of the character level: code as in TokenCode; registered operators and
  // delimiters give their definition kind in token().kind and their code in token().code.
  int get_pp_token_A05();
  // Next statement token: #define names expanded, macro calls started, `defined` evaluated,
  // adjacent strings joined.
  const Token& next_token_A07();
  // The next statement token that is not a blank. A run of blanks that only separates two
  // tokens on the line at hand is passed without making a token of it.
  const Token& next_nonblank_token();
  // Same without #define expansion and macro calls.
  const Token& next_raw_token();
  const Token& token() const { return token_; }
  bool token_is(int code) const { return token_.code == code; }
  // Reads tokens while they have the given code.
  void skip_tokens(int code);

  // Look-ahead store (at most 4 tokens).
  void save_token(bool replay);
  bool get_saved_token();
  void clear_saved_tokens();

  // Ends the statement: reads to the line feed and makes the line end the current token.
  void skip_rest_of_line();
  // Reads to the line feed and starts the next line; no token.
  void skip_rest_of_line_quiet();
  // The rest of the current line (at most max_length characters kept); at end of input errors
  // 57, 76 or 4.
  std::string read_rest_of_line(std::size_t max_length);
  // Skips characters of skip_set, copies up to a stop_set character or the line end (at most
  // max_length), then drops the rest of the line. Returns -1 at end of input, else 0.
  int read_delimited_word(std::string_view skip_set, std::string_view stop_set, std::size_t max_length,
                          std::string& out);
  // File name of #include: the current character is '<' or '"'; backslashes are ordinary.
  // Returns false for anything else or an unterminated name.
  bool read_include_name(std::string& name, char& form);
  // Skips lines up to the next one whose first non-blank character is '#'.
  void skip_to_preprocessor_line();

 private:
  class SourceInput;
  class StringReader;
  class ConstReader;

  int getch_slow();
  void begin_line();
  int dispatch();
  int finish_blank_run();
  // Reads to the line feed, which becomes the current character (or to the end of input).
  void skip_to_line_end();
  int scan_identifier();
  // A name in capitals that lies whole in the line at hand and has one meaning that needs no
  // more than a look (IdentTree::single_meaning), in one piece; NO_TOKEN (nothing taken) for
  // any other.
  int scan_plain_name();
  // Appends the name characters that follow the current one straight from the source line
  // (at most up to limit in total) and makes the last of them current.
  void take_name_run(char* name, std::size_t& length, std::size_t limit);
  // The characters after the current one that the current reader holds at hand (none while
  // characters wait pushed back or are recorded); take_ahead makes the count-th of them current.
  std::string_view ahead() const;
  void take_ahead(std::string_view rest, std::size_t count);
  int scan_number();
  // A number of plain digits (0x and hexadecimal ones, or decimal ones in the default radix)
  // whose characters are at hand, in one piece; NO_TOKEN (nothing taken) for any other.
  int scan_plain_number();
  // Passes the blanks from the current character on when they lie in the line at hand and
  // what follows them starts an ordinary token, leaving what a blank token would; else nothing.
  void pass_plain_blanks();
  int scan_prefixed_number(int radix);
  int convert_number(const std::string& digits, int radix);
  int scan_float(const std::string& int_digits);
  void skip_integer_suffix();
  int scan_quoted(int quote, bool include_name);
  // A double-quoted string whose characters are at hand, none of them special, in one piece;
  // NO_TOKEN (nothing taken) for any other.
  int scan_plain_string();
  int scan_backquoted();
  // Looks a name up for the token in hand and notes a label in the first field.
  void classify_token(std::string_view name, const ClassifyContext& ctx);
  int scan_bcd();
  int continue_block_comment();
  int operator_token(int c);
  bool registered_token(std::string_view text, int builtin_code);
  void handle_preprocessor_line();
  void handle_include_line();
  void skip_false_branch();
  bool skipped_line_listed() const;
  static bool reads_in_place(std::string_view line, std::string_view word, std::size_t end, int kind);
  std::string_view skip_directive_word(std::string_view line, std::size_t& end) const;
  bool is_comment_start(int c) const;
  bool ident_start(int c) const;
  bool ident_part(int c) const {
    if (c >= 0 && c < 256 && kNamePart[static_cast<std::size_t>(c)]) return true;
    if (c == '@' || c == '.') return tree.is_ident_char(static_cast<unsigned char>(c));
    return false;
  }
  int read_line_raw(std::string& out);  // to the line feed (left current); returns last char
  const Token& statement_token(bool expand);
  // The string token just read joined with the strings that follow it; the tokens read past
  // them are held back.
  [[gnu::noinline]] const Token& join_strings();
  // The characters at hand show that the token after the string just read is a line end or
  // "=", perhaps after blanks: there is nothing to join, and the next token need not be read
  // ahead.
  bool no_string_follows() const;
  static Token blank_token(TokenPosition where);
  void evaluate_defined();
  SymbolNode* define_of(SymbolNode* node) const;
  IdentTree& t() const { return tree; }

  Assembly& run_;
  std::unique_ptr<SourceInput> source_;
  std::unique_ptr<ConstReader> lf_reader_;
  std::vector<std::unique_ptr<StringReader>> string_readers_;
  std::vector<InputReader*> stack_;
  InputReader* reader_ = nullptr;

  int ch_ = '\n';
  int prev_ch_ = '\n';
  int mode_ = MODE_FIELDS;
  bool line_start_pending_ = true;
  bool at_line_start_ = true;  // nothing but blanks before the read head on this line
  bool first_column_ = true;   // the next token starts in the first column
  bool block_comment_ = false;
  bool comment_lf_given_ = false;
  bool keyword_seen_ = false;
  bool suffix_wanted_ = false;
  bool in_pp_line_ = false;
  bool label_on_line_ = false;
  bool label_blank_ = false;
  bool comment_seen_ = false;
  bool pending_percent_ = false;
  bool colon_after_label_ = false;  // the last identifier was a first-field name before ':'
  bool single_name_ = false;        // the token is a name whose node is the only one of that name
  bool suppress_skip_ = false;
  bool limit_reported_ = false;
  int nonblank_on_line_ = 0;

  Token token_;
  // Tokens waiting to be handed out in turn: their records keep their room for the next ones.
  class TokenQueue {
   public:
    bool empty() const { return head_ == tokens_.size(); }
    void push_back(Token&& t) {
      if (empty()) clear();
      tokens_.push_back(std::move(t));
    }
    void push_back(const Token& t) { push_back(Token(t)); }
    // Moves the first token into `to`.
    void pop_front_into(Token& to) { to = std::move(tokens_[head_++]); }
    void clear() {
      tokens_.clear();
      head_ = 0;
    }

   private:
    std::vector<Token> tokens_;
    std::size_t head_ = 0;
  };
  TokenQueue held_;          // tokens held back by the string join
  std::deque<Token> saved_;  // look-ahead store
  bool replay_ = false;
  int line_tokens_ = 0;
  // The records of the latest string tokens, taken in turn: a string token's record stays
  // untouched while the next kStringRecords - 1 strings are read, longer than any statement
  // looks back (its users copy what they keep).
  static constexpr std::size_t kStringRecords = 64;
  std::array<StringLiteral, kStringRecords> strings_{};
  std::size_t next_string_ = 0;
  StringLiteral& new_string_literal();
};

// Reads the source and keeps the current line for positions. A NUL byte is dropped with error 15
// so that it cannot cut the line short.
class Scanner::SourceInput final : public InputReader {
 public:
  explicit SourceInput(Assembly& r) : run(r) {}
  Assembly& run;
  LineSource* source = nullptr;
  SourceReader* direct = nullptr;  // the reader behind source, read directly
  std::size_t pos = 0;             // characters read from the current line
  bool line_done = false;          // its line feed was read: the next character starts a new line
  bool at_end = false;

  void attach(LineSource* s);
  int read() override { return read_char(); }
  int read_char();
  // The next character when the direct reader's current line has one that is not NUL: taken.
  // Else -2, and nothing is taken.
  int take_plain() {
    if (!direct || line_done) return -2;
    int c = direct->take_plain_char();
    if (c >= 0) {
      ++pos;
      if (c == '\n') line_done = true;
    }
    return c;
  }
  long line_number() const { return direct ? direct->line_number() : source ? source->line_number() : 0; }
  int file_index() const { return direct ? direct->file_index() : source ? source->file_index() : 0; }
  // The current line as far as it was read.
  const std::string& text();
  // The characters of the direct reader's current line that follow (none when the reader is
  // not read directly or its line is done); take() delivers the first count of them.
  std::string_view ahead() const {
    return direct && !line_done ? direct->rest_of_line() : std::string_view();
  }
  void take(std::size_t count) {
    direct->advance(count);
    pos += count;
  }

 private:
  std::string line_;  // kept as it is read unless the reader is read directly (then on demand)
};

inline long Scanner::line_number() const { return source_->line_number(); }

inline int Scanner::column() const { return static_cast<int>(source_->pos); }

inline int Scanner::getch() {
  if (reader_->pushback.empty() && !recorder) {
    if (reader_ == source_.get()) {
      int c = source_->take_plain();
      if (c >= 0) {
        prev_ch_ = ch_;
        ch_ = c;
        return c;
      }
    } else if (const std::string* text = reader_->buffered_text; text && *reader_->buffered_pos < text->size()) {
      prev_ch_ = ch_;
      ch_ = static_cast<unsigned char>((*text)[(*reader_->buffered_pos)++]);
      return ch_;
    }
  }
  return getch_slow();
}

// ---- statement helpers -----------------------------------------------------------------------

// True when the current token ends the statement: blanks are skipped, then a line end, a comment
// or the end of input must follow, else error 0 "Invalid syntax". The rest of the line is skipped.
bool end_of_statement(Scanner& sc);
// Reads the next token that is not a blank.
int next_nonblank(Scanner& sc);
// Skips blanks from the current token on.
int skip_blanks(Scanner& sc);

}  // namespace aq71
