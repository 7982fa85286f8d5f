// Directive numbers: the handlers of the directive table and the listing directives share them.
#pragma once

namespace aq71 {

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

}  // namespace aq71
