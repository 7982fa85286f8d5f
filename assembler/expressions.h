// Expressions of aq71: value records, postfix term lists, their evaluation with 32-bit
// arithmetic, and the bookkeeping of expressions that still wait for symbols (the unsolved list
// and the resolve queue) so that the resolve step can evaluate them again once code offsets are
// known.
//
// An expression is parsed once (operand grammar, expression mode) into a postfix term list. Its
// value record keeps those terms for good; every evaluation folds them again from the start with
// the values the labels have at that moment, so evaluating twice is harmless. What cannot be
// folded (a relocatable label with a constant, labels of different segments, externals, SFB/SFE)
// is left in `reduced` for the object writer, which writes it as a linker expression.
//
// Labels: every user label has a value record (`new_label_value`, the identifier tree's
// make_value callback). A label placed in a segment gets its offset through `set_label_location`;
// a label defined by an assignment (EQU, =, VAR, ...) gets its expression through
// `assign_label_value`. Expressions that use a label are evaluated again when the label gets a
// value.
//
// Road through the resolve step (in this order):
//   resolve_unsolved_A08()     after the first sizing walk: the queue, then the unsolved list
//                              while the number of unsolved expressions falls, then once more
//   final_evaluation_A08()     after the last sizing walk: queued expressions still unsolved give
//                              error 64 and become 0; unsolved labels that are used give error 50
//                              once each and become 1
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "assembler/avr_isa.h"
#include "assembler/diagnostics.h"
#include "assembler/ident_tree.h"
#include "assembler/operand_slot.h"

namespace aq71 {

class Assembly;

class Scanner;
struct Statement;
struct ValueRec;

// Kinds of a value record.
enum ValueKindCode : int {
  VALUE_UNSOLVED = 0,     // waits for a symbol
  VALUE_ABSOLUTE = 1,     // value is the number
  VALUE_RELOCATABLE = 2,  // value is an offset in result_segment
  VALUE_TEMPORARY = 3,    // taken over from an assignment label (VAR); refused for code
  VALUE_COMPLEX = 4,      // needs the linker: externals, several relocatable terms, SFB/SFE, ...
};

// Operator tokens (the token of each operator entry; the table of operator names is registered
// by operator_keywords.h).
enum OperatorToken : int {
  OP_MUL = 5,
  OP_ADD = 7,
  OP_SUB = 8,
  OP_DIV = 11,
  OP_NE_ANGLE = 19,   // "<>": like NE
  OP_ASSIGN_EQ = 21,  // "=": like EQ
  OP_LPAREN = 26,
  OP_RPAREN = 27,
  OP_NOT = 87,
  OP_LOW = 88,
  OP_HIGH = 89,
  OP_LWRD = 90,
  OP_HWRD = 91,
  OP_DATE = 92,
  OP_SFB = 93,
  OP_SFE = 94,
  OP_MOD = 95,
  OP_SHR = 96,
  OP_SHL = 97,
  OP_AND = 98,
  OP_OR = 99,
  OP_XOR = 100,
  OP_EQ = 101,
  OP_NE = 102,
  OP_GE = 103,
  OP_LE = 104,
  OP_GT = 105,
  OP_LT = 106,
  OP_UGT = 107,
  OP_ULT = 108,
  OP_CHECK_RANGE = 115,  // deferred range check (_?CHECK_RANGE)
  OP_ERROR_TEXT = 116,   // message of a deferred range check (_?ERROR_TEXT)
  OP_BITAND = 118,
  OP_BITOR = 119,
  OP_BITXOR = 120,
  OP_BITNOT = 121,
  OP_BYTE2 = 122,
  OP_BYTE3 = 123,
  OP_SIZEOF = 134,
};

// Precedence classes of the operator entries.
enum OperatorClass : int {
  OPCLASS_UNARY = 1,
  OPCLASS_2 = 2,  // no operator has it
  OPCLASS_MUL = 4,
  OPCLASS_ADD = 8,
  OPCLASS_AND = 16,
  OPCLASS_OR = 32,
  OPCLASS_COMPARE = 64,
};

// One term of a postfix list. Plain data (16 bytes): each kind uses one of the 16-bit fields and
// one of the pointers, which share their place; a check message lives with the expression
// bookkeeping for the whole run and the term only points at it.
struct ExprTerm {
  enum Kind : std::uint8_t {
    Constant = 1,      // value; segment 0, or the segment an offset lies in
    Operator = 2,      // token, unary flag
    Symbol = 3,        // a label
    SegmentBegin = 4,  // SFB segment
    SegmentEnd = 5,    // SFE segment
    String = 6,        // message text of a deferred check
    External = 7,      // external index
    End = 8,
  };
  Kind kind = End;
  bool unary : 1 = false;     // Operator
  bool location : 1 = false;  // Symbol: the label made for "$"
  union {
    std::uint16_t token = 0;     // Operator
    std::uint16_t segment;       // Constant, SegmentBegin, SegmentEnd
    std::uint16_t extern_index;  // External
  };
  std::uint32_t value = 0;  // Constant
  union {
    LabelRec* label = nullptr;  // Symbol, External
    const char* text;           // String: zero-terminated, never null
  };

