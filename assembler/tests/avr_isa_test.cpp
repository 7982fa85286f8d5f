// Instruction table, class matching, emulated mnemonics and encoder results of aq71.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "assembler/avr_encode.h"
#include "assembler/avr_isa.h"

namespace aq71 {
namespace {

OperandRec reg_expr(uint8_t r, uint32_t v) {
  OperandRec o;
  o.form = kFormRegExpr;
  o.reg1 = r;
  o.expr1 = OperandValue::absolute(v);
  return o;
}
OperandRec reg_only(uint8_t r) {
  OperandRec o;
  o.form = kFormReg;
  o.reg1 = r;
  return o;
}
OperandRec reg_reg(uint8_t d, uint8_t r) {
  OperandRec o;
  o.form = kFormRegReg;
  o.reg1 = d;
  o.reg2 = r;
  return o;
}
OperandRec expr_only(OperandValue v) {
  OperandRec o;
  o.form = kFormExpr;
  o.expr1 = v;
  return o;
}
OperandRec no_operands() { return OperandRec{}; }

// Assembles in ASEG at `address` with processor option `proc`.
AssembledInstruction as(const char* name, const OperandRec& ops, int proc = 6, uint32_t address = 0) {
  return assemble_instruction(name, ops, proc, address);
}

uint16_t word0(const AssembledInstruction& a) {
  EXPECT_TRUE(a.known);
  EXPECT_FALSE(a.no_match);
  EXPECT_EQ(a.code.internal_error, nullptr) << a.code.internal_error;
  EXPECT_GE(a.code.word_count, 1);
  return a.code.words[0];
}

TEST(AvrIsaTable, NamesNumbersAndRegistration) {
  EXPECT_EQ(kMnemonicNames.size(), 106u);
  for (uint16_t m = 0; m < kMnemonicCount; ++m) {
    EXPECT_GE(class_first_record(m), 0) << m;
    EXPECT_FALSE(mnemonic_name(m).empty()) << m;
  }
  EXPECT_EQ(find_mnemonic("SBR", 0)->number, find_mnemonic("ORI", 0)->number);
  EXPECT_EQ(find_mnemonic("BRLO", 0)->number, 54);
  EXPECT_EQ(find_mnemonic("BRCS", 0)->number, 54);
  EXPECT_EQ(find_mnemonic("BRSH", 0)->number, 55);
  EXPECT_EQ(find_mnemonic("BRCC", 0)->number, 55);
  EXPECT_EQ(find_mnemonic("ldi", 0)->number, mn::LDI);
  EXPECT_EQ(find_mnemonic("Cbr", 3)->number, mn::CBR);
  EXPECT_EQ(find_mnemonic("LDIX", 0), nullptr);
  EXPECT_EQ(find_mnemonic("LDI", 7), nullptr);
  EXPECT_EQ(find_mnemonic("LDI", -1), nullptr);

  // LDS/STS exist for -v1 and -v3..-v6, EICALL/EIJMP for -v5/-v6, ELPM is a word from -v2 on.
  const bool lds[] = {false, true, false, true, true, true, true};
  const bool eijmp[] = {false, false, false, false, false, true, true};
  const bool elpm[] = {false, false, true, true, true, true, true};
  for (int v = 0; v < kProcOptionCount; ++v) {
    EXPECT_EQ(find_mnemonic("LDS", v) != nullptr, lds[v]) << v;
    EXPECT_EQ(find_mnemonic("STS", v) != nullptr, lds[v]) << v;
    EXPECT_EQ(find_mnemonic("EIJMP", v) != nullptr, eijmp[v]) << v;
    EXPECT_EQ(find_mnemonic("EICALL", v) != nullptr, eijmp[v]) << v;
    EXPECT_EQ(find_mnemonic("ELPM", v) != nullptr, elpm[v]) << v;
  }
  EXPECT_EQ(processor_bit(0), 1);
  EXPECT_EQ(processor_bit(6), 64);
  EXPECT_EQ(processor_bit(7), 0);
}

TEST(AvrIsaTable, ClassMatching) {
  EXPECT_EQ(class_max_patterns(mn::LD), 1);
  EXPECT_EQ(class_max_patterns(70), 1);  // no-operand class still allocates one record
  EXPECT_EQ(find_instr(mn::LD, 1, kFormRegPtrDec, 0)->encoder, EncoderKind::kReg);
  EXPECT_EQ(find_instr(mn::LD, 1, kFormRegPtrDisp, 0), nullptr);
  EXPECT_EQ(find_instr(mn::LDI, 0, kFormNone, 0), nullptr);
  EXPECT_EQ(find_instr(70, 1, kFormReg, 0), nullptr);
  EXPECT_EQ(find_instr(mn::LDI, 1, kFormNoMatch, 0), nullptr);
  EXPECT_EQ(find_instr(mn::RJMP, 1, kFormExpr, 1)->encoder, EncoderKind::kPcOffs12Wrap);
  EXPECT_EQ(find_instr(mn::RJMP, 1, kFormExpr, 2)->encoder, EncoderKind::kPcOffs12);
  EXPECT_EQ(find_instr(mn::ANDI, 1, kFormRegComplExpr, 0)->encoder, EncoderKind::kRegImmCompl);

  // ELPM: a word with -v2/-v3 that matches nothing there (error 43); 0x95D8 with -v4.
  for (int v : {2, 3}) {
    const auto a = as("ELPM", no_operands(), v);
    EXPECT_TRUE(a.known);
    EXPECT_TRUE(a.no_match);
    EXPECT_EQ(a.code.word_count, 0);
  }
  EXPECT_EQ(word0(as("ELPM", no_operands(), 4)), 0x95D8);
  EXPECT_FALSE(as("LDS", reg_expr(16, 0x60), 0).known);
  const auto lds = as("LDS", reg_expr(16, 0x60), 1);
  EXPECT_EQ(lds.size, 4u);
  ASSERT_EQ(lds.code.word_count, 2);
  EXPECT_EQ(lds.code.words[0], 0x9100);
  EXPECT_EQ(lds.code.words[1], 0x0060);
  // An operand where none is allowed, or none where one is needed.
  EXPECT_TRUE(as("NOP", reg_only(1)).no_match);
  EXPECT_TRUE(as("INC", no_operands()).no_match);
  EXPECT_TRUE(as("IN", expr_only(OperandValue::absolute(1))).no_match);
}

TEST(AvrIsaTable, RegisterChecks) {
  EXPECT_EQ(as("LDI", reg_expr(5, 1)).register_error, 406);
  EXPECT_EQ(as("LDI", reg_expr(16, 1)).register_error, 0);
  EXPECT_EQ(as("CBR", reg_expr(15, 1)).register_error, 406);
  EXPECT_EQ(as("SBR", reg_expr(31, 1)).register_error, 0);
  EXPECT_EQ(as("SER", reg_only(5)).register_error, 406);
  EXPECT_EQ(as("CLR", reg_only(5)).register_error, 0);
  EXPECT_EQ(as("ADIW", reg_expr(25, 1)).register_error, 418);
  EXPECT_EQ(as("SBIW", reg_expr(16, 1)).register_error, 418);
  EXPECT_EQ(as("ADIW", reg_expr(30, 1)).register_error, 0);
  OperandRec ldd;
  ldd.form = kFormRegPtrDisp;
  ldd.pointer = kRegX;
  ldd.expr1 = OperandValue::absolute(1);
  const auto a = as("LDD", ldd);
  EXPECT_EQ(a.register_error, 407);
  EXPECT_EQ(a.code.internal_error, nullptr);  // still two bytes of code, no crash
  EXPECT_EQ(a.code.word_count, 1);
  ldd.pointer = kRegY;
  EXPECT_EQ(as("LDD", ldd).register_error, 0);
}

TEST(AvrIsaTable, EmulatedMnemonicsExpandToTheirCore) {
  EXPECT_EQ(word0(as("CLR", reg_only(5))), word0(as("EOR", reg_reg(5, 5))));
  EXPECT_EQ(word0(as("CLR", reg_only(5))), 0x2455);
  EXPECT_EQ(word0(as("LSL", reg_only(0))), 0x0C00);
  EXPECT_EQ(word0(as("TST", reg_only(31))), word0(as("AND", reg_reg(31, 31))));
  EXPECT_EQ(word0(as("ROL", reg_only(17))), word0(as("ADC", reg_reg(17, 17))));
  EXPECT_EQ(word0(as("SER", reg_only(20))), word0(as("LDI", reg_expr(20, 255))));
  EXPECT_EQ(word0(as("CBR", reg_expr(16, 0x0F))), word0(as("ANDI", reg_expr(16, 0xF0))));
  EXPECT_EQ(word0(as("CBR", reg_expr(16, 0x0F))), 0x7F00);
  EXPECT_EQ(word0(as("SBR", reg_expr(16, 3))), word0(as("ORI", reg_expr(16, 3))));

  OperandRec ops = reg_only(7);
  const InstrEntry* e = expand_emulated(mn::SER, ops, 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(ops.form, kFormRegExpr);
  EXPECT_EQ(ops.expr1.value, 255u);
  EXPECT_EQ(e->size, 2u);
  EXPECT_EQ(expand_emulated(mn::LDI, ops, 0), nullptr);
  EXPECT_EQ(emulated_core(mn::CBR), mn::ANDI);
  EXPECT_EQ(core_mnemonic(mn::TST), mn::AND);
  EXPECT_EQ(core_mnemonic(mn::LDI), mn::LDI);
}

TEST(AvrEncode, ImmediatesAndRanges) {
  EXPECT_EQ(word0(as("LDI", reg_expr(16, 255))), 0xEF0F);
  EXPECT_EQ(word0(as("LDI", reg_expr(16, static_cast<uint32_t>(-1)))), 0xEF0F);
  const auto big = as("LDI", reg_expr(16, 256));
  EXPECT_TRUE(big.code.has_error(403));
  EXPECT_EQ(big.code.words[0], 0xE000);  // value masked into the field
  EXPECT_TRUE(as("LDI", reg_expr(16, static_cast<uint32_t>(-129))).code.has_error(403));
  EXPECT_EQ(as("LDI", reg_expr(16, static_cast<uint32_t>(-128))).code.error_count, 0);
  // ADIW takes -32..63; a negative value is the same bits as its 6-bit two's complement.
  EXPECT_EQ(word0(as("ADIW", reg_expr(24, static_cast<uint32_t>(-1)))), word0(as("ADIW", reg_expr(24, 63))));
  EXPECT_TRUE(as("ADIW", reg_expr(24, 64)).code.has_error(417));
  EXPECT_TRUE(as("SBIW", reg_expr(24, static_cast<uint32_t>(-33))).code.has_error(417));
  EXPECT_TRUE(as("SBRC", reg_expr(0, 8)).code.has_error(404));
  EXPECT_TRUE(as("IN", reg_expr(0, 64)).code.has_error(408));
  EXPECT_TRUE(as("IN", reg_expr(0, static_cast<uint32_t>(-1))).code.has_error(408));
  EXPECT_TRUE(as("BSET", expr_only(OperandValue::absolute(8))).code.has_error(404));
  EXPECT_TRUE(as("LDS", reg_expr(0, 0x10000)).code.has_error(419));

  OperandRec cbi;
  cbi.form = kFormExprExpr;
  cbi.expr1 = OperandValue::absolute(32);
  cbi.expr2 = OperandValue::absolute(8);
  const auto c = as("CBI", cbi);
  EXPECT_TRUE(c.code.has_error(416));
  EXPECT_TRUE(c.code.has_error(404));
  EXPECT_EQ(c.code.words[0], 0x9800);

  OperandRec std_;
  std_.form = kFormPtrDispReg;
  std_.pointer = kRegZ;
  std_.reg1 = 1;
  std_.expr1 = OperandValue::absolute(64);
  EXPECT_TRUE(as("STD", std_).code.has_error(409));

  // JMP: 0x7FFFFE is the last address; odd addresses and beyond are refused.
  const auto jmp = as("JMP", expr_only(OperandValue::absolute(0x7FFFFE)));
  EXPECT_EQ(jmp.code.error_count, 0);
  EXPECT_EQ(jmp.code.words[0], 0x95FD);
  EXPECT_EQ(jmp.code.words[1], 0xFFFF);
  EXPECT_TRUE(as("JMP", expr_only(OperandValue::absolute(3))).code.has_error(411));
  EXPECT_TRUE(as("CALL", expr_only(OperandValue::absolute(0x800000))).code.has_error(410));
}

TEST(AvrEncode, BranchesAndRelativeJumps) {
  // BRNE at 0: to the next instruction and to itself.
  EXPECT_EQ(word0(as("BRNE", expr_only(OperandValue::absolute(2)))), 0xF401);
  EXPECT_EQ(word0(as("BRNE", expr_only(OperandValue::absolute(0)))), 0xF7F9);
  EXPECT_TRUE(as("BRNE", expr_only(OperandValue::absolute(5))).code.has_error(413));
  EXPECT_TRUE(as("BREQ", expr_only(OperandValue::absolute(132)), 6, 0).code.has_error(412));
  EXPECT_FALSE(as("BREQ", expr_only(OperandValue::absolute(128)), 6, 0).code.has_error(412));
  EXPECT_TRUE(as("BREQ", expr_only(OperandValue::absolute(0)), 6, 200).code.has_error(412));

  // -v0/-v1: 8 KB program space that wraps around.
  const auto wrap = as("RJMP", expr_only(OperandValue::absolute(8190)), 0, 0);
  EXPECT_EQ(wrap.code.error_count, 0);
  EXPECT_EQ(wrap.code.words[0], 0xCFFE);
  EXPECT_TRUE(as("RJMP", expr_only(OperandValue::absolute(8192)), 0, 0).code.has_error(414));
  EXPECT_TRUE(as("RCALL", expr_only(OperandValue::absolute(8191)), 1, 0).code.has_error(413));
  // -v2 and up: the same jump is out of range.
  EXPECT_TRUE(as("RJMP", expr_only(OperandValue::absolute(8190)), 2, 0).code.has_error(415));
  EXPECT_EQ(word0(as("RJMP", expr_only(OperandValue::absolute(4096)), 2, 0)), 0xC7FF);
  EXPECT_EQ(word0(as("RCALL", expr_only(OperandValue::absolute(0)), 2, 4094)), 0xD800);

  // A negative absolute target, and an absolute target from a relocatable segment.
  EXPECT_TRUE(as("RJMP", expr_only(OperandValue::absolute(static_cast<uint32_t>(-2))), 3, 0).code.has_error(405));
  const auto reloc = assemble_instruction("BRNE", expr_only(OperandValue::absolute(2)), 6, 0,
                                          /*absolute_segment=*/false, 3);
  EXPECT_TRUE(reloc.code.has_error(400));
  EXPECT_EQ(reloc.code.words[0], 0xF401);

  OperandRec brbs;
  brbs.form = kFormExprExpr;
  brbs.expr1 = OperandValue::absolute(7);
  brbs.expr2 = OperandValue::absolute(2);
  EXPECT_EQ(word0(as("BRBS", brbs)), 0xF007);
  brbs.expr1 = OperandValue::absolute(8);
  EXPECT_TRUE(as("BRBC", brbs).code.has_error(404));
}

TEST(AvrEncode, OddAddressReportedOncePerRun) {
  OddAddressCheck odd;
  EXPECT_EQ(odd.check(0), 0);
  EXPECT_EQ(odd.check(3), 420);
  EXPECT_EQ(odd.check(5), 0);
  EXPECT_EQ(odd.check(7), 0);
  EXPECT_EQ(odd.check(8), 0);
  EXPECT_EQ(odd.check(9), 420);
}

TEST(AvrEncode, LinkerFixupsGiveTheSameCodeAsKnownValues) {
  // Each case: an instruction whose operand values are either known now or left to the linker.
  struct Case {
    const char* name;
    OperandRec ops;
  };
  OperandRec port_bit;
  port_bit.form = kFormExprExpr;
  OperandRec brbc = port_bit;
  OperandRec ldd;
  ldd.form = kFormRegPtrDisp;
  ldd.pointer = kRegY;
  ldd.reg1 = 29;
  OperandRec out;
  out.form = kFormExprReg;
  out.reg1 = 17;
  const Case cases[] = {
      {"LDI", reg_expr(17, 0)},
      {"CBR", reg_expr(31, 0)},
      {"ADIW", reg_expr(28, 0)},
      {"BLD", reg_expr(9, 0)},
      {"IN", reg_expr(30, 0)},
      {"OUT", out},
      {"LDD", ldd},
      {"LDS", reg_expr(24, 0)},
      {"BCLR", expr_only({})},
      {"CALL", expr_only({})},
      {"SBIS", port_bit},
      {"BRBC", brbc},
      {"BRID", expr_only({})},
      {"RCALL", expr_only({})},
  };
  const uint32_t values[] = {0,    1,     2,      7,       8,        0x1F,     0x3F,       0x40,       0x7E,      0x80,
                             0xFF, 0x100, 0xFFFE, 0x10000, 0x7FFFFE, 0x800000, 0xFFFFFFFF, 0xFFFFFF80, 0x80000000};
  const uint32_t address = 0x100;
  for (const Case& c : cases) {
    // The value that varies: the target of BRBS/BRBC is its second operand, else the first.
    const uint8_t slot = std::strcmp(c.name, "BRBC") == 0 ? 2 : 1;
    for (int proc : {1, 6}) {  // -v1 has LDS and the wrapping RJMP
      for (uint32_t v : values) {
        OperandRec known = c.ops;
        OperandRec later = c.ops;
        if (c.ops.form == kFormExprExpr) {
          known.expr1 = known.expr2 = later.expr1 = later.expr2 = OperandValue::absolute(3);
        }
        (slot == 2 ? known.expr2 : known.expr1) = OperandValue::absolute(v);
        (slot == 2 ? later.expr2 : later.expr1) = OperandValue::linker();
        const auto k = as(c.name, known, proc, address);
        auto l = as(c.name, later, proc, address);
        SCOPED_TRACE(std::string(c.name) + " value " + std::to_string(v));
        ASSERT_EQ(k.code.internal_error, nullptr);
        ASSERT_EQ(l.code.internal_error, nullptr);
        ASSERT_EQ(l.code.fixup_count, 1);
        EXPECT_EQ(l.code.error_count, 0);
        EXPECT_EQ(l.code.word_count, k.code.word_count);
        const Fixup f = l.code.fixups[0];
        EXPECT_EQ(f.value_operand, slot);
        EXPECT_EQ(f.base, l.code.words[f.word]);
        EXPECT_EQ(f.location, address + k.size);
        // The linker's postfix program computes the same words and errors.
        EncodeResult linked = l.code;
        const LinkProgram prog = link_program(f);
        ASSERT_GT(prog.count, 0);
        run_link_program(prog, f, slot == 1 ? v : 3, slot == 2 ? v : 3, address, linked);
        ASSERT_EQ(linked.internal_error, nullptr);
        if (k.code.error_count == 0) {
          EXPECT_EQ(linked.words, k.code.words);
        }
        EXPECT_EQ(linked.error_count, k.code.error_count);
        for (uint8_t i = 0; i < k.code.error_count; ++i)
          EXPECT_TRUE(linked.has_error(k.code.errors[i])) << k.code.errors[i];

        resolve_fixup(f, slot == 1 ? v : 3, slot == 2 ? v : 3, l.code);
        EXPECT_EQ(l.code.words, k.code.words);
        // Same checks, the target's sign (405) included.
        EXPECT_EQ(l.code.error_count, k.code.error_count);
        for (uint8_t i = 0; i < k.code.error_count; ++i)
          EXPECT_TRUE(l.code.has_error(k.code.errors[i])) << k.code.errors[i];
      }
    }
  }
}

TEST(AvrEncode, RelocatableTargets) {
  // Target in the statement's own segment: offset known now, the linker only checks the sign.
  const auto same = assemble_instruction("RJMP", expr_only(OperandValue::relocatable(4, 10)), 6, 0, false, 4);
  EXPECT_EQ(same.code.error_count, 0);
  EXPECT_EQ(same.code.words[0], 0xC004);
  ASSERT_EQ(same.code.fixup_count, 1);
  EXPECT_EQ(same.code.fixups[0].field, kFieldTargetCheck);
  EXPECT_TRUE(same.code.fixups[0].check_target);
  EncodeResult checked = same.code;
  run_link_program(link_program(same.code.fixups[0]), same.code.fixups[0], static_cast<uint32_t>(-4), 0, 0, checked);
  EXPECT_TRUE(checked.has_error(405));
  EXPECT_EQ(checked.words, same.code.words);  // the check writes nothing

  // Target in another segment: the whole field goes to the linker.
  const auto other = assemble_instruction("BRNE", expr_only(OperandValue::relocatable(5, 10)), 6, 6, false, 4);
  ASSERT_EQ(other.code.fixup_count, 1);
  const Fixup f = other.code.fixups[0];
  EXPECT_EQ(f.field, 907);
  EXPECT_EQ(f.location, 8u);
  EXPECT_TRUE(f.check_target);
  EXPECT_EQ(other.code.words[0], 0xF401);
  EncodeResult linked = other.code;
  resolve_fixup(f, 8 + 126, 0, linked);
  EXPECT_EQ(linked.error_count, 0);
  EXPECT_EQ(linked.words[0], 0xF5F9);
  linked = other.code;
  resolve_fixup(f, 8 + 130, 0, linked);
  EXPECT_TRUE(linked.has_error(412));

  // Non-PC fields go to the linker for any value that is not absolute.
  const auto lds = assemble_instruction(
      "STS",
      [] {
        OperandRec o;
        o.form = kFormExprReg;
        o.reg1 = 3;
        o.expr1 = OperandValue::relocatable(2, 0x40);
        return o;
      }(),
      6, 0);
  ASSERT_EQ(lds.code.fixup_count, 1);
  EXPECT_EQ(lds.code.fixups[0].field, 116);
  EXPECT_EQ(lds.code.fixups[0].word, 1);
  EXPECT_EQ(lds.code.words[0], 0x9230);
}

TEST(AvrEncode, InternalFaultsAreReportedNotCrashed) {
  OperandRec temp = reg_expr(16, 1);
  temp.expr1.kind = ValueKind::kTemporary;
  EXPECT_STREQ(as("LDI", temp).code.internal_error, "Temporary solved expression");
  OperandRec temp_target = expr_only({ValueKind::kTemporary, 0, 0});
  EXPECT_STREQ(as("BRNE", temp_target).code.internal_error, "Temporary solved expression");

  OperandRec ld;
  ld.form = kFormRegPtr;
  ld.pointer = 0;
  EXPECT_STREQ(as("LD", ld).code.internal_error, "Illegal register");

  const InstrEntry* ldi = find_instr(mn::LDI, 1, kFormRegExpr, 0);
  EncodeContext ctx;
  EXPECT_STREQ(encode_instruction(mn::LDI, *ldi, OperandRec{}, 0, ctx).internal_error, "Expected 1 operand");
  const InstrEntry* nop = find_instr(91, 0, kFormNone, 0);
  EXPECT_STREQ(encode_instruction(91, *nop, reg_only(1), 1, ctx).internal_error, "Expected 0 operands");
  const InstrEntry* emul = &kInstrEntries[static_cast<std::size_t>(class_first_record(mn::TST))];
  EXPECT_STREQ(encode_instruction(mn::TST, *emul, reg_only(1), 1, ctx).internal_error, "No B02 func to call!");
  EncodeResult r;
  std::array<uint16_t, 2> w{};
  place_field(999, 0, 0, 0, w, r);
  EXPECT_NE(r.internal_error, nullptr);
}

TEST(AvrEncode, SfrUsage) {
  const InstrEntry* in = find_instr(mn::IN, 1, kFormRegExpr, 0);
  const InstrEntry* cbi = find_instr(mn::CBI, 1, kFormExprExpr, 0);
  const InstrEntry* out = find_instr(mn::OUT, 1, kFormExprReg, 0);
  OperandRec ops = reg_expr(16, 5);
  const uint32_t sfr = kSfrFlagSfr | kSfrFlagByte;
  EXPECT_EQ(sfr_usage(mn::IN, *in, ops, sfr | kSfrWrite).access_error, 401);
  EXPECT_EQ(sfr_usage(mn::IN, *in, ops, sfr | kSfrRead).access_error, 0);
  EXPECT_EQ(sfr_usage(mn::IN, *in, ops, kSfrFlagSfr | kSfrFlagWord | kSfrRead).size_error, 402);
  EXPECT_EQ(sfr_usage(mn::IN, *in, ops, kSfrRead).access_error, 0);  // not an SFR symbol
  ops.form = kFormExprExpr;
  EXPECT_EQ(sfr_usage(mn::CBI, *cbi, ops, sfr | kSfrRead).access_error, 401);
  EXPECT_EQ(sfr_usage(mn::SBIC, *cbi, ops, sfr | kSfrRead).access_error, 0);
  ops.form = kFormExprReg;
  EXPECT_EQ(sfr_usage(mn::OUT, *out, ops, sfr | kSfrRead).access_error, 401);
  EXPECT_EQ(sfr_usage(mn::OUT, *out, ops, sfr | kSfrWrite).access_error, 0);
}

// Random operand records through every mnemonic and processor option: no crash, no undefined
// behaviour, and the code is exactly as long as the matched record says.
TEST(AvrEncode, RandomOperandsKeepSizes) {
  std::mt19937 rng(71);
  const uint16_t pointers[] = {0, kRegX, kRegY, kRegZ, 300};
  const ValueKind kinds[] = {ValueKind::kAbsolute, ValueKind::kAbsolute, ValueKind::kRelocatable, ValueKind::kLinker,
                             ValueKind::kAbsent};
  int encoded = 0;
  for (int i = 0; i < 50000; ++i) {
    const MnemonicName& m = kMnemonicNames[rng() % kMnemonicNames.size()];
    OperandRec o;
    o.form = static_cast<uint16_t>(rng() % 16);
    o.reg1 = static_cast<uint8_t>(rng() % 32);
    o.reg2 = static_cast<uint8_t>(rng() % 32);
    o.pointer = pointers[rng() % 5];
    o.expr1 = {kinds[rng() % 5], static_cast<uint32_t>(rng()) >> (rng() % 32), static_cast<uint16_t>(rng() % 3)};
    o.expr2 = {kinds[rng() % 5], static_cast<uint32_t>(rng()) >> (rng() % 32), static_cast<uint16_t>(rng() % 3)};
    const int proc = static_cast<int>(rng() % 7);
    const auto a = assemble_instruction(std::string(m.name).c_str(), o, proc, static_cast<uint32_t>(rng()) & ~1u,
                                        rng() % 2 == 0, static_cast<uint16_t>(rng() % 3));
    if (!a.known || a.no_match || a.code.internal_error) continue;
    ++encoded;
    EXPECT_EQ(a.code.word_count * 2u, a.size) << m.name;
  }
  EXPECT_GT(encoded, 2000);
}

}  // namespace
}  // namespace aq71
