#include "assembler/sfr_directives.h"
#include "assembler/assembly.h"

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_grammar.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/statement_services.h"
#include "assembler/statements.h"

namespace aq71 {

namespace {

struct ConstLineFlag {
  bool on = false;  // a CONST line is being read
};
bool& const_line(Assembly& run) { return run.part<ConstLineFlag>().on; }

void fail_statement(Scanner& sc, SymbolNode* label) {
  if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
  Statement& st = open_statement(sc.run(), StatementKind::Failed);
  st.failed = true;
  attach_label(sc.run(), st, label);
}

bool is_equal_sign(const Token& t) { return t.code == TOK_ASSIGN || (t.node && t.node->name == "="); }

// The register name after the directive: a label. Nullptr after error 41 (statement failed).
SymbolNode* read_sfr_name(Scanner& sc, SymbolNode* label) {
  next_nonblank(sc);
  const Token& t = sc.token();
  SymbolNode* name = t.code == TOK_IDENT ? t.node : nullptr;
  LabelRec* l = label_record(name);
  if (!l || (l->flags & LABEL_EXTERN)) {
    user_error_A01(sc.run(), 41);
    fail_statement(sc, label);
    return nullptr;
  }
  if (l->flags & LABEL_SFR) {
    user_warning_A01(sc.run(), 13);
  } else if (l->flags & LABEL_ON_LINE) {
    user_error_A01(sc.run(), 42, {.text = name->name});
    fail_statement(sc, label);
    return nullptr;
  }
  return name;
}

// "= address": the current token is the first after "=". The address becomes the SFR's value,
// checked against the I/O address range once it is known.
void define_sfr_address(Scanner& sc, SymbolNode* name, SymbolNode* label) {
  if (label) attach_label(sc.run(), open_statement(sc.run(), StatementKind::Nothing), label);
  Statement& st = open_statement(sc.run(), StatementKind::LabelDefinition);
  st.label_counted = false;
  attach_label(sc.run(), st, name);
  next_nonblank(sc);
  ValueRec* e = parse_expression_A08(sc, false, true);
  if (!e || e->failed) {
    st.failed = true;
    e = new_constant_expression_A08(sc.run(), 0);
  }
  LabelRec* l = label_record(name);
  l->flags &= ~LABEL_NOT_PLACED;
  l->segment_number = SEG_ASEG;
  l->segment_kind = static_cast<std::uint16_t>(SegmentKind::Absolute);
  ValueRec& v = label_value(sc.run(), *l);
  set_value_limit(sc.run(), v, ValueLimit{3, false, SFR_ADDRESS_MIN, SFR_ADDRESS_MAX, SFR_RANGE_MESSAGE});
  assign_label_value(sc.run(), *l, *e, false);
  l->flags |= LABEL_BY_EQU;
  if (v.solved())
    limit_ok_A08(sc.run(), v);
  else if (v.kind == VALUE_UNSOLVED)
    queue_for_resolve(sc.run(), v);
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

}  // namespace

bool const_flag(Assembly& run) { return const_line(run); }

void directive_sfr(Scanner& sc, bool word, SymbolNode* label) {
  SymbolNode* name = read_sfr_name(sc, label);
  if (!name) return;
  LabelRec* l = label_record(name);
  std::uint32_t bits = SFR_ATTR_SFR | SFR_ATTR_READ | SFR_ATTR_WRITE | (word ? SFR_ATTR_WORD : SFR_ATTR_BYTE);
  if (const_line(sc.run())) bits &= ~SFR_ATTR_WRITE;
  l->flags |= bits;
  next_nonblank(sc);
  if (!is_equal_sign(sc.token())) {
    user_error_A01(sc.run(), 65);
    fail_statement(sc, label);
    return;
  }
  define_sfr_address(sc, name, label);
}

void directive_sfrtype(Scanner& sc, SymbolNode* label) {
  SymbolNode* name = read_sfr_name(sc, label);
  if (!name) return;
  LabelRec* l = label_record(name);
  l->flags = (l->flags & ~SFR_ATTR_ALL) | SFR_ATTR_SFR;
  // attr[,attr...]
  for (;;) {
    next_nonblank(sc);
    const Token& t = sc.token();
    SymbolNode* attr = nullptr;
    if (t.code == TOK_IDENT && t.node) {
      attr = t.kind == KIND_SFR_ATTRIBUTE ? t.node : ident_tree(sc.run()).find_kind(t.node->name, KIND_SFR_ATTRIBUTE);
    }
    if (!attr || !attr->def) {
      user_error_A01(sc.run(), 83);
      fail_statement(sc, label);
      return;
    }
    l->flags |= static_cast<std::uint32_t>(attr->def->b);
    next_nonblank(sc);
    if (sc.token().code != TOK_COMMA) break;
  }
  if (!is_equal_sign(sc.token())) {
    user_error_A01(sc.run(), 0);
    fail_statement(sc, label);
    return;
  }
  define_sfr_address(sc, name, label);
  if (!(l->flags & (SFR_ATTR_READ | SFR_ATTR_WRITE))) user_warning_A01(sc.run(), 400);
  const std::uint32_t size = l->flags & (SFR_ATTR_BYTE | SFR_ATTR_WORD);
  if (size == 0) {
    user_warning_A01(sc.run(), 402);
    l->flags |= SFR_ATTR_BYTE;
  } else if (size == (SFR_ATTR_BYTE | SFR_ATTR_WORD)) {
    user_warning_A01(sc.run(), 401);
    l->flags &= ~SFR_ATTR_WORD;
  }
}

void directive_const(Scanner& sc, SymbolNode* label, DirectiveRunner run) {
  int code = next_nonblank(sc);
  const Token& t = sc.token();
  if (code == TOK_EOL || code == TOK_EOF || code == TOK_SEMICOLON) {
    end_of_statement(sc);
    return;
  }
  if (t.kind == KIND_DIRECTIVE && t.node) {
    // The flag lasts for the rest of this line only.
    struct ConstLine {
      bool& on;
      explicit ConstLine(bool& flag) : on(flag) { on = true; }
      ~ConstLine() { on = false; }
    } const_line_scope(const_line(sc.run()));
    const bool ran = run(sc, t.node, label);
    if (ran) return;
    user_error_A01(sc.run(), 40);
    fail_statement(sc, label);
    return;
  }
  user_error_A01(sc.run(), 0);
  fail_statement(sc, label);
}

}  // namespace aq71
