// DEFINE, LIMIT and the directives that change how later source is read: CASEON, CASEOFF and
// RADIX.
#pragma once

namespace aq71 {

class Scanner;
struct SymbolNode;

// label DEFINE expr: as EQU (as VAR for a redefinable label); the symbol belongs to the module.
void directive_define(Scanner& sc, SymbolNode* label);
// LIMIT label,min,max[,"message"]: a range check on the label's value.
void directive_limit(Scanner& sc, SymbolNode* label);
// CASEON / CASEOFF: user symbols case-sensitive or not.
void directive_case(Scanner& sc, bool on, SymbolNode* label);
// RADIX expr: default radix of numbers without suffix (2 to 16).
void directive_radix(Scanner& sc, SymbolNode* label);

}  // namespace aq71
