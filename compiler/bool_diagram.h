#pragma once
// A small reduced ordered binary decision diagram: Boolean functions of numbered variables
// as shared nodes, so that two functions are equal exactly when their references are.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace compiler {

class BoolDiagram {
 public:
  using Ref = int32_t;
  static constexpr Ref kFalse = 0;
  static constexpr Ref kTrue = 1;

  // At most maxNodes nodes; beyond that every operation gives kFalse and Overflowed() is true.
  explicit BoolDiagram(size_t maxNodes = 500000);

  Ref Var(int index);
  Ref Not(Ref a);
  Ref And(Ref a, Ref b);
  Ref Or(Ref a, Ref b);

  bool Overflowed() const { return overflowed_; }

 private:
  struct Node {
    int var;
    Ref low, high;
  };
  enum Op : uint64_t { kAnd = 0, kOr = 1, kNot = 2 };

  Ref Make(int var, Ref low, Ref high);
  Ref Apply(Op op, Ref a, Ref b);
  int VarOf(Ref r) const;

  size_t maxNodes_;
  bool overflowed_ = false;
  std::vector<Node> nodes_;
  std::unordered_map<uint64_t, Ref> unique_;  // (var, low, high) packed
  std::unordered_map<uint64_t, Ref> cache_;   // (op, a, b) packed
};

}  // namespace compiler
