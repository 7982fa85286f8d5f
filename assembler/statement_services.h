// Statement services of the source pass: the module being read (its state and the labels its
// lines define) and the statement records the driver and the directive handlers open for each
// line, with the statement the back end works on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assembler/statements.h"

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;
struct LabelRec;
struct ValueRec;

// Label flags kept by the symbol directives (beside those of ident_tree.h).
inline constexpr std::uint32_t LABEL_REDEFINABLE = 0x2;     // VAR, ASSIGN
inline constexpr std::uint32_t LABEL_BY_EQU = 0x80;         // EQU, =, ALIAS
inline constexpr std::uint32_t LABEL_ON_LINE = 0x40000000;  // defined by a statement of the module

// ---- module state ----------------------------------------------------------------------------

enum class ModuleKind { Library = 0, Program = 1 };

struct ModuleState {
  int open_counter = 1;              // 1 at start: a source without module directive is one module
  bool opened_by_directive = false;  // NAME, PROGRAM, MODULE or LIBRARY seen in this module
  bool ended = false;                // ENDMOD or END
  bool end_seen = false;             // END: no further module
  int module_count = 0;
  ModuleKind kind = ModuleKind::Program;
  std::string name;
  std::int32_t option = -1;           // NAME name(expr): processor/option field, -1 when none
  ValueRec* start_address = nullptr;  // ENDMOD / END expr
  Statement* first_statement = nullptr;
};
// The module being read in a run.
ModuleState& module_state(Assembly& run);

// ---- statements of the source pass -----------------------------------------------------------

class SegmentTable;
class SourceReader;
class IdentTree;
struct RunSettings;

struct StatementServices {
  explicit StatementServices(Assembly& run);

  // The run and the parts of it the records are made from.
  Assembly& run;
  SegmentTable& segments;
  SourceReader& reader;
  RunSettings& settings;
  IdentTree& tree;
  ModuleState& module;
  StatementStore& store;
  const bool& problems_may_wait;  // see problems_may_wait(): asked at every statement

  const Scanner* scanner = nullptr;           // reads the source: token columns, generated lines
  Statement* line_statement = nullptr;        // statement of the line being read
  Statement* backend = nullptr;               // statement the back end works on
  bool listing = true;                        // a list file is written: keep what it may show
  bool last_unlisted = false;                 // the record made last is of a line no listing shows
  std::size_t module_first = 0;               // place in the store of the module's first record
  // The records of the module in source order.
  StatementRange module_statements() const { return store.since(module_first); }
  // A new module: the records made from now on are its own.
  void begin_module_statements() { module_first = store.count(); }
  // Told of every record opened; new_line: it is the first record of its line (the listing
  // notes it there).
  std::function<void(const Statement&, bool new_line)> statement_opened;
};
StatementServices& statement_services(Assembly& run);

// True when the listing may show the line being read: a list file is written, and the line is
// not from an include file (unless those are listed).
bool lines_listed(const StatementServices& s);

// A new statement record at the end of the current segment's chain, at the current location,
// with the line's source position; it becomes the current statement (problems reported from
// now on are attached to it).
Statement& open_statement(Assembly& run, StatementKind kind);
// The statement of the line being read, nullptr before one was opened.
Statement* line_statement(Assembly& run);
// Opens the record of a new line read outside the statement loop (macro body lines).
Statement& open_line_statement(Assembly& run, StatementKind kind);
// Gives the statement the label: the label is defined by it (the sizing walk gives the label the
// statement's start offset unless the statement is a symbol definition).
void attach_label(Assembly& run, Statement& st, SymbolNode* label);
// The label record of a label node, nullptr for other nodes.
LabelRec* label_record(SymbolNode* node);
// The statement whose place the label takes (its line, or the line of a "$"), nullptr for a
// label placed by no line (one defined by an expression, or not defined).
const Statement* placing_statement(const LabelRec& label);

// The statement record of the current back-end work (instruction being parsed or encoded);
// internal error at any other time.
Statement* get_backend_ptr_AI00(Assembly& run);

}  // namespace aq71
