// Assembler macros: MACRO ... ENDM definitions recorded line by line, calls that replay the
// recorded lines with the actual arguments in place of \1..\9, \A..\Z (or, for macros defined as
// "MACRO name", through the operator stack language), EXITM, LOCAL and the symbol _args.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

inline constexpr int kMacroFormalLimit = 36;
inline constexpr int kMacroActualLimit = 35;
inline constexpr int kMacroNestingLimit = 100;
inline constexpr std::size_t kMacroTextLimit = 512;      // recorded line, actual text
inline constexpr std::size_t kMacroTextFill = 507;       // characters that fit
inline constexpr std::size_t kExpandedLineLimit = 4096;  // one expanded line

struct MacroLine {
  std::string text;  // with its line feed; formals already turned into \1 ... \Z
  long line = 0;
  std::string file;
  // Expanding the line does nothing but make its text: it holds no operator and no invalid
  // sequence, and cannot grow beyond the limit of an expanded line.
  bool plain = false;
  mutable std::int8_t skip_class = -1;  // what the false-branch skip found the line to be
};

struct MacroDef {
  std::string name;
  bool operator_mode = false;    // defined as "MACRO name"
  std::vector<MacroLine> lines;  // the last one holds ENDM
};

// Directive handlers: the scanner's current token is the directive word.
void directive_macro(Scanner& sc, SymbolNode* label);
void directive_endm(Scanner& sc, SymbolNode* label);
void directive_exitm(Scanner& sc, SymbolNode* label);
void directive_local(Scanner& sc, SymbolNode* label);

// Starts a call of the macro named by node: reads the actuals from the rest of the line and
// makes the expansion the scanner's input.
void macro_call_A10(Scanner& sc, SymbolNode* node);

// Position of a "/*" in a call line's actuals that is not closed on the line (quotes and
// line comments respected), or npos.
std::size_t unclosed_block_comment(const std::string& text);

// Number of active calls of the run.
int macro_level(Assembly& run);

// Start of a pass of the run: no call active, operator stack and counter reset.
void reset_macros(Assembly& run);

// Definition of a macro node (nullptr for other nodes).
const MacroDef* macro_definition(const SymbolNode* node);

// Splits the rest of a call line into actual texts (quoted actuals lose their brackets). Errors:
// 20 (text too long), 38 (unclosed quoted actual), 0 (text after the closer). open/close: the
// quote pair. Returns false with more than 35 actuals.
bool split_actuals(Assembly& run, const std::string& text, char open, char close, std::vector<std::string>& actuals);

// A body line with the formals replaced by their backslash forms (identifiers only; strings
// and comments are left alone).
std::string replace_formals(const std::string& line, const std::vector<std::string>& formals, bool case_sensitive);

// Operator stack language of operator-mode macros.
class MacroOperators {
 public:
  explicit MacroOperators(Assembly& run) : run_(run) {}
  void reset();  // stack emptied, counter 0, interpretation on
  void enable() { enabled_ = true; }
  // Interprets the character after a backslash. text/pos: the line being expanded (L reads
  // its digits there); actuals of the current call. Appends the result text to out.
  void interpret(char op, const std::string& text, std::size_t& pos, const std::vector<std::string>& actuals,
                 bool assembling, std::string& out);
  int depth() const { return sp_ + 1; }
  std::int32_t top() const { return sp_ >= 0 ? stack_[sp_] : 0; }

 private:
  bool push(std::int32_t v);
  bool need(int n);
  Assembly& run_;
  std::int32_t stack_[100] = {};
  int sp_ = -1;
  std::int32_t counter_ = 0;
  bool enabled_ = true;
};

// The operator stack of a run.
MacroOperators& macro_operators(Assembly& run);

}  // namespace aq71
