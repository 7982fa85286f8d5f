// Repeat blocks (REPT, REPTI, REPTC ... ENDR) and the block stack that pairs the opening and
// closing directives of macros, repeats and conditional levels.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

// Kinds of open blocks.
enum OpenBlock : int {
  OPEN_NONE = 0,
  OPEN_MACRO = 1,
  OPEN_REPEAT = 2,
  OPEN_CONDITIONAL = 3,
  OPEN_STRUCTURED = 4,
};

class BlockStack {
 public:
  struct Node {
    int kind = OPEN_NONE;
    long line = 0;
  };
  // The blocks of one run; pop reports to it.
  explicit BlockStack(Assembly& run) : run_(run) { reset(); }
  // Back to the bottom node alone (no block open).
  void reset();
  // Pushes a block; with fresh == false the top node takes kind and line instead.
  void push(int kind, long line, bool fresh = true);
  // Closes a block of the expected kind. A different open block is reported (errors 37, 68,
  // 59, 82 when none is open, else 78 to 81 by the open kind) and removed all the same; the
  // bottom node stays. Returns the kind of the new top.
  int pop(int expected);
  const Node& top() const { return nodes_.back(); }
  std::size_t size() const { return nodes_.size() - 1; }
  // Origin note of the innermost open block for the diagnostics.
  std::optional<std::pair<const char*, long>> origin() const;

 private:
  std::vector<Node> nodes_;
  Assembly& run_;
};

// The block stack of a run.
BlockStack& block_stack(Assembly& run);

// Longest line of a repeat body.
inline constexpr std::size_t kRepeatLineLimit = 2046;

// Directive handlers. The scanner's current token is the directive word.
void directive_rept(Scanner& sc, SymbolNode* label, int mode);  // mode 3 REPT, 2 REPTI, 1 REPTC
void directive_endr(Scanner& sc, SymbolNode* label);

// True while a repeat body of the run is being recorded (end of input there is error 76).
bool repeat_recording(Assembly& run);

// True while the input comes from a repeat body being played back.
bool repeat_playing(const Scanner& sc);

// Start of a pass of the run: no repeat open or playing, block stack empty.
void reset_repeat_blocks(Assembly& run);

// Repeat bodies the run holds: those playing, and those that ended since the last block began.
std::size_t repeat_bodies_held(Assembly& run);

// Splits a REPTI header into the formal and its values (commas inside double quotes do not
// split); REPTC: the formal and one value per character. Empty results are refused by the caller.
std::vector<std::string> split_repti_header(const std::string& text);
bool split_reptc_header(const std::string& text, std::string& formal, std::vector<std::string>& values,
                        bool& missing_quote);
// Upper-cased first word of a line that starts in its first column, and the word of its
// operation field (comments end the search).
std::pair<std::string, std::string> statement_words(const std::string& line);
// Every occurrence of formal in line replaced by value (plain, case-sensitive).
std::string replace_formal(const std::string& line, const std::string& formal, const std::string& value);

}  // namespace aq71
