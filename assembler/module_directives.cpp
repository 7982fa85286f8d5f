#include "assembler/module_directives.h"

#include <string>

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/macros.h"
#include "assembler/operand_grammar.h"
#include "assembler/repeat_blocks.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

Statement& failed_statement(Scanner& sc, SymbolNode* label) {
  if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
  Statement& st = open_statement(sc.run(), StatementKind::Failed);
  st.failed = true;
  attach_label(sc.run(), st, label);
  return st;
}

// True when the current token can begin an expression.
bool begins_expression(const Token& t) {
  switch (t.code) {
    case TOK_INTEGER:
    case TOK_CHAR:
    case TOK_LPAREN:
    case TOK_MINUS:
    case TOK_PLUS:
    case TOK_BANG:
    case TOK_TILDE:
    case TOK_DOLLAR:
      return true;
    case TOK_IDENT:
      return t.kind == KIND_LABEL || t.kind == KIND_NONE || t.kind == KIND_OPERATOR;
    default:
      return t.kind == KIND_OPERATOR;
  }
}

// ENDMOD / END [expr].
void read_start_address(Scanner& sc) {
  int code = next_nonblank(sc);
  if (code == TOK_EOL || code == TOK_EOF) return;
  if (begins_expression(sc.token())) {
    ValueRec* e = parse_expression_A08(sc, false, true);
    if (e && !e->failed) module_state(sc.run()).start_address = e;
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

// A fresh symbol node for a redefined VAR name: statements read so far keep the earlier one.
SymbolNode* renew_symbol(Assembly& run, IdentTree& tree, SymbolNode* label) {
  std::string name = label->name;
  tree.remove_node(label);
  SymbolNode* head = tree.enter(name, false, false).node;
  SymbolNode* fresh = tree.add_meaning(head, KIND_LABEL);
  if (!fresh) internal_error_A01(run, "directive_var", "Label not renewed", 0, 0);
  tree.make_label(fresh, true);
  tree.mark_node(fresh);
  return fresh;
}

// The value-defining part shared by EQU and VAR. renew: the name is entered again once its
// expression has been read (the expression may use the earlier value).
void define_symbol(Scanner& sc, SymbolNode* label, bool redefinable, bool renew = false) {
  Statement& st = open_statement(sc.run(), StatementKind::LabelDefinition);
  st.label_counted = false;
  if (!renew) attach_label(sc.run(), st, label);
  next_nonblank(sc);
  ValueRec* e = parse_expression_A08(sc, false, true);
  if (!e || e->failed) {
    st.failed = true;
    e = new_constant_expression_A08(sc.run(), 0);
  }
  if (renew) {
    label = renew_symbol(sc.run(), ident_tree(sc.run()), label);
    attach_label(sc.run(), st, label);
  }
  LabelRec* l = label_record(label);
  l->flags |= LABEL_ON_LINE;
  l->flags &= ~LABEL_NOT_PLACED;
  // The symbol lives in the absolute segment until its value says otherwise.
  l->segment_number = SEG_ASEG;
  l->segment_kind = static_cast<std::uint16_t>(SegmentKind::Absolute);
  assign_label_value(sc.run(), *l, *e, redefinable);
  // Marked only now: a label without value record and with the EQU bit reads as a predefined
  // absolute symbol.
  l->flags |= redefinable ? LABEL_REDEFINABLE : LABEL_BY_EQU;
  ValueRec& v = label_value(sc.run(), *l);
  if (v.kind == VALUE_RELOCATABLE) {
    l->segment_number = v.result_segment;
    l->segment_kind = static_cast<std::uint16_t>(SegmentKind::Relocatable);
  }
  if ((l->flags & LABEL_PUBLIC) && v.kind == VALUE_COMPLEX) user_error_A01(sc.run(), 64);
  // A value still waiting for symbols must be known by the end of the module (a chain of
  // symbols defined by each other never is).
  if (v.kind == VALUE_UNSOLVED) queue_for_resolve(sc.run(), v);
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

}  // namespace

void directive_module_start(Scanner& sc, bool library, SymbolNode* label) {
  ModuleState& m = module_state(sc.run());
  if (m.opened_by_directive) user_error_A01(sc.run(), 73);
  m.opened_by_directive = true;
  m.open_counter = 1;
  m.kind = library ? ModuleKind::Library : ModuleKind::Program;
  Statement& st = open_statement(sc.run(), StatementKind::ModuleStart);
  attach_label(sc.run(), st, label);

  // The module name is only looked up, so that it does not become a label.
  int code;
  sc.lookup_only = true;
  do code = sc.next_token_A07().code;
  while (code == TOK_BLANK);
  sc.lookup_only = false;
  const Token& t = sc.token();
  if (code == TOK_IDENT) {
    bool segment_word = t.kind == KIND_SEGMENT || t.kind == KIND_SEGMENT_TYPE ||
                        (t.node && (ident_tree(sc.run()).find_kind(t.node->name, KIND_SEGMENT) ||
                                    ident_tree(sc.run()).find_kind(t.node->name, KIND_SEGMENT_TYPE)));
    if (segment_word)
      user_error_A01(sc.run(), 0);
    else
      m.name = t.node ? t.node->name : t.text;
    sc.next_token_A07();
  }
  ++m.module_count;
  if (sc.token().code == TOK_LPAREN) {
    ValueRec* e = parse_expression_A08(sc, false, true);
    if (e && e->absolute()) m.option = e->signed_value();
    if (sc.token().code == TOK_RPAREN) sc.next_token_A07();
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

// A module cannot end inside a macro expansion or a repeat body: the rest of the body would be
// read into the next module after its readers were dropped. Reported and ignored.
static bool module_end_in_body(Scanner& sc, SymbolNode* label) {
  int error = macro_level(sc.run()) > 0 ? 78 : repeat_playing(sc) ? 79 : -1;
  if (error < 0) return false;
  user_error_A01(sc.run(), error);
  Statement& st = open_statement(sc.run(), StatementKind::Failed);
  st.failed = true;
  attach_label(sc.run(), st, label);
  if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
  return true;
}

void directive_endmod(Scanner& sc, SymbolNode* label) {
  if (module_end_in_body(sc, label)) return;
  ModuleState& m = module_state(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::ModuleEnd);
  attach_label(sc.run(), st, label);
  if (!m.opened_by_directive) user_error_A01(sc.run(), 39);
  if (m.open_counter > 0) --m.open_counter;
  read_start_address(sc);
  m.ended = true;
  m.opened_by_directive = false;
}

void directive_end(Scanner& sc, SymbolNode* label) {
  if (module_end_in_body(sc, label)) return;
  ModuleState& m = module_state(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::ModuleEnd);
  attach_label(sc.run(), st, label);
  if (m.open_counter <= 0)
    user_error_A01(sc.run(), 39);
  else
    --m.open_counter;
  read_start_address(sc);
  m.ended = true;
  m.end_seen = true;
  m.opened_by_directive = false;
  source_reader(sc.run()).check_include_end();
}

void directive_equ(Scanner& sc, SymbolNode* label) {
  LabelRec* l = label_record(label);
  if (!l) {
    user_error_A01(sc.run(), 41);
    failed_statement(sc, nullptr);
    return;
  }
  if (l->flags & LABEL_REDEFINABLE) {
    directive_var(sc, label);
    return;
  }
  if (l->flags & LABEL_ON_LINE) {
    user_error_A01(sc.run(), 42, {.text = label->name});
    failed_statement(sc, nullptr);
    return;
  }
  define_symbol(sc, label, false);
}

void directive_var(Scanner& sc, SymbolNode* label) {
  LabelRec* l = label_record(label);
  if (!l) {
    user_error_A01(sc.run(), 41);
    failed_statement(sc, nullptr);
    return;
  }
  if (l->flags & (LABEL_PUBLIC | LABEL_EXTERN)) {
    user_error_A01(sc.run(), 62);
    failed_statement(sc, nullptr);
    return;
  }
  if ((l->flags & LABEL_ON_LINE) && !(l->flags & LABEL_REDEFINABLE)) {
    user_error_A01(sc.run(), 42, {.text = label->name});
    failed_statement(sc, nullptr);
    return;
  }
  define_symbol(sc, label, true, (l->flags & LABEL_REDEFINABLE) != 0);
}

}  // namespace aq71
