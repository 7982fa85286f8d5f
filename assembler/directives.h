// Directive table of aq71: registers the directive names and runs the handler of each. The
// handlers are in the modules of their directives (module_directives.h, segment_directives.h,
// data_directives.h, sfr_directives.h, symbol_directives_more.h, listing_directives.h, macros.h,
// repeat_blocks.h, conditional.h).
#pragma once

#include "assembler/directive_ids.h"

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;
struct LabelRec;

// Registers every directive name with its number and block role.
void init_directives(Assembly& run);

// Runs the handler of a directive. The scanner's current token is the directive word; label is
// the line's label node (nullptr when none). Returns false when the directive has no handler
// in this assembler yet (the caller reports it).
bool run_directive(Scanner& sc, SymbolNode* directive, SymbolNode* label);

// True for the directives that define their label themselves (EQU and VAR families): the label
// field leaves the duplicate check to them.
bool directive_defines_label(const SymbolNode* directive);

}  // namespace aq71
