// Statement records of aq71: one record per source statement, kept in the record chain of the
// segment the statement lies in. The source pass fills them; the resolve step sizes them and
// gives their labels values; code generation and the object writer read them.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"
#include "assembler/diagnostics.h"
#include "assembler/operand_slot.h"
#include "assembler/record_arena.h"

namespace aq71 {

class Assembly;
class StatementStore;
struct SymbolNode;
struct ValueRec;
struct LabelRec;

// What a statement is. The sizing walk treats the kinds as its comment says.
enum class StatementKind : std::uint8_t {
  // no code, size 0
  Nothing,             // a line without statement (label only, directive without code)
  Failed,              // a line whose statement failed: no code
  LabelDefinition,     // EQU, =, ALIAS, VAR, ASSIGN
  Declaration,         // PUBLIC, EXTERN, LOCAL
  SegmentDeclaration,  // RSEG, STACK, COMMON (first declaration of a segment)
  PageBreak,           // PAGE
  Comment,             // comment or empty line
  ModuleStart,         // NAME, PROGRAM, MODULE, LIBRARY
  ModuleEnd,           // ENDMOD, END
  // located or sized
  AbsoluteLocation,  // ASEG [address]: location expression (none: a no-code statement)
  Location,          // ORG expr
  Instruction,       // size from the instruction entry
  Storage,           // DS and data items: count x element size
  Alignment,         // ALIGN, EVEN: padding to 2^n (n < 0: odd address)
  RestartOffset,     // offset back to 0
};

// True for the kinds that never hold code.
bool is_no_code_kind(StatementKind kind);
const char* statement_kind_name(StatementKind kind);

// One data item: a value of `size` bytes repeated `count` times (ALIGN/EVEN fill values, data
// directives). Constant items and strings keep their bytes (little-endian per item) in `bytes`
// and leave `value` empty.
struct DataItem {
  ValueRec* value = nullptr;
  std::uint32_t size = 1;
  std::uint32_t count = 1;
  std::vector<std::uint8_t> bytes;
};

// The code of an encoded instruction: its words and the number of fields the linker must still
// fill (the fields themselves are kept in the statement's side record; most instructions have
// none).
struct StatementCode {
  std::array<std::uint16_t, 2> words{};
  std::uint8_t word_count = 0;
  std::uint8_t fixup_count = 0;
};

// The matched entry of the instruction table, kept as its place in the table (0: none). Reads
// and assigns like a pointer to the entry.
class InstrEntryRef {
 public:
  // Takes nullptr or one of kInstrEntries (anything else is taken as nullptr: check with
  // holds() first).
  InstrEntryRef& operator=(const InstrEntry* entry);
  static bool holds(const InstrEntry* entry) {
    return entry && static_cast<std::size_t>(entry - kInstrEntries.data()) < kInstrEntries.size();
  }
  const InstrEntry* get() const { return index_ ? &kInstrEntries[index_ - 1u] : nullptr; }
  const InstrEntry* operator->() const { return get(); }
  const InstrEntry& operator*() const { return *get(); }
  explicit operator bool() const { return index_ != 0; }

 private:
  std::uint8_t index_ = 0;
};
static_assert(kInstrEntries.size() < 0xFF, "an entry's place fits in one byte");

// What only location, storage and alignment statements carry; made for a statement when it
// first needs it.
struct StatementData {
  // AbsoluteLocation and Location: the location expression.
  ValueRec* location = nullptr;
  // Storage: count x element size. A count of nullptr means count_value.
  ValueRec* count = nullptr;
  std::uint32_t count_value = 0;
  std::uint32_t element_size = 1;
  bool reserve_only = false;    // DS: reserves space, writes no bytes
  std::vector<DataItem> items;  // data items (fill values of ALIGN/EVEN too)
  // Alignment: exponent (n < 0: odd address); the expression when not a constant.
  ValueRec* exponent = nullptr;
  int exponent_value = 0;
};

// The operand record of an instruction without its values: those come from the operand
// expressions each time the statement is encoded.
struct StatementOperands {
  std::uint16_t form = kFormNone;
  std::uint8_t reg1 = 0;
  std::uint8_t reg2 = 0;
  std::uint16_t pointer = 0;