  static ExprTerm constant(std::uint32_t v, int seg = 0) {
    ExprTerm t;
    t.kind = Constant;
    t.value = v;
    t.segment = static_cast<std::uint16_t>(seg);
    return t;
  }
  static ExprTerm op(int token, bool unary = false) {
    ExprTerm t;
    t.kind = Operator;
    t.token = static_cast<std::uint16_t>(token);
    t.unary = unary;
    return t;
  }
  static ExprTerm symbol(LabelRec* l) {
    ExprTerm t;
    t.kind = Symbol;
    t.label = l;
    return t;
  }
};

static_assert(std::is_trivially_copyable_v<ExprTerm> && sizeof(ExprTerm) == 16);

// A postfix term list in 16 bytes. Its first term lives inside the list, so a constant or a
// single label takes no heap block; longer lists move to the heap. The kind byte of the term in
// place tells the three states apart: 0 for an empty list, kOnHeap for a list on the heap (its
// size and capacity are kept beside the block pointer), any term kind for one term in place.
class TermList {
 public:
  TermList() { set_empty(); }
  TermList(std::initializer_list<ExprTerm> terms) : TermList() { append(terms.begin(), terms.end()); }
  TermList(const TermList& other) : TermList() { append(other.begin(), other.end()); }
  TermList(TermList&& other) noexcept : TermList() { take(other); }
  TermList& operator=(const TermList& other) {
    if (this != &other) {
      clear();
      append(other.begin(), other.end());
    }
    return *this;
  }
  TermList& operator=(TermList&& other) noexcept {
    if (this != &other) {
      release();
      take(other);
    }
    return *this;
  }
  ~TermList() { release(); }

  std::size_t size() const { return on_heap() ? heap_.size : local_.kind != kEmpty; }
  bool empty() const { return size() == 0; }
  ExprTerm* data() { return on_heap() ? heap_.block : &local_; }
  const ExprTerm* data() const { return on_heap() ? heap_.block : &local_; }
  ExprTerm* begin() { return data(); }
  ExprTerm* end() { return data() + size(); }
  const ExprTerm* begin() const { return data(); }
  const ExprTerm* end() const { return data() + size(); }
  ExprTerm& operator[](std::size_t i) { return data()[i]; }
  const ExprTerm& operator[](std::size_t i) const { return data()[i]; }
  ExprTerm& front() { return data()[0]; }
  const ExprTerm& front() const { return data()[0]; }
  ExprTerm& back() { return data()[size() - 1]; }
  const ExprTerm& back() const { return data()[size() - 1]; }

