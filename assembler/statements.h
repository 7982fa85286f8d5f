// Statement records of aq71: one record per source statement, kept in the record chain of the
// segment the statement lies in. The source pass fills them; the resolve step sizes them and
// gives their labels values; code generation and the object writer read them.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"
#include "assembler/diagnostics.h"
#include "assembler/record_arena.h"

namespace aq71 {

struct SymbolNode;
struct ValueRec;
struct LabelRec;

// What a statement is. The sizing walk treats the kinds as its comment says.
enum class StatementKind : int {
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

struct Statement {
  StatementKind kind = StatementKind::Nothing;
  int segment = 1;                 // index in the module's segment array (1 = ASEG)
  std::uint32_t start_offset = 0;  // location when the statement was read (pass-1 estimate)
  std::uint32_t end_offset = 0;    // location after the statement, set by the sizing walk
  std::uint32_t size = 0;          // bytes
  bool size_fixed = false;         // the sizing walk may stop looking at it
  bool final = false;              // size can no longer change
  bool failed = false;             // the line had an error: no code from it
  bool listed = true;              // false for generated symbol statements
  bool debug_symbol = false;       // a symbol made public only for the debugger: never listed
  bool label_counted = true;       // the sizing walk gives the label its value

  SymbolNode* label = nullptr;         // the label of the line, or none
  SymbolNode* operation = nullptr;     // mnemonic or directive node
  LabelRec* location_label = nullptr;  // "$" of this statement (its start offset)

  // Instruction: the mnemonic number, the matched class record, the parsed operand record
  // (its expressions in operand_exprs: [0] = expr1, [1] = expr2) and the number of operand
  // forms parsed. `code` holds the words, errors and linker fixups once the statement has
  // been encoded at its final location (after resolve).
  std::uint16_t mnemonic = 0;
  const InstrEntry* entry = nullptr;
  OperandRec operands{};
  std::array<ValueRec*, 2> operand_exprs{};
  std::uint16_t parsed_count = 0;
  bool encoded = false;
  EncodeResult code{};

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

  // Source position and the problems reported at this statement.
  ProblemSite site{};
  ProblemLines problems{};
  std::uint32_t list_flags = 0;
  long module_line = 0;  // running statement number in the module
  // Listing: the generated text of a macro-expansion or repeat line (empty for source lines),
  // and body lines of a macro definition (listed only with LSTMAC).
  std::string generated_text;
  bool macro_definition_line = false;

  std::uint32_t start() const { return end_offset - size; }  // after sizing
};

// Statement records live for the whole run (labels and expressions point at them).
class StatementStore {
 public:
  Statement& make(StatementKind kind, int segment);
  std::size_t count() const { return records_.size(); }

 private:
  RecordArena<Statement> records_;
};
StatementStore& statement_store();

}  // namespace aq71
