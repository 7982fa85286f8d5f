#include "compiler/bool_diagram.h"

#include <algorithm>

namespace compiler {
namespace {

constexpr int kTerminalVar = 1 << 30;  // below every variable in the order

uint64_t Pack(uint64_t a, uint64_t b, uint64_t c) { return (a << 42) ^ (b << 21) ^ c; }

constexpr size_t kFirstSlots = 4096;  // a power of two

}  // namespace

BoolDiagram::Table::Table() : keys_(kFirstSlots, kNoKey), values_(kFirstSlots) {}

size_t BoolDiagram::Table::Slot(uint64_t key) const {
  return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (keys_.size() - 1);
}

BoolDiagram::Ref BoolDiagram::Table::Find(uint64_t key) const {
  for (size_t i = Slot(key);; i = (i + 1) & (keys_.size() - 1)) {
    if (keys_[i] == key) return values_[i];
    if (keys_[i] == kNoKey) return -1;
  }
}

void BoolDiagram::Table::Add(uint64_t key, Ref value) {
  if (2 * (used_ + 1) > keys_.size()) {  // at most half full
    std::vector<uint64_t> keys(keys_.size() * 2, kNoKey);
    std::vector<Ref> values(keys.size());
    keys.swap(keys_);
    values.swap(values_);
    used_ = 0;
    for (size_t i = 0; i < keys.size(); ++i)
      if (keys[i] != kNoKey) Add(keys[i], values[i]);
  }
  size_t i = Slot(key);
  while (keys_[i] != kNoKey) i = (i + 1) & (keys_.size() - 1);
  keys_[i] = key;
  values_[i] = value;
  ++used_;
}

void BoolDiagram::Table::Clear() {
  if (used_ == 0) return;
  std::fill(keys_.begin(), keys_.end(), kNoKey);
  used_ = 0;
}

BoolDiagram::BoolDiagram(size_t maxNodes) : maxNodes_(maxNodes) {
  nodes_.push_back({kTerminalVar, kFalse, kFalse});
  nodes_.push_back({kTerminalVar, kTrue, kTrue});
}

void BoolDiagram::Clear() {
  nodes_.resize(kTerminals);
  unique_.Clear();
  cache_.Clear();
  overflowed_ = false;
}

int BoolDiagram::VarOf(Ref r) const { return nodes_[static_cast<size_t>(r)].var; }

BoolDiagram::Ref BoolDiagram::Make(int var, Ref low, Ref high) {
  if (low == high) return low;
  // Node numbers stay below 2^21 (the node limit keeps them there), variables likewise.
  const uint64_t key = Pack(static_cast<uint64_t>(var), static_cast<uint64_t>(low), static_cast<uint64_t>(high));
  const Ref found = unique_.Find(key);
  if (found >= 0) {
    const Node& n = nodes_[static_cast<size_t>(found)];
    if (n.var == var && n.low == low && n.high == high) return found;
  }
  if (nodes_.size() >= maxNodes_) {
    overflowed_ = true;
    return kFalse;
  }
  const Ref r = static_cast<Ref>(nodes_.size());
  nodes_.push_back({var, low, high});
  if (found < 0) unique_.Add(key, r);
  return r;
}

BoolDiagram::Ref BoolDiagram::Var(int index) {
  if (overflowed_) return kFalse;
  return Make(index, kFalse, kTrue);
}

BoolDiagram::Ref BoolDiagram::Not(Ref a) { return Apply(kNot, a, kFalse); }
BoolDiagram::Ref BoolDiagram::And(Ref a, Ref b) { return Apply(kAnd, a, b); }
BoolDiagram::Ref BoolDiagram::Or(Ref a, Ref b) { return Apply(kOr, a, b); }

BoolDiagram::Ref BoolDiagram::Apply(Op op, Ref a, Ref b) {
  if (overflowed_) return kFalse;
  switch (op) {
    case kNot:
      if (a <= kTrue) return a == kTrue ? kFalse : kTrue;
      break;
    case kAnd:
      if (a == kFalse || b == kFalse) return kFalse;
      if (a == kTrue) return b;
      if (b == kTrue || a == b) return a;
      if (a > b) std::swap(a, b);
      break;
    case kOr:
      if (a == kTrue || b == kTrue) return kTrue;
      if (a == kFalse) return b;
      if (b == kFalse || a == b) return a;
      if (a > b) std::swap(a, b);
      break;
  }
  const uint64_t key = (static_cast<uint64_t>(op) << 62) | (static_cast<uint64_t>(a) << 31) | static_cast<uint64_t>(b);
  if (const Ref found = cache_.Find(key); found >= 0) return found;
  const int var = std::min(VarOf(a), op == kNot ? kTerminalVar : VarOf(b));
  const Node na = nodes_[static_cast<size_t>(a)];
  const Ref aLow = na.var == var ? na.low : a, aHigh = na.var == var ? na.high : a;
  Ref bLow = b, bHigh = b;
  if (op != kNot) {
    const Node nb = nodes_[static_cast<size_t>(b)];
    if (nb.var == var) {
      bLow = nb.low;
      bHigh = nb.high;
    }
  }
  const Ref low = Apply(op, aLow, bLow);
  const Ref high = Apply(op, aHigh, bHigh);
  const Ref r = Make(var, low, high);
  if (!overflowed_) cache_.Add(key, r);
  return r;
}

}  // namespace compiler
