// Operand encoders of aq71.
#include "assembler/avr_encode.h"

#include <utility>

namespace aq71 {
namespace {

constexpr uint16_t lo16(uint32_t v) { return static_cast<uint16_t>(v & 0xFFFFu); }

bool in_range(uint32_t value, int32_t min, int32_t max) {
  const int32_t v = static_cast<int32_t>(value);
  return v >= min && v <= max;
}

bool is_pc_field(uint16_t field) { return field == 907 || field == 937 || field == 912 || field == 1912; }

// Value of operand slot 1 or 2.
const OperandValue& operand(const OperandRec& ops, uint8_t slot) { return slot == 2 ? ops.expr2 : ops.expr1; }

// State of one encoding: the words written so far hold the known bits.
struct Emit {
  EncodeResult& out;
  const OperandRec& ops;
  const EncodeContext& ctx;
  std::array<uint16_t, 2> words{};
  uint8_t count = 0;

  void finish() {
    for (uint8_t i = 0; i < count; ++i) out.add_word(words[i]);
  }

  Fixup fixup(uint16_t field, uint8_t value_slot, uint8_t extra_slot, bool check_target = false) const {
    Fixup f;
    f.check_target = check_target;
    f.field = field;
    f.word = field == 116 ? 1 : 0;
    f.value_operand = value_slot;
    f.extra_operand = extra_slot;
    f.base = words[f.word];
    f.location = ctx.location;
    return f;
  }

  // generate_expr: a field whose value is not PC-relative.
  void expr(uint16_t field, uint8_t value_slot, uint8_t extra_slot) {
    const OperandValue& v = operand(ops, value_slot);
    const OperandValue* x = extra_slot ? &operand(ops, extra_slot) : nullptr;
    if (v.kind == ValueKind::kAbsent || (x && x->kind == ValueKind::kAbsent)) {
      out.fail("Missing expression", "generate_expr (B02)");
      return;
    }
    if (v.kind == ValueKind::kAbsolute && (!x || x->kind == ValueKind::kAbsolute)) {
      place_field(field, v.value, x ? x->value : 0, ctx.location, words, out);
      return;
    }
    if (v.kind == ValueKind::kTemporary || (x && x->kind == ValueKind::kTemporary)) {
      out.fail("Temporary solved expression", "generate_expr (B02)");
      return;
    }
    out.add_fixup(fixup(field, value_slot, extra_slot));
  }

