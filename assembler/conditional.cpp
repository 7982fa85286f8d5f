#include "assembler/conditional.h"
#include "assembler/assembly.h"

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/operand_grammar.h"
#include "assembler/repeat_blocks.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

#include <string_view>

namespace aq71 {

ConditionalAssembly& conditional_assembly(Assembly& run) { return run.part<ConditionalAssembly>(); }

ConditionalAssembly::ConditionalAssembly(Assembly& run)
    : run_(run), blocks_(block_stack(run)), reader_(source_reader(run)) {}

int ConditionalAssembly::state() const { return levels_.empty() ? base_state_ : levels_.back().state; }

void ConditionalAssembly::set_state(int s) {
  if (levels_.empty())
    base_state_ = s;
  else
    levels_.back().state = s;
}

bool ConditionalAssembly::skipping() const {
  int s = state() & 127;
  return s == COND_UNBALANCED || s == COND_FALSE || s == COND_DONE;
}

void ConditionalAssembly::reset() {
  levels_.clear();
  base_state_ = COND_OUTSIDE;
  depth_ = 0;
}

void ConditionalAssembly::open_level(bool condition, long line) {
  blocks_.push(OPEN_CONDITIONAL, line);
  ++depth_;
  levels_.push_back({condition ? COND_TRUE : COND_FALSE, false});
}

void ConditionalAssembly::open_skipped_level() {
  blocks_.push(OPEN_CONDITIONAL, reader_.line_number());
  ++depth_;
  levels_.push_back({COND_DONE, false});
}

void ConditionalAssembly::close_level() {
  if (depth_ > 0) --depth_;
  blocks_.pop(OPEN_CONDITIONAL);
  if (levels_.empty()) {
    user_error_A01(run_, 57);
    base_state_ = COND_UNBALANCED;
    return;
  }
  levels_.pop_back();
}

bool ConditionalAssembly::in_macro_expansion() const { return macro_expansion_active && macro_expansion_active(); }

bool ConditionalAssembly::do_else() {
  int s = state() & 127;
  switch (s) {
    case COND_TRUE:
      set_state(COND_DONE);
      return true;
    case COND_FALSE:
      set_state(COND_ELSE_TAKEN);
      return true;
    case COND_UNBALANCED:
      set_state(s);
      return true;
    case COND_OUTSIDE:
    case COND_ELSE_TAKEN:
    case COND_DONE:
      set_state(s);
      user_error_A01(run_, 58);
      return false;
    default:
      internal_error_A01(run_, "cond_else_A12", "Illegal tag", s, 0);
  }
}

void ConditionalAssembly::do_endif() {
  int s = state() & 127;
  if (s > COND_DONE) internal_error_A01(run_, "cond_endif_A12", "Illegal tag", s, 0);
  if (s == COND_OUTSIDE) {
    set_state(s);
    user_error_A01(run_, 59);
    return;
  }
  if (s == COND_UNBALANCED && levels_.empty()) {
    set_state(s);
    return;
  }
  close_level();
}

void ConditionalAssembly::close_to_depth(int depth) {
  while (depth_ > depth && !levels_.empty()) close_level();
  if (depth_ > depth) depth_ = depth;
}

// ---- directives --------------------------------------------------------------------------------

namespace {

void line_statement_for(Scanner& sc, SymbolNode* label) {
  Statement& st = open_statement(sc.run(), StatementKind::Nothing);
  attach_label(sc.run(), st, label);
}

// Tokens up to the line end (some may be held back by the reader already).
void end_line(Scanner& sc) {
  if (sc.token().code == TOK_SEMICOLON) sc.skip_rest_of_line();
  while (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.next_token_A07();
}

enum class StringComparison { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual, None };

StringComparison string_comparison(std::string_view op) {
  if (op == "=" || op == "==") return StringComparison::Equal;
  if (op == "<>" || op == "!=") return StringComparison::NotEqual;
  if (op == "<") return StringComparison::Less;
  if (op == ">") return StringComparison::Greater;
  if (op == "<=") return StringComparison::LessOrEqual;
  if (op == ">=") return StringComparison::GreaterOrEqual;
  return StringComparison::None;
}

// -1 for an operator that does not compare.
int compare_strings(const std::string& a, StringComparison op, const std::string& b) {
  int c = a.compare(b);
  switch (op) {
    case StringComparison::Equal:
      return c == 0;
    case StringComparison::NotEqual:
      return c != 0;
    case StringComparison::Less:
      return c < 0;
    case StringComparison::Greater:
      return c > 0;
    case StringComparison::LessOrEqual:
      return c <= 0;
    case StringComparison::GreaterOrEqual:
      return c >= 0;
    case StringComparison::None:
      break;
  }
  return -1;
}

}  // namespace

bool read_condition(Scanner& sc) {
  if (sc.token().code == TOK_STRING && sc.token().string) {
    std::string left = sc.token().string->text;
    next_nonblank(sc);
    StringComparison op = string_comparison(sc.token().text);
    next_nonblank(sc);
    if (sc.token().code != TOK_STRING || !sc.token().string) {
      user_error_A01(sc.run(), 0);
      return false;
    }
    int r = compare_strings(left, op, sc.token().string->text);
    if (r < 0) {
      user_error_A01(sc.run(), 0);
      return false;
    }
    next_nonblank(sc);
    if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF && sc.token().code != TOK_SEMICOLON)
      user_error_A01(sc.run(), 0);
    return r != 0;
  }
  bool ok = false;
  std::int32_t v = parse_absolute_expression_A08(sc, false, true, &ok);
  return ok && v != 0;
}

void directive_if(Scanner& sc, SymbolNode* label) {
  line_statement_for(sc, label);
  long line = source_reader(sc.run()).line_number();
  next_nonblank(sc);
  bool c = read_condition(sc);
  conditional_assembly(sc.run()).open_level(c, line);
  end_line(sc);
}

void directive_elseif(Scanner& sc, SymbolNode* label) {
  line_statement_for(sc, label);
  conditional_assembly(sc.run()).do_elseif([&sc] {
    next_nonblank(sc);
    return read_condition(sc);
  });
  end_line(sc);
}

void directive_else(Scanner& sc, SymbolNode* label) {
  line_statement_for(sc, label);
  conditional_assembly(sc.run()).do_else();
  end_line(sc);
}

void directive_endif(Scanner& sc, SymbolNode* label) {
  line_statement_for(sc, label);
  conditional_assembly(sc.run()).do_endif();
  end_line(sc);
}

}  // namespace aq71
