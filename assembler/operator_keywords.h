// Fixed words of aq71 that the operand grammar reads: expression operators, punctuation, the AVR
// registers and the mnemonics of the instruction table, registered into the identifier tree.
#pragma once

#include "assembler/ident_tree.h"

namespace aq71 {

// The 53 operator names with their precedence classes and tokens (class 1 unary and primary, 4
// multiplicative and shift, 8 additive, 16 AND, 32 OR and XOR, 64 comparison).
void init_operators_B00(IdentTree& tree);
// Punctuation: "=", "<>", ".", ",", "(", ")", the end-of-input byte 0xFF, blank and line feed.
// (";" as the comment character is registered separately, after the directives.)
void init_punctuation_B00(IdentTree& tree);
// "R0" to "R31" (values 0-31) and the pointer registers "X", "Y", "Z" (257-259).
void init_registers_B00(IdentTree& tree);
// The mnemonics known with processor option `proc_option` (0..6), each bound to the first
// record of its class run in kInstrEntries.
void init_mnemonics_B00(IdentTree& tree, int proc_option);
// All of the above in the order the keyword set-up needs them (operators, punctuation,
// mnemonics, registers).
void init_operand_keywords_B00(IdentTree& tree, int proc_option);

// Precedence class of an operator token (0 for a token that is no operator).
int operator_class(int token);

}  // namespace aq71
