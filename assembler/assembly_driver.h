// The assembly driver: runs every module of the source through the source pass, resolving,
// code generation, object output and the listing; and the statement services the directive
// handlers use during the source pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assembler/statements.h"

namespace aq71 {

class Scanner;
struct SymbolNode;
struct LabelRec;

// Sets up the token buffers and the preprocessor before the check-time options (-D, -U, -I)
// are applied.
void prepare_source_pass();

// Runs all modules; returns when the last module is done.
void assemble_A03();

// Target identifier of the object header and of the predefined symbol TID.
std::uint16_t target_id();

// Registers every keyword before the first module (directives, mnemonics, segment types, the
// operators and registers, TID) and sets the case rules of the identifier tree.
void init_keywords_B00();

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
  std::int32_t option = -1;                  // NAME name(expr): processor/option field, -1 when none
  struct ValueRec* start_address = nullptr;  // ENDMOD / END expr
  Statement* first_statement = nullptr;
};
ModuleState& module_state();

// ---- object output ----------------------------------------------------------------------------

// What the object writer gets of one module once it is resolved and encoded. Its segments are
// those of segments() (index 0 "__EXTERNS", 1 "ASEG", then the named ones); each segment's
// chain holds its statement records in source order with their final end offsets and sizes.
struct ModuleView {
  std::string name;
  bool library = false;
  std::int32_t option = -1;                             // NAME name(expr), -1 when none
  struct ValueRec* start_address = nullptr;             // ENDMOD / END expr
  const std::vector<Statement*>* statements = nullptr;  // every statement of the module in source order
  bool program_end = false;                             // the module ended with END
};
// Writes one module into the object file (called only for a module with content).
void write_object_module(const ModuleView& module);

// ---- services of the source pass for directive handlers ------------------------------------

// A new statement record at the end of the current segment's chain, at the current location,
// with the line's source position; it becomes the current statement (problems reported from
// now on are attached to it).
Statement& open_statement(StatementKind kind);
// The statement of the line being read, nullptr before one was opened.
Statement* line_statement();
// Opens the record of a new line read outside the statement loop (macro body lines).
Statement& open_line_statement(StatementKind kind);
// Gives the statement the label: the label is defined by it (the sizing walk gives the label the
// statement's start offset unless the statement is a symbol definition).
void attach_label(Statement& st, SymbolNode* label);
// The label record of a label node, nullptr for other nodes.
LabelRec* label_record(SymbolNode* node);

// The statement record of the current back-end work (instruction being parsed or encoded);
// internal error at any other time.
Statement* get_backend_ptr_AI00();

}  // namespace aq71
