// One operand expression of an instruction statement as the statement keeps it: either the number
// it came to when the line was read (an expression of numbers and operators only, which no label
// can change later), a lone label that already had its place when the line was read (the operand's
// value is the label's own, wherever the label settles), or the value record of any other
// expression that uses symbols. Most operands of a program are numbers (register constants, port
// addresses, bit numbers) or a branch target, so keeping them in place spares a value record each.
#pragma once

#include <cstdint>

#include "assembler/avr_isa.h"

namespace aq71 {

struct LabelRec;
struct ValueRec;

class OperandSlot {
 public:
  OperandSlot() = default;
  OperandSlot(ValueRec* expr)  // NOLINT: a slot is made from a record where a pointer was
      : bits_(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(expr))) {}
  static OperandSlot constant(std::uint32_t value) {
    OperandSlot s;
    s.bits_ = (static_cast<std::uint64_t>(value) << 32) | kConstantTag;
    return s;
  }
  static OperandSlot label(LabelRec* l) {
    OperandSlot s;
    s.bits_ = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(l)) | kLabelTag;
    return s;
  }

  bool empty() const { return bits_ == 0; }
  explicit operator bool() const { return bits_ != 0; }
  bool is_constant() const { return (bits_ & kConstantTag) != 0; }
  std::uint32_t constant_value() const { return static_cast<std::uint32_t>(bits_ >> 32); }
  // The lone label, nullptr for any other slot.
  LabelRec* label() const {
    return (bits_ & kTags) == kLabelTag ? reinterpret_cast<LabelRec*>(static_cast<std::uintptr_t>(bits_ & ~kTags))
                                        : nullptr;
  }
  // The value record, nullptr for an empty, constant or label slot.
  ValueRec* expression() const {
    return (bits_ & kTags) == 0 ? reinterpret_cast<ValueRec*>(static_cast<std::uintptr_t>(bits_)) : nullptr;
  }

 private:
  // Record pointers are at least 8-byte aligned, so the low bits tell a number, a label and a
  // value record apart.
  static constexpr std::uint64_t kConstantTag = 1;
  static constexpr std::uint64_t kLabelTag = 2;
  static constexpr std::uint64_t kTags = 3;
  std::uint64_t bits_ = 0;
};

static_assert(sizeof(OperandSlot) == 8);

}  // namespace aq71
