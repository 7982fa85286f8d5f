#pragma once
// A small reduced ordered binary decision diagram: Boolean functions of numbered variables
// as shared nodes, so that two functions are equal exactly when their references are.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace compiler {

class BoolDiagram {
 public:
  using Ref = int32_t;
  static constexpr Ref kFalse = 0;
  static constexpr Ref kTrue = 1;
  static constexpr size_t kTerminals = 2;  // the nodes of kFalse and kTrue

  // At most maxNodes nodes; beyond that every operation gives kFalse and Overflowed() is true.
  explicit BoolDiagram(size_t maxNodes = 500000);

  Ref Var(int index);
  Ref Not(Ref a);
  Ref And(Ref a, Ref b);
  Ref Or(Ref a, Ref b);

  bool Overflowed() const { return overflowed_; }
  size_t Size() const { return nodes_.size(); }
  // Forgets every function made so far (their references become invalid) and the overflow.
  void Clear();

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
  // Open addressing over 64-bit keys; kNoKey marks a free slot.
  class Table {
   public:
    static constexpr uint64_t kNoKey = ~uint64_t{0};
    Table();
    // The reference stored under key, or -1.
    Ref Find(uint64_t key) const;
    // Stores a key that is not in the table.
    void Add(uint64_t key, Ref value);
    void Clear();

   private:
    size_t Slot(uint64_t key) const;
    std::vector<uint64_t> keys_;
    std::vector<Ref> values_;
    size_t used_ = 0;
  };

  Table unique_;  // (var, low, high) packed
  Table cache_;   // (op, a, b) packed
};

}  // namespace compiler
