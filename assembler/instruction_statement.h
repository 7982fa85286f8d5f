// Seam between the assembly driver and the instruction parser / code generator.
//
// The driver reads the label and operation fields. When the operation is a mnemonic it opens an
// instruction statement record and hands the rest of the line to parse_instruction_statement.
// After the module's resolve step, when every location is final, it has each instruction
// encoded with encode_instruction_statement; the object writer then reads Statement::code.
#pragma once

#include "assembler/avr_encode.h"
#include "assembler/statements.h"

namespace aq71 {

class Assembly;
class Scanner;

// Parses the operands of one instruction statement and matches its instruction class.
// On entry: `st` has kind Instruction, its segment, end_offset (as yet the location of its first
// byte, also the value of "$"), label and source position; the scanner's current token is the
// mnemonic.
// On return: st.mnemonic, entry, operands, operand_exprs and parsed_count are set; st.size is the
// statement's size in bytes (0 when no class matched); size_fixed/final are set when the size can
// no longer change; st.failed is set when the line had an error (no code). The statement has been
// read up to and including its line end (the scanner's current token is the line end), errors
// having been reported at the line as they were found.
void parse_instruction_statement(Scanner& scanner, Statement& st);

// Resolve step for an instruction whose size was still open and whose class has a
// pseudo-instruction expander: expands it (in place) and fixes its size. Not called for failed
// statements.
void expand_instruction_statement(Statement& st);

// Encodes a sized instruction at its final place: ctx.location is st.end_offset (the address
// after the instruction), ctx.segment / ctx.absolute_segment are the statement's segment.
// Operand expressions are evaluated once more; the words, errors and linker fixups go to st.code,
// st.encoded is set, and errors 400..420 are reported at the statement (pass-2 reports). `odd`
// carries the once-per-run state of error 420; the driver gives one per segment and encodes the
// statements of a segment in chain order.
void encode_instruction_statement(Assembly& run, Statement& st, const EncodeContext& ctx, OddAddressCheck& odd);

}  // namespace aq71