  StatementOperands() = default;
  explicit StatementOperands(const OperandRec& ops)
      : form(ops.form), reg1(ops.reg1), reg2(ops.reg2), pointer(ops.pointer) {}
  // The full record, its values absent.
  OperandRec record() const {
    OperandRec ops;
    ops.form = form;
    ops.reg1 = reg1;
    ops.reg2 = reg2;
    ops.pointer = pointer;
    return ops;
  }
};

// What few statements carry, made for a statement when it first needs it.
struct StatementExtra {
  // The statement's source line (see Statement::text): the kept line (an even address), or,
  // with the lowest bit set, its place shifted left by one while it was not read again.
  std::uintptr_t line = 0;
  StatementData* data = nullptr;        // location, storage and alignment details
  const char* generated = nullptr;      // generated line (see StatementStore::keep_generated_line)
  LabelRec* location_label = nullptr;   // "$" of this statement (its start offset)
  const Fixup* fixups = nullptr;        // code.fixup_count fields the linker fills
  ProblemLines* problems = nullptr;     // problem lines reported at this statement
  SymbolNode* label = nullptr;          // the label of the line (see Statement::label)
};

struct Statement {
  StatementKind kind = StatementKind::Nothing;
  bool size_fixed : 1 = false;             // the sizing walk may stop looking at it
  bool final : 1 = false;                  // size can no longer change
  bool failed : 1 = false;                 // the line had an error: no code from it
  bool listed : 1 = true;                  // false for generated symbol statements
  bool debug_symbol : 1 = false;           // a symbol made public only for the debugger: never listed
  bool label_counted : 1 = true;           // the sizing walk gives the label its value
  bool encoded : 1 = false;                // `code` holds the statement's code
  bool macro_definition_line : 1 = false;  // body line of a macro definition (listed only with LSTMAC)
  StatementOperands operands;              // Instruction: see below
  std::uint16_t segment = 1;               // index in the module's segment array (1 = ASEG)
  std::uint16_t mnemonic = 0;
  std::uint16_t file = 0;                  // index of the file name in the statement store
  std::uint16_t list_flags = 0;            // the listing flags as they were on the line
  // The caret columns a problem report at the statement may show: the statement's own and the
  // operand field's (see ProblemSite).
  std::array<std::uint16_t, 2> columns{};
  StatementCode code{};
  std::uint8_t parsed_count = 0;
  InstrEntryRef entry;             // Instruction: see below
  std::int32_t line = 0;  // line number in its file
  // Location after the statement, set by the sizing walk. While the source pass reads the
  // statement it is the location where the statement began, and grows by `size` once that is
  // known: start() is the location it was read at (the estimate of the source pass).
  std::uint32_t end_offset = 0;
  std::uint32_t size = 0;  // bytes

  // Instruction: the mnemonic number, the matched class record, the parsed operand record
  // (`operands`, its expressions in operand_exprs: [0] = expr1, [1] = expr2, each a number kept
  // in place or a value record) and the number of operand forms parsed. `code` holds the words
  // and the number of linker fixups once the statement has been encoded at its final location
  // (after resolve); fixups() the fields.
  std::array<OperandSlot, 2> operand_exprs{};

  // The source line, up to and including its line feed (empty for a record given none). A
  // store that keeps no lines reads it again from its file the first time it is asked for.
  std::string_view text(StatementStore& store) const;
  // Gives the record its line: `line` as the reader gave it, `place` where the reader can read
  // it again (SourceReader::line_place).
  inline void set_line(StatementStore& store, std::string_view line, std::uint64_t place);
  // File name, line number and line text; `store` holds the statement.
  SourceRef source(StatementStore& store) const;
  // What a problem report at this statement needs; problem lines it makes are kept here.
  ProblemSite site(StatementStore& store) const;

  // Listing: the generated text of a macro-expansion or repeat line (empty for source lines).
  std::string_view generated_text() const;
  void set_generated_text(StatementStore& store, const char* kept);

  // The label of the line, or none. Few lines have one: it is held in the side record.
  SymbolNode* label() const { return extra_record() ? extra_record()->label : nullptr; }
  void set_label(StatementStore& store, SymbolNode* node) {
    if (node || extra_record()) extra(store).label = node;
  }

  // "$" of this statement, nullptr until an expression asked for it.
  LabelRec* location_label() const { return extra_record() ? extra_record()->location_label : nullptr; }
  void set_location_label(StatementStore& store, LabelRec* label) { extra(store).location_label = label; }

  // The fields the linker fills (code.fixup_count of them).
  const Fixup* fixups() const { return extra_record() ? extra_record()->fixups : nullptr; }
  void set_fixups(StatementStore& store, const Fixup* fixups, std::uint8_t count);

