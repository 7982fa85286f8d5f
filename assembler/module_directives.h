// Module and symbol directives: NAME, PROGRAM, MODULE, LIBRARY, ENDMOD, END, EQU, =, ALIAS, VAR
// and ASSIGN. The scanner's current token is the directive word; label is the line's label.
#pragma once

namespace aq71 {

class Scanner;
struct SymbolNode;

// Module directives.
void directive_module_start(Scanner& sc, bool library, SymbolNode* label);
void directive_endmod(Scanner& sc, SymbolNode* label);
void directive_end(Scanner& sc, SymbolNode* label);
// Symbol directives.
void directive_equ(Scanner& sc, SymbolNode* label);
void directive_var(Scanner& sc, SymbolNode* label);

}  // namespace aq71
