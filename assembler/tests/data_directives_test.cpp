// DB, DW, DP, DD and the PUBLIC/EXTERN lists, seen through the statement records and labels
// they leave behind.
#include <gtest/gtest.h>

#include "assembler/data_directives.h"
#include "assembler/directives.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;

class DataDirectives : public InProcessAssembly {
 protected:
  // Bytes of a data statement's constant and string items, in order.
  static std::vector<int> bytes(const Statement* st) {
    std::vector<int> b;
    for (const aq71::DataItem& item : st->data().items)
      for (std::uint8_t x : item.bytes) b.push_back(x);
    return b;
  }
  // A label of the last module, found through the statements that name it (the module's names
  // have left the identifier tree by now).
  aq71::LabelRec* label(const std::string& name) {
    for (int si = 0; si < aq71::segments(run()).count(); ++si)
      for (Statement* st : chain(si))
        if (st->label() && aq71::upper_ascii(st->label()->name) == aq71::upper_ascii(name))
          return aq71::label_record(st->label());
    return nullptr;
  }
  bool reported(const std::string& what) { return out.find(what) != std::string::npos; }
};

TEST_F(DataDirectives, StringsAndConstantsFillTheirItems) {
  ASSERT_EQ(assemble(" ASEG\na: DB \"AB\",0\nb: DW \"ABC\"\nc: DP 0x123456,-1\nd: DD 7\ne: DB 'x'\n END\n"), 0) << out;
  const Statement* a = statement_of(1, "a:");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->kind, StatementKind::Storage);
  EXPECT_EQ(bytes(a), (std::vector<int>{0x41, 0x42, 0x00}));
  EXPECT_EQ(a->size, 3u);
  const Statement* b = statement_of(1, "b:");
  EXPECT_EQ(bytes(b), (std::vector<int>{0x41, 0x42, 0x43, 0x00}));
  EXPECT_EQ(b->start(), 3u);
  const Statement* c = statement_of(1, "c:");
  EXPECT_EQ(bytes(c), (std::vector<int>{0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(statement_of(1, "d:")->size, 4u);
  EXPECT_EQ(bytes(statement_of(1, "e:")), (std::vector<int>{'x'}));
  EXPECT_EQ(aq71::label_value(aq71_test::test_run(), *label("e")).value, 17u);
}

TEST_F(DataDirectives, ConstantsThatDoNotFitAreTruncatedWithAWarning) {
  ASSERT_EQ(assemble(" DB 255,-255,-1\n DW 0xFFFF\n DD 0xFFFFFFFF\n END\n"), 0) << out;
  EXPECT_FALSE(reported("Warning[15]")) << out;
  ASSERT_EQ(assemble(" DB 256\n END\n"), 0);
  EXPECT_TRUE(reported("Warning[15]")) << out;
  ASSERT_EQ(assemble(" DW -65536\n END\n"), 0);
  EXPECT_TRUE(reported("Warning[15]")) << out;
  ASSERT_EQ(assemble("x: DP 0x1000000\n END\n"), 0);
  EXPECT_TRUE(reported("Warning[15]")) << out;
  EXPECT_EQ(bytes(statement_of(1, "x:")), (std::vector<int>{0, 0, 0}));
  // Expressions are stored in the item size without the warning.
  ASSERT_EQ(assemble(" DB 0x100+1\n END\n"), 0);
  EXPECT_FALSE(reported("Warning[15]")) << out;
}

TEST_F(DataDirectives, ExpressionItemsWaitForTheirValues) {
  ASSERT_EQ(assemble(" RSEG C\nd: DW fwd,d+2\nfwd: NOP\n END\n"), 0) << out;
  const Statement* d = statement_of(2, "d:");
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->data().items.size(), 2u);
  ASSERT_NE(d->data().items[0].value, nullptr);
  EXPECT_EQ(d->data().items[0].value->kind, aq71::VALUE_RELOCATABLE);
  EXPECT_EQ(d->data().items[0].value->value, 4u);
  EXPECT_EQ(d->size, 4u);
}

TEST_F(DataDirectives, MalformedItemListsFailTheStatement) {
  for (const char* src :
       {" DB 1.5\n END\n", " DB 1 2\n END\n", " DB 1,\n END\n", " DB\n END\n", " DW ,1\n END\n", " DB\"A\"\n END\n"}) {
    EXPECT_EQ(assemble(src), 2) << src;
    EXPECT_TRUE(reported("Error[0]")) << src << out;
  }
  ASSERT_EQ(assemble("x: DB 1 2\ny: NOP\n END\n"), 2);
  const Statement* x = statement_of(1, "x:");
  EXPECT_TRUE(x->failed);
  EXPECT_TRUE(x->data().items.empty());
  EXPECT_EQ(aq71::label_value(aq71_test::test_run(), *label("y")).value, 0u);  // no bytes from the failed line
}

TEST_F(DataDirectives, ExternGivesIndexesInOrderAndIgnoresTheType) {
  ASSERT_EQ(assemble(" EXTERN a,b:CODE\n IMPORT c ; comment\n EXTERN a\n LDI R16,LOW(b)\n END\n"), 0) << out;
  for (auto [name, index] : {std::pair{"a", 0}, {"b", 1}, {"c", 2}}) {
    aq71::LabelRec* l = label(name);
    ASSERT_NE(l, nullptr) << name;
    EXPECT_TRUE(l->flags & aq71::LABEL_EXTERN) << name;
    EXPECT_EQ(l->extern_index, index) << name;
  }
  EXPECT_EQ(aq71::extern_count(aq71_test::test_run()), 3);
  // The declarations lie in "__EXTERNS"; the instruction waits for the linker.
  int declarations = 0;
  for (const Statement* st : chain(aq71::SEG_EXTERNS)) declarations += st->kind == StatementKind::Declaration;
  EXPECT_EQ(declarations, 3);
  const Statement* ldi = statement_of(1, "LDI");
  ASSERT_NE(ldi, nullptr);
  EXPECT_EQ(ldi->code.fixup_count, 1);
}

TEST_F(DataDirectives, ScopeListErrors) {
  struct Case {
    const char* source;
    const char* error;
  } cases[] = {
      {" PUBLIC X,Y:CODE\nX: NOP\nY: NOP\n END\n", "Error[44]"},
      {" EXTERN a,,b\n END\n", "Error[16]"},
      {" EXTERN a,\n END\n", "Error[16]"},
      {"L: NOP\n EXTERN a:L\n END\n", "Error[50]"},
      {" PUBLIC X\n PUBLIC X\nX: NOP\n END\n", "Error[72]"},
      {" PUBLIC X\n EXTERN X\nX: NOP\n END\n", "Error[51]"},
      {" EXTERN X\n PUBLIC X\n END\n", "Error[51]"},
      {"V VAR 1\n PUBLIC V\n END\n", "Error[63]"},
      {"V VAR 1\n EXTERN V\n END\n", "Error[63]"},
      {" PUBLIC 12\n END\n", "Error[0]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(assemble(c.source), 2) << c.source;
    EXPECT_TRUE(reported(c.error)) << c.source << out;
  }
  // The names before the faulty one are declared.
  assemble(" EXTERN a,b,,c\n END\n");
  EXPECT_TRUE(label("b")->flags & aq71::LABEL_EXTERN);
}

TEST_F(DataDirectives, PublicMarksDefinedLabels) {
  ASSERT_EQ(assemble(" EXPORT x,y\n RSEG C\nx: NOP\ny EQU 5\n END\n"), 0) << out;
  EXPECT_TRUE(label("x")->flags & aq71::LABEL_PUBLIC);
  EXPECT_TRUE(label("y")->flags & aq71::LABEL_PUBLIC);
  EXPECT_FALSE(label("x")->flags & aq71::LABEL_EXTERN);
}

}  // namespace
}  // namespace aq71_test
