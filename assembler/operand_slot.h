// One operand expression of an instruction statement as the statement keeps it: either the number
// it came to when the line was read (an expression of numbers and operators only, which no label
// can change later), or the value record of an expression that uses symbols. Most operands of a
// program are numbers (register constants, port addresses, bit numbers), so keeping them in place
// spares a value record each.
#pragma once

#include <cstdint>

#include "assembler/avr_isa.h"

namespace aq71 {

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

  bool empty() const { return bits_ == 0; }
  explicit operator bool() const { return bits_ != 0; }
  bool is_constant() const { return (bits_ & kConstantTag) != 0; }
  std::uint32_t constant_value() const { return static_cast<std::uint32_t>(bits_ >> 32); }
  // The value record, nullptr for an empty or constant slot.
  ValueRec* expression() const {
    return is_constant() ? nullptr : reinterpret_cast<ValueRec*>(static_cast<std::uintptr_t>(bits_));
  }

 private:
  // A record pointer is at least 8-byte aligned, so its low bit tells a number from a record.
  static constexpr std::uint64_t kConstantTag = 1;
  std::uint64_t bits_ = 0;
};

static_assert(sizeof(OperandSlot) == 8);

}  // namespace aq71
