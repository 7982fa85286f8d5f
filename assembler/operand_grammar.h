// Operand grammar of aq71: reads the operand field of an AVR instruction (operand mode) and
// every expression of the directives (expression mode) from the scanner, building the operand
// record of the instruction table and the postfix term lists of the expressions.
//
// Expression levels, loosest first, each binary level left-associative:
//   comparison (class 64, "=", "<>")  <  OR XOR (32)  <  AND (16)  <  + - (8)  <  * / MOD SHR SHL (4)
//   <  class-1 operator written between two operands  <  unary  <  primary
// A unary operator (NOT ! BITNOT ~ LOW HIGH BYTE2 BYTE3 LWRD HWRD DATE, unary - and +) applies to
// a primary only, so "- - 1" is a syntax error and "HIGH X * 2" is "(HIGH X) * 2". SFB/SFE and
// SIZEOF take a segment name, with or without parentheses. Parentheses nest at most
// kMaxParenDepth deep; deeper nesting is a syntax error rather than a deep recursion.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"
#include "assembler/expressions.h"

namespace aq71 {

class Assembly;
class Scanner;
struct Statement;

constexpr int kMaxParenDepth = 100;

struct ExpressionParse {
  bool ok = false;
  TermList terms;  // postfix; a string comparison gives one constant term
};

// Expression mode. token_read: the current token is the first of the expression. Ends at ",",
// an unmatched ")", ";", the line end or the end of input, which stays the current token. A
// syntax error is reported as error 0 and the rest of the line is skipped; ok is then false.
// A segment name used as a value is error 84 and makes the whole expression the constant 0.
// comma_may_follow is accepted for the callers' sake; a "," always ends the expression.
ExpressionParse parse_expression_B03(Scanner& scanner, bool comma_may_follow, bool token_read);

// Parses one expression (expression mode of the operand grammar). token_read: the scanner's
// current token is the expression's first token; otherwise the next token is read first. A ","
// ends the expression (comma_may_follow only tells whether the caller expects more arguments).
// On return the current token is the one that ended it (",", an unmatched ")", line end, ";" or
// end of input). Problems are reported at once; a syntax error gives error 0, the rest of the
// line is skipped and the record has failed set (absolute 0). The record is typed and evaluated
// once; when it is still unsolved it joins the unsolved list. Its statement is the identifier
// tree's current statement (env.statement).
ValueRec* parse_expression_A08(Scanner& scanner, bool comma_may_follow, bool token_read = true);

// For arguments that must be known at once (IF, ELSEIF, LIMIT, repeat counts, listing control):
// the value, or 0 after error 54 "expression can not be forward" (not when the parse failed).
// ok (when given) tells whether a value was found.
std::int32_t parse_absolute_expression_A08(Scanner& scanner, bool comma_may_follow, bool token_read = true,
                                           bool* ok = nullptr);

// Operand mode.
struct ParsedOperands {
  OperandRec ops{};                    // form, registers; expr1/expr2 filled from exprs
  std::array<OperandSlot, 2> exprs{};  // expressions in the order written (numbers kept in place)
  std::uint16_t count = 0;           // operand forms parsed: 0 (empty field) or 1
  bool failed = false;               // syntax error (error 0 reported, line skipped)
  std::uint16_t register_error = 0;  // 406, 407 or 418 (reported)
  int column = 0;                    // column of the field's first token (0: empty field)
};
// Reads the operand field after the mnemonic (the current token) up to the end of the line,
// which becomes the current token. Register misuse for `mnemonic` is reported (406/407/418).
ParsedOperands parse_operands_B03(Scanner& scanner, std::uint16_t mnemonic);

// Test hook of a run: called for every instruction statement once encode_instruction_statement
// has put its code into the statement (the tests read the bytes of a whole run through it).
using EncodedStatementHook = std::function<void(const Statement&, const EncodeContext&)>;
EncodedStatementHook& encoded_statement_hook(Assembly& run);

}  // namespace aq71
