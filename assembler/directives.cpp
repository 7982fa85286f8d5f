#include "assembler/directives.h"

#include <string>

#include "assembler/conditional.h"
#include "assembler/data_directives.h"
#include "assembler/diagnostics.h"
#include "assembler/expressions.h"
#include "assembler/ident_tree.h"
#include "assembler/listing_directives.h"
#include "assembler/macros.h"
#include "assembler/module_directives.h"
#include "assembler/operand_grammar.h"
#include "assembler/repeat_blocks.h"
#include "assembler/scanner.h"
#include "assembler/segment_directives.h"
#include "assembler/segments.h"
#include "assembler/sfr_directives.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"
#include "assembler/symbol_directives_more.h"

namespace aq71 {

namespace {

struct DirectiveName {
  const char* name;
  int id;
  int block;
};

// The directive table: names on one row of the table share a number.
constexpr DirectiveName kDirectives[] = {
    {"NAME", DIR_NAME, 0},
    {"PROGRAM", DIR_NAME, 0},
    {"MODULE", DIR_MODULE, 0},
    {"LIBRARY", DIR_MODULE, 0},
    {"ENDMOD", DIR_ENDMOD, BLOCK_ENDMOD},
    {"END", DIR_END, BLOCK_END},
    {"PUBLIC", DIR_PUBLIC, 0},
    {"EXPORT", DIR_PUBLIC, 0},
    {"EXTERN", DIR_EXTERN, 0},
    {"IMPORT", DIR_EXTERN, 0},
    {"ASEG", DIR_ASEG, 0},
    {"RSEG", DIR_RSEG, 0},
    {"STACK", DIR_STACK, 0},
    {"COMMON", DIR_COMMON, 0},
    {"ORG", DIR_ORG, 0},
    {"ALIGN", DIR_ALIGN, 0},
    {"EVEN", DIR_EVEN, 0},
    {"DS", DIR_DS, 0},
    {"DB", DIR_DB, 0},
    {"DW", DIR_DW, 0},
    {"DP", DIR_DP, 0},
    {"DD", DIR_DD, 0},
    {"VAR", DIR_VAR, 0},
    {"ASSIGN", DIR_VAR, 0},
    {"EQU", DIR_EQU, 0},
    {"=", DIR_EQU, 0},
    {"ALIAS", DIR_EQU, 0},
    {"DEFINE", DIR_DEFINE, 0},
    {"SFRB", DIR_SFRB, 0},
    {"SFRW", DIR_SFRW, 0},
    {"SFRTYPE", DIR_SFRTYPE, 0},
    {"LIMIT", DIR_LIMIT, 0},
    {"CONST", DIR_CONST, 0},
    {"MACRO", DIR_MACRO, BLOCK_MACRO},
    {"ENDM", DIR_ENDM, BLOCK_ENDM},
    {"EXITM", DIR_EXITM, 0},
    {"LOCAL", DIR_LOCAL, 0},
    {"REPT", DIR_REPT, BLOCK_REPT},
    {"REPTC", DIR_REPTC, BLOCK_REPTC},
    {"REPTI", DIR_REPTI, BLOCK_REPTI},
    {"ENDR", DIR_ENDR, BLOCK_ENDR},
    {"LSTCND", DIR_LSTCND, 0},
    {"LSTCOD", DIR_LSTCOD, 0},
    {"LSTEXP", DIR_LSTEXP, 0},
    {"LSTMAC", DIR_LSTMAC, 0},
    {"LSTOUT", DIR_LSTOUT, 0},
    {"LSTPAG", DIR_LSTPAG, 0},
    {"LSTREP", DIR_LSTREP, 0},
    {"LSTXRF", DIR_LSTXRF, 0},
    {"PAGSIZ", DIR_PAGSIZ, 0},
    {"COL", DIR_COL, 0},
    {"PAGE", DIR_PAGE, 0},
    {"CASEON", DIR_CASEON, 0},
    {"CASEOFF", DIR_CASEOFF, 0},
    {"RADIX", DIR_RADIX, 0},
};

constexpr DirectiveName kConditionals[] = {
    {"IF", DIR_IF, COND_IF},
    {"ELSE", DIR_ELSE, COND_ELSE},
    {"ENDIF", DIR_ENDIF, COND_ENDIF},
    {"ELSEIF", DIR_ELSEIF, COND_ELSEIF},
};

int directive_number(const SymbolNode* node) {
  return node && node->def && node->def->kind == KIND_DIRECTIVE ? static_cast<int>(node->def->b) : 0;
}

}  // namespace

void init_directives(Assembly& run) {
  IdentTree& tree = ident_tree(run);
  for (const DirectiveName& d : kDirectives) tree.init_directive_A07(d.name, d.id, d.block, true);
  for (const DirectiveName& d : kConditionals) tree.init_directive_A07(d.name, d.id, d.block, true);
}

bool directive_defines_label(const SymbolNode* directive) {
  int n = directive_number(directive);
  return n == DIR_EQU || n == DIR_VAR || n == DIR_DEFINE;
}

bool run_directive(Scanner& sc, SymbolNode* directive, SymbolNode* label) {
  switch (directive_number(directive)) {
    case DIR_NAME:
      directive_module_start(sc, false, label);
      return true;
    case DIR_MODULE:
      directive_module_start(sc, true, label);
      return true;
    case DIR_ENDMOD:
      directive_endmod(sc, label);
      return true;
    case DIR_END:
      directive_end(sc, label);
      return true;
    case DIR_EQU:
      directive_equ(sc, label);
      return true;
    case DIR_VAR:
      directive_var(sc, label);
      return true;
    case DIR_ASEG:
      directive_aseg(sc, label);
      return true;
    case DIR_RSEG:
      directive_segment(sc, SegmentKind::Relocatable, label);
      return true;
    case DIR_STACK:
      directive_segment(sc, SegmentKind::Stack, label);
      return true;
    case DIR_COMMON:
      directive_segment(sc, SegmentKind::Common, label);
      return true;
    case DIR_ORG:
      directive_org(sc, label);
      return true;
    case DIR_ALIGN:
      directive_align(sc, label);
      return true;
    case DIR_EVEN:
      directive_even(sc, label);
      return true;
    case DIR_DS:
      directive_ds(sc, label);
      return true;
    case DIR_DB:
      directive_data(sc, 1, label);
      return true;
    case DIR_DW:
      directive_data(sc, 2, label);
      return true;
    case DIR_DP:
      directive_data(sc, 3, label);
      return true;
    case DIR_DD:
      directive_data(sc, 4, label);
      return true;
    case DIR_PUBLIC:
      directive_scope(sc, false, label);
      return true;
    case DIR_EXTERN:
      directive_scope(sc, true, label);
      return true;
    case DIR_DEFINE:
      directive_define(sc, label);
      return true;
    case DIR_LIMIT:
      directive_limit(sc, label);
      return true;
    case DIR_SFRB:
      directive_sfr(sc, false, label);
      return true;
    case DIR_SFRW:
      directive_sfr(sc, true, label);
      return true;
    case DIR_SFRTYPE:
      directive_sfrtype(sc, label);
      return true;
    case DIR_CONST:
      directive_const(sc, label, run_directive);
      return true;
    case DIR_CASEON:
      directive_case(sc, true, label);
      return true;
    case DIR_CASEOFF:
      directive_case(sc, false, label);
      return true;
    case DIR_RADIX:
      directive_radix(sc, label);
      return true;
    case DIR_MACRO:
      directive_macro(sc, label);
      return true;
    case DIR_ENDM:
      directive_endm(sc, label);
      return true;
    case DIR_EXITM:
      directive_exitm(sc, label);
      return true;
    case DIR_LOCAL:
      directive_local(sc, label);
      return true;
    case DIR_REPT:
      directive_rept(sc, label, 3);
      return true;
    case DIR_REPTI:
      directive_rept(sc, label, 2);
      return true;
    case DIR_REPTC:
      directive_rept(sc, label, 1);
      return true;
    case DIR_ENDR:
      directive_endr(sc, label);
      return true;
    case DIR_IF:
      directive_if(sc, label);
      return true;
    case DIR_ELSEIF:
      directive_elseif(sc, label);
      return true;
    case DIR_ELSE:
      directive_else(sc, label);
      return true;
    case DIR_ENDIF:
      directive_endif(sc, label);
      return true;
    case DIR_LSTCND:
    case DIR_LSTCOD:
    case DIR_LSTEXP:
    case DIR_LSTMAC:
    case DIR_LSTOUT:
    case DIR_LSTPAG:
    case DIR_LSTREP:
    case DIR_LSTXRF:
    case DIR_PAGSIZ:
    case DIR_COL:
    case DIR_PAGE:
      directive_listing(sc, directive_number(directive), label);
      return true;
    default:
      return false;
  }
}

}  // namespace aq71
