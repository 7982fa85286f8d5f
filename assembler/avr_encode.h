// Operand encoders of aq71: turn a matched instruction statement into its code words.
//
// An encoder gets the mnemonic number, the matched class record, the operand record and where the
// statement lies. Operand expressions that are known (absolute, or for PC-relative fields a
// target in the statement's own segment) are range-checked and placed now. An operand that only
// the linker can compute gives a Fixup: the code word(s) then hold only the known bits (opcode and
// registers) and the Fixup says which field of which word the linker must fill, from which
// operand(s), with which range checks. Range errors never stop the output: the word is written
// with the value masked into its field.
//
// Fixup fields (field code, value, range and error; placement in the word):
//   908  K          -128..255 (403)                 (K & 0xF0) << 4 | K & 0x0F
//   1908 K, then ~K -128..255 (403)                 as 908 with the complement
//   2906 K          -32..63 (417)                   (K & 0x30) << 2 | K & 0x0F
//   903  b          0..7 (404)                      b & 7
//   906  P          0..63 (408)                     (P & 0x30) << 5 | P & 0x0F
//   1906 q          0..63 (409)                     (q & 0x20) << 8 | (q & 0x18) << 7 | q & 7
//   116  k          0..65535 (419)                  k & 0xFFFF, the whole second word
//   1903 s          0..7 (404)                      (s & 7) << 4
//   922  a          0..8388606 (410), even (411)    word 0: (a >> 14) & 0x1F0 | (a >> 17) & 1;
//                                                   word 1: (a / 2) & 0xFFFF
//   953  P, b       P 0..31 (416), b 0..7 (404)     (P & 31) << 3 | b & 7
//   907  target     off -128..127 (412), even (413) (off & 0xFE) << 2
//   937  target, s  off as 907, s 0..7 (404)        (off & 0xFE) << 2 | s & 7
//   912  target     off -4096..4095 (415), even (413) (off / 2) & 0xFFF
//   1912 target     target 0..8190 (414), off even (413), off not range-checked; (off / 2) & 0xFFF
// off = target - location, location being the address just after the instruction. The PC fields
// (907, 937, 912, 1912) of a target the linker resolves also check that the target is not
// negative (405) before anything else (Fixup::check_target). Field code 0 (kFieldTargetCheck) places nothing: it only
// asks the linker to check that the target is not negative (405), for a branch whose offset was already known here.
#pragma once

#include <array>
#include <cstdint>

#include "assembler/avr_isa.h"

namespace aq71 {

constexpr uint16_t kFieldTargetCheck = 0;

// A field the linker must still fill. The value of operand `value_operand` (1 = expr1, 2 = expr2
// of the operand record) is the field's value; for 953 and 937 operand `extra_operand` is the
// second value (the bit of 953, the status bit of 937), 0 when none.
struct Fixup {
  uint16_t field = 0;         // field code (table above)
  uint8_t word = 0;           // index of the first code word the field goes in
  uint8_t value_operand = 1;  // 1 or 2
  uint8_t extra_operand = 0;  // 0, 1 or 2
  uint16_t base = 0;          // known bits of that word (opcode | registers)
  uint32_t location = 0;      // address after the instruction, in the statement's segment
  bool check_target = false;  // the linker first checks that the value is not negative (405)
};

// Where the statement lies.
struct EncodeContext {
  uint32_t location = 0;         // address just after the instruction (PC + size)
  uint16_t segment = 0;          // the statement's segment number
  bool absolute_segment = true;  // the statement lies in ASEG
};

struct EncodeResult {
  std::array<uint16_t, 2> words{};
  uint8_t word_count = 0;
  std::array<uint16_t, 6> errors{};  // user errors 400..420, in the order found
  uint8_t error_count = 0;
  std::array<Fixup, 2> fixups{};
  uint8_t fixup_count = 0;
  // Set for a state the front end should never produce; the run ends with an internal error.
  const char* internal_error = nullptr;
  const char* internal_where = nullptr;

