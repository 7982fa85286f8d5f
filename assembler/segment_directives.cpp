#include "assembler/segment_directives.h"

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_grammar.h"
#include "assembler/scanner.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

constexpr const char* kAlignRange8 = "Error: Alignment expression out of range [0-8]";
constexpr const char* kAlignRange31 = "Error: Alignment expression out of range [0-31]";

// An exponent expression with a range check; reports at once when it is known.
ValueRec* parse_exponent(Scanner& sc, bool comma_may_follow, int maximum, const char* message, bool token_read = true) {
  ValueRec* e = parse_expression_A08(sc, comma_may_follow, token_read);
  if (!e) return e;
  set_value_limit(sc.run(), *e, ValueLimit{3, false, 0, maximum, message});
  if (e->solved()) limit_ok_A08(sc.run(), *e);
  return e;
}

bool limit_failed(const ValueRec* e) {
  return e && e->solved() && (e->signed_value() < e->limit->minimum || e->signed_value() > e->limit->maximum);
}

// Fill values of ALIGN / EVEN: one-byte expressions separated by commas.
void read_fill_values(Scanner& sc, Statement& st, bool single, bool token_read) {
  StatementStore& store = statement_store(sc.run());
  for (;;) {
    ValueRec* v = parse_expression_A08(sc, true, token_read);
    token_read = false;
    if (!v || v->failed) {
      st.failed = true;
      sc.skip_rest_of_line();
      return;
    }
    DataItem item;
    item.value = v;
    item.size = 1;
    st.data(store).items.push_back(std::move(item));
    skip_blanks(sc);
    if (!single && sc.token().code == TOK_COMMA) continue;
    break;
  }
  end_of_statement(sc);
}

}  // namespace

// ---- directives --------------------------------------------------------------------------------