  // generate_pc_expr: a field computed from a branch target.
  void pc_expr(uint16_t field, uint8_t target_slot, uint8_t extra_slot) {
    const OperandValue& t = operand(ops, target_slot);
    const OperandValue* x = extra_slot ? &operand(ops, extra_slot) : nullptr;
    if (t.kind == ValueKind::kAbsent || (x && x->kind == ValueKind::kAbsent)) {
      out.fail("Missing expression", "generate_pc_expr (B02)");
      return;
    }
    if (t.kind == ValueKind::kTemporary || (x && x->kind == ValueKind::kTemporary)) {
      out.fail("Temporary solved expression", "generate_pc_expr (B02)");
      return;
    }
    bool offset_known = false;
    if (t.kind == ValueKind::kAbsolute) {
      if (!ctx.absolute_segment) out.add_error(400);
      if (static_cast<int32_t>(t.value) < 0) out.add_error(405);
      offset_known = true;
    } else if (t.kind == ValueKind::kRelocatable && !ctx.absolute_segment && t.segment == ctx.segment) {
      // The offset is known now; the linker only checks that the final target is not negative.
      out.add_fixup(fixup(kFieldTargetCheck, target_slot, 0, true));
      offset_known = true;
    }
    if (offset_known && (!x || x->kind == ValueKind::kAbsolute)) {
      place_field(field, t.value, x ? x->value : 0, ctx.location, words, out);
      return;
    }
    // An absolute target was checked here already; any other goes to the linker with its check.
    out.add_fixup(fixup(field, target_slot, extra_slot, t.kind != ValueKind::kAbsolute));
  }
};

// Pointer bits of LD/ST without displacement, by form and pointer; 0xFFFF when not valid.
uint16_t pointer_bits(uint16_t form, uint16_t pointer) {
  int mode;  // 0 plain, 1 post-increment, 2 pre-decrement
  switch (form) {
    case kFormRegPtr:
    case kFormPtrReg:
      mode = 0;
      break;
    case kFormRegPtrInc:
    case kFormPtrIncReg:
      mode = 1;
      break;
    case kFormRegPtrDec:
    case kFormPtrDecReg:
      mode = 2;
      break;
    default:
      return 0xFFFF;
  }
  static constexpr uint16_t kBits[3][3] = {
      {0x100C, 0x0008, 0x0000},  // X, Y, Z
      {0x100D, 0x1009, 0x1001},
      {0x100E, 0x100A, 0x1002},
  };
  if (pointer < kRegX || pointer > kRegZ) return 0xFFFE;
  return kBits[mode][pointer - kRegX];
}

}  // namespace

void place_field(uint16_t field, uint32_t value, uint32_t extra, uint32_t location, std::array<uint16_t, 2>& words,
                 EncodeResult& out) {
  const uint32_t offset = value - location;
  const int32_t soffset = static_cast<int32_t>(offset);
  uint32_t bits = 0;
  switch (field) {
    case kFieldTargetCheck:
      return;
    case 908:
    case 1908:
      if (!in_range(value, -128, 255)) out.add_error(403);
      if (field == 1908) value = ~value;
      bits = ((value & 0xF0u) << 4) | (value & 0x0Fu);
      break;
    case 2906:
      if (!in_range(value, -32, 63)) out.add_error(417);
      bits = ((value & 0x30u) << 2) | (value & 0x0Fu);
      break;
    case 903:
      if (!in_range(value, 0, 7)) out.add_error(404);
      bits = value & 7u;
      break;
    case 906:
      if (!in_range(value, 0, 63)) out.add_error(408);
      bits = ((value & 0x30u) << 5) | (value & 0x0Fu);
      break;
    case 1906:
      if (!in_range(value, 0, 63)) out.add_error(409);
      bits = ((value & 0x20u) << 8) | ((value & 0x18u) << 7) | (value & 7u);
      break;
    case 116:
      if (!in_range(value, 0, 65535)) out.add_error(419);
      words[1] = static_cast<uint16_t>(words[1] | lo16(value));
      return;
    case 1903:
      if (!in_range(value, 0, 7)) out.add_error(404);
      bits = (value & 7u) << 4;
      break;
    case 922:
      if (!in_range(value, 0, 8388606)) out.add_error(410);
      if (value & 1u) out.add_error(411);
      bits = ((value >> 14) & 0x1F0u) | ((value >> 17) & 1u);
      words[1] = static_cast<uint16_t>(words[1] | lo16(value >> 1));
      break;
    case 953:
      if (!in_range(value, 0, 31)) out.add_error(416);
      if (!in_range(extra, 0, 7)) out.add_error(404);
      bits = ((value & 31u) << 3) | (extra & 7u);
      break;
    case 907:
    case 937:
      if (soffset < -128 || soffset > 127) out.add_error(412);
      if (offset & 1u) out.add_error(413);
      bits = (offset & 0xFEu) << 2;
      if (field == 937) {
        if (!in_range(extra, 0, 7)) out.add_error(404);
        bits |= extra & 7u;
      }
      break;
    case 912:
    case 1912:
      if (field == 912 && (soffset < -4096 || soffset > 4095)) out.add_error(415);
      if (field == 1912 && !in_range(value, 0, 8190)) out.add_error(414);
      if (offset & 1u) out.add_error(413);
      bits = static_cast<uint32_t>(soffset / 2) & 0xFFFu;
      break;
    default:
      out.fail(is_pc_field(field) ? "Illegal disp or offs size" : "Illegal size", "place_field (B02)");
      return;
  }
  words[0] = static_cast<uint16_t>(words[0] | lo16(bits));
}

void resolve_fixup(const Fixup& fixup, uint32_t value1, uint32_t value2, EncodeResult& code) {
  const uint32_t value = fixup.value_operand == 2 ? value2 : value1;
  const uint32_t extra = fixup.extra_operand == 0 ? 0 : (fixup.extra_operand == 2 ? value2 : value1);
  if (fixup.check_target && static_cast<int32_t>(value) < 0) code.add_error(405);
  place_field(fixup.field, value, extra, fixup.location, code.words, code);
}

namespace {

// Evenness of the top: dup, dup, 2, divide, shift left 1, not-equal, check 0..0, drop.
void add_even_check(LinkProgram& p, uint16_t error) {
  p.add(LinkOp::kDup);
  p.add(LinkOp::kDup);
  p.add(LinkOp::kConst, 2);
  p.add(LinkOp::kDiv);
  p.add(LinkOp::kConst, 1);
  p.add(LinkOp::kShl);
  p.add(LinkOp::kNotEqual);
  p.add(LinkOp::kCheck, 0, 0, error);
  p.add(LinkOp::kDrop);
}

void add_const_op(LinkProgram& p, LinkOp op, int32_t constant) {
  p.add(LinkOp::kConst, constant);
  p.add(op);
}

}  // namespace

LinkProgram link_program(const Fixup& f) {
  LinkProgram p;
  const int32_t base = f.base;
  constexpr int32_t kMaxAddress = 0x7FFFFFFF;
  if (f.check_target) p.add(LinkOp::kCheck, 0, kMaxAddress, 405);
  auto finish = [&] {
    add_const_op(p, LinkOp::kOr, base);
    p.add(LinkOp::kField);
  };
  // Two 4-bit halves: (v << shift) & high_mask | v & 0x0F.
  auto split = [&](int32_t shift, int32_t high_mask) {
    p.add(LinkOp::kDup);
    add_const_op(p, LinkOp::kShl, shift);
    add_const_op(p, LinkOp::kAnd, high_mask);
    p.add(LinkOp::kSwap);
    add_const_op(p, LinkOp::kAnd, 0x0F);
    p.add(LinkOp::kOr);
    finish();
  };
  auto offset = [&] {
    p.add(LinkOp::kLocationPlus, 2);
    p.add(LinkOp::kSub);
  };
  switch (f.field) {
    case kFieldTargetCheck:
      if (!f.check_target) p.add(LinkOp::kCheck, 0, kMaxAddress, 405);
      p.add(LinkOp::kDrop);
      break;
    case 908:
    case 1908:
      p.add(LinkOp::kCheck, -128, 255, 403);
      if (f.field == 1908) p.add(LinkOp::kComplement);
      split(4, 0xF00);
      break;
    case 2906:
      p.add(LinkOp::kCheck, -32, 63, 417);
      split(2, 0xC0);
      break;
    case 903:
      p.add(LinkOp::kCheck, 0, 7, 404);
      add_const_op(p, LinkOp::kAnd, 7);
      finish();
      break;
    case 906:
      p.add(LinkOp::kCheck, 0, 63, 408);
      split(5, 0x600);
      break;
    case 1906:
      p.add(LinkOp::kCheck, 0, 63, 409);
      p.add(LinkOp::kDup);
      p.add(LinkOp::kDup);
      add_const_op(p, LinkOp::kShl, 8);
      add_const_op(p, LinkOp::kAnd, 0x2000);
      p.add(LinkOp::kSwap);
      add_const_op(p, LinkOp::kShl, 7);
      add_const_op(p, LinkOp::kAnd, 0xC00);
      p.add(LinkOp::kOr);
      p.add(LinkOp::kSwap);
      add_const_op(p, LinkOp::kAnd, 7);
      p.add(LinkOp::kOr);
      finish();
      break;
    case 116:
      p.add(LinkOp::kCheck, 0, 65535, 419);
      add_const_op(p, LinkOp::kAnd, 0xFFFF);
      p.add(LinkOp::kField);
      break;
    case 1903:
      p.add(LinkOp::kCheck, 0, 7, 404);
      add_const_op(p, LinkOp::kShl, 4);
      add_const_op(p, LinkOp::kAnd, 0x70);
      finish();
      break;
    case 922:
      p.add(LinkOp::kCheck, 0, 8388606, 410);
      add_even_check(p, 411);
      p.add(LinkOp::kDup);
      p.add(LinkOp::kDup);
      add_const_op(p, LinkOp::kDiv, 16384);
      add_const_op(p, LinkOp::kAnd, 0x1F0);
      p.add(LinkOp::kSwap);
      add_const_op(p, LinkOp::kDiv, 0x20000);
      add_const_op(p, LinkOp::kAnd, 1);
      p.add(LinkOp::kOr);
      finish();
      add_const_op(p, LinkOp::kDiv, 2);
      add_const_op(p, LinkOp::kAnd, 0xFFFF);
      p.add(LinkOp::kField);
      break;
    case 953:  // bit below port
      p.add(LinkOp::kCheck, 0, 31, 416);
      p.add(LinkOp::kSwap);
      p.add(LinkOp::kCheck, 0, 7, 404);
      add_const_op(p, LinkOp::kAnd, 7);
      p.add(LinkOp::kSwap);
      add_const_op(p, LinkOp::kShl, 3);
      add_const_op(p, LinkOp::kAnd, 0xF8);
      p.add(LinkOp::kOr);
      finish();
      break;
    case 907:
    case 937:  // status bit below target
      offset();
      p.add(LinkOp::kCheck, -128, 127, 412);
      add_even_check(p, 413);
      if (f.field == 937) {
        p.add(LinkOp::kSwap);
        p.add(LinkOp::kCheck, 0, 7, 404);
        add_const_op(p, LinkOp::kAnd, 7);
        p.add(LinkOp::kSwap);
      }
      add_const_op(p, LinkOp::kShl, 2);
      add_const_op(p, LinkOp::kAnd, 0x3F8);
      if (f.field == 937) p.add(LinkOp::kOr);
      finish();
      break;
    case 912:
      offset();
      p.add(LinkOp::kCheck, -4096, 4095, 415);
      add_even_check(p, 413);
      add_const_op(p, LinkOp::kDiv, 2);
      add_const_op(p, LinkOp::kAnd, 0xFFF);
      finish();
      break;
    case 1912:
      p.add(LinkOp::kCheck, 0, 8190, 414);
      offset();
      add_even_check(p, 413);
      add_const_op(p, LinkOp::kDiv, 2);
      add_const_op(p, LinkOp::kAnd, 0xFFF);
      finish();
      break;
    default:
      p.count = 0;
      break;
  }
  return p;
}

void run_link_program(const LinkProgram& program, const Fixup& fixup, uint32_t value1, uint32_t value2,
                      uint32_t word_address, EncodeResult& code) {
  std::array<uint32_t, 16> stack{};
  std::size_t depth = 0;
  auto push = [&](uint32_t v) {
    if (depth < stack.size()) stack[depth++] = v;
  };
  auto pop = [&]() -> uint32_t { return depth ? stack[--depth] : 0; };
  if (fixup.extra_operand) push(fixup.extra_operand == 2 ? value2 : value1);
  push(fixup.value_operand == 2 ? value2 : value1);
  std::size_t word = fixup.word;
  for (uint8_t i = 0; i < program.count; ++i) {
    const LinkStep& s = program.steps[i];
    if (depth == 0 && s.op != LinkOp::kConst && s.op != LinkOp::kLocationPlus) {
      code.fail("Stack underflow", "run_link_program");
      return;
    }
    switch (s.op) {
      case LinkOp::kConst:
        push(static_cast<uint32_t>(s.a));
        break;
      case LinkOp::kLocationPlus:
        push(word_address + static_cast<uint32_t>(s.a));
        break;
      case LinkOp::kDup:
        push(stack[depth - 1]);
        break;
      case LinkOp::kSwap:
        if (depth >= 2) std::swap(stack[depth - 1], stack[depth - 2]);
        break;
      case LinkOp::kDrop:
        pop();
        break;
      case LinkOp::kComplement:
        stack[depth - 1] = ~stack[depth - 1];
        break;
      case LinkOp::kCheck: {
        const int32_t v = static_cast<int32_t>(stack[depth - 1]);
        if (v < s.a || v > s.b) code.add_error(s.error);
        break;
      }
      case LinkOp::kField:
        if (word < code.words.size()) code.words[word++] = lo16(pop());
        break;
      default: {
        const uint32_t r = pop();
        const uint32_t l = pop();
        uint32_t v = 0;
        switch (s.op) {
          case LinkOp::kAnd:
            v = l & r;
            break;
          case LinkOp::kOr:
            v = l | r;
            break;
          case LinkOp::kShl:
            v = r >= 32 ? 0 : l << r;
            break;
          case LinkOp::kSub:
            v = l - r;
            break;
          case LinkOp::kNotEqual:
            v = l != r ? 1 : 0;
            break;
          case LinkOp::kDiv: {
            const int32_t sl = static_cast<int32_t>(l);
            const int32_t sr = static_cast<int32_t>(r);
            if (sr == 0)
              v = 0xFFFFFFFFu;
            else if (sr == -1)
              v = 0u - l;
            else
              v = static_cast<uint32_t>(sl / sr);
            break;
          }
          default:
            break;
        }
        push(v);
        break;
      }
    }
  }
}

EncodeResult encode_instruction(uint16_t mnemonic, const InstrEntry& entry, const OperandRec& ops,
                                uint16_t parsed_count, const EncodeContext& ctx) {
  EncodeResult out;
  Emit e{out, ops, ctx};
  const uint16_t opcode = entry.opcode(core_mnemonic(mnemonic));
  const uint16_t rd = ops.reg1 & 31u;
  const uint16_t rr = ops.reg2 & 31u;
  auto one_word = [&](uint32_t w) {
    e.words[0] = lo16(w);
    e.count = 1;
  };
  auto expect_one = [&](const char* where) {
    if (parsed_count == 1) return true;
    out.fail("Expected 1 operand", where);
    return false;
  };

  switch (entry.encoder) {
    case EncoderKind::kNone:
      out.fail("No B02 func to call!", "gen_instruction_B00");
      return out;
    case EncoderKind::kInh:
    case EncoderKind::kExtend:
      if (parsed_count != 0) {
        out.fail("Expected 0 operands", entry.encoder == EncoderKind::kInh ? "inh_B02" : "extend_B02");
        return out;
      }
      one_word(opcode);
      break;
    case EncoderKind::kRegReg:
      if (!expect_one("reg_reg_B02")) return out;
      one_word(opcode | (rd << 4) | ((rr & 16u) << 5) | (rr & 15u));
      break;
    case EncoderKind::kReg: {
      if (!expect_one("reg_B02")) return out;
      one_word(opcode | (rd << 4));
      if (ops.form == kFormReg) break;
      const uint16_t bits = pointer_bits(ops.form, ops.pointer);
      if (bits == 0xFFFF)
        out.fail("Illegal EA", "reg_B02");
      else if (bits == 0xFFFE)
        out.fail("Illegal register", "reg_B02");
      else
        e.words[0] = static_cast<uint16_t>(e.words[0] | bits);
      break;
    }
    case EncoderKind::kRegImm:
    case EncoderKind::kRegImmCompl:
      if (!expect_one("reg_imm_B02")) return out;
      one_word(opcode | ((rd & 15u) << 4));
      e.expr(entry.encoder == EncoderKind::kRegImm ? 908 : 1908, 1, 0);
      break;
    case EncoderKind::kRegWordImm:
      if (!expect_one("regword_imm_B02")) return out;
      one_word(opcode | ((rd & 6u) << 3));
      e.expr(2906, 1, 0);
      break;
    case EncoderKind::kRegBit:
      if (!expect_one("reg_bit_B02")) return out;
      one_word(opcode | (rd << 4));
      e.expr(903, 1, 0);
      break;
    case EncoderKind::kRegPort:
      if (!expect_one("reg_port_B02")) return out;
      one_word(opcode | (rd << 4));
      e.expr(906, 1, 0);
      break;
    case EncoderKind::kRegDisp: {
      if (!expect_one("reg_disp_B02")) return out;
      // X with a displacement was already refused (407) by the operand parser; its word keeps
      // the Z layout so the size and later addresses stay right.
      uint16_t ptr = 0;
      if (ops.pointer == kRegY)
        ptr = 8;
      else if (ops.pointer != kRegZ && ops.pointer != kRegX)
        out.fail("Illegal register", "reg_disp_B02");
      one_word(opcode | (rd << 4) | ptr);
      e.expr(1906, 1, 0);
      break;
    }
    case EncoderKind::kRegAddr:
      if (!expect_one("reg_addr_B02")) return out;
      e.words[0] = lo16(opcode | (rd << 4));
      e.words[1] = 0;
      e.count = 2;
      e.expr(116, 1, 0);
      break;
    case EncoderKind::kSbit:
      if (!expect_one("sbit_B02")) return out;
      one_word(opcode);
      e.expr(1903, 1, 0);
      break;
    case EncoderKind::kAddr:
      if (!expect_one("addr_B02")) return out;
      e.words[0] = opcode;
      e.words[1] = 0;
      e.count = 2;
      e.expr(922, 1, 0);
      break;
    case EncoderKind::kPortBit:
      if (!expect_one("port_bit_B02")) return out;
      one_word(opcode);
      e.expr(953, 1, 2);
      break;
    case EncoderKind::kPcOffs7:
      if (!expect_one("pcoffs7_B02")) return out;
      one_word(opcode);
      e.pc_expr(907, 1, 0);
      break;
    case EncoderKind::kSbitPcOffs:
      if (!expect_one("sbit_pcoffs_B02")) return out;
      one_word(opcode);
      e.pc_expr(937, 2, 1);
      break;
    case EncoderKind::kPcOffs12:
    case EncoderKind::kPcOffs12Wrap:
      if (!expect_one("pcoffs12_B02")) return out;
      one_word(opcode);
      e.pc_expr(entry.encoder == EncoderKind::kPcOffs12 ? 912 : 1912, 1, 0);
      break;
  }
  e.finish();
  return out;
}

AssembledInstruction assemble_instruction(const char* name, OperandRec ops, int proc_option, uint32_t address,
                                          bool absolute_segment, uint16_t segment) {
  AssembledInstruction r;
  const MnemonicName* m = find_mnemonic(name ? name : "", proc_option);
  if (!m) return r;
  r.known = true;
  r.mnemonic = m->number;
  r.register_error = operand_register_error(m->number, ops);
  const uint16_t parsed = ops.form == kFormNone ? 0 : 1;
  const InstrEntry* entry = find_instr(m->number, parsed, ops.form, proc_option);
  if (!entry) {
    r.no_match = true;
    return r;
  }
  if (entry->expander != Expander::kNone) {
    entry = expand_emulated(m->number, ops, proc_option);
    if (!entry) {
      r.code.fail("No matching EA in ientry for core mnemonic", "run_pending_callbacks_A03");
      return r;
    }
  }
  r.entry = entry;
  r.size = entry->size;
  EncodeContext ctx;
  ctx.location = address + entry->size;
  ctx.segment = segment;
  ctx.absolute_segment = absolute_segment;
  r.code = encode_instruction(m->number, *entry, ops, parsed, ctx);
  return r;
}

}  // namespace aq71
