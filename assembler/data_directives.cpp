#include "assembler/data_directives.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_grammar.h"
#include "assembler/scanner.h"
#include "assembler/segments.h"
#include "assembler/statement_services.h"

namespace aq71 {

namespace {

// True when the expression is one constant, optionally signed: the value then goes into the item
// as written, with a warning when it does not fit.
bool plain_constant(const ValueRec& e) {
  const auto& t = e.terms;
  if (t.size() == 1) return t[0].kind == ExprTerm::Constant && t[0].segment == 0;
  if (t.size() == 2)
    return t[0].kind == ExprTerm::Constant && t[0].segment == 0 && t[1].kind == ExprTerm::Operator && t[1].unary &&
           (t[1].token == OP_SUB || t[1].token == OP_ADD);
  return false;
}

std::vector<std::uint8_t> little_endian(std::uint32_t v, int size) {
  std::vector<std::uint8_t> b;
  for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return b;
}

bool ends_list(int code) { return code == TOK_EOL || code == TOK_EOF || code == TOK_SEMICOLON; }

// A declaration statement in "__EXTERNS" for one name of a PUBLIC or EXTERN list.
void declaration_statement(Assembly& run, SymbolNode* name) {
  SegmentTable& table = segments(run);
  int current = table.current_index();
  table.select(SEG_EXTERNS);
  Statement& st = open_statement(run, StatementKind::Declaration);
  st.set_label(statement_store(run), name);
  st.label_counted = false;
  st.listed = false;
  table.select(current);
}

// One name of a list, after its optional type: the checks and the flag.
void declare(Assembly& run, SymbolNode* name, bool external) {
  LabelRec* l = label_record(name);
  if (!l) return;
  if (external) {
    if (l->flags & LABEL_EXTERN) return;
    if (l->flags & LABEL_PUBLIC) {
      user_error_A01(run, 51);
      return;
    }
    if (l->flags & LABEL_REDEFINABLE) {
      user_error_A01(run, 63);
      return;
    }
    l->extern_index = extern_count(run);
    l->flags |= LABEL_EXTERN;
    l->flags &= ~(LABEL_NOT_PLACED | LABEL_WAITING);
    l->segment_number = SEG_EXTERNS;
    // The label's value is the external itself; expressions that used it before are
    // evaluated again by the resolve step.
    ValueRec& v = label_value(run, *l);
    v.kind = VALUE_COMPLEX;
    v.owner = l;
    ExprTerm t;
    t.kind = ExprTerm::External;
    t.extern_index = l->extern_index;
    t.label = l;
    v.reduced.assign(1, t);
    declaration_statement(run, name);
    return;
  }
  if (l->flags & LABEL_PUBLIC) {
    user_error_A01(run, 72, {.text = name->name});
    return;
  }
  if (l->flags & LABEL_EXTERN) {
    user_error_A01(run, 51);
    return;
  }
  if (l->flags & LABEL_REDEFINABLE) {
    user_error_A01(run, 63);
    return;
  }
  if ((l->flags & LABEL_BY_EQU) && l->value && l->value->kind == VALUE_COMPLEX) {
    user_error_A01(run, 64);
    return;
  }
  l->flags |= LABEL_PUBLIC;
  declaration_statement(run, name);
}

}  // namespace

int extern_count(Assembly& run) {
  int n = 0;
  for (const Statement* st : segments(run)[SEG_EXTERNS].chain) {
    LabelRec* l = label_record(st->label());
    if (st->kind == StatementKind::Declaration && l && (l->flags & LABEL_EXTERN)) ++n;
  }
  return n;
}

void directive_data(Scanner& sc, int item_size, SymbolNode* label) {
  StatementStore& store = statement_store(sc.run());
  Statement& st = open_statement(sc.run(), StatementKind::Storage);
  attach_label(sc.run(), st, label);
  st.data(store).element_size = 1;
  st.data(store).reserve_only = false;
  std::uint32_t size = 0;
  auto fail = [&] {
    st.failed = true;
    st.data(store).items.clear();
    if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
  };
  int after = sc.current_char();
  if (after != ' ' && after != '\t') {
    user_error_A01(sc.run(), 0);
    fail();
  } else {
    int code = next_nonblank(sc);
    for (;;) {
      const Token& t = sc.token();
      if (code == TOK_FLOAT || ends_list(code) || code == TOK_COMMA) {
        user_error_A01(sc.run(), 0);
        fail();
        break;
      }
      DataItem item;
      if (code == TOK_STRING && t.string) {
        // The characters, padded with zero bytes to a whole number of items; written one
        // byte at a time.
        item.bytes.assign(t.string->text.begin(), t.string->text.end());
        while (item.bytes.size() % static_cast<std::size_t>(item_size)) item.bytes.push_back(0);
        item.size = 1;
        item.count = static_cast<std::uint32_t>(item.bytes.size());
        sc.next_token_A07();
      } else {
        ValueRec* e = parse_expression_A08(sc, true, true);
        if (!e || e->failed) {
          fail();
          break;
        }
        item.size = static_cast<std::uint32_t>(item_size);
        if (e->absolute() && plain_constant(*e)) {
          std::int64_t v = e->signed_value();
          std::uint64_t magnitude = static_cast<std::uint64_t>(v < 0 ? -v : v);
          if (item_size < 4 && magnitude > (std::uint64_t{1} << (8 * item_size)) - 1) user_warning_A01(sc.run(), 15);
          item.bytes = little_endian(e->value, item_size);
        } else {
          item.value = e;
        }
      }
      size += item.size * item.count;
      if (item.count) st.data(store).items.push_back(std::move(item));  // "" gives no bytes
      code = skip_blanks(sc);
      if (code == TOK_COMMA) {
        code = next_nonblank(sc);
        continue;
      }
      if (!end_of_statement(sc)) st.failed = true;
      break;
    }
  }
  if (st.failed) {
    st.data(store).items.clear();
    size = 0;
  }
  st.size = size;
  st.data(store).count_value = size;
  st.final = st.size_fixed = true;
  SegmentTable& table = segments(sc.run());
  table.advance(size);
  st.end_offset = table.current().location;
}

void directive_scope(Scanner& sc, bool external, SymbolNode* label) {
  if (label) {
    Statement& st = open_statement(sc.run(), StatementKind::Nothing);
    attach_label(sc.run(), st, label);
  }
  int saved_mode = sc.lookup_mode();
  // reads_type: after a name, where ":type" may follow (":CODE" is then no BCD string).
  auto next = [&](int mode = MODE_SYMBOL_LIST, bool reads_type = false) {
    sc.set_lookup_mode(mode);
    sc.list_reads_type = reads_type;
    int code = next_nonblank(sc);
    sc.list_reads_type = false;
    sc.set_lookup_mode(saved_mode);
    return code;
  };
  auto stop = [&] {
    if (sc.token().code != TOK_EOL && sc.token().code != TOK_EOF) sc.skip_rest_of_line();
  };
  int code = next();
  bool after_comma = false;
  for (;;) {
    const Token& t = sc.token();
    if (ends_list(code)) {
      if (after_comma) user_error_A01(sc.run(), 16);
      stop();
      return;
    }
    if (code == TOK_COMMA || (code == TOK_IDENT && t.kind != KIND_LABEL &&
                              (t.kind == KIND_SEGMENT_TYPE || t.kind == KIND_DIRECTIVE || t.kind == KIND_SUFFIX))) {
      user_error_A01(sc.run(), 16);
      stop();
      return;
    }
    if (code != TOK_IDENT || t.kind != KIND_LABEL || !t.node) {
      user_error_A01(sc.run(), 0);
      stop();
      return;
    }
    SymbolNode* name = t.node;
    code = next(MODE_SYMBOL_LIST, true);
    if (code == TOK_COLON) {
      if (!external) {
        user_error_A01(sc.run(), 44);
        stop();
        return;
      }
      // EXTERN name:type reads the type and ignores it.
      code = next(MODE_SEGMENT_TYPE, true);
      const Token& type = sc.token();
      if (code == TOK_IDENT && type.kind == KIND_LABEL) {
        user_error_A01(sc.run(), 50, {.text = type.node ? type.node->name : type.text});
        stop();
        return;
      }
      if (code != TOK_IDENT) {
        user_error_A01(sc.run(), 16);
        stop();
        return;
      }
      code = next();
    }
    declare(sc.run(), name, external);
    if (code == TOK_COMMA) {
      after_comma = true;
      code = next();
      continue;
    }
    if (ends_list(code)) {
      stop();
      return;
    }
    user_error_A01(sc.run(), 0);
    stop();
    return;
  }
}

}  // namespace aq71
