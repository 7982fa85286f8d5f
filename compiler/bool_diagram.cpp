#include "compiler/bool_diagram.h"

#include <algorithm>

namespace compiler {
namespace {

constexpr int kTerminalVar = 1 << 30;  // below every variable in the order

uint64_t Pack(uint64_t a, uint64_t b, uint64_t c) { return (a << 42) ^ (b << 21) ^ c; }

}  // namespace

BoolDiagram::BoolDiagram(size_t maxNodes) : maxNodes_(maxNodes) {
  nodes_.push_back({kTerminalVar, kFalse, kFalse});
  nodes_.push_back({kTerminalVar, kTrue, kTrue});
}

int BoolDiagram::VarOf(Ref r) const { return nodes_[static_cast<size_t>(r)].var; }

BoolDiagram::Ref BoolDiagram::Make(int var, Ref low, Ref high) {
  if (low == high) return low;
  // Node numbers stay below 2^21 (the node limit keeps them there), variables likewise.
  const uint64_t key = Pack(static_cast<uint64_t>(var), static_cast<uint64_t>(low), static_cast<uint64_t>(high));
  auto it = unique_.find(key);
  if (it != unique_.end()) {
    const Node& n = nodes_[static_cast<size_t>(it->second)];
    if (n.var == var && n.low == low && n.high == high) return it->second;
  }
  if (nodes_.size() >= maxNodes_) {
    overflowed_ = true;
    return kFalse;
  }
  const Ref r = static_cast<Ref>(nodes_.size());
  nodes_.push_back({var, low, high});
  if (it == unique_.end()) unique_.emplace(key, r);
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
  auto it = cache_.find(key);
  if (it != cache_.end()) return it->second;
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
  if (!overflowed_) cache_.emplace(key, r);
  return r;
}

}  // namespace compiler
