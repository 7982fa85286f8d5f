// Directive table of aq71 and the module and symbol directives: NAME, PROGRAM, MODULE, LIBRARY,
// ENDMOD, END, EQU, =, ALIAS, VAR and ASSIGN. The segment directives are in segments.h.
#pragma once

#include <cstdint>

namespace aq71 {

class Scanner;
struct SymbolNode;
struct LabelRec;

// Label flags kept by the symbol directives (beside those of ident_tree.h).
inline constexpr std::uint32_t LABEL_REDEFINABLE = 0x2;     // VAR, ASSIGN
inline constexpr std::uint32_t LABEL_BY_EQU = 0x80;         // EQU, =, ALIAS
inline constexpr std::uint32_t LABEL_ON_LINE = 0x40000000;  // defined by a statement of the module

// Directive numbers (DefinitionRec::b of a directive name). Names on one row of the directive
// table share a number.
enum DirectiveId : int {
  DIR_NAME = 1,  // NAME, PROGRAM
  DIR_MODULE,    // MODULE, LIBRARY
  DIR_ENDMOD,
  DIR_END,
  DIR_PUBLIC,  // PUBLIC, EXPORT
  DIR_EXTERN,  // EXTERN, IMPORT
  DIR_ASEG,
  DIR_RSEG,
  DIR_STACK,
  DIR_COMMON,
  DIR_ORG,
  DIR_ALIGN,
  DIR_EVEN,
  DIR_DS,
  DIR_DB,
  DIR_DW,
  DIR_DP,
  DIR_DD,
  DIR_VAR,  // VAR, ASSIGN
  DIR_EQU,  // EQU, =, ALIAS
  DIR_DEFINE,
  DIR_SFRB,
  DIR_SFRW,
  DIR_SFRTYPE,
  DIR_LIMIT,
  DIR_CONST,
  DIR_MACRO,
  DIR_ENDM,
  DIR_EXITM,
  DIR_LOCAL,
  DIR_REPT,
  DIR_REPTC,
  DIR_REPTI,
  DIR_ENDR,
  DIR_LSTCND,
  DIR_LSTCOD,
  DIR_LSTEXP,
  DIR_LSTMAC,
  DIR_LSTOUT,
  DIR_LSTPAG,
  DIR_LSTREP,
  DIR_LSTXRF,
  DIR_PAGSIZ,
  DIR_COL,
  DIR_PAGE,
  DIR_CASEON,
  DIR_CASEOFF,
  DIR_RADIX,
  DIR_IF,
  DIR_ELSE,
  DIR_ELSEIF,
  DIR_ENDIF,
};

// Registers every directive name with its number and block role.
void init_directives();

// Runs the handler of a directive. The scanner's current token is the directive word; label is
// the line's label node (nullptr when none). Returns false when the directive has no handler
// in this assembler yet (the caller reports it).
bool run_directive(Scanner& sc, SymbolNode* directive, SymbolNode* label);

// True for the directives that define their label themselves (EQU and VAR families): the label
// field leaves the duplicate check to them.
bool directive_defines_label(const SymbolNode* directive);

// Module directives.
void directive_module_start(Scanner& sc, bool library, SymbolNode* label);
void directive_endmod(Scanner& sc, SymbolNode* label);
void directive_end(Scanner& sc, SymbolNode* label);
// Symbol directives.
void directive_equ(Scanner& sc, SymbolNode* label);
void directive_var(Scanner& sc, SymbolNode* label);

}  // namespace aq71