  void clear() {
    if (on_heap())
      heap_.size = 0;
    else
      set_empty();
  }
  // t is a term of one of ExprTerm's kinds.
  void push_back(const ExprTerm& t) {
    if (!on_heap() && local_.kind == kEmpty) {
      local_ = t;
      return;
    }
    const std::size_t n = size();
    if (n == capacity()) {
      ExprTerm copy = t;  // t may lie in this list
      grow(n + 1);
      heap_.block[heap_.size++] = copy;
      return;
    }
    heap_.block[heap_.size++] = t;
  }
  void append(const ExprTerm* first, const ExprTerm* last) {
    const std::size_t n = static_cast<std::size_t>(last - first);
    if (n == 0) return;
    if (n == 1) {
      push_back(*first);
      return;
    }
    if (size() + n > capacity()) {
      if (first >= begin() && first < end()) {  // a part of this list itself
        TermList copy;
        copy.append(first, last);
        append(copy.begin(), copy.end());
        return;
      }
      grow(size() + n);
    }
    ExprTerm* to = heap_.block + heap_.size;
    for (const ExprTerm* p = first; p != last; ++p) *to++ = *p;
    heap_.size += static_cast<std::uint32_t>(n);
  }
  void append(const TermList& other) { append(other.begin(), other.end()); }
  void assign(std::size_t n, const ExprTerm& t) {
    clear();
    for (std::size_t i = 0; i < n; ++i) push_back(t);
  }

 private:
  static constexpr ExprTerm::Kind kEmpty = static_cast<ExprTerm::Kind>(0);
  static constexpr ExprTerm::Kind kOnHeap = static_cast<ExprTerm::Kind>(0xFF);

  // The heap state; its first member shares the place of the kind of the term in place.
  struct Heap {
    ExprTerm::Kind tag;
    std::uint8_t log2_capacity;
    std::uint32_t size;
    ExprTerm* block;
  };

  bool on_heap() const { return heap_.tag == kOnHeap; }
  std::size_t capacity() const { return on_heap() ? std::size_t{1} << heap_.log2_capacity : 1; }
  void set_empty() {
    local_ = ExprTerm();
    local_.kind = kEmpty;
  }
  // Room for at least `need` terms on the heap (a power of two, at least 4), the terms kept.
  void grow(std::size_t need) {
    std::uint8_t log2 = on_heap() ? static_cast<std::uint8_t>(heap_.log2_capacity + 1) : 2;
    while ((std::size_t{1} << log2) < need) ++log2;
    ExprTerm* block = new ExprTerm[std::size_t{1} << log2];
    const std::size_t n = size();
    const ExprTerm* from = data();
    for (std::size_t i = 0; i < n; ++i) block[i] = from[i];
    if (on_heap()) delete[] heap_.block;
    heap_.tag = kOnHeap;
    heap_.log2_capacity = log2;
    heap_.size = static_cast<std::uint32_t>(n);
    heap_.block = block;
  }
  void release() {
    if (on_heap()) delete[] heap_.block;
    set_empty();
  }
  void take(TermList& other) {
    if (other.on_heap())
      heap_ = other.heap_;
    else
      local_ = other.local_;
    other.set_empty();
  }

  // ExprTerm is plain data: the union needs no care beyond knowing which member is in use.
  union {
    ExprTerm local_;
    Heap heap_;
  };
};

static_assert(sizeof(TermList) == 16);

// Limit on a value (LIMIT directive): kind 0 none, 1 minimum, 2 maximum, 3 both. A limit kept
// by a value record (set_value_limit) has its message copied into storage that lasts for the
// run, so it takes two words however long its message.
struct ValueLimit {
  int kind = 0;
  bool checked = false;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::string_view message;
};

// The limit of a value record. Few values have one, so it lives in a side record kept for the
// run; a record without a limit holds only a null pointer.
class LimitSlot {
 public:
  explicit operator bool() const { return limit_ != nullptr; }
  int kind() const { return limit_ ? limit_->kind : 0; }
  ValueLimit* operator->() const { return limit_; }
  ValueLimit* get() const { return limit_; }

