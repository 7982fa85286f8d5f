// AVR instruction set of aq71: mnemonics, instruction-class records, operand records and the
// matching of a parsed statement against its class, with the emulated mnemonics.
//
// The table is data: kInstrEntries holds every class record (one run of alternatives per class,
// the last alternative of a run has bit 15 of its mask set), kMnemonicNames every name a source may
// use. Mnemonic numbers 0..102 index the opcode slots of a class (number minus the class's first
// number). Processor options are -v0..-v6; option n has the processor bit 1 << n.
//
// Road of one instruction statement:
//   find_mnemonic            the word of the operation field (registration per option)
//   operand grammar          fills an OperandRec, reports operand_register_error (406/407/418)
//   find_instr               class record, or nullptr: error 43 and form kFormNoMatch
//   expand_emulated          for a record with an expander, before code offsets are computed
//   sfr_usage                401/402 for IN/OUT/CBI/SBI/SBIC/SBIS on an SFR symbol
//   encode_instruction       (avr_encode.h) code words, errors 400-419 and linker fixups
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace aq71 {

// ---------------------------------------------------------------------------------------------
// Processor options

constexpr int kProcOptionCount = 7;
constexpr uint16_t kAllProcs = 0x7F;
constexpr uint16_t kLastAlternative = 0x8000;  // mask bit: last record of a class run

// Processor bit of option n (1 << n) or 0 for an option outside 0..6.
constexpr uint16_t processor_bit(int option) {
  return (option >= 0 && option < kProcOptionCount) ? static_cast<uint16_t>(1u << option) : 0;
}

// ---------------------------------------------------------------------------------------------
// Registers and operand forms as the operand grammar stores them

constexpr uint16_t kRegX = 257;
constexpr uint16_t kRegY = 258;
constexpr uint16_t kRegZ = 259;

enum OperandForm : uint16_t {
  kFormNone = 0,
  kFormRegReg = 1,         // Rd, Rr
  kFormRegExpr = 2,        // Rd, expr
  kFormReg = 3,            // Rd
  kFormExprReg = 4,        // expr, Rr
  kFormExpr = 5,           // expr
  kFormExprExpr = 6,       // expr, expr
  kFormRegPtr = 7,         // Rd, X/Y/Z
  kFormRegPtrInc = 8,      // Rd, X+/Y+/Z+
  kFormRegPtrDec = 9,      // Rd, -X/-Y/-Z
  kFormRegPtrDisp = 10,    // Rd, Y+q / Z+q
  kFormPtrReg = 11,        // X/Y/Z, Rr
  kFormPtrIncReg = 12,     // X+/Y+/Z+, Rr
  kFormPtrDecReg = 13,     // -X/-Y/-Z, Rr
  kFormPtrDispReg = 14,    // Y+q / Z+q, Rr
  kFormRegComplExpr = 15,  // Rd, expr to be complemented (made only by the CBR expander)
  kFormNoMatch = 0x1FFF,   // set after a failed match so nothing matches the record again
};

// How far an operand expression is known when code is generated (the kinds of an expression
// record: unsolved and complex values both go to the linker).
enum class ValueKind : uint8_t {
  kAbsent,       // no expression in this slot
  kAbsolute,     // value is the number itself
  kRelocatable,  // value is an offset in `segment`
  kLinker,       // unsolved, external or complex: only the linker can compute it
  kTemporary,    // value taken over from an assignment label; never valid for code
};

struct OperandValue {
  ValueKind kind = ValueKind::kAbsent;
  uint32_t value = 0;    // absolute value or offset in the segment (two's complement for negatives)
  uint16_t segment = 0;  // segment number of a relocatable value

  static constexpr OperandValue absolute(uint32_t v) { return {ValueKind::kAbsolute, v, 0}; }
  static constexpr OperandValue relocatable(uint16_t seg, uint32_t offset) {
    return {ValueKind::kRelocatable, offset, seg};
  }
  static constexpr OperandValue linker() { return {ValueKind::kLinker, 0, 0}; }
};

// One parsed operand field (operand_rec). reg1 is the first register written in the field (Rd, or
// Rr of OUT/STS/ST/STD), reg2 the second one of form 1; pointer is kRegX/kRegY/kRegZ for forms 7-14.
// expr1 is the first expression written in the field, expr2 the second (form 6 only).
struct OperandRec {
  uint16_t form = kFormNone;
  uint8_t reg1 = 0;
  uint8_t reg2 = 0;
  uint16_t pointer = 0;
  OperandValue expr1;
  OperandValue expr2;
};

// ---------------------------------------------------------------------------------------------
// Class records

enum class EncoderKind : uint8_t {
  kNone,
  kRegReg,        // reg_reg_B02
  kReg,           // reg_B02 (one register, LD, ST)
  kRegImm,        // reg_imm_B02, field 908
  kRegImmCompl,   // reg_immcompl_B02, field 1908
  kRegWordImm,    // regword_imm_B02, field 2906
  kRegBit,        // reg_bit_B02, field 903
  kPortBit,       // port_bit_B02, field 953
  kRegPort,       // reg_port_B02, field 906
  kRegDisp,       // reg_disp_B02, field 1906
  kRegAddr,       // reg_addr_B02, field 116
  kSbit,          // sbit_B02, field 1903
  kAddr,          // addr_B02, field 922
  kSbitPcOffs,    // sbit_pcoffs_B02, field 937
  kPcOffs7,       // pcoffs7_B02, field 907
  kPcOffs12,      // pcoffs12_B02, field 912
  kPcOffs12Wrap,  // pcoffs12_wrap_B02, field 1912
  kInh,           // inh_B02
  kExtend,        // extend_B02
};

enum class Expander : uint8_t {
  kNone,
  kRegReg,       // emul_reg_reg_B05: TST CLR LSL ROL -> Rd,Rd
  kRegImm,       // emul_reg_imm_B05: SER -> LDI Rd,255
  kRegImmCompl,  // emul_reg_immcompl_B05: CBR -> ANDI Rd,~K
};

// SFR size requirement codes.
constexpr uint32_t kSfrSizeByte = 257;
constexpr uint32_t kSfrSizeWord = 258;
constexpr uint32_t kSfrSizeByteOrWord = 259;
constexpr uint32_t kSfrSizeAny = 65535;
// SFR access needs (and label flags of an SFR symbol).
constexpr uint32_t kSfrRead = 0x800;
constexpr uint32_t kSfrWrite = 0x1000;
constexpr uint32_t kSfrNoCheck = 0x02000000;
constexpr uint32_t kSfrFlagSfr = 0x200;
constexpr uint32_t kSfrFlagByte = 0x80000;
constexpr uint32_t kSfrFlagWord = 0x100000;

constexpr int kClassSlots = 24;

struct InstrEntry {
  uint16_t first_mnemonic;                    // number of the class's first mnemonic
  uint16_t mnemonic_count;                    // numbers first_mnemonic.. of this class
  std::array<uint16_t, kClassSlots> opcodes;  // base opcode per mnemonic of the class
  uint16_t mask;                              // processor bits | kLastAlternative
  uint16_t pattern_count;                     // 0 or 1
  uint32_t sfr_size;                          // kSfrSize*
  uint16_t form;                              // the operand form when pattern_count is 1
  Expander expander;
  EncoderKind encoder;
  uint32_t size;                                // bytes; 0 for emulated classes
  std::array<uint32_t, 2> cycles;               // always 0
  std::array<uint32_t, kClassSlots> sfr_needs;  // access needs per mnemonic

  constexpr uint16_t opcode(uint16_t mnemonic) const {
    const auto slot = static_cast<std::size_t>(mnemonic - first_mnemonic);
    return opcodes[slot < kClassSlots ? slot : slot % kClassSlots];  // a mnemonic of the class: no division
  }
  constexpr bool last() const { return (mask & kLastAlternative) != 0; }
};

// Mnemonic numbers used by name elsewhere.
namespace mn {
constexpr uint16_t ADD = 0, ADC = 1, AND = 4, EOR = 6;
constexpr uint16_t SBCI = 12, SUBI = 13, ANDI = 14, ORI = 15, LDI = 16, CPI = 17;
constexpr uint16_t ADIW = 18, SBIW = 19;
constexpr uint16_t CBI = 24, SBI = 25, SBIC = 26, SBIS = 27;
constexpr uint16_t LD = 38, ST = 39, IN = 40, OUT = 41, LDD = 42, STD = 43, LDS = 44, STS = 45;
constexpr uint16_t BRBS = 50, BRBC = 51, BRCS = 54, BRCC = 55;
constexpr uint16_t RJMP = 68, RCALL = 69;
constexpr uint16_t EICALL = 94, EIJMP = 95, ELPM = 96;
constexpr uint16_t TST = 97, CLR = 98, LSL = 99, ROL = 100, SER = 101, CBR = 102;
}  // namespace mn

constexpr int kMnemonicCount = 103;
constexpr uint16_t kNoCoreMnemonic = 999;

// A name the source may use for a mnemonic, with the processor bits for which it is registered.
struct MnemonicName {
  std::string_view name;
  uint16_t number;
  uint16_t registered;
};

extern const std::array<InstrEntry, 30> kInstrEntries;
extern const std::array<MnemonicName, 106> kMnemonicNames;

// Core mnemonic of an emulated one (97..102), kNoCoreMnemonic for every other number.
constexpr uint16_t emulated_core(uint16_t mnemonic) {
  switch (mnemonic) {
    case mn::TST:
      return mn::AND;
    case mn::CLR:
      return mn::EOR;
    case mn::LSL:
      return mn::ADD;
    case mn::ROL:
      return mn::ADC;
    case mn::SER:
      return mn::LDI;
    case mn::CBR:
      return mn::ANDI;
    default:
      return kNoCoreMnemonic;
  }
}
// The mnemonic number an encoder or check uses: emulated numbers replaced by their core.
constexpr uint16_t core_mnemonic(uint16_t mnemonic) {
  const uint16_t core = emulated_core(mnemonic);
  return core == kNoCoreMnemonic ? mnemonic : core;
}

// The name as the table spells it (the first registered name of the number), "" when unknown.
std::string_view mnemonic_name(uint16_t mnemonic);

// Looks a word up as a mnemonic for processor option `proc_option`, in any letter case. Returns
// nullptr when the word is not a mnemonic there (it is then an ordinary word).
const MnemonicName* find_mnemonic(std::string_view word, int proc_option);

// Index in kInstrEntries of the first record of the class of `mnemonic`, or -1.
int class_first_record(uint16_t mnemonic);
// Largest pattern count over the class run (operand records to allocate, at least 1).
uint16_t class_max_patterns(uint16_t mnemonic);

// find_instr_B00: the first record of the class run valid for the processor option whose pattern
// count equals `parsed_count` and whose form equals `form`; nullptr when none matches (error 43).
const InstrEntry* find_instr(uint16_t mnemonic, uint16_t parsed_count, uint16_t form, int proc_option);

// Register checks made while the operands are parsed: 406 (R16-R31 needed), 418 (R24/R26/R28/R30
// needed), 407 (Y or Z needed); 0 when the registers are fine.
uint16_t operand_register_error(uint16_t mnemonic, const OperandRec& ops);

// Rewrites the operand record of an emulated mnemonic (97..102) into its core form: TST CLR LSL
// ROL copy Rd into Rr (form 1), SER copies Rd and sets expr1 to 255 (form 2), CBR takes form 15.
// Returns the matched core record, or nullptr for a number that is not emulated or has no match.
const InstrEntry* expand_emulated(uint16_t mnemonic, OperandRec& ops, int proc_option);

// SFR usage check (verify_sfr_usage) for a matched record, given the label flags of the first
// symbol of the port-address expression (0 when it is not a symbol): 401 when the SFR lacks a
// needed READ/WRITE attribute, 402 when its size attribute does not fit; 0 for each check passed.
struct SfrUsage {
  uint16_t access_error = 0;
  uint16_t size_error = 0;
};
SfrUsage sfr_usage(uint16_t mnemonic, const InstrEntry& entry, const OperandRec& ops, uint32_t first_symbol_flags);

}  // namespace aq71
