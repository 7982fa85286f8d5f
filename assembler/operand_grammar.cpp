// Operand grammar of aq71 (see operand_grammar.h): a recursive-descent parser with one function
// per operator level. Only parentheses make it recurse deeper, and their depth is limited.
#include "assembler/operand_grammar.h"

#include "assembler/assembly.h"
#include "assembler/instruction_statement.h"
#include "assembler/operator_keywords.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"

namespace aq71 {

namespace {

struct SyntaxError {};

// What a token is to the grammar.
enum class Term {
  Integer,
  String,
  Symbol,
  Segment,
  Register,  // R0-R31
  Pointer,   // X Y Z
  Plus,
  Minus,
  LParen,
  RParen,
  Unary,      // class-1 operator (also taken as binary between two operands)
  Binary,     // class 4 .. 64 operator
  SegmentOp,  // SFB SFE
  SizeOf,
  Dollar,
  Comma,
  End,  // line end, end of input, ";"
  Error,
};

// Binary levels: 1 comparison, 2 OR/XOR, 3 AND, 4 additive, 5 multiplicative, 6 class 2,
// 7 class-1 operator between operands; 8 is the unary level.
constexpr int kUnaryLevel = 8;

int level_of_class(int cls) {
  switch (cls) {
    case 64:
      return 1;
    case 32:
      return 2;
    case 16:
      return 3;
    case 8:
      return 4;
    case 4:
      return 5;
    case 2:
      return 6;
    case 1:
      return 7;
    default:
      return 0;
  }
}

class Parser {
 public:
  // The terms of what is parsed go to `terms`.
  Parser(Scanner& sc, bool expression_mode, TermList& terms)
      : sc_(sc), expression_mode_(expression_mode), terms_(&terms) {}

  void advance() {
    sc_.next_nonblank_token();
    classified_ = false;
  }
  void skip_blanks() {
    while (sc_.token().code == TOK_BLANK) advance();
  }

  // What the current token is to the grammar. The grammar asks this several times of most tokens
  // (each level looks at the token that ends its operand), so the answer is kept until the next
  // token is read.
  Term classify() const {
    if (!classified_) {
      term_ = classify_token();
      classified_ = true;
    }
    return term_;
  }

  // Operator token of the current token (registered operators), else its code.
  int op_token() const {
    const Token& t = sc_.token();
    if (t.kind == KIND_OPERATOR && t.node && t.node->def && t.node->def->op) return t.node->def->op->token;
    return t.code;
  }

  Term classify_token() const {
    const Token& t = sc_.token();
    switch (t.code) {
      case TOK_INTEGER:
      case TOK_CHAR:
      case TOK_EMPTY_CHAR:
        return Term::Integer;
      case TOK_STRING:
        return Term::String;
      case TOK_DOLLAR:
        return Term::Dollar;
      case TOK_COMMA:
        return Term::Comma;
      case TOK_EOL:
      case TOK_EOF:
      case TOK_SEMICOLON:
        return Term::End;
      default:
        break;
    }
    if (t.code == TOK_IDENT || t.kind == KIND_OPERATOR) {
      switch (t.kind) {
        case KIND_LABEL:
          return Term::Symbol;
        case KIND_SEGMENT:
          return Term::Segment;
        case KIND_REGISTER: {
          const std::int64_t r = t.node->def->b;
          if (r >= 0 && r <= 31) return Term::Register;
          if (r >= kRegX && r <= kRegZ) return Term::Pointer;
          report_internal(sc_.run(), "yylex", "Illegal register");
        }
        case KIND_OPERATOR:
          break;
        default:
          return Term::Error;
      }
    }
    const int tok = op_token();
    switch (tok) {
      case OP_ADD:
        return Term::Plus;
      case OP_SUB:
        return Term::Minus;
      case OP_LPAREN:
        return Term::LParen;
      case OP_RPAREN:
        return Term::RParen;
      case OP_SFB:
      case OP_SFE:
        return Term::SegmentOp;
      case OP_SIZEOF:
        return Term::SizeOf;
      case OP_ASSIGN_EQ:
      case OP_NE_ANGLE:
        return Term::Binary;
      default:
        break;
    }
    if (t.kind == KIND_OPERATOR) {
      const int cls = operator_class(tok);
      if (cls == 1) return Term::Unary;
      if (cls > 1) return Term::Binary;
      report_internal(sc_.run(), "yylex", "Illegal operator");
    }
    return Term::Error;
  }