 private:
  friend void set_value_limit(Assembly& run, ValueRec& value, const ValueLimit& limit);
  ValueLimit* limit_ = nullptr;
};

// Folded terms of a value record. Only a value the linker computes needs them, so the list is
// made on demand: every other record holds a null pointer.
class FoldedTerms {
 public:
  FoldedTerms() = default;
  FoldedTerms(const FoldedTerms& other) : list_(other.empty() ? nullptr : new TermList(*other.list_)) {}
  FoldedTerms& operator=(const FoldedTerms& other) {
    if (this != &other) *this = other.list();
    return *this;
  }
  FoldedTerms& operator=(const TermList& terms) {
    if (terms.empty()) {
      clear();
    } else if (list_) {
      *list_ = terms;
    } else {
      list_ = new TermList(terms);
    }
    return *this;
  }
  FoldedTerms& operator=(TermList&& terms) {
    if (terms.empty()) {
      clear();
    } else if (list_) {
      *list_ = std::move(terms);
    } else {
      list_ = new TermList(std::move(terms));
    }
    return *this;
  }
  ~FoldedTerms() { delete list_; }

  const TermList& list() const { return list_ ? *list_ : empty_list(); }
  operator const TermList&() const { return list(); }  // NOLINT: read like the list itself
  std::size_t size() const { return list_ ? list_->size() : 0; }
  bool empty() const { return size() == 0; }
  const ExprTerm* begin() const { return list().begin(); }
  const ExprTerm* end() const { return list().end(); }
  const ExprTerm& operator[](std::size_t i) const { return (*list_)[i]; }
  void clear() {
    delete list_;
    list_ = nullptr;
  }
  void append(const ExprTerm* first, const ExprTerm* last) {
    if (first == last) return;
    if (!list_) list_ = new TermList;
    list_->append(first, last);
  }
  void append(const TermList& terms) { append(terms.begin(), terms.end()); }
  void assign(std::size_t n, const ExprTerm& t) {
    clear();
    for (std::size_t i = 0; i < n; ++i) append(&t, &t + 1);
  }

 private:
  static const TermList& empty_list() {
    static const TermList empty;
    return empty;
  }
  TermList* list_ = nullptr;
};

struct ValueRec {
  std::uint8_t kind = VALUE_UNSOLVED;  // ValueKindCode
  bool failed : 1 = false;             // the parse failed (error already reported)
  // bookkeeping of the evaluator
  bool typed : 1 = false;  // first evaluation done: the labels it uses know it
  bool in_unsolved_list : 1 = false;
  bool queued : 1 = false;
  bool evaluating : 1 = false;
  bool forced : 1 = false;  // given its value by an error (64: 0, or 50 for a label: 1)
  std::uint16_t result_segment = 0;  // segment of a relocatable result (0 for absolute)
  std::uint32_t value = 0;           // absolute value, or offset in result_segment
  TermList terms;                    // postfix, as parsed (empty for a placed label)
  // Folded terms of a complex expression after the last evaluation: what the object writer
  // writes for the linker: Constant (segment 0: a number; else an offset in that segment),
  // External, SegmentBegin/End, Operator and the String of a deferred check; no Symbol terms
  // are left. Empty for any other kind.
  FoldedTerms reduced;
  LabelRec* owner = nullptr;       // the label whose value this is
  Statement* statement = nullptr;  // where problems found later are reported
  LimitSlot limit;
  LabelRec* first_undefined = nullptr;  // first unsolved label it uses (last evaluation)

