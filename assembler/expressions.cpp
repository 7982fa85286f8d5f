// Expressions of aq71 (see expressions.h).
#include "assembler/expressions.h"
#include "assembler/assembly.h"
#include "assembler/record_arena.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unordered_set>

namespace aq71 {

struct DependentLink {
  ValueRec* expr = nullptr;
  DependentLink* next = nullptr;
};

namespace {

// Labels defined by labels defined by labels ...: evaluation of the labels an expression uses
// recurses at most this deep; anything deeper waits for the worklist of set_label_location or
// the resolve loops.
constexpr int kMaxEvaluationDepth = 64;

std::tm now_tm() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

// One operand on the evaluation stack.
struct Item {
  enum Kind { Absolute, Relocatable, Unsolved, Linker } kind = Absolute;
  std::uint32_t value = 0;
  int segment = 0;
  bool location = false;  // a relocatable "$", or "$" plus or minus a number
  TermList terms;         // how the linker computes it (Unsolved: with the label terms)
};

// A run's expressions. Kept with the run's reporting hooks at hand.
struct State {
  explicit State(Assembly& r) : run(r), hooks(expression_hooks(r)) {}

  Assembly& run;
  ExpressionHooks& hooks;
  RecordArena<ValueRec> pool;  // value records live for the run
  RecordArena<DependentLink, 1024> links;
  RecordArena<ValueLimit, 64> limits;
  std::deque<std::string> texts;  // messages of deferred checks
  std::vector<ValueRec*> unsolved;
  std::vector<ValueRec*> queue;
  // A label's dependents, its place in used_labels and its undefined report count only for the
  // module whose number the label carries (LabelRec::expression_module).
  std::uint32_t module = 1;
  std::vector<LabelRec*> used_labels;  // labels used by expressions, in order of first use
  // Labels whose value settled elsewhere than where their dependents were folded from: those
  // dependents wait to be folded again by the next propagation.
  std::vector<LabelRec*> moved;
  std::unordered_set<const ValueRec*> reported_arithmetic;
  std::deque<std::vector<Item>> stacks;  // evaluation stacks, one per nesting depth, kept for reuse
  std::tm time = now_tm();
  int depth = 0;
};

State& state(Assembly& run) { return run.part<State>(); }

// Problems of an expression that belongs to a statement (or of a label) go to the driver's
// pass-2 reporter; while an expression is being made they are reported at the current line.
void pass2_error(State& s, const ValueRec* expr, const LabelRec* label, int number, MessageArgs args = {}) {
  if (s.hooks.pass2_error && ((expr && expr->statement) || (!expr && label)))
    s.hooks.pass2_error(expr, label, number, args);
  else
    report_error(s.run, number, args.text, args.number);
}

void pass2_warning(State& s, const ValueRec* expr, int number, MessageArgs args = {}) {
  if (s.hooks.pass2_warning && expr && expr->statement)
    s.hooks.pass2_warning(expr, number, args);
  else
    report_warning(s.run, number, args.text, args.number);
}

Item relocatable_item(std::uint32_t offset, int segment, bool location) {
  Item i;
  i.kind = Item::Relocatable;
  i.value = offset;
  i.segment = segment;
  i.location = location;
  i.terms.push_back(ExprTerm::constant(offset, segment));
  return i;
}

Item absolute_item(std::uint32_t v) {
  Item i;
  i.value = v;
  i.terms.push_back(ExprTerm::constant(v));
  return i;
}

const char* label_name(const LabelRec* l) { return l && l->def && l->def->node ? l->def->node->name.c_str() : "?"; }

// The label's expression bookkeeping, emptied when it belongs to an earlier module.
LabelRec& this_module(State& s, LabelRec& l) {
  if (l.expression_module != s.module) {
    l.expression_module = s.module;
    l.dependents = nullptr;
    l.last_dependent = nullptr;
    l.used = false;
    l.reported_undefined = false;
    l.has_folded = false;
  }
  return l;
}

// First of the expressions that use the label in this module, nullptr when none.
const DependentLink* dependents_of(const State& s, const LabelRec& l) {
  return l.expression_module == s.module ? l.dependents : nullptr;
}

void note_used(State& s, LabelRec* l) {
  if (this_module(s, *l).used) return;
  l->used = true;
  s.used_labels.push_back(l);
}

// Called once per expression and label (first_evaluation), so the list has no duplicates.
void register_dependent(State& s, LabelRec* l, ValueRec* e) {
  DependentLink& link = s.links.emplace_back();
  link.expr = e;
  if (this_module(s, *l).last_dependent)
    l->last_dependent->next = &link;
  else
    l->dependents = &link;
  l->last_dependent = &link;
}

void first_evaluation(State& s, ValueRec& e) {
  e.typed = true;
  const std::size_t n = e.terms.size();
  // Long lists keep the labels seen in a set; short ones look back (and make no set).
  std::optional<std::unordered_set<LabelRec*>> seen;
  if (n > 32) seen.emplace();
  for (std::size_t i = 0; i < n; ++i) {
    const ExprTerm& t = e.terms[i];
    if (t.kind != ExprTerm::Symbol || !t.label) continue;
    bool first = true;
    if (seen) {
      first = seen->insert(t.label).second;
    } else {
      for (std::size_t j = 0; j < i && first; ++j)
        first = !(e.terms[j].kind == ExprTerm::Symbol && e.terms[j].label == t.label);
    }
    if (first) {
      register_dependent(s, t.label, &e);
      note_used(s, t.label);
    }
  }
}

// The item a label term stands for.
int evaluate(State& s, ValueRec& e, bool final);

Item label_item(State& s, LabelRec* l, bool final, LabelRec*& first_undefined) {
  Item i;
  if (l->flags & LABEL_EXTERN) {
    i.kind = Item::Linker;
    ExprTerm t;
    t.kind = ExprTerm::External;
    t.extern_index = l->extern_index;
    t.label = l;
    i.terms.push_back(t);
    return i;
  }
  ValueRec* v = l->value;
  if (!v) {
    if (l->flags & (LABEL_PREDEFINED | LABEL_ABSOLUTE))
      return absolute_item(static_cast<std::uint32_t>(l->absolute_value));
    i.kind = Item::Unsolved;
    i.terms.push_back(ExprTerm::symbol(l));
    if (!first_undefined) first_undefined = l;
    return i;
  }
  if (v->kind == VALUE_UNSOLVED && !v->terms.empty() && !final && !v->evaluating && s.depth < kMaxEvaluationDepth)
    evaluate(s, *v, false);
  switch (v->kind) {
    case VALUE_ABSOLUTE:
    case VALUE_TEMPORARY:
      return absolute_item(v->value);
    case VALUE_RELOCATABLE:
      i.kind = Item::Relocatable;
      i.value = v->value;
      i.segment = v->result_segment;
      i.terms.push_back(ExprTerm::constant(v->value, v->result_segment));
      return i;
    case VALUE_COMPLEX:
      i.kind = Item::Linker;
      i.terms = v->reduced;
      return i;
    default:
      i.kind = Item::Unsolved;
      i.terms.push_back(ExprTerm::symbol(l));
      if (!first_undefined) first_undefined = l;
      return i;
  }
}

void append(TermList& to, const TermList& from) { to.append(from); }

struct FoldProblems {
  bool division_by_zero = false;
  bool date_error = false;
};

Item combine(State& s, const ExprTerm& op, Item a, Item b, bool binary, FoldProblems& p) {
  if (binary ? (a.kind == Item::Absolute && b.kind == Item::Absolute) : b.kind == Item::Absolute) {
    std::uint32_t r = 0;
    bool dz = false, de = false;
    if (!apply_operator(s.run, op.token, op.unary, binary ? a.value : 0, b.value, r, &dz, &de))
      report_internal(s.run, "arithmethics in A08", "Not an Operator");
    p.division_by_zero |= dz;
    p.date_error |= de;
    return absolute_item(r);
  }
  if (binary && op.token == OP_SUB && !op.unary && a.kind == Item::Relocatable && b.kind == Item::Relocatable &&
      a.segment == b.segment)
    return absolute_item(a.value - b.value);
  // The current location moved by a number stays an address in its segment.
  if (binary && op.token == OP_ADD && a.location && b.kind == Item::Absolute)
    return relocatable_item(a.value + b.value, a.segment, true);
  if (binary && op.token == OP_ADD && b.location && a.kind == Item::Absolute)
    return relocatable_item(a.value + b.value, b.segment, true);
  if (binary && op.token == OP_SUB && a.location && b.kind == Item::Absolute)
    return relocatable_item(a.value - b.value, a.segment, true);
  Item r;
  bool unsolved = b.kind == Item::Unsolved || (binary && a.kind == Item::Unsolved);
  r.kind = unsolved ? Item::Unsolved : Item::Linker;
  if (binary) {
    r.terms = std::move(a.terms);
    append(r.terms, b.terms);
  } else {
    r.terms = std::move(b.terms);
  }
  r.terms.push_back(op);
  return r;
}

}  // namespace

// ---- value records ---------------------------------------------------------------------------

void set_value_limit(Assembly& run, ValueRec& value, const ValueLimit& limit) {
  State& s = state(run);
  if (!value.limit.limit_) value.limit.limit_ = &s.limits.emplace_back();
  ValueLimit& kept = *value.limit.limit_;
  kept = limit;
  kept.message = limit.message.empty() ? std::string_view() : std::string_view(s.texts.emplace_back(limit.message));
}

ExpressionHooks& expression_hooks(Assembly& run) { return run.part<ExpressionHooks>(); }

void set_assembly_time(Assembly& run, const std::tm& time) { state(run).time = time; }

void begin_module_expressions(Assembly& run) {
  State& s = state(run);
  for (ValueRec* e : s.unsolved) e->in_unsolved_list = false;
  for (ValueRec* e : s.queue) e->queued = false;
  s.unsolved.clear();
  s.queue.clear();
  ++s.module;
  s.used_labels.clear();
}

ValueRec* new_expression(Assembly& run) { return &state(run).pool.emplace_back(); }

ValueRec* new_constant_expression_A08(Assembly& run, std::int32_t value) {
  ValueRec* e = new_expression(run);
  e->kind = VALUE_ABSOLUTE;
  e->value = static_cast<std::uint32_t>(value);
  e->terms.push_back(ExprTerm::constant(e->value));
  e->typed = true;
  return e;
}

namespace {

void init_label_value(ValueRec& e, LabelRec& label) {
  e.owner = &label;
  e.result_segment = static_cast<std::uint16_t>(label.segment_number);
  if (label.flags & (LABEL_PREDEFINED | LABEL_ABSOLUTE)) {
    e.kind = VALUE_ABSOLUTE;
    e.value = static_cast<std::uint32_t>(label.absolute_value);
    e.result_segment = 0;
  }
}

}  // namespace

ValueRec* new_label_value(Assembly& run, LabelRec& label) {
  ValueRec* e = new_expression(run);
  init_label_value(*e, label);
  return e;
}

void renew_label_value(LabelRec& label) {
  label.has_folded = false;
  if (!label.value) return;
  *label.value = ValueRec{};
  init_label_value(*label.value, label);
}

ValueRec& label_value(Assembly& run, LabelRec& label) {
  if (!label.value) label.value = new_label_value(run, label);
  return *label.value;
}

bool label_solved(const LabelRec& label) {
  if (label.flags & LABEL_EXTERN) return false;
  if (!label.value) return (label.flags & (LABEL_PREDEFINED | LABEL_ABSOLUTE)) != 0;
  return label.value->solved() || label.value->kind == VALUE_TEMPORARY;
}

ValueRec* cat_expressions_A08(Assembly& run, const ValueRec& left, int token, const ValueRec& right) {
  bool known = token == OP_ADD || token == OP_SUB || token == OP_ASSIGN_EQ || token == OP_NE_ANGLE ||
               ident_tree(run).operator_name(token).size() > 0;
  if (token < 0 || token >= IdentTree::kOperatorTokens || !known)
    report_internal(run, "cat_expressions_A08", "Can't find Operator");
  ValueRec* e = new_expression(run);
  e->terms = left.terms;
  append(e->terms, right.terms);
  e->terms.push_back(ExprTerm::op(token, false));
  e->statement = left.statement;
  evaluate_expression_A08(run, *e, false);
  return e;
}

namespace {

void push_check(State& s, ValueRec& expr, std::int32_t minimum, std::int32_t maximum, std::string_view message) {
  ExprTerm text;
  text.kind = ExprTerm::String;
  text.text = s.texts.emplace_back(message).c_str();
  TermList tail;
  tail.push_back(text);
  tail.push_back(ExprTerm::op(OP_ERROR_TEXT, true));
  tail.push_back(ExprTerm::constant(static_cast<std::uint32_t>(maximum)));
  tail.push_back(ExprTerm::constant(static_cast<std::uint32_t>(minimum)));
  tail.push_back(ExprTerm::op(OP_CHECK_RANGE, false));
  ExprTerm empty;
  empty.kind = ExprTerm::String;
  empty.text = "";
  tail.push_back(empty);
  tail.push_back(ExprTerm::op(OP_ERROR_TEXT, true));
  append(expr.terms, tail);
  if (expr.kind == VALUE_COMPLEX) expr.reduced.append(tail);
}

}  // namespace

void push_check_A08(Assembly& run, ValueRec& expr, std::int32_t minimum, std::int32_t maximum,
                    std::string_view message) {
  push_check(state(run), expr, minimum, maximum, message);
}

// ---- arithmetic ------------------------------------------------------------------------------

bool apply_operator(Assembly& run, int token, bool unary, std::uint32_t a, std::uint32_t b, std::uint32_t& r,
                    bool* division_by_zero, bool* date_error) {
  const auto sa = static_cast<std::int32_t>(a);
  const auto sb = static_cast<std::int32_t>(b);
  switch (token) {
    case OP_MUL:
      r = a * b;
      return true;
    case OP_DIV:
      if (b == 0) {
        if (division_by_zero) *division_by_zero = true;
        r = 0xFFFFFFFFu;
      } else if (a == 0x80000000u && b == 0xFFFFFFFFu) {
        r = 0x80000000u;  // INT_MIN / -1 wraps
      } else {
        r = static_cast<std::uint32_t>(sa / sb);
      }
      return true;
    case OP_MOD:
      if (b == 0) {
        if (division_by_zero) *division_by_zero = true;
        r = 0;
      } else if (b == 0xFFFFFFFFu) {
        r = 0;
      } else {
        r = static_cast<std::uint32_t>(sa % sb);
      }
      return true;
    case OP_ADD:
      r = unary ? b : a + b;
      return true;
    case OP_SUB:
      r = unary ? 0u - b : a - b;
      return true;
    case OP_SHL:
      r = a << (b & 31u);
      return true;
    case OP_SHR:
      r = a >> (b & 31u);
      return true;
    case OP_AND:
      r = (a != 0 && b != 0) ? 1 : 0;
      return true;
    case OP_OR:
      r = (a != 0 || b != 0) ? 1 : 0;
      return true;
    case OP_XOR:
      r = ((a != 0) != (b != 0)) ? 1 : 0;
      return true;
    case OP_BITAND:
      r = a & b;
      return true;
    case OP_BITOR:
      r = a | b;
      return true;
    case OP_BITXOR:
      r = a ^ b;
      return true;
    case OP_EQ:
    case OP_ASSIGN_EQ:
      r = a == b;
      return true;
    case OP_NE:
    case OP_NE_ANGLE:
      r = a != b;
      return true;
    case OP_GT:
      r = sa > sb;
      return true;
    case OP_LT:
      r = sa < sb;
      return true;
    case OP_GE:
      r = sa >= sb;
      return true;
    case OP_LE:
      r = sa <= sb;
      return true;
    case OP_UGT:
      r = a > b;
      return true;
    case OP_ULT:
      r = a < b;
      return true;
    // The unary operators work on the right operand (also when written between two operands).
    case OP_NOT:
      r = b == 0;
      return true;
    case OP_BITNOT:
      r = ~b;
      return true;
    case OP_LOW:
      r = b & 0xFFu;
      return true;
    case OP_HIGH:
    case OP_BYTE2:
      r = (b >> 8) & 0xFFu;
      return true;
    case OP_BYTE3:
      r = (b >> 16) & 0xFFu;
      return true;
    case OP_LWRD:
      r = b & 0xFFFFu;
      return true;
    case OP_HWRD:
      r = (b >> 16) & 0xFFFFu;
      return true;
    case OP_DATE: {
      const std::tm& t = state(run).time;
      switch (b) {
        case 1:
          r = static_cast<std::uint32_t>(t.tm_sec);
          return true;
        case 2:
          r = static_cast<std::uint32_t>(t.tm_min);
          return true;
        case 3:
          r = static_cast<std::uint32_t>(t.tm_hour);
          return true;
        case 4:
          r = static_cast<std::uint32_t>(t.tm_mday);
          return true;
        case 5:
          r = static_cast<std::uint32_t>(t.tm_mon + 1);
          return true;
        case 6:
          r = static_cast<std::uint32_t>(t.tm_year);
          return true;
        default:
          if (date_error) *date_error = true;
          r = 0;
          return true;
      }
    }
    default:
      return false;
  }
}

// ---- evaluation ------------------------------------------------------------------------------

namespace {

void add_unsolved(State& s, ValueRec& e);

// Remembers the solved value the label's dependents were folded from, unless one is kept
// already (it is still the one they were folded from).
void keep_folded_value(LabelRec& l, const ValueRec& v) {
  if (l.has_folded) return;
  l.has_folded = true;
  l.folded_kind = v.kind;
  l.folded_value = v.value;
  l.folded_segment = v.result_segment;
}

// The label's value has settled: whether it differs from the one its dependents were folded
// from. The kept value is forgotten.
bool settled_elsewhere(LabelRec& l, const ValueRec& v) {
  if (!l.has_folded) return false;
  l.has_folded = false;
  return l.folded_kind != v.kind || l.folded_value != v.value || l.folded_segment != v.result_segment;
}

// The expressions folded from the label's former value wait to be folded again. A label
// defined by one of them keeps the value its own dependents were folded from, so that they are
// folded again in turn when it settles elsewhere. Unless the label moved straight from one
// place to the next, an expression that an error gave its value keeps that value; what was
// folded from such a value is left as it is.
void unfold_dependents(State& s, LabelRec& l, bool straight) {
  for (const DependentLink* d = dependents_of(s, l); d; d = d->next) {
    ValueRec* e = d->expr;
    if (!e->solved() || e->terms.empty() || e->evaluating || (e->forced && !straight)) continue;
    if (e->owner && e->owner->value == e && !e->forced) keep_folded_value(*e->owner, *e);
    if (e->limit) e->limit->checked = false;
    e->kind = VALUE_UNSOLVED;
    add_unsolved(s, *e);
  }
}

// Passes a label's newly found value on to every expression that uses it, and so on. A label
// that settles elsewhere on the way has its dependents folded again, even when it was passed on
// before.
void propagate_from(State& s, LabelRec* first) {
  if (!dependents_of(s, *first) && s.moved.empty()) return;
  struct Step {
    LabelRec* label;
    bool moved;
  };
  std::vector<Step> work{{first, false}};
  const auto take_moved = [&] {
    for (LabelRec* m : s.moved) work.push_back({m, true});
    s.moved.clear();
  };
  take_moved();
  std::unordered_set<const LabelRec*> done;  // long walks only; short ones look back
  for (std::size_t i = 0; i < work.size(); ++i) {
    LabelRec* l = work[i].label;
    bool again = false;
    if (i < 32) {
      for (std::size_t j = 0; j < i && !again; ++j) again = work[j].label == l;
    } else {
      if (done.empty())
        for (std::size_t j = 0; j < i; ++j) done.insert(work[j].label);
      again = !done.insert(l).second;
    }
    if (again && !work[i].moved) continue;
    const DependentLink* d = dependents_of(s, *l);
    if (!d) continue;
    const DependentLink* last = l->last_dependent;  // evaluation may add more: not these
    for (;; d = d->next) {
      ValueRec* e = d->expr;
      if (!e->solved() && !e->evaluating) {
        int before = e->kind;
        evaluate(s, *e, false);
        if (e->owner && e->kind != before) work.push_back({e->owner, false});
        if (!s.moved.empty()) take_moved();
      }
      if (d == last) break;
    }
  }
}

// Propagates what settled elsewhere during an evaluation that was not itself a propagation.
void propagate_moved(State& s) {
  if (s.moved.empty()) return;
  LabelRec* m = s.moved.back();
  s.moved.pop_back();
  propagate_from(s, m);
}

void make_absolute(ValueRec& e, std::uint32_t value) {
  e.kind = VALUE_ABSOLUTE;
  e.value = value;
  e.result_segment = 0;
  e.reduced.clear();
  e.first_undefined = nullptr;
}

void add_unsolved(State& s, ValueRec& e) {
  if (e.in_unsolved_list) return;
  e.in_unsolved_list = true;
  s.unsolved.push_back(&e);
}

bool limit_ok(State& s, ValueRec& e);

// The postfix terms [0, end) of e on the evaluation stack of this depth: the item they come to.
Item& evaluate_terms(State& s, ValueRec& e, std::size_t end, bool final, LabelRec*& first_undefined,
                     FoldProblems& problems) {
  if (s.stacks.size() < static_cast<std::size_t>(s.depth)) s.stacks.resize(static_cast<std::size_t>(s.depth));
  std::vector<Item>& stack = s.stacks[static_cast<std::size_t>(s.depth) - 1];
  stack.clear();
  for (std::size_t i = 0; i < end; ++i) {
    const ExprTerm& t = e.terms[i];
    switch (t.kind) {
      case ExprTerm::Constant:
        if (t.segment == 0) {
          stack.push_back(absolute_item(t.value));
        } else {
          Item it;
          it.kind = Item::Relocatable;
          it.value = t.value;
          it.segment = t.segment;
          it.terms.push_back(t);
          stack.push_back(std::move(it));
        }
        break;
      case ExprTerm::Symbol:
        if (!t.label) report_internal(s.run, "get_value", "Illegal desc");
        stack.push_back(label_item(s, t.label, final, first_undefined));
        if (t.location && stack.back().kind == Item::Relocatable) stack.back().location = true;
        break;
      case ExprTerm::External:
      case ExprTerm::SegmentBegin:
      case ExprTerm::SegmentEnd: {
        Item it;
        it.kind = Item::Linker;
        it.terms.push_back(t);
        stack.push_back(std::move(it));
        break;
      }
      case ExprTerm::Operator: {
        bool binary = !t.unary;
        if (stack.size() < (binary ? 2u : 1u)) report_internal(s.run, "get_operands in A08", "Illegal tag2");
        Item b = std::move(stack.back());
        stack.pop_back();
        Item a;
        if (binary) {
          a = std::move(stack.back());
          stack.pop_back();
        }
        stack.push_back(combine(s, t, std::move(a), std::move(b), binary, problems));
        break;
      }
      default:
        report_internal(s.run, "get_value", "Illegal tag");
    }
  }
  if (stack.size() != 1) report_internal(s.run, "solved in A08", "No such tag");
  return stack.back();
}

int evaluate(State& s, ValueRec& e, bool final) {
  if (e.solved() || e.kind == VALUE_TEMPORARY) return e.kind;
  if (e.terms.empty()) return e.kind;  // a label without value, or a failed parse
  if (e.evaluating) return e.kind;
  if (!e.typed) first_evaluation(s, e);

  e.evaluating = true;
  ++s.depth;
  struct Leave {
    State& s;
    ValueRec& e;
    ~Leave() {
      e.evaluating = false;
      --s.depth;
    }
  } leave{s, e};

  // A deferred check tail (a message string onwards) is never computed here.
  std::size_t end = e.terms.size();
  for (std::size_t i = 0; i < e.terms.size(); ++i)
    if (e.terms[i].kind == ExprTerm::String) {
      end = i;
      break;
    }

  LabelRec* first_undefined = nullptr;
  FoldProblems problems;
  Item single;
  Item* result = &single;
  if (end == 1 && e.terms[0].kind == ExprTerm::Symbol && e.terms[0].label) {
    // A lone label, the usual operand that is not a number, is the label's value as it is.
    single = label_item(s, e.terms[0].label, final, first_undefined);
  } else {
    result = &evaluate_terms(s, e, end, final, first_undefined, problems);
  }

  if ((problems.division_by_zero || problems.date_error) && s.reported_arithmetic.insert(&e).second) {
    if (problems.division_by_zero) pass2_warning(s, &e, 14);
    if (problems.date_error) pass2_error(s, &e, nullptr, 48, {"1-6", 0});
  }

  Item& r = *result;
  e.first_undefined = first_undefined;
  switch (r.kind) {
    case Item::Absolute:
      e.kind = VALUE_ABSOLUTE;
      e.value = r.value;
      e.result_segment = 0;
      break;
    case Item::Relocatable:
      e.kind = VALUE_RELOCATABLE;
      e.value = r.value;
      e.result_segment = r.segment;
      break;
    case Item::Linker:
      e.kind = VALUE_COMPLEX;
      break;
    case Item::Unsolved:
      e.kind = VALUE_UNSOLVED;
      break;
  }
  if (e.kind == VALUE_COMPLEX) {
    e.reduced = std::move(r.terms);
    e.reduced.append(e.terms.begin() + end, e.terms.end());
  } else {
    e.reduced.clear();
  }

  if (e.kind == VALUE_UNSOLVED) {
    add_unsolved(s, e);
  } else {
    e.in_unsolved_list = false;
    if (e.limit && (e.solved() || (e.kind == VALUE_COMPLEX && e.limit.kind() == 3))) limit_ok(s, e);
    // A label defined by this expression that now has another value than its dependents were
    // folded from: they are folded again.
    if (e.owner && e.owner->has_folded && e.owner->value == &e && settled_elsewhere(*e.owner, e)) {
      unfold_dependents(s, *e.owner, false);
      s.moved.push_back(e.owner);
    }
  }
  return e.kind;
}

bool limit_ok(State& s, ValueRec& e) {
  if (e.limit.kind() == 0 || e.limit->checked) return true;
  ValueLimit& limit = *e.limit.get();
  if (limit.kind > 3) report_internal(s.run, "limit_ok_A08", "Not a limit");
  if (e.kind == VALUE_COMPLEX) {
    if (limit.kind == 3) {
      push_check(s, e, limit.minimum, limit.maximum, limit.message);
      limit.checked = true;
    }
    return true;
  }
  if (!e.solved()) return true;
  const std::int32_t v = e.signed_value();
  bool fail = false;
  if ((limit.kind & 1) && v < limit.minimum) fail = true;
  if ((limit.kind & 2) && v > limit.maximum) fail = true;
  limit.checked = true;
  if (fail) pass2_error(s, &e, e.owner, 70, {limit.message, v});
  return !fail;
}

}  // namespace

int evaluate_expression_A08(Assembly& run, ValueRec& e, bool final) {
  State& s = state(run);
  const int kind = evaluate(s, e, final);
  if (s.depth == 0) propagate_moved(s);
  return kind;
}

bool limit_ok_A08(Assembly& run, ValueRec& e) { return limit_ok(state(run), e); }

// ---- labels ------------------------------------------------------------------------------------

void set_label_location(Assembly& run, LabelRec& label, int segment, bool absolute_segment, std::uint32_t offset,
                        bool known) {
  State& s = state(run);
  ValueRec& v = label_value(run, label);
  v.owner = &label;
  // What the dependents were folded from: this value when it is solved, else the last solved one.
  const bool was_solved = v.solved();
  const bool was_forced = v.forced;
  if (was_solved) {
    label.has_folded = false;
    keep_folded_value(label, v);
  }
  v.terms.clear();
  v.forced = false;
  v.value = offset;
  if (!known) {
    v.kind = VALUE_UNSOLVED;
    v.result_segment = segment;
  } else if (absolute_segment) {
    v.kind = VALUE_ABSOLUTE;
    v.result_segment = 0;
  } else {
    v.kind = VALUE_RELOCATABLE;
    v.result_segment = segment;
  }
  v.reduced.clear();
  label.segment_number = segment;
  if (!v.solved()) {
    // The value an error gave it counts until the label is placed straight at another one.
    if (was_forced) label.has_folded = false;
    return;
  }
  // Settled elsewhere than its dependents were folded from, on whatever road (directly, or
  // unsettled in between): they are folded again.
  const bool moved = settled_elsewhere(label, v);
  if (was_solved && !moved) return;
  if (moved) unfold_dependents(s, label, was_solved);
  propagate_from(s, &label);
}

void assign_label_value(Assembly& run, LabelRec& label, const ValueRec& expr, bool temporary) {
  State& s = state(run);
  ValueRec& v = label_value(run, label);
  v.owner = &label;
  v.terms = expr.terms;
  v.statement = expr.statement;
  v.typed = false;
  v.forced = false;
  v.failed = expr.failed;
  if (expr.failed || (expr.terms.empty() && expr.solved())) {
    v.kind = expr.kind;
    v.value = expr.value;
    v.result_segment = expr.result_segment;
    v.reduced = expr.reduced;
  } else {
    v.kind = VALUE_UNSOLVED;
    evaluate(s, v, false);
  }
  if (temporary && v.kind == VALUE_ABSOLUTE) v.kind = VALUE_TEMPORARY;
  if (v.kind != VALUE_UNSOLVED) propagate_from(s, &label);
}

void assign_label_number(Assembly& run, LabelRec& label, std::int32_t value, bool temporary) {
  ValueRec number;  // read by assign_label_value only, which copies what it keeps
  number.kind = VALUE_ABSOLUTE;
  number.value = static_cast<std::uint32_t>(value);
  number.terms.push_back(ExprTerm::constant(number.value));
  number.typed = true;
  assign_label_value(run, label, number, temporary);
}

// ---- unsolved list and resolve ------------------------------------------------------------------

void add_unsolved(Assembly& run, ValueRec& e) { add_unsolved(state(run), e); }

void remove_unsolved(Assembly& run, ValueRec& e) {
  State& s = state(run);
  if (s.unsolved.empty()) report_internal(run, "mark_or_get_unsolved_A08", "root==0");
  for (std::size_t i = 0; i < s.unsolved.size(); ++i)
    if (s.unsolved[i] == &e) {
      s.unsolved.erase(s.unsolved.begin() + static_cast<long>(i));
      e.in_unsolved_list = false;
      return;
    }
  report_internal(run, "mark_or_get_unsolved_A08", "Not in list");
}

namespace {

std::size_t count_unsolved(const State& s) {
  std::size_t n = 0;
  for (const ValueRec* e : s.unsolved)
    if (e->kind == VALUE_UNSOLVED) ++n;
  return n;
}

const std::vector<ValueRec*>& prune_unsolved(State& s) {
  std::vector<ValueRec*> keep;
  keep.reserve(s.unsolved.size());
  for (ValueRec* e : s.unsolved) {
    if (e->kind == VALUE_UNSOLVED)
      keep.push_back(e);
    else
      e->in_unsolved_list = false;
  }
  s.unsolved.swap(keep);
  return s.unsolved;
}

std::size_t evaluate_list_once(State& s) {
  std::vector<ValueRec*> list = prune_unsolved(s);  // evaluation may append
  for (ValueRec* e : list)
    if (e->kind == VALUE_UNSOLVED) {
      evaluate(s, *e, false);
      if (e->owner && e->kind != VALUE_UNSOLVED) propagate_from(s, e->owner);
      propagate_moved(s);
    }
  return count_unsolved(s);
}

void evaluate_queue(State& s) {
  std::vector<ValueRec*> q = s.queue;
  for (ValueRec* e : q)
    if (e->kind == VALUE_UNSOLVED) {
      evaluate(s, *e, false);
      if (e->owner && e->kind != VALUE_UNSOLVED) propagate_from(s, e->owner);
      propagate_moved(s);
    }
}

void evaluate_list_while_falling(State& s) {
  std::size_t previous = count_unsolved(s);
  for (;;) {
    std::size_t now = evaluate_list_once(s);
    if (now >= previous) break;
    previous = now;
  }
  evaluate_list_once(s);
}

}  // namespace

std::size_t unsolved_count(Assembly& run) { return count_unsolved(state(run)); }

const std::vector<ValueRec*>& unsolved_list(Assembly& run) { return prune_unsolved(state(run)); }

void queue_for_resolve(Assembly& run, ValueRec& e) {
  if (e.queued) return;
  e.queued = true;
  state(run).queue.push_back(&e);
}

std::size_t evaluate_unsolved_list(Assembly& run) { return evaluate_list_once(state(run)); }

void resolve_unsolved_A08(Assembly& run) {
  State& s = state(run);
  evaluate_queue(s);
  evaluate_list_while_falling(s);
}

namespace {

// A location that waits for "$" of its line: the walks that follow place it.
bool waits_for_its_origin(const ValueRec& e) {
  return e.first_undefined && (e.first_undefined->flags & LABEL_LOCATION_ORIGIN);
}

}  // namespace

void final_evaluation_A08(Assembly& run) {
  State& s = state(run);
  std::vector<ValueRec*> q = s.queue;
  for (ValueRec* e : q) {
    if (e->kind == VALUE_UNSOLVED) evaluate(s, *e, false);
    propagate_moved(s);
    if (e->kind == VALUE_UNSOLVED && !waits_for_its_origin(*e)) {
      pass2_error(s, e, e->owner, 64);
      make_absolute(*e, 0);
      e->forced = true;
      if (e->owner) propagate_from(s, e->owner);
    }
  }
  evaluate_list_while_falling(s);

  // Undefined labels: first those that never got any value, then whatever is left (labels
  // defined by each other in a circle). Each is reported once and counts as 1 from then on.
  for (int round = 0; round < 2; ++round) {
    std::vector<LabelRec*> used = s.used_labels;
    for (LabelRec* l : used) {
      if (label_solved(*l) || (l->flags & (LABEL_EXTERN | LABEL_LOCATION_ORIGIN))) continue;
      ValueRec& v = label_value(run, *l);
      if (v.kind != VALUE_UNSOLVED) continue;
      if (round == 0 && !v.terms.empty()) continue;
      if (!this_module(s, *l).reported_undefined) {
        l->reported_undefined = true;
        pass2_error(s, nullptr, l, 50, {label_name(l), 0});
      }
      v.terms.clear();
      make_absolute(v, 1);
      v.forced = true;
      propagate_from(s, l);
    }
    evaluate_list_while_falling(s);
  }
}

std::vector<LabelRec*> undefined_labels(Assembly& run) {
  std::vector<LabelRec*> out;
  for (LabelRec* l : state(run).used_labels)
    if (!label_solved(*l) && !(l->flags & LABEL_EXTERN) && (!l->value || l->value->kind == VALUE_UNSOLVED))
      out.push_back(l);
  return out;
}

// ---- parsing -----------------------------------------------------------------------------------

ValueRec* expression_from_terms(Assembly& run, TermList&& terms) {
  ValueRec* e = new_expression(run);
  e->terms = std::move(terms);
  if (e->terms.empty()) {
    e->failed = true;
    make_absolute(*e, 0);
    return e;
  }
  evaluate_expression_A08(run, *e, false);
  e->statement = ident_tree(run).env.take_statement();
  return e;
}

bool keep_label_operand(Assembly& run, LabelRec& label) {
  // Only a place changes such a label's value, and a place it takes later is its value at the
  // end, which the operand reads then: a value record of the operand would follow it there.
  // Temporary values (VAR) and LOCAL labels, whose records start over, are taken as they are now.
  const ValueRec* v = label.value;
  if (!v || v->owner != &label || !v->terms.empty() || !v->solved() || v->forced) return false;
  if (label.flags & (LABEL_EXTERN | LABEL_LOCAL)) return false;
  State& s = state(run);
  note_used(s, &label);
  ident_tree(run).env.take_statement();
  if (s.depth == 0) propagate_moved(s);
  return true;
}

std::optional<std::uint32_t> fold_constant_terms(Assembly& run, const TermList& terms) {
  // Only a well-formed list of numbers and computable operators is folded here; anything else
  // takes the evaluator's road (and its internal checks).
  std::size_t depth = 0;
  for (const ExprTerm& t : terms) {
    if (t.kind == ExprTerm::Constant && t.segment == 0) {
      ++depth;
    } else if (t.kind == ExprTerm::Operator && t.token != OP_ERROR_TEXT && t.token != OP_CHECK_RANGE) {
      const std::size_t need = t.unary ? 1 : 2;
      if (depth < need) return std::nullopt;
      depth -= need - 1;
    } else {
      return std::nullopt;
    }
  }
  if (depth != 1) return std::nullopt;

  std::uint32_t local[32];
  std::vector<std::uint32_t> big;
  if (terms.size() > 32) big.resize(terms.size());
  std::uint32_t* stack = big.empty() ? local : big.data();
  std::size_t top = 0;
  FoldProblems problems;
  for (const ExprTerm& t : terms) {
    if (t.kind == ExprTerm::Constant) {
      stack[top++] = t.value;
      continue;
    }
    const std::uint32_t right = stack[--top];
    const std::uint32_t left = t.unary ? 0 : stack[--top];
    bool dz = false, de = false;
    if (!apply_operator(run, t.token, t.unary, left, right, stack[top], &dz, &de)) return std::nullopt;
    ++top;
    problems.division_by_zero |= dz;
    problems.date_error |= de;
  }
  // As evaluate_expression_A08 reports them for an expression not yet given to a statement.
  if (problems.division_by_zero) report_warning(run, 14);
  if (problems.date_error) report_error(run, 48, "1-6", 0);
  return stack[0];
}

ValueRec* failed_expression(Assembly& run) {
  ValueRec* e = new_expression(run);
  e->failed = true;
  make_absolute(*e, 0);
  e->statement = ident_tree(run).env.take_statement();
  return e;
}

// ---- debugging ---------------------------------------------------------------------------------

std::string print_expression_A08(const ValueRec* e) {
  if (!e) return "NULL";
  std::string out;
  char buf[96];
  switch (e->kind) {
    case VALUE_ABSOLUTE:
    case VALUE_TEMPORARY:
      std::snprintf(buf, sizeof buf, "%s %ld(0x%X) ", "Type: Label", static_cast<long>(e->signed_value()), e->value);
      out += buf;
      break;
    case VALUE_RELOCATABLE:
      std::snprintf(buf, sizeof buf, "(Seg:%u) ", static_cast<unsigned>(e->result_segment));
      out += buf;
      std::snprintf(buf, sizeof buf, "%s %ld(0x%X) ", "Type: Offset", static_cast<long>(e->signed_value()), e->value);
      out += buf;
      break;
    case VALUE_COMPLEX:
      for (const ExprTerm& t : e->reduced)
        if (t.kind == ExprTerm::External) {
          std::snprintf(buf, sizeof buf, "%s extern[%u] ", label_name(t.label), static_cast<unsigned>(t.extern_index));
          out += buf;
        }
      out += "Type: Undef Not solved ";
      break;
    default:
      std::snprintf(buf, sizeof buf, "%s Not solved ", "Type: Undef");
      out += buf;
      break;
  }
  if (!e->owner) out += "No label";
  return out;
}

}  // namespace aq71