  int binary_level() const {
    switch (classify()) {
      case Term::Plus:
      case Term::Minus:
        return 4;
      case Term::Binary: {
        const int tok = op_token();
        if (tok == OP_ASSIGN_EQ || tok == OP_NE_ANGLE) return 1;
        return level_of_class(operator_class(tok));
      }
      case Term::Unary:
        return 7;
      default:
        return 0;
    }
  }

  [[noreturn]] void syntax() { throw SyntaxError{}; }

  // The binary operators of level lvl and above, all of them left-associative; `pending_minus`
  // is a unary minus already read in front of the leftmost primary. Each operator's level is
  // asked once: an operand followed by nothing asks once, not once per level.
  void level(int lvl, bool pending_minus) {
    unary(pending_minus);
    binary_tail(lvl);
  }

  // The binary operators of level lvl and above that follow an operand already read.
  void binary_tail(int lvl) {
    for (;;) {
      const int op_level = binary_level();
      if (op_level == 0 || op_level < lvl || op_level >= kUnaryLevel) return;
      const int tok = op_token();
      advance();
      level(op_level + 1, false);
      terms_->push_back(ExprTerm::op(tok, false));
    }
  }

  void unary(bool pending_minus) {
    if (pending_minus) {
      primary();
      terms_->push_back(ExprTerm::op(OP_SUB, true));
      return;
    }
    switch (classify()) {
      case Term::Plus:
      case Term::Minus:
      case Term::Unary: {
        const int tok = op_token();
        advance();
        primary();
        terms_->push_back(ExprTerm::op(tok, true));
        return;
      }
      case Term::SegmentOp: {
        const int tok = op_token();
        advance();
        ExprTerm t;
        t.kind = tok == OP_SFB ? ExprTerm::SegmentBegin : ExprTerm::SegmentEnd;
        t.segment = segment_operand();
        terms_->push_back(t);
        return;
      }
      case Term::SizeOf: {
        advance();
        const int seg = segment_operand();
        if (seg < 2) report_error(sc_.run(), 69);
        ExprTerm end;
        end.kind = ExprTerm::SegmentEnd;
        end.segment = seg;
        ExprTerm begin;
        begin.kind = ExprTerm::SegmentBegin;
        begin.segment = seg;
        terms_->push_back(end);
        terms_->push_back(begin);
        terms_->push_back(ExprTerm::op(OP_SUB, false));
        return;
      }
      default:
        primary();
    }
  }

  // Segment name after SFB, SFE or SIZEOF, with or without parentheses.
  int segment_operand() {
    const bool paren = classify() == Term::LParen;
    if (paren) advance();
    const Token& t = sc_.token();
    SymbolNode* seg = nullptr;
    if (t.node && (t.code == TOK_IDENT)) seg = ident_tree(sc_.run()).find_kind(t.node->name, KIND_SEGMENT);
    if (!seg || !seg->def) syntax();
    const int number = static_cast<int>(seg->def->b);
    advance();
    if (paren) {
      if (classify() != Term::RParen) syntax();
      advance();
    }
    return number;
  }

  void primary() {
    const Token& t = sc_.token();
    switch (classify()) {
      case Term::Integer:
        terms_->push_back(ExprTerm::constant(static_cast<std::uint32_t>(t.number)));
        advance();
        return;
      case Term::Symbol: {
        LabelRec* l = t.node->def->label;
        if (!l) l = ident_tree(sc_.run()).make_label(t.node, false);
        terms_->push_back(ExprTerm::symbol(l));
        advance();
        return;
      }
      case Term::Segment:
        report_error(sc_.run(), 84, t.node->name);
        segment_error = true;
        terms_->push_back(ExprTerm::constant(0));
        advance();
        return;
      case Term::Dollar: {
        const ExpressionHooks& hooks = expression_hooks(sc_.run());
        LabelRec* l = hooks.location_label ? hooks.location_label() : nullptr;
        if (!l) syntax();
        ExprTerm t = ExprTerm::symbol(l);
        t.location = true;
        terms_->push_back(t);
        advance();
        return;
      }
      case Term::LParen:
        if (++depth_ > kMaxParenDepth) syntax();
        advance();
        level(1, false);
        if (classify() != Term::RParen) syntax();
        --depth_;
        advance();
        return;
      default:
        syntax();
    }
  }

