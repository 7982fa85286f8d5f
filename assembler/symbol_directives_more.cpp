#include "assembler/symbol_directives_more.h"

#include <string>

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/module_directives.h"
#include "assembler/operand_grammar.h"
#include "assembler/scanner.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

namespace aq71 {

namespace {

void fail_statement(Scanner& sc, SymbolNode* label) {
  if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
  Statement& st = open_statement(sc.run(), StatementKind::Failed);
  st.failed = true;
  attach_label(sc.run(), st, label);
}

// Expects a comma as the current token (after blanks); error 44 otherwise.
bool expect_comma(Scanner& sc, SymbolNode* label) {
  if (skip_blanks(sc) == TOK_COMMA) return true;
  user_error_A01(sc.run(), 44);
  fail_statement(sc, label);
  return false;
}

}  // namespace

void directive_define(Scanner& sc, SymbolNode* label) {
  const std::string name = label ? label->name : std::string();
  directive_equ(sc, label);  // VAR labels are redefined as by VAR
  if (!label) return;
  // The symbol belongs to the module: it leaves the tree at the module's end. A VAR label is
  // entered again by the definition, so the name is looked up afresh.
  SymbolNode* node = ident_tree(sc.run()).find_kind(name, KIND_LABEL);
  if (node && node->state == NODE_NORMAL) ident_tree(sc.run()).mark_node(node);
}

void directive_limit(Scanner& sc, SymbolNode* label) {
  next_nonblank(sc);
  const Token& t = sc.token();
  SymbolNode* target = t.code == TOK_IDENT ? t.node : nullptr;
  LabelRec* l = label_record(target);
  if (!l) {
    user_error_A01(sc.run(), 41);
    fail_statement(sc, label);
    return;
  }
  next_nonblank(sc);
  if (!expect_comma(sc, label)) return;
  bool ok_min = false;
  bool ok_max = false;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  // A failed parse has reported its error and skipped the line.
  auto bound = [&](std::int32_t& value, bool& ok) {
    next_nonblank(sc);
    value = parse_absolute_expression_A08(sc, true, true, &ok);
    if (ok || (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF)) return true;
    fail_statement(sc, label);
    return false;
  };
  if (!bound(minimum, ok_min) || !expect_comma(sc, label)) return;
  if (!bound(maximum, ok_max) || !expect_comma(sc, label)) return;
  std::string message = target->name;
  if (next_nonblank(sc) == TOK_STRING && sc.token().string) {
    message = sc.token().string->text;
    sc.next_token_A07();
  }
  if (!end_of_statement(sc) || !ok_min || !ok_max) {
    if (Statement* st = line_statement(sc.run())) st->failed = true;
    return;
  }
  ValueRec& v = label_value(sc.run(), *l);
  v.owner = l;
  set_value_limit(sc.run(), v, ValueLimit{3, false, minimum, maximum, message});
  // A known value is tested now, any other when it is solved.
  if (v.solved() || v.kind == VALUE_COMPLEX) limit_ok_A08(sc.run(), v);
}

void directive_case(Scanner& sc, bool on, SymbolNode* label) {
  (void)label;
  ident_tree(sc.run()).case_sensitive = on;
  next_nonblank(sc);
  end_of_statement(sc);
}

void directive_radix(Scanner& sc, SymbolNode* label) {
  bool ok = false;
  next_nonblank(sc);
  const std::int32_t radix = parse_absolute_expression_A08(sc, false, true, &ok);
  if (!ok) {
    fail_statement(sc, label);
    return;
  }
  // Digits above 15 are never read: a radix outside 2..16 would make every later number wrong.
  if (radix < 2 || radix > 16) {
    user_error_A01(sc.run(), 0);
    fail_statement(sc, label);
    return;
  }
  sc.default_radix = radix;
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

}  // namespace aq71