  void add_word(uint16_t w) {
    if (word_count < words.size()) words[word_count++] = w;
  }
  void add_error(uint16_t e) {
    if (error_count < errors.size()) errors[error_count++] = e;
  }
  void add_fixup(const Fixup& f) {
    if (fixup_count < fixups.size()) fixups[fixup_count++] = f;
  }
  bool has_error(uint16_t e) const {
    for (uint8_t i = 0; i < error_count; ++i)
      if (errors[i] == e) return true;
    return false;
  }
  void fail(const char* what, const char* where) {
    if (!internal_error) {
      internal_error = what;
      internal_where = where;
    }
  }
};

// Encodes one statement: `mnemonic` as written (emulated numbers are mapped to their core),
// `entry` the matched class record (a core record; emulated statements are expanded first),
// `ops` the operand record and `parsed_count` the number of operand forms parsed (0 or 1).
// Register misuse (406, 407, 418) is reported by the operand parser, not here; the word is then
// built from the masked register so that sizes stay right.
EncodeResult encode_instruction(uint16_t mnemonic, const InstrEntry& entry, const OperandRec& ops,
                                uint16_t parsed_count, const EncodeContext& ctx);

// Checks `value` (and `extra` for 953/937) for field `field` and ors the field into
// `words` (one or two words already holding the known bits). PC fields take the target as value
// and compute the offset from `location`. The errors found are added to `out`. Both the encoder's
// own solved path and a linker resolving a Fixup use this, so they agree bit for bit.
void place_field(uint16_t field, uint32_t value, uint32_t extra, uint32_t location, std::array<uint16_t, 2>& words,
                 EncodeResult& out);

// Resolves a Fixup of `code` once the linker knows the operand values (value1 = expr1,
// value2 = expr2); the words of `code` are completed in place and errors added to it.
void resolve_fixup(const Fixup& fixup, uint32_t value1, uint32_t value2, EncodeResult& code);

// The postfix program a linker runs for a Fixup: the object writer turns each step into its
// expression tag. The value of `value_operand` is on top of the stack, the value of
// `extra_operand` (if any) below it. Steps:
//   kConst a          push a
//   kLocationPlus a   push the address of the code word being written plus a
//   kDup kSwap kDrop  stack handling
//   kAnd kOr kShl kDiv kSub kNotEqual   pop two, push the result (kDiv signed, kNotEqual 1/0)
//   kComplement       bitwise complement of the top
//   kCheck a b error  the top (not popped) must lie in a..b (signed), else `error`
//   kField            pop the top and write its low 16 bits as the next code word
enum class LinkOp : uint8_t {
  kConst,
  kLocationPlus,
  kDup,
  kSwap,
  kDrop,
  kAnd,
  kOr,
  kShl,
  kDiv,
  kSub,
  kNotEqual,
  kComplement,
  kCheck,
  kField,
};
struct LinkStep {
  LinkOp op = LinkOp::kConst;
  int32_t a = 0;
  int32_t b = 0;
  uint16_t error = 0;
};
struct LinkProgram {
  std::array<LinkStep, 40> steps{};
  uint8_t count = 0;
  void add(LinkOp op, int32_t a = 0, int32_t b = 0, uint16_t error = 0) {
    if (count < steps.size()) steps[count++] = LinkStep{op, a, b, error};
  }
};
LinkProgram link_program(const Fixup& fixup);

// Runs a link program as a linker would, for tests and tools: `word_address` is the address of
// the fixup's first code word; the fields written replace code.words from fixup.word on.
void run_link_program(const LinkProgram& program, const Fixup& fixup, uint32_t value1, uint32_t value2,
                      uint32_t word_address, EncodeResult& code);

// Error 420 for an instruction at an odd address, once per run of odd-addressed instructions.
class OddAddressCheck {
 public:
  // Returns 420 when `address` is odd and the run has not been reported yet, else 0.
  uint16_t check(uint32_t address) {
    if ((address & 1u) == 0) {
      reported_ = false;
      return 0;
    }
    if (reported_) return 0;
    reported_ = true;
    return 420;
  }

 private:
  bool reported_ = false;
};

// Whole road of one instruction for callers that already hold operand values (tests, tools):
// mnemonic lookup for the processor option, register checks, class match (error 43), expansion
// of emulated mnemonics and encoding at `address` (the statement's first byte).
struct AssembledInstruction {
  bool known = false;  // the word is a mnemonic with this processor option
  uint16_t mnemonic = 0;
  const InstrEntry* entry = nullptr;  // core record used for the code, nullptr on error 43
  uint16_t register_error = 0;        // 406, 407 or 418, reported while the operands are parsed
  bool no_match = false;              // error 43 "illegal effective address": no code at all
  uint32_t size = 0;
  EncodeResult code;
};
AssembledInstruction assemble_instruction(const char* name, OperandRec ops, int proc_option, uint32_t address,
                                          bool absolute_segment = true, uint16_t segment = 0);

}  // namespace aq71