  // A whole expression from the current token.
  void expression(bool pending_minus = false) { level(1, pending_minus); }

  bool at_expression_end() const {
    switch (classify()) {
      case Term::End:
      case Term::Comma:
        return true;
      case Term::RParen:
        return expression_mode_;
      default:
        return false;
    }
  }

  // After a syntax error: error 0 and the rest of the operand field is dropped.
  void recover() {
    report_error(sc_.run(), 0);
    classified_ = false;
    for (int c = sc_.token().code; c != TOK_EOL && c != TOK_EOF; c = sc_.token().code) {
      if (c == TOK_SEMICOLON) {
        sc_.skip_rest_of_line();
        return;
      }
      sc_.next_token_A07();
    }
  }

  // A ";" that ends the field starts a comment: the line end becomes the current token.
  void finish_comment() {
    if (sc_.token().code == TOK_SEMICOLON) {
      sc_.skip_rest_of_line();
      classified_ = false;
    }
  }

  // Where the terms go from now on.
  void set_terms(TermList& terms) { terms_ = &terms; }

  Scanner& sc_;
  bool expression_mode_;
  int depth_ = 0;
  bool segment_error = false;

 private:
  TermList* terms_;
  mutable Term term_ = Term::Error;
  mutable bool classified_ = false;
};

bool string_equal_token(int tok) { return tok == OP_ASSIGN_EQ; }

}  // namespace

ExpressionParse parse_expression_B03(Scanner& scanner, bool /*comma_may_follow*/, bool token_read) {
  ExpressionParse out;
  Parser p(scanner, true, out.terms);
  scanner.set_lookup_mode(MODE_EXPRESSION);
  try {
    if (token_read)
      p.skip_blanks();
    else
      p.advance();
    if (p.classify() == Term::String) {
      // string "=" string, string "<>" string
      const std::string left = scanner.token().string ? scanner.token().string->text : "";
      p.advance();
      const int tok = p.op_token();
      if (tok != OP_ASSIGN_EQ && tok != OP_NE_ANGLE) p.syntax();
      p.advance();
      if (p.classify() != Term::String) p.syntax();
      const std::string right = scanner.token().string ? scanner.token().string->text : "";
      p.advance();
      if (!p.at_expression_end()) p.syntax();
      p.finish_comment();
      const bool equal = left == right;
      out.terms.push_back(ExprTerm::constant(string_equal_token(tok) == equal ? 1u : 0u));
      out.ok = true;
      return out;
    }
    p.expression();
    if (!p.at_expression_end()) p.syntax();
    p.finish_comment();
  } catch (const SyntaxError&) {
    p.recover();
    out.terms.clear();
    return out;
  }
  out.ok = true;
  if (p.segment_error) out.terms.assign(1, ExprTerm::constant(0));
  return out;
}

namespace {

// One operand of the field.
struct Operand {
  enum Kind { Register, Pointer, PointerInc, PointerDec, PointerDisp, Expression } kind = Expression;
  std::uint16_t reg = 0;
  TermList terms;
  bool segment_error = false;
};

// Reads one operand into o (a fresh one).
void read_operand(Parser& p, Operand& o) {
  const Token& t = p.sc_.token();
  switch (p.classify()) {
    case Term::Register:
      o.kind = Operand::Register;
      o.reg = static_cast<std::uint16_t>(t.node->def->b);
      p.advance();
      return;
    case Term::Pointer:
      o.reg = static_cast<std::uint16_t>(t.node->def->b);
      p.advance();
      if (p.classify() != Term::Plus) {
        o.kind = Operand::Pointer;
        return;
      }
      p.advance();
      if (p.at_expression_end()) {
        o.kind = Operand::PointerInc;
        return;
      }
      o.kind = Operand::PointerDisp;
      break;
    case Term::Minus:
      p.advance();
      if (p.classify() == Term::Pointer) {
        o.kind = Operand::PointerDec;
        o.reg = static_cast<std::uint16_t>(p.sc_.token().node->def->b);
        p.advance();
        return;
      }
      p.set_terms(o.terms);
      p.segment_error = false;
      p.expression(true);
      o.segment_error = p.segment_error;
      return;
    default:
      break;
  }
  p.set_terms(o.terms);
  p.segment_error = false;
  // Most operands begin with a number or a label: read as the leftmost primary, then only an
  // operator after it leads into the levels.
  const Term lead = p.classify();
  if (lead == Term::Integer || lead == Term::Symbol) {
    p.primary();
    p.binary_tail(1);
  } else {
    p.expression();
  }
  o.segment_error = p.segment_error;
}

// Form number of one or two operands, 0 when the shape is no operand form.
std::uint16_t form_of(const Operand& a, const Operand* b) {
  using K = Operand;
  if (!b) {
    if (a.kind == K::Register) return kFormReg;
    if (a.kind == K::Expression) return kFormExpr;
    return 0;
  }
  if (a.kind == K::Register) {
    switch (b->kind) {
      case K::Register:
        return kFormRegReg;
      case K::Expression:
        return kFormRegExpr;
      case K::Pointer:
        return kFormRegPtr;
      case K::PointerInc:
        return kFormRegPtrInc;
      case K::PointerDec:
        return kFormRegPtrDec;
      case K::PointerDisp:
        return kFormRegPtrDisp;
    }
  }
  if (b->kind == K::Register) {
    switch (a.kind) {
      case K::Expression:
        return kFormExprReg;
      case K::Pointer:
        return kFormPtrReg;
      case K::PointerInc:
        return kFormPtrIncReg;
      case K::PointerDec:
        return kFormPtrDecReg;
      case K::PointerDisp:
        return kFormPtrDispReg;
      default:
        return 0;
    }
  }
  if (a.kind == K::Expression && b->kind == K::Expression) return kFormExprExpr;
  return 0;
}

// A number needs no value record: nothing can change it later.
OperandSlot make_operand_expression(Assembly& run, Operand& o) {
  if (o.segment_error) return OperandSlot::constant(0);
  // A lone number, the usual operand, is its own value, and a lone label that has its place
  // (a branch back) is the label's; any other lone term (a label yet to come, "$", SFB or SFE)
  // cannot be folded.
  if (o.terms.size() == 1) {
    const ExprTerm& t = o.terms[0];
    if (t.kind == ExprTerm::Constant && t.segment == 0) return OperandSlot::constant(t.value);
    if (t.kind == ExprTerm::Symbol && !t.location && t.label && keep_label_operand(run, *t.label))
      return OperandSlot::label(t.label);
    return expression_from_terms(run, std::move(o.terms));
  }
  if (const std::optional<std::uint32_t> v = fold_constant_terms(run, o.terms)) return OperandSlot::constant(*v);
  return expression_from_terms(run, std::move(o.terms));
}

}  // namespace

ParsedOperands parse_operands_B03(Scanner& scanner, std::uint16_t mnemonic) {
  ParsedOperands out;
  Operand first, second;
  Parser p(scanner, false, first.terms);
  scanner.set_lookup_mode(MODE_EXPRESSION);
  bool two = false;
  std::uint16_t form = 0;
  try {
    p.advance();
    out.column = scanner.token().where.column;
    if (p.classify() == Term::End) {  // empty field: 0 forms
      out.column = 0;
      p.finish_comment();
      return out;
    }
    read_operand(p, first);
    if (p.classify() == Term::Comma) {
      p.advance();
      read_operand(p, second);
      two = true;
    }
    if (p.classify() != Term::End) p.syntax();
    form = form_of(first, two ? &second : nullptr);
    if (form == 0) p.syntax();
    p.finish_comment();
  } catch (const SyntaxError&) {
    p.recover();
    out.failed = true;
    return out;
  }

  OperandRec& ops = out.ops;
  ops.form = form;
  // Registers: reg1 is the first register written, reg2 the second of form 1; the pointer of
  // forms 7-14; expressions in the order written.
  auto take = [&](Operand& o) {
    switch (o.kind) {
      case Operand::Register:
        if (ops.form == kFormRegReg && &o == &second)
          ops.reg2 = static_cast<std::uint8_t>(o.reg);
        else
          ops.reg1 = static_cast<std::uint8_t>(o.reg);
        break;
      case Operand::Expression:
        out.exprs[out.exprs[0] ? 1 : 0] = make_operand_expression(scanner.run(), o);
        break;
      case Operand::PointerDisp:
        ops.pointer = o.reg;
        out.exprs[0] = make_operand_expression(scanner.run(), o);
        break;
      default:
        ops.pointer = o.reg;
        break;
    }
  };
  take(first);
  if (two) take(second);
  ops.expr1 = operand_value(out.exprs[0]);
  ops.expr2 = operand_value(out.exprs[1]);
  out.count = 1;
  out.register_error = operand_register_error(mnemonic, ops);
  if (out.register_error) report_error(scanner.run(), out.register_error);
  return out;
}

// ---- instruction statements ----------------------------------------------------------------

namespace {

std::uint32_t first_symbol_flags(OperandSlot slot) {
  if (const LabelRec* l = slot.label()) return l->flags;
  const ValueRec* e = slot.expression();
  if (!e || e->terms.empty()) return 0;
  const ExprTerm& t = e->terms.front();
  return t.kind == ExprTerm::Symbol && t.label ? t.label->flags : 0;
}

void fix_size(Statement& st, std::uint32_t size) {
  st.size = size;
  st.size_fixed = true;
  st.final = true;
}

// No code for this line.
void fail_statement(Statement& st) {
  st.failed = true;
  st.entry = nullptr;
  fix_size(st, 0);
}

}  // namespace

void parse_instruction_statement(Scanner& scanner, Statement& st) {
  const SymbolNode* op = scanner.token().node;
  if (!op || !op->def || op->def->kind != KIND_MNEMONIC)
    report_internal(scanner.run(), "parse_instruction_operands", "Not a mnemonic");
  st.mnemonic = static_cast<std::uint16_t>(op->def->a);

  ParsedOperands parsed = parse_operands_B03(scanner, st.mnemonic);
  OperandRec& ops = parsed.ops;
  st.operands = StatementOperands(ops);
  st.operand_exprs = parsed.exprs;
  st.parsed_count = parsed.count;
  // Problems found when the code is made point at the operand field.
  if (parsed.column > 0) st.columns[1] = caret_column(parsed.column);
  for (OperandSlot slot : parsed.exprs)
    if (ValueRec* e = slot.expression()) e->statement = &st;
  if (parsed.failed) {
    fail_statement(st);
    return;
  }

  const int proc = settings(scanner.run()).processor_option;
  const InstrEntry* entry = find_instr(st.mnemonic, st.parsed_count, ops.form, proc);
  if (!entry) {
    report_error(scanner.run(), 43);
    st.operands.form = kFormNoMatch;
    fail_statement(st);
    return;
  }
  // Emulated mnemonics take their core form at once: their size is the core's.
  if (entry->expander != Expander::kNone) {
    if (emulated_core(st.mnemonic) == kNoCoreMnemonic)
      report_internal(scanner.run(), "run_pending_callbacks_A03", "No core mnemonic for this emulated mnemonic");
    entry = expand_emulated(st.mnemonic, ops, proc);
    st.operands = StatementOperands(ops);
    if (!entry) report_internal(scanner.run(), "find_instr_B00", "No matching EA in ientry for core mnemonic");
    if (st.mnemonic == mn::SER) {
      st.operand_exprs[0] = OperandSlot::constant(255);
    }
  }
  if (!InstrEntryRef::holds(entry))
    internal_error_A01(scanner.run(), "InstrEntryRef", "Entry not in the instruction table", 0, 0);
  st.entry = entry;
  fix_size(st, entry->size);

  const SfrUsage sfr = sfr_usage(st.mnemonic, *entry, ops, first_symbol_flags(st.operand_exprs[0]));
  if (sfr.access_error) report_error(scanner.run(), sfr.access_error);
  if (sfr.size_error) report_error(scanner.run(), sfr.size_error);
}

void expand_instruction_statement(Statement& st) {
  // Emulated mnemonics were expanded when their operands were read; nothing is left to do but
  // to fix the size.
  if (st.entry) fix_size(st, st.entry->size);
}

void encode_instruction_statement(Assembly& run, Statement& st, const EncodeContext& ctx, OddAddressCheck& odd) {
  if (st.failed || !st.entry) return;
  const std::uint32_t start = ctx.location - st.size;
  if (const std::uint16_t e = odd.check(start)) user_error_pass2_A01(run, 2, st.site(statement_store(run)), e, 1);

  // The values come from the operand expressions (absent where there is none). A solved value
  // stays as it is.
  OperandRec ops = st.operands.record();
  for (int i = 0; i < 2; ++i) {
    const OperandSlot slot = st.operand_exprs[static_cast<std::size_t>(i)];
    if (!slot) continue;
    if (ValueRec* e = slot.expression(); e && !e->solved() && e->kind != VALUE_TEMPORARY)
      evaluate_expression_A08(run, *e, true);
    (i == 0 ? ops.expr1 : ops.expr2) = operand_value(slot);
  }

  EncodeResult code = encode_instruction(st.mnemonic, *st.entry, ops, st.parsed_count, ctx);
  if (code.internal_error)
    report_internal(run, code.internal_where ? code.internal_where : "gen_instruction_B00", code.internal_error);
  for (std::uint8_t i = 0; i < code.error_count; ++i)
    user_error_pass2_A01(run, 2, st.site(statement_store(run)), code.errors[i], 2);
  st.code.words = code.words;
  st.code.word_count = code.word_count;
  // Most instructions have no fields for the linker and no side record to clear them in.
  if (code.fixup_count != 0 || st.has_side_record()) {
    StatementStore& store = statement_store(run);
    st.set_fixups(store, store.keep_fixups(code.fixups.data(), code.fixup_count), code.fixup_count);
  } else {
    st.code.fixup_count = 0;
  }
  st.encoded = true;
  if (const EncodedStatementHook& hook = encoded_statement_hook(run)) hook(st, ctx);
}

namespace {

// The run's part that holds its encoded-statement hook.
struct EncodedStatementHookSlot {
  EncodedStatementHook hook;
};

}  // namespace

EncodedStatementHook& encoded_statement_hook(Assembly& run) { return run.part<EncodedStatementHookSlot>().hook; }

ValueRec* parse_expression_A08(Scanner& scanner, bool comma_may_follow, bool token_read) {
  ExpressionParse p = parse_expression_B03(scanner, comma_may_follow, token_read);
  if (!p.ok) return failed_expression(scanner.run());
  return expression_from_terms(scanner.run(), std::move(p.terms));
}

std::int32_t parse_absolute_expression_A08(Scanner& scanner, bool comma_may_follow, bool token_read, bool* ok) {
  if (ok) *ok = false;
  ExpressionParse p = parse_expression_B03(scanner, comma_may_follow, token_read);
  if (!p.ok) return 0;
  // A number (the usual case) is taken as it is; only an expression of symbols needs a record.
  if (const std::optional<std::uint32_t> v = fold_constant_terms(scanner.run(), p.terms)) {
    if (ok) *ok = true;
    return static_cast<std::int32_t>(*v);
  }
  ValueRec* e = expression_from_terms(scanner.run(), std::move(p.terms));
  if (e->failed) return 0;
  if (!e->absolute()) {
    report_error(scanner.run(), 54);
    return 0;
  }
  if (ok) *ok = true;
  return e->signed_value();
}

}  // namespace aq71