void directive_segment(Scanner& sc, SegmentKind kind, SymbolNode* label) {
  SegmentTable& table = segments(sc.run());
  int code = next_nonblank(sc);
  const Token& tok = sc.token();
  if (code == TOK_IDENT && tok.node) {
    int existing = -1;
    if (SymbolNode* s = ident_tree(sc.run()).find_kind(tok.node->name, KIND_SEGMENT)) existing = table.find_node(s);
    if (existing >= 0) {
      // A later declaration of the same name continues the segment.
      table.select(existing);
      sc.skip_rest_of_line();
      Statement& st = open_statement(sc.run(), StatementKind::Nothing);
      attach_label(sc.run(), st, label);
      return;
    }
  }
  std::string name;
  bool name_ok = false;
  if (code == TOK_IDENT && tok.node) {
    LabelRec* l = label_record(tok.node);
    int k = tok.kind;
    if (k == KIND_LABEL && l && (l->flags & (LABEL_PUBLIC | LABEL_EXTERN))) {
      user_error_A01(sc.run(), 41);
    } else if (k == KIND_LABEL || k == KIND_SEGMENT_TYPE || k == KIND_NONE) {
      name = tok.node->name;
      name_ok = true;
    } else {
      user_error_A01(sc.run(), 47);
    }
  } else if (code == TOK_IDENT) {
    name = tok.text;
    name_ok = !name.empty();
    if (!name_ok) user_error_A01(sc.run(), 47);
  } else {
    user_error_A01(sc.run(), 47);
  }
  if (!name_ok) {
    sc.skip_rest_of_line();
    Statement& st = open_statement(sc.run(), StatementKind::Failed);
    st.failed = true;
    attach_label(sc.run(), st, label);
    return;
  }

  // ":type"
  std::uint16_t type = SEGTYPE_UNTYPED;
  sc.list_reads_type = true;  // ":CODE" is a type, not a BCD string
  sc.next_token_A07();
  sc.list_reads_type = false;
  if (sc.token().code == TOK_COLON) {
    int saved = sc.lookup_mode();
    sc.set_lookup_mode(MODE_SEGMENT_TYPE);
    sc.list_reads_type = true;
    sc.next_token_A07();
    sc.list_reads_type = false;
    sc.set_lookup_mode(saved);
    const Token& t = sc.token();
    SymbolNode* type_node = nullptr;
    if (t.code == TOK_IDENT && t.node) type_node = ident_tree(sc.run()).find_kind(t.node->name, KIND_SEGMENT_TYPE);
    if (!type_node && t.code == TOK_IDENT)
      type_node = ident_tree(sc.run()).find_kind(upper_ascii(t.text), KIND_SEGMENT_TYPE);
    if (type_node) {
      type = static_cast<std::uint16_t>(type_node->def->b);
      sc.next_token_A07();
    } else {
      user_error_A01(sc.run(), 46);
    }
  }

  int index = table.create(name, type, kind);
  Segment& seg = table[index];
  Statement& st = open_statement(sc.run(), StatementKind::SegmentDeclaration);
  seg.declaration = &st;
  attach_label(sc.run(), st, label);

  if (sc.token().code == TOK_LPAREN) {
    ValueRec* e = parse_exponent(sc, false, 31, kAlignRange31, false);
    seg.alignment = e;
    ++seg.alignment_count;
    if (e && e->absolute() && !limit_failed(e)) seg.alignment_value = e->signed_value();
    if (sc.token().code == TOK_RPAREN)
      sc.next_token_A07();
    else if (!(e && e->failed))
      user_error_A01(sc.run(), 0);
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

void directive_aseg(Scanner& sc, SymbolNode* label) {
  StatementStore& store = statement_store(sc.run());
  SegmentTable& table = segments(sc.run());
  table.select(SEG_ASEG);
  Segment& seg = table.current();
  Statement& st = open_statement(sc.run(), StatementKind::AbsoluteLocation);
  attach_label(sc.run(), st, label);
  int code = next_nonblank(sc);
  bool has_address =
      code == TOK_INTEGER || code == TOK_CHAR ||
      (code == TOK_IDENT && sc.token().node &&
       (sc.token().kind == KIND_LABEL || sc.token().kind == KIND_NONE || sc.token().kind == KIND_OPERATOR)) ||
      code == TOK_LPAREN || code == TOK_MINUS || code == TOK_PLUS;
  ValueRec* e = nullptr;
  if (has_address) {
    e = parse_expression_A08(sc, false, true);
    if (e && e->failed) st.failed = true;
  } else {
    e = new_constant_expression_A08(sc.run(), 0);
  }
  st.data(store).location = e;
  if (seg.start_unknown) {
    seg.start = e;
    seg.start_unknown = false;
  }
  if (e && e->solved()) {
    seg.location = e->value;
    seg.location_known = true;
  } else {
    seg.location_known = false;
  }
  st.end_offset = seg.location;
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

void directive_org(Scanner& sc, SymbolNode* label) {
  StatementStore& store = statement_store(sc.run());
  SegmentTable& table = segments(sc.run());
  Segment& seg = table.current();
  Statement& st = open_statement(sc.run(), seg.absolute() ? StatementKind::AbsoluteLocation : StatementKind::Location);
  if (seg.absolute()) st.kind = StatementKind::AbsoluteLocation;
  next_nonblank(sc);
  sc.colon_ends_number = true;
  ValueRec* e = parse_expression_A08(sc, false, true);
  sc.colon_ends_number = false;
  if (!e || e->failed) {
    st.failed = true;
    e = new_constant_expression_A08(sc.run(), 0);
  }
  st.data(store).location = e;
  if (seg.start_unknown) {
    seg.start = e;
    seg.start_unknown = false;
  }
  if (e->solved()) {
    seg.location = e->value;
    seg.location_known = true;
  } else {
    seg.location_known = false;
    queue_for_resolve(sc.run(), *e);
  }
  st.end_offset = seg.location;
  if (label) {
    // The label gets the location expression as its value.
    attach_label(sc.run(), st, label);
    st.label_counted = true;
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

namespace {

void place_alignment(Assembly& run, Statement& st, int exponent) {
  SegmentTable& table = segments(run);
  Segment& seg = table.current();
  st.data(statement_store(run)).exponent_value = exponent;
  if (seg.location_known) {
    // The statement's own location stays where it began: the sizing walk gives it its size.
    std::uint64_t pad = alignment_padding(seg.location, exponent);
    table.advance(static_cast<std::uint32_t>(pad > 0xFFFFFFFFu ? 0xFFFFFFFFu : pad));
  }
}

}  // namespace

void directive_align(Scanner& sc, SymbolNode* label) {
  StatementStore& store = statement_store(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::Alignment);
  attach_label(sc.run(), st, label);
  next_nonblank(sc);
  ValueRec* e = parse_exponent(sc, true, 8, kAlignRange8);
  if (!e || e->failed) {
    st.failed = true;
    st.kind = StatementKind::Failed;
    sc.skip_rest_of_line();
    return;
  }
  st.data(store).exponent = e;
  if (e->absolute()) {
    if (limit_failed(e)) {
      st.failed = true;
      st.data(store).exponent_value = 0;
    } else {
      place_alignment(sc.run(), st, e->signed_value());
    }
  } else {
    segments(sc.run()).current().location_known = false;
  }
  skip_blanks(sc);
  if (sc.token().code == TOK_COMMA) {
    read_fill_values(sc, st, false, false);
    return;
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

void directive_even(Scanner& sc, SymbolNode* label) {
  Statement& st = open_statement(sc.run(), StatementKind::Alignment);
  attach_label(sc.run(), st, label);
  place_alignment(sc.run(), st, 1);
  int code = next_nonblank(sc);
  if (code == TOK_EOL || code == TOK_EOF || code == TOK_SEMICOLON) {
    end_of_statement(sc);
    return;
  }
  read_fill_values(sc, st, true, true);
}

void directive_ds(Scanner& sc, SymbolNode* label) {
  StatementStore& store = statement_store(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::Storage);
  attach_label(sc.run(), st, label);
  st.data(store).reserve_only = true;
  st.data(store).element_size = 1;
  int after = sc.current_char();
  if (after != ' ' && after != '\t') {
    user_error_A01(sc.run(), 0);
    st.failed = true;
    sc.skip_rest_of_line();
    return;
  }
  next_nonblank(sc);
  ValueRec* e = parse_expression_A08(sc, false, true);
  if (!e || e->failed) {
    st.failed = true;
    st.final = true;
    if (sc.token().code != TOK_EOL) sc.skip_rest_of_line();
    return;
  }
  st.data(store).count = e;
  SegmentTable& table = segments(sc.run());
  if (e->absolute()) {
    std::int64_t n = e->signed_value();
    if (n < 0) {
      user_error_A01(sc.run(), 53);
      st.failed = true;
      n = 0;
    }
    std::uint64_t size = static_cast<std::uint64_t>(n) * st.data(store).element_size;
    st.size = static_cast<std::uint32_t>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size);
    st.final = st.size_fixed = true;
    table.advance(st.size);
    st.end_offset = table.current().location;
  } else if (e->kind == VALUE_UNSOLVED) {
    table.current().location_known = false;
  } else {
    user_error_A01(sc.run(), 53);
    st.failed = true;
    st.final = st.size_fixed = true;
  }
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

}  // namespace aq71