  std::uint32_t start() const { return end_offset - size; }
  // True once the statement has its side record (problems, "$", data, fixups, generated text,
  // label).
  bool has_side_record() const { return extra_record() != nullptr; }

  // Location, storage and alignment details; made in `store` on first use.
  StatementData& data(StatementStore& store);
  const StatementData& data() const {
    const StatementExtra* x = extra_record();
    return x && x->data ? *x->data : kNoData;
  }
  // The problem lines reported at this statement (none when nothing was reported).
  const ProblemLines& problems() const {
    const StatementExtra* x = extra_record();
    return x && x->problems ? *x->problems : kNoProblems;
  }

 private:
  static const StatementData kNoData;
  static const ProblemLines kNoProblems;
  // The line, or, with its lowest bit set, the side record (made by the first statement detail
  // that needs it), which then holds the line: kept lines begin at even addresses and side
  // records are aligned. The line is the kept text, or, in a store that keeps no lines, its
  // place shifted left by one.
  mutable std::uintptr_t ref_ = 0;

  StatementExtra* extra_record() const {
    return ref_ & 1u ? reinterpret_cast<StatementExtra*>(ref_ & ~std::uintptr_t{1}) : nullptr;
  }

  StatementExtra& extra(StatementStore& store) const;
  void set_kept_line(StatementStore& store, std::string_view line, std::uint64_t place);
};
// A statement record is made for every line read: keep it small.
static_assert(sizeof(Statement) <= 64, "statement records stay small");

// The location expression of an ORG or ASEG line, nullptr for any other statement.
inline const ValueRec* location_of(const Statement& st) {
  const bool location = st.kind == StatementKind::Location || st.kind == StatementKind::AbsoluteLocation;
  return location ? st.data().location : nullptr;
}
static_assert(alignof(StatementExtra) > 1, "a side record's address leaves the lowest bit free");
static_assert(sizeof(std::uintptr_t) == sizeof(std::uint64_t), "a record's word holds a line's place");

using StatementCursor = RecordArena<Statement>::Cursor;

// Records of the statement store made one after the other: the statements of a module.
class StatementRange {
 public:
  class iterator {
   public:
    using value_type = Statement*;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    Statement* operator*() const { return cursor_.record(); }
    iterator& operator++() {
      ++cursor_;
      --left_;
      return *this;
    }
    bool operator==(const iterator& o) const { return left_ == o.left_; }

   private:
    friend class StatementRange;
    iterator(StatementCursor cursor, std::size_t left) : cursor_(cursor), left_(left) {}
    StatementCursor cursor_;
    std::size_t left_ = 0;
  };

  StatementRange() = default;
  StatementRange(const StatementStore& store, std::size_t first, std::size_t count)
      : store_(&store), first_(first), count_(count) {}
  iterator begin() const;
  iterator end() const { return {}; }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  Statement* operator[](std::size_t i) const;
  Statement* front() const { return (*this)[0]; }

 private:
  const StatementStore* store_ = nullptr;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
};

// The records of one segment in source order, kept as runs of records made one after the
// other (a source mostly stays in one segment for many lines).
class StatementChain {
 public:
  // Appends the record made `index`-th in `store` (made after those already in the chain).
  void append(const StatementStore& store, std::size_t index) {
    // Mostly the record after the last one of the chain: its run grows.
    if (!runs_.empty()) {
      Run& last = runs_.back();
      if (last.first + last.count == index && last.count < UINT32_MAX) {
        ++last.count;
        return;
      }
    }
    append_run(store, index);
  }
  bool empty() const { return runs_.empty(); }
  std::size_t size() const;

  class iterator {
   public:
    using value_type = Statement*;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    Statement* operator*() const { return at_; }
    iterator& operator++() {
      if (++at_ != span_end_) return *this;
      return next_span();
    }
    bool operator==(const iterator& o) const { return at_ == o.at_; }

   private:
    friend class StatementChain;
    // The records of a run lie side by side in the store's blocks: a walk steps through one
    // stretch of neighbours with a pointer, and looks for the next stretch only at its end.
    iterator& next_span();
    const StatementChain* chain_ = nullptr;
    std::size_t run_ = 0;
    std::uint32_t left_ = 0;  // records of the run after the current stretch
    std::size_t next_ = 0;    // place in the store of the first of them
    Statement* at_ = nullptr;  // nullptr: the end
    Statement* span_end_ = nullptr;
  };
  iterator begin() const;
  iterator end() const;