  bool solved() const { return kind == VALUE_ABSOLUTE || kind == VALUE_RELOCATABLE; }
  bool absolute() const { return kind == VALUE_ABSOLUTE; }
  std::int32_t signed_value() const { return static_cast<std::int32_t>(value); }
  // The operand value the encoders take.
  OperandValue operand_value() const {
    switch (kind) {
      case VALUE_ABSOLUTE:
        return OperandValue::absolute(value);
      case VALUE_RELOCATABLE:
        return OperandValue::relocatable(result_segment, value);
      case VALUE_TEMPORARY:
        return {ValueKind::kTemporary, value, 0};
      default:
        return OperandValue::linker();
    }
  }
};

// Value records are made for every label and every operand that uses one: keep them small.
static_assert(sizeof(ValueRec) <= 64);
static_assert(alignof(ValueRec) >= 4 && alignof(LabelRec) >= 4, "operand slots tag record pointers");

// Flag of the label the driver makes for "$" of a location line (ORG, ASEG address): its place is
// where the line begins, known once the sizes before it are. Until then neither it nor the
// location waiting for it is undefined.
inline constexpr std::uint32_t LABEL_LOCATION_ORIGIN = 0x20000000;

// What the driver gives the evaluator.
struct ExpressionHooks {
  // "$": a label at the current location (the driver makes it, with its statement, and gives
  // it its value in the sizing walks). Without it "$" is error 0.
  std::function<LabelRec*()> location_label;
  // Problems found after the source pass, at the statement of an expression (or at a label):
  // numbered errors and warnings with their arguments. Without them they go to
  // user_error_A01 / user_warning_A01.
  std::function<void(const ValueRec* expr, const LabelRec* label, int number, MessageArgs args)> pass2_error;
  std::function<void(const ValueRec* expr, int number, MessageArgs args)> pass2_warning;
  // Segment number -> relocatable (SIZEOF of a segment numbered below 2 is error 69).
  // Without it every segment from 2 on counts as relocatable.
};
ExpressionHooks& expression_hooks(Assembly& run);

// Every function below works on the expressions of the run it is given: value records, the
// unsolved list and the resolve queue are the run's and end with it.

// ---- run and module state -----------------------------------------------------------------

// The assembler's start time (DATE). Set by the driver at the start of a run.
void set_assembly_time(Assembly& run, const std::tm& time);
// Start of a module: the unsolved list, the queue and the dependency lists are cleared.
void begin_module_expressions(Assembly& run);

// ---- making expressions ------------------------------------------------------------------

ValueRec* new_expression(Assembly& run);  // empty, unsolved, no terms
// An expression of the given postfix terms, evaluated once (no terms: failed, absolute 0).
ValueRec* expression_from_terms(Assembly& run, TermList&& terms);
ValueRec* failed_expression(Assembly& run);  // failed parse: absolute 0
// The value of a term list of numbers and operators only (no label, segment or external term):
// folded at once, with the problems evaluating it reports (warning 14, error 48) reported at the
// current line as for a new expression. nullopt, with nothing reported, for any other list.
std::optional<std::uint32_t> fold_constant_terms(Assembly& run, const TermList& terms);
// Whether an operand that is this label alone can be kept as the label itself (OperandSlot::label)
// instead of a value record of its own: the label has its place already and nothing but a new
// place can change its value. When it can, the label counts as used, as an expression using it
// would make it.
bool keep_label_operand(Assembly& run, LabelRec& label);
// The operand value the encoders take from an operand slot (absent for an empty slot).
inline OperandValue operand_value(OperandSlot slot) {
  if (slot.is_constant()) return OperandValue::absolute(slot.constant_value());
  if (const LabelRec* l = slot.label()) return l->value->operand_value();
  if (const ValueRec* e = slot.expression()) return e->operand_value();
  return {};
}
ValueRec* new_constant_expression_A08(Assembly& run, std::int32_t value);  // solved absolute
// The value record of a new label (make_value callback of the identifier tree).
ValueRec* new_label_value(Assembly& run, LabelRec& label);
// The value record of a label made anew on an old record starts over as a new one.
void renew_label_value(LabelRec& label);
// left OP right as a new expression (terms copied); internal error when the token is not an
// operator.
ValueRec* cat_expressions_A08(Assembly& run, const ValueRec& left, int token, const ValueRec& right);
// Appends a deferred range check (message, maximum, minimum, check) to a complex expression.
void push_check_A08(Assembly& run, ValueRec& expr, std::int32_t minimum, std::int32_t maximum,
                    std::string_view message);
// Gives the record this limit (replacing any it had); the message is copied for the run.
void set_value_limit(Assembly& run, ValueRec& value, const ValueLimit& limit);

// ---- evaluation --------------------------------------------------------------------------

// Evaluates an expression with the current label values. final: no further deferral (the labels
// it uses are not evaluated first). Returns the kind. A label's own value record passes its
// value on to the label (and to labels defined as that label). Applies the limit.
int evaluate_expression_A08(Assembly& run, ValueRec& expr, bool final = false);
// Limit check of a solved expression: error 70 with the message and value on failure; a complex
// expression with a two-sided limit gets a deferred check. Returns false on failure.
bool limit_ok_A08(Assembly& run, ValueRec& expr);

// Operators on 32-bit values. Division by zero gives -1, modulo by zero 0 (warning 14 is
// reported by the evaluator); shifts use the low five bits of the count; DATE reads the run's
// start time. Returns false for a token that is not a computable operator. date_error is set for
// DATE outside 1..6.
bool apply_operator(Assembly& run, int token, bool unary, std::uint32_t left, std::uint32_t right,
                    std::uint32_t& result, bool* division_by_zero = nullptr, bool* date_error = nullptr);

// ---- labels ------------------------------------------------------------------------------

// A label placed in a segment. known: the offset is final (all earlier sizes known); otherwise
// the label keeps a provisional offset and stays unsolved. absolute_segment: the label lies in
// ASEG (its value is absolute). Expressions that use the label are evaluated again.
void set_label_location(Assembly& run, LabelRec& label, int segment, bool absolute_segment, std::uint32_t offset,
                        bool known);
// A label defined by an expression (EQU, =, ALIAS, VAR, ASSIGN). temporary: the value may be
// assigned again (VAR, ASSIGN); it is then of kind 3. The terms are copied into the label's own
// value record, which is evaluated (and joins the unsolved list while unsolved).
void assign_label_value(Assembly& run, LabelRec& label, const ValueRec& expr, bool temporary = false);
// The same for a number (a macro call's argument count and the like), without a value record
// for the number itself.
void assign_label_number(Assembly& run, LabelRec& label, std::int32_t value, bool temporary = false);
// The label's value record (made on demand for labels that have none).
ValueRec& label_value(Assembly& run, LabelRec& label);
// The label's value record is solved (absolute or relocatable), or it is a predefined absolute.
bool label_solved(const LabelRec& label);

// ---- unsolved list and resolve queue -----------------------------------------------------

// mark_or_get_unsolved_A08 as separate calls.
void add_unsolved(Assembly& run, ValueRec& expr);
void remove_unsolved(Assembly& run, ValueRec& expr);
std::size_t unsolved_count(Assembly& run);  // expressions in the list still without a value
const std::vector<ValueRec*>& unsolved_list(Assembly& run);
// Queue: expressions that must have a value by the end of the resolve step (error 64 after it).
void queue_for_resolve(Assembly& run, ValueRec& expr);
// Evaluates every expression of the unsolved list once; returns the number still unsolved.
std::size_t evaluate_unsolved_list(Assembly& run);
// Resolve step after the first sizing walk (see the top of this file).
void resolve_unsolved_A08(Assembly& run);
// Final evaluation (see the top of this file).
void final_evaluation_A08(Assembly& run);
// Labels used by some expression and still unsolved (after final_evaluation_A08: none).
std::vector<LabelRec*> undefined_labels(Assembly& run);

// Debugging print of a record.
std::string print_expression_A08(const ValueRec* expr);

}  // namespace aq71
