// AVR instruction table of aq71 and the matching of parsed statements against it.
#include "assembler/avr_isa.h"

#include <algorithm>

namespace aq71 {
namespace {

using Opcodes = std::array<uint16_t, kClassSlots>;
using Needs = std::array<uint32_t, kClassSlots>;

constexpr uint16_t kLast = kLastAlternative;

// Processor masks.
constexpr uint16_t kV0V1 = 0x03;
constexpr uint16_t kV2Up = 0x7C;
constexpr uint16_t kV4Up = 0x70;
constexpr uint16_t kV5Up = 0x60;
constexpr uint16_t kWithLds = 0x7A;  // -v1, -v3..-v6

constexpr Needs fill_needs(uint32_t value, int count) {
  Needs n{};
  for (int i = 0; i < count; ++i) n[static_cast<std::size_t>(i)] = value;
  return n;
}

constexpr InstrEntry rec(uint16_t first, uint16_t count, Opcodes opcodes, uint16_t mask, uint16_t form,
                         EncoderKind encoder, uint32_t size, Expander expander = Expander::kNone, Needs needs = Needs{},
                         uint32_t sfr_size = kSfrSizeAny) {
  return InstrEntry{first,   count, opcodes, mask, static_cast<uint16_t>(form ? 1 : 0), sfr_size, form, expander,
                    encoder, size,  {0, 0},  needs};
}

constexpr Needs kEmulNeeds = fill_needs(kSfrNoCheck, kClassSlots);

}  // namespace

// Base opcodes are the AVR instruction set's own; every register, immediate, address and offset
// field is zero in them.
constexpr std::array<InstrEntry, 30> kInstrEntries = {{
    // 0-11 ADD ADC SUB SBC AND OR EOR MUL CPSE CP CPC MOV
    rec(0, 12, {0x0C00, 0x1C00, 0x1800, 0x0800, 0x2000, 0x2800, 0x2400, 0x9C00, 0x1000, 0x1400, 0x0400, 0x2C00},
        kAllProcs | kLast, kFormRegReg, EncoderKind::kRegReg, 2),
    // 12-17 SBCI SUBI ANDI ORI(SBR) LDI CPI; the second alternative is CBR's expansion
    rec(12, 6, {0x4000, 0x5000, 0x7000, 0x6000, 0xE000, 0x3000}, kAllProcs, kFormRegExpr, EncoderKind::kRegImm, 2),
    rec(12, 6, {0x4000, 0x5000, 0x7000, 0x6000, 0xE000, 0x3000}, kAllProcs | kLast, kFormRegComplExpr,
        EncoderKind::kRegImmCompl, 2),
    // 18-19 ADIW SBIW
    rec(18, 2, {0x9600, 0x9700}, kAllProcs | kLast, kFormRegExpr, EncoderKind::kRegWordImm, 2),
    // 20-23 SBRC SBRS BST BLD
    rec(20, 4, {0xFC00, 0xFE00, 0xFA00, 0xF800}, kAllProcs | kLast, kFormRegExpr, EncoderKind::kRegBit, 2),
    // 24-27 CBI SBI SBIC SBIS
    rec(24, 4, {0x9800, 0x9A00, 0x9900, 0x9B00}, kAllProcs | kLast, kFormExprExpr, EncoderKind::kPortBit, 2,
        Expander::kNone, Needs{kSfrRead | kSfrWrite, kSfrRead | kSfrWrite, kSfrRead, kSfrRead}, kSfrSizeByte),
    // 28-37 COM NEG INC DEC POP LSR ROR ASR SWAP PUSH
    rec(28, 10, {0x9400, 0x9401, 0x9403, 0x940A, 0x900F, 0x9406, 0x9407, 0x9405, 0x9402, 0x920F}, kAllProcs | kLast,
        kFormReg, EncoderKind::kReg, 2),
    // 38 LD
    rec(38, 1, {0x8000}, kAllProcs, kFormRegPtr, EncoderKind::kReg, 2),
    rec(38, 1, {0x8000}, kAllProcs, kFormRegPtrInc, EncoderKind::kReg, 2),
    rec(38, 1, {0x8000}, kAllProcs | kLast, kFormRegPtrDec, EncoderKind::kReg, 2),
    // 39 ST
    rec(39, 1, {0x8200}, kAllProcs, kFormPtrReg, EncoderKind::kReg, 2),
    rec(39, 1, {0x8200}, kAllProcs, kFormPtrIncReg, EncoderKind::kReg, 2),
    rec(39, 1, {0x8200}, kAllProcs | kLast, kFormPtrDecReg, EncoderKind::kReg, 2),
    // 40 IN, 41 OUT
    rec(40, 1, {0xB000}, kAllProcs | kLast, kFormRegExpr, EncoderKind::kRegPort, 2, Expander::kNone, Needs{kSfrRead},
        kSfrSizeByte),
    rec(41, 1, {0xB800}, kAllProcs | kLast, kFormExprReg, EncoderKind::kRegPort, 2, Expander::kNone, Needs{kSfrWrite},
        kSfrSizeByte),
    // 42 LDD, 43 STD
    rec(42, 1, {0x8000}, kAllProcs | kLast, kFormRegPtrDisp, EncoderKind::kRegDisp, 2),
    rec(43, 1, {0x8200}, kAllProcs | kLast, kFormPtrDispReg, EncoderKind::kRegDisp, 2),
    // 44 LDS, 45 STS
    rec(44, 1, {0x9000}, kWithLds | kLast, kFormRegExpr, EncoderKind::kRegAddr, 4),
    rec(45, 1, {0x9200}, kWithLds | kLast, kFormExprReg, EncoderKind::kRegAddr, 4),
    // 46-47 BSET BCLR
    rec(46, 2, {0x9408, 0x9488}, kAllProcs | kLast, kFormExpr, EncoderKind::kSbit, 2),
    // 48-49 JMP CALL
    rec(48, 2, {0x940C, 0x940E}, kAllProcs | kLast, kFormExpr, EncoderKind::kAddr, 4),
    // 50-51 BRBS BRBC
    rec(50, 2, {0xF000, 0xF400}, kAllProcs | kLast, kFormExprExpr, EncoderKind::kSbitPcOffs, 2),
    // 52-67 BREQ BRNE BRCS BRCC BRMI BRPL BRLT BRGE BRHS BRHC BRTS BRTC BRVS BRVC BRIE BRID
    rec(52, 16,
        {0xF001, 0xF401, 0xF000, 0xF400, 0xF002, 0xF402, 0xF004, 0xF404, 0xF005, 0xF405, 0xF006, 0xF406, 0xF003, 0xF403,
         0xF007, 0xF407},
        kAllProcs | kLast, kFormExpr, EncoderKind::kPcOffs7, 2),
    // 68-69 RJMP RCALL: 8 KB program space that wraps around with -v0/-v1
    rec(68, 2, {0xC000, 0xD000}, kV2Up, kFormExpr, EncoderKind::kPcOffs12, 2),
    rec(68, 2, {0xC000, 0xD000}, kV0V1 | kLast, kFormExpr, EncoderKind::kPcOffs12Wrap, 2),
    // 70-93 IJMP ICALL RET RETI LPM SEC CLC SEN CLN SEZ CLZ SEI CLI SES CLS SEV CLV SET CLT
    //       SEH CLH NOP SLEEP WDR
    rec(70, 24, {0x9409, 0x9509, 0x9508, 0x9518, 0x95C8, 0x9408, 0x9488, 0x9428, 0x94A8, 0x9418, 0x9498, 0x9478,
                 0x94F8, 0x9448, 0x94C8, 0x9438, 0x94B8, 0x9468, 0x94E8, 0x9458, 0x94D8, 0x0000, 0x9588, 0x95A8},
        kAllProcs | kLast, kFormNone, EncoderKind::kInh, 2),
    // 94-96 EICALL EIJMP ELPM
    rec(94, 3, {0x9519, 0x9419, 0x95D8}, kV4Up | kLast, kFormNone, EncoderKind::kExtend, 2),
    // 97-100 TST CLR LSL ROL, 101 SER, 102 CBR
    rec(97, 4, {}, kAllProcs | kLast, kFormReg, EncoderKind::kNone, 0, Expander::kRegReg, kEmulNeeds),
    rec(101, 1, {}, kAllProcs | kLast, kFormReg, EncoderKind::kNone, 0, Expander::kRegImm, kEmulNeeds),
    rec(102, 1, {}, kAllProcs | kLast, kFormRegExpr, EncoderKind::kNone, 0, Expander::kRegImmCompl, kEmulNeeds),
}};

constexpr std::array<MnemonicName, 106> kMnemonicNames = {{
    {"ADD", 0, kAllProcs},    {"ADC", 1, kAllProcs},   {"SUB", 2, kAllProcs},    {"SBC", 3, kAllProcs},
    {"AND", 4, kAllProcs},    {"OR", 5, kAllProcs},    {"EOR", 6, kAllProcs},    {"MUL", 7, kAllProcs},
    {"CPSE", 8, kAllProcs},   {"CP", 9, kAllProcs},    {"CPC", 10, kAllProcs},   {"MOV", 11, kAllProcs},
    {"SBCI", 12, kAllProcs},  {"SUBI", 13, kAllProcs}, {"ANDI", 14, kAllProcs},  {"ORI", 15, kAllProcs},
    {"SBR", 15, kAllProcs},   {"LDI", 16, kAllProcs},  {"CPI", 17, kAllProcs},   {"ADIW", 18, kAllProcs},
    {"SBIW", 19, kAllProcs},  {"SBRC", 20, kAllProcs}, {"SBRS", 21, kAllProcs},  {"BST", 22, kAllProcs},
    {"BLD", 23, kAllProcs},   {"CBI", 24, kAllProcs},  {"SBI", 25, kAllProcs},   {"SBIC", 26, kAllProcs},
    {"SBIS", 27, kAllProcs},  {"COM", 28, kAllProcs},  {"NEG", 29, kAllProcs},   {"INC", 30, kAllProcs},
    {"DEC", 31, kAllProcs},   {"POP", 32, kAllProcs},  {"LSR", 33, kAllProcs},   {"ROR", 34, kAllProcs},
    {"ASR", 35, kAllProcs},   {"SWAP", 36, kAllProcs}, {"PUSH", 37, kAllProcs},  {"LD", 38, kAllProcs},
    {"ST", 39, kAllProcs},    {"IN", 40, kAllProcs},   {"OUT", 41, kAllProcs},   {"LDD", 42, kAllProcs},
    {"STD", 43, kAllProcs},   {"LDS", 44, kWithLds},   {"STS", 45, kWithLds},    {"BSET", 46, kAllProcs},
    {"BCLR", 47, kAllProcs},  {"JMP", 48, kAllProcs},  {"CALL", 49, kAllProcs},  {"BRBS", 50, kAllProcs},
    {"BRBC", 51, kAllProcs},  {"BREQ", 52, kAllProcs}, {"BRNE", 53, kAllProcs},  {"BRCS", 54, kAllProcs},
    {"BRLO", 54, kAllProcs},  {"BRCC", 55, kAllProcs}, {"BRSH", 55, kAllProcs},  {"BRMI", 56, kAllProcs},
    {"BRPL", 57, kAllProcs},  {"BRLT", 58, kAllProcs}, {"BRGE", 59, kAllProcs},  {"BRHS", 60, kAllProcs},
    {"BRHC", 61, kAllProcs},  {"BRTS", 62, kAllProcs}, {"BRTC", 63, kAllProcs},  {"BRVS", 64, kAllProcs},
    {"BRVC", 65, kAllProcs},  {"BRIE", 66, kAllProcs}, {"BRID", 67, kAllProcs},  {"RJMP", 68, kAllProcs},
    {"RCALL", 69, kAllProcs}, {"IJMP", 70, kAllProcs}, {"ICALL", 71, kAllProcs}, {"RET", 72, kAllProcs},
    {"RETI", 73, kAllProcs},  {"LPM", 74, kAllProcs},  {"SEC", 75, kAllProcs},   {"CLC", 76, kAllProcs},
    {"SEN", 77, kAllProcs},   {"CLN", 78, kAllProcs},  {"SEZ", 79, kAllProcs},   {"CLZ", 80, kAllProcs},
    {"SEI", 81, kAllProcs},   {"CLI", 82, kAllProcs},  {"SES", 83, kAllProcs},   {"CLS", 84, kAllProcs},
    {"SEV", 85, kAllProcs},   {"CLV", 86, kAllProcs},  {"SET", 87, kAllProcs},   {"CLT", 88, kAllProcs},
    {"SEH", 89, kAllProcs},   {"CLH", 90, kAllProcs},  {"NOP", 91, kAllProcs},   {"SLEEP", 92, kAllProcs},
    {"WDR", 93, kAllProcs},   {"EICALL", 94, kV5Up},   {"EIJMP", 95, kV5Up},     {"ELPM", 96, kV2Up},
    {"TST", 97, kAllProcs},   {"CLR", 98, kAllProcs},  {"LSL", 99, kAllProcs},   {"ROL", 100, kAllProcs},
    {"SER", 101, kAllProcs},  {"CBR", 102, kAllProcs},
}};

namespace {

// Every mnemonic number belongs to exactly one class run, and every run ends with a last record.
constexpr bool table_is_consistent() {
  int covered[kMnemonicCount] = {};
  for (std::size_t i = 0; i < kInstrEntries.size(); ++i) {
    const InstrEntry& e = kInstrEntries[i];
    if (e.mnemonic_count == 0 || e.mnemonic_count > kClassSlots) return false;
    if (e.pattern_count != (e.form ? 1 : 0)) return false;
    const bool run_start = i == 0 || kInstrEntries[i - 1].last();
    if (run_start) {
      for (int m = e.first_mnemonic; m < e.first_mnemonic + e.mnemonic_count; ++m) {
        if (m >= kMnemonicCount) return false;
        ++covered[m];
      }
    } else if (e.first_mnemonic != kInstrEntries[i - 1].first_mnemonic) {
      return false;
    }
  }
  if (!kInstrEntries.back().last()) return false;
  for (int c : covered)
    if (c != 1) return false;
  for (const MnemonicName& n : kMnemonicNames)
    if (n.number >= kMnemonicCount) return false;
  return true;
}
static_assert(table_is_consistent());

constexpr std::array<int16_t, kMnemonicCount> make_class_index() {
  std::array<int16_t, kMnemonicCount> idx{};
  for (auto& v : idx) v = -1;
  for (std::size_t i = 0; i < kInstrEntries.size(); ++i) {
    const InstrEntry& e = kInstrEntries[i];
    if (i != 0 && !kInstrEntries[i - 1].last()) continue;
    for (int m = e.first_mnemonic; m < e.first_mnemonic + e.mnemonic_count; ++m)
      idx[static_cast<std::size_t>(m)] = static_cast<int16_t>(i);
  }
  return idx;
}
constexpr std::array<int16_t, kMnemonicCount> kClassIndex = make_class_index();

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view mnemonic_name(uint16_t mnemonic) {
  for (const MnemonicName& n : kMnemonicNames)
    if (n.number == mnemonic) return n.name;
  return {};
}

const MnemonicName* find_mnemonic(std::string_view word, int proc_option) {
  const uint16_t bit = processor_bit(proc_option);
  if (bit == 0) return nullptr;
  for (const MnemonicName& n : kMnemonicNames) {
    if (n.name.size() != word.size() || (n.registered & bit) == 0) continue;
    if (std::equal(word.begin(), word.end(), n.name.begin(), [](char a, char b) { return upper(a) == b; })) return &n;
  }
  return nullptr;
}

int class_first_record(uint16_t mnemonic) { return mnemonic < kMnemonicCount ? kClassIndex[mnemonic] : -1; }

uint16_t class_max_patterns(uint16_t mnemonic) {
  const int first = class_first_record(mnemonic);
  uint16_t most = 1;
  if (first < 0) return most;
  for (std::size_t i = static_cast<std::size_t>(first); i < kInstrEntries.size(); ++i) {
    most = std::max(most, kInstrEntries[i].pattern_count);
    if (kInstrEntries[i].last()) break;
  }
  return most;
}

const InstrEntry* find_instr(uint16_t mnemonic, uint16_t parsed_count, uint16_t form, int proc_option) {
  const int first = class_first_record(mnemonic);
  const uint16_t bit = processor_bit(proc_option);
  if (first < 0 || bit == 0) return nullptr;
  for (std::size_t i = static_cast<std::size_t>(first); i < kInstrEntries.size(); ++i) {
    const InstrEntry& e = kInstrEntries[i];
    if ((e.mask & bit) != 0 && e.pattern_count == parsed_count && (parsed_count == 0 || e.form == form)) return &e;
    if (e.last()) break;
  }
  return nullptr;
}

uint16_t operand_register_error(uint16_t mnemonic, const OperandRec& ops) {
  switch (ops.form) {
    case kFormRegExpr:
      if ((mnemonic >= mn::SBCI && mnemonic <= mn::CPI) || mnemonic == mn::CBR)
        return ops.reg1 >= 16 && ops.reg1 <= 31 ? 0 : 406;
      if (mnemonic == mn::ADIW || mnemonic == mn::SBIW)
        return (ops.reg1 == 24 || ops.reg1 == 26 || ops.reg1 == 28 || ops.reg1 == 30) ? 0 : 418;
      return 0;
    case kFormReg:
      if (mnemonic == mn::SER) return ops.reg1 >= 16 && ops.reg1 <= 31 ? 0 : 406;
      return 0;
    case kFormRegPtrDisp:
    case kFormPtrDispReg:
      return ops.pointer == kRegX ? 407 : 0;
    default:
      return 0;
  }
}

const InstrEntry* expand_emulated(uint16_t mnemonic, OperandRec& ops, int proc_option) {
  const uint16_t core = emulated_core(mnemonic);
  if (core == kNoCoreMnemonic) return nullptr;
  switch (mnemonic) {
    case mn::TST:
    case mn::CLR:
    case mn::LSL:
    case mn::ROL:
      ops.reg2 = ops.reg1;
      ops.form = kFormRegReg;
      break;
    case mn::SER:
      ops.reg2 = ops.reg1;
      ops.expr1 = OperandValue::absolute(255);
      ops.form = kFormRegExpr;
      break;
    case mn::CBR:
      ops.form = kFormRegComplExpr;
      break;
    default:
      return nullptr;
  }
  return find_instr(core, 1, ops.form, proc_option);
}

SfrUsage sfr_usage(uint16_t mnemonic, const InstrEntry& entry, const OperandRec& ops, uint32_t first_symbol_flags) {
  SfrUsage result;
  if ((entry.sfr_needs[0] & kSfrNoCheck) != 0) return result;
  if (ops.form != kFormRegExpr && ops.form != kFormExprReg && ops.form != kFormExprExpr) return result;
  const uint16_t core = core_mnemonic(mnemonic);
  if (!((core >= mn::CBI && core <= mn::SBIS) || core == mn::IN || core == mn::OUT)) return result;
  if ((first_symbol_flags & kSfrFlagSfr) == 0) return result;
  const uint32_t needs = entry.sfr_needs[static_cast<std::size_t>(core - entry.first_mnemonic) % kClassSlots];
  if ((first_symbol_flags & needs & (kSfrRead | kSfrWrite)) != (needs & (kSfrRead | kSfrWrite)))
    result.access_error = 401;
  bool size_ok = true;
  switch (entry.sfr_size) {
    case kSfrSizeByte:
      size_ok = (first_symbol_flags & kSfrFlagByte) != 0;
      break;
    case kSfrSizeWord:
      size_ok = (first_symbol_flags & kSfrFlagWord) != 0;
      break;
    case kSfrSizeByteOrWord:
      size_ok = (first_symbol_flags & (kSfrFlagByte | kSfrFlagWord)) != 0;
      break;
    default:
      break;
  }
  if (!size_ok) result.size_error = 402;
  return result;
}

}  // namespace aq71
