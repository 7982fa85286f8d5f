// Tokens of aq71: the token codes the scanner produces, the token record the statement reader
// hands out, and the reporting seam through which the scanner and the identifier tree raise
// numbered problems and internal errors.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "assembler/floats.h"

namespace aq71 {

struct SymbolNode;

// ---- token codes ------------------------------------------------------------------------------

// Codes of the character-level scanner. Registered operators and delimiters carry the code
// recorded in their definition instead (operator tokens go up to 148).
enum TokenCode : int {
  TOK_EMPTY_CHAR = -1,  // '' or a character literal ended by an error (value 0)
  TOK_IDENT = 0,
  TOK_INTEGER = 1,
  TOK_FLOAT = 2,
  TOK_CHAR = 3,
  TOK_STRING = 4,
  TOK_STAR = 5,
  TOK_AMP = 6,
  TOK_PLUS = 7,
  TOK_MINUS = 8,
  TOK_BANG = 9,
  TOK_TILDE = 10,
  TOK_SLASH = 11,
  TOK_PERCENT = 12,
  TOK_SHR = 13,
  TOK_GE = 14,
  TOK_GT = 15,
  TOK_SHL = 16,
  TOK_LE = 17,
  TOK_LT = 18,
  TOK_NE_ANGLE = 19,  // <>
  TOK_EQEQ = 20,      // == and !=
  TOK_ASSIGN = 21,    // =
  TOK_COLON = 22,     // also any unregistered character inside a preprocessor line
  TOK_SEMICOLON = 23,
  TOK_DOT = 24,
  TOK_COMMA = 25,
  TOK_LPAREN = 26,
  TOK_RPAREN = 27,
  TOK_LBRACKET = 28,
  TOK_RBRACKET = 29,
  TOK_LBRACE = 30,
  TOK_RBRACE = 31,
  TOK_PASTE = 32,  // ##
  TOK_HASH = 33,
  TOK_DOLLAR = 34,
  TOK_AT = 35,
  TOK_CARET = 36,
  TOK_BACKSLASH = 37,
  TOK_BCD = 38,  // ':' followed by hexadecimal digits
  TOK_EOF = 57,
  TOK_BLANK = 58,
  TOK_EOL = 59,
  TOK_MACRO_CALL = 135,  // the statement reader started a macro call
};

// Kinds of definition records (the meanings a name can carry).
enum DefKind : int {
  KIND_NONE = 0,
  KIND_MNEMONIC = 71,
  KIND_DIRECTIVE = 72,
  KIND_REGISTER = 73,
  KIND_SEGMENT = 74,
  KIND_LABEL = 75,
  KIND_MACRO = 76,
  KIND_PREFIX = 77,
  KIND_SUFFIX = 78,
  KIND_SEGMENT_TYPE = 79,
  KIND_OPERATOR = 80,
  KIND_DELIMITER = 81,
  KIND_PREPROCESSOR = 82,
  KIND_DEFINED = 83,
  KIND_IDENT_CHAR = 84,
  KIND_COMMENT_CHAR = 85,
  KIND_SFR_ATTRIBUTE = 86,
};

// ---- string literals ---------------------------------------------------------------------------

// A scanned string (also a BCD string). The scanner reuses the record after many more strings:
// a user keeps a copy of what it needs.
struct StringLiteral {
  std::string text;    // without the terminating zero byte
  int quote_kind = 1;  // 1 double quotes, 0 single quotes
  // Length as the assembler counts it: the text plus its terminating zero byte.
  std::uint32_t length() const { return static_cast<std::uint32_t>(text.size() + 1); }
};

// ---- token record ------------------------------------------------------------------------------

struct TokenPosition {
  long line = 0;   // line number of the source line the token was read in
  int column = 0;  // 1-based column of its first character (0 when unknown)
};

struct Token {
  int code = TOK_EOL;                     // token code (registered operators/delimiters: their own code)
  int kind = KIND_NONE;                   // definition kind of the meaning found, 0 when none
  SymbolNode* node = nullptr;             // the name (identifiers, registered operators and delimiters)
  std::int32_t number = 0;                // integers, characters
  unpacked_float fvalue;                  // floating constants, as the assembler computes them
  double real = 0.0;                      // the same value as a host double (bit image of fvalue)
  const StringLiteral* string = nullptr;  // strings and BCD strings
  std::string text;                       // the characters as scanned
  TokenPosition where;

  bool is(int c) const { return code == c; }
};

// ---- reporting seam ----------------------------------------------------------------------------

// Problems of the scanner and the identifier tree. With no hook set they go to the diagnostics
// (user_error_A01, user_warning_A01, internal_error_A01), which report them at the reader's
// current position; tests set hooks to watch them. name is the text argument ([name]), number_arg
// the number argument ([number]). When a hook returns after a fatal error, the scanner carries on
// as sensibly as it can (an empty literal, end of input, ...).
struct ProblemHooks {
  std::function<void(int number, std::string_view name, long number_arg)> error;
  std::function<void(int number, std::string_view name, long number_arg)> warning;
  // Internal consistency failure: the hook prints the report and stops the run. If it returns,
  // InternalStop is thrown.
  std::function<void(const char* function, const char* diagnostic)> internal;
};
class Assembly;
// The hooks of a run.
ProblemHooks& problem_hooks(Assembly& run);

struct InternalStop {
  std::string function;
  std::string diagnostic;
};

void report_error(Assembly& run, int number, std::string_view name = {}, long number_arg = 0);
void report_warning(Assembly& run, int number, std::string_view name = {}, long number_arg = 0);
[[noreturn]] void report_internal(Assembly& run, const char* function, const char* diagnostic);

}  // namespace aq71