 private:
  struct Run {
    std::uint32_t first;  // place of the first record in the store
    std::uint32_t count;
  };
  const StatementStore* store_ = nullptr;
  std::vector<Run> runs_;

  void append_run(const StatementStore& store, std::size_t index);
};

// Statement records live for the whole run (labels and expressions point at them), and so do
// the texts and side records they refer to.
class StatementStore {
 public:
  // The records of one run; a store that runs out of room reports to it.
  explicit StatementStore(Assembly& run) : run_(run) {}
  Assembly& run() const { return run_; }

  Statement& make(StatementKind kind, int segment) {
    Statement& s = records_.emplace_back();
    last_ = &s;
    s.kind = kind;
    s.segment = static_cast<std::uint16_t>(segment);
    return s;
  }
  // The record made last, or nullptr.
  Statement* last() const { return last_; }
  std::size_t count() const { return records_.size(); }
  // The record made `index`-th (0: the first of the run) and a walk from it on.
  Statement& at(std::size_t index) const { return records_[index]; }
  // The place of a record made here (0: the first of the run).
  std::size_t place(const Statement& st) const { return records_.index_of(&st); }
  StatementCursor cursor(std::size_t index) const { return records_.cursor(index); }
  // The record made `index`-th and how many made after it lie next to it, itself included.
  std::pair<Statement*, std::size_t> neighbours(std::size_t index) const { return records_.neighbours(index); }
  // The records made from place `first` on.
  StatementRange since(std::size_t first) const { return {*this, first, count() - first}; }

  StatementData& make_data() { return data_.emplace_back(); }
  StatementExtra& make_extra() { return extras_.emplace_back(); }
  // Keeps a copy of `count` fixups (at most 2) for the rest of the run.
  const Fixup* keep_fixups(const Fixup* fixups, std::size_t count);
  // The index of a file name, held once per name; the name of an index.
  std::uint16_t keep_file_name(std::string_view name) {
    // Mostly the name kept last again (every statement of a file asks).
    if (name.size() == last_name_.size() && last_file_name_ != 0 &&
        std::memcmp(name.data(), last_name_.data(), name.size()) == 0)
      return last_file_name_;
    return keep_other_file_name(name);
  }
  const char* file_name(std::uint16_t index) const;
  // Whether records hold their lines, as a listing needs them, or only where in their files
  // they are, to be read again for the rare report after the line was read (the default:
  // keeps them). Chosen before the first record is given a line.
  void set_keeps_lines(bool keeps) { keeps_lines_ = keeps; }
  bool keeps_lines() const { return keeps_lines_; }
  // The line at `place` (see SourceReader::line_place), read again and kept as keep_line keeps it.
  std::string_view line_again(std::uint64_t place);
  // The line with a line feed added when it has none, held once per line read: the records of
  // one line share its text. A line holds no line feed but its last (as the reader gives them):
  // a statement finds the end of its line by it. The text begins at an even address.
  std::string_view keep_line(std::string_view line);
  // The same for the generated text of an expansion line, in the form a statement holds (see
  // Statement::set_generated_text); a generated line may hold line feeds of its own.
  const char* keep_generated_line(std::string_view line);

 private:
  Assembly& run_;
  RecordArena<Statement> records_;
  RecordArena<StatementData, 16, 1024> data_;
  RecordArena<StatementExtra, 16, 1024> extras_;
  RecordArena<std::array<Fixup, 2>> fixups_;
  std::deque<std::string> file_names_;
  std::uint16_t last_file_name_ = 0;  // index of the name kept last (0: none yet)
  std::string_view last_name_;        // that name
  TextArena lines_;
  std::string_view last_line_;
  const char* last_generated_ = nullptr;
  Statement* last_ = nullptr;
  bool keeps_lines_ = true;

  std::string_view keep_text(std::string_view line, std::string_view& last);
  std::uint16_t keep_other_file_name(std::string_view name);
};
StatementStore& statement_store(Assembly& run);

// Without kept lines and side record a statement holds only its line's place.
inline void Statement::set_line(StatementStore& store, std::string_view line, std::uint64_t place) {
  if (!store.keeps_lines() && !(ref_ & 1u)) {
    ref_ = static_cast<std::uintptr_t>(place << 1);
    return;
  }
  set_kept_line(store, line, place);
}

}  // namespace aq71
