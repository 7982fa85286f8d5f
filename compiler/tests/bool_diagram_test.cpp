// The decision diagram must give one reference per function, whatever the formula's shape:
// the rung check compares references.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compiler/bool_diagram.h"

using compiler::BoolDiagram;

TEST(BoolDiagram, EqualFunctionsShareOneReference) {
  BoolDiagram d;
  const auto x = d.Var(0), y = d.Var(1), z = d.Var(2);
  EXPECT_EQ(d.Or(d.And(x, y), d.And(x, z)), d.And(x, d.Or(z, y)));
  EXPECT_EQ(d.Not(d.And(x, y)), d.Or(d.Not(y), d.Not(x)));
  EXPECT_EQ(d.Not(d.Not(z)), z);
  EXPECT_EQ(d.Or(x, d.Not(x)), BoolDiagram::kTrue);
  EXPECT_EQ(d.And(y, d.Not(y)), BoolDiagram::kFalse);
  EXPECT_EQ(d.Or(x, d.And(x, y)), x);  // absorption
  EXPECT_NE(d.And(x, y), d.And(x, z));
  EXPECT_FALSE(d.Overflowed());
}

// Random formulas over four variables: two references are equal exactly when the truth
// tables are.
TEST(BoolDiagram, ReferencesMatchTruthTables) {
  std::mt19937 rng(7);
  BoolDiagram d;
  struct F {
    BoolDiagram::Ref ref;
    uint16_t table;
  };
  std::vector<F> pool;
  for (int v = 0; v < 4; ++v) {
    uint16_t t = 0;
    for (int a = 0; a < 16; ++a)
      if ((a >> v) & 1) t = static_cast<uint16_t>(t | (1u << a));
    pool.push_back({d.Var(v), t});
  }
  for (int n = 0; n < 3000; ++n) {
    const F a = pool[rng() % pool.size()], b = pool[rng() % pool.size()];
    switch (rng() % 3) {
      case 0:
        pool.push_back({d.And(a.ref, b.ref), static_cast<uint16_t>(a.table & b.table)});
        break;
      case 1:
        pool.push_back({d.Or(a.ref, b.ref), static_cast<uint16_t>(a.table | b.table)});
        break;
      default:
        pool.push_back({d.Not(a.ref), static_cast<uint16_t>(~a.table)});
        break;
    }
  }
  for (size_t i = 0; i < pool.size(); i += 7)
    for (size_t j = 0; j < pool.size(); j += 11)
      ASSERT_EQ(pool[i].ref == pool[j].ref, pool[i].table == pool[j].table) << i << " " << j;
}

TEST(BoolDiagram, NodeLimitIsReported) {
  BoolDiagram d(40);
  BoolDiagram::Ref f = BoolDiagram::kFalse;
  for (int v = 0; v < 20; v += 2) f = d.Or(f, d.And(d.Var(v), d.Var(v + 1)));
  EXPECT_TRUE(d.Overflowed());
}

// The rung check clears one diagram for reuse: the overflow ends and equal functions again
// share one reference.
TEST(BoolDiagram, ClearStartsAfresh) {
  BoolDiagram d(40);
  BoolDiagram::Ref f = BoolDiagram::kFalse;
  for (int v = 0; v < 20; v += 2) f = d.Or(f, d.And(d.Var(v), d.Var(v + 1)));
  ASSERT_TRUE(d.Overflowed());
  d.Clear();
  EXPECT_FALSE(d.Overflowed());
  EXPECT_EQ(d.Size(), BoolDiagram::kTerminals);
  const auto x = d.Var(3), y = d.Var(1);
  EXPECT_EQ(d.Not(d.Or(x, y)), d.And(d.Not(y), d.Not(x)));
  EXPECT_NE(d.And(x, y), BoolDiagram::kFalse);
  EXPECT_FALSE(d.Overflowed());
}
