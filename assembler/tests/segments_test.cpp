// Segments, alignment and storage: the layout the sizing walk gives statements and labels.
#include <gtest/gtest.h>

#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;

std::uint32_t label_offset(const Statement* st) {
  aq71::LabelRec* l = aq71::label_record(st->label());
  if (!l) return 0xDEADBEEF;
  return aq71::label_value(aq71_test::test_run(), *l).value;
}

TEST(AlignmentPadding, PowersOfTwoAndOddAddressesInSixtyFourBits) {
  EXPECT_EQ(aq71::alignment_padding(3, 1), 1u);
  EXPECT_EQ(aq71::alignment_padding(4, 1), 0u);
  EXPECT_EQ(aq71::alignment_padding(5, 3), 3u);
  EXPECT_EQ(aq71::alignment_padding(0, 8), 0u);
  // Odd alignment: one more byte when the padded offset would be even.
  EXPECT_EQ(aq71::alignment_padding(4, -1), 1u);
  EXPECT_EQ(aq71::alignment_padding(5, -1), 0u);
  // 2^31 and offsets near the top do not overflow.
  EXPECT_EQ(aq71::alignment_padding(1, 31), 0x7FFFFFFFu);
  EXPECT_EQ(aq71::alignment_padding(0xFFFFFFFFu, 31), 1u);
  EXPECT_EQ(aq71::alignment_padding(0x80000000u, 31), 0u);
}

class Segments : public InProcessAssembly {};

TEST_F(Segments, BuiltInSegmentsAndANamedOneContinuedLater) {
  ASSERT_EQ(assemble(" RSEG CODE:CODE(1)\n NOP\n RSEG DATA\n DS 3\n RSEG CODE\nL2: NOP\n END\n"), 0) << out;
  aq71::SegmentTable& t = aq71::segments(run());
  ASSERT_EQ(t.count(), 4);
  EXPECT_EQ(t[0].name, "__EXTERNS");
  EXPECT_EQ(t[1].name, "ASEG");
  EXPECT_EQ(t[2].name, "CODE");
  EXPECT_EQ(t[2].type, aq71::SEGTYPE_CODE);
  EXPECT_EQ(t[2].alignment_exponent(), 1);
  EXPECT_EQ(t[2].size, 4u);
  EXPECT_EQ(t[3].name, "DATA");
  EXPECT_EQ(t[3].size, 3u);
  EXPECT_EQ(t[3].alignment_exponent(), aq71::DEFAULT_SEGMENT_ALIGNMENT);
  // One declaration only; the second NOP lies at offset 2 of the same segment.
  int declarations = 0;
  for (Statement* st : chain(2)) declarations += st->kind == StatementKind::SegmentDeclaration;
  EXPECT_EQ(declarations, 1);
  Statement* l2 = statement_of(2, "L2:");
  ASSERT_NE(l2, nullptr);
  EXPECT_EQ(label_offset(l2), 2u);
  aq71::ValueRec& v = aq71::label_value(aq71_test::test_run(), *aq71::label_record(l2->label()));
  EXPECT_EQ(v.kind, aq71::VALUE_RELOCATABLE);
  EXPECT_EQ(v.result_segment, 2);
}

TEST_F(Segments, AlignmentGivenPerSegmentAndOnlyOnce) {
  ASSERT_EQ(assemble(" RSEG SX(2)\n NOP\n RSEG SY(1)\n NOP\n RSEG STK:DATA\n END\n"), 0) << out;
  EXPECT_EQ(aq71::segments(run())[2].alignment_exponent(), 2);
  EXPECT_EQ(aq71::segments(run())[3].alignment_exponent(), 1);
  EXPECT_EQ(aq71::segments(run())[4].type, aq71::SEGTYPE_DATA);
  EXPECT_EQ(assemble(" RSEG A:BOGUS\n NOP\n END\n"), 2);
  EXPECT_NE(out.find("Error[46]: segment type expected"), std::string::npos) << out;
  EXPECT_EQ(assemble(" RSEG 12\n END\n"), 2);
  EXPECT_NE(out.find("Error[47]: segment name expected"), std::string::npos) << out;
  EXPECT_EQ(assemble(" RSEG A(32)\n NOP\n END\n"), 2);
  EXPECT_NE(out.find("out of range [0-31]"), std::string::npos) << out;
}

TEST_F(Segments, AlignPadsFromTheCurrentOffset) {
  ASSERT_EQ(assemble(" RSEG C\n DS 3\n ALIGN 1\nA: NOP\n ALIGN 1\nB: NOP\n ALIGN 3\nC8: NOP\n END\n"), 0) << out;
  EXPECT_EQ(label_offset(statement_of(2, "A:")), 4u);
  EXPECT_EQ(label_offset(statement_of(2, "B:")), 6u);
  EXPECT_EQ(label_offset(statement_of(2, "C8:")), 8u);
  Statement* first_align = nullptr;
  for (Statement* st : chain(2))
    if (st->kind == StatementKind::Alignment && !first_align) first_align = st;
  ASSERT_NE(first_align, nullptr);
  EXPECT_EQ(first_align->size, 1u);
  EXPECT_EQ(first_align->end_offset, 4u);
}

TEST_F(Segments, AlignRangeAndFillValues) {
  EXPECT_EQ(assemble(" ALIGN 9\n END\n"), 2);
  EXPECT_NE(out.find("'Error: Alignment expression out of range [0-8]'"), std::string::npos) << out;
  ASSERT_EQ(assemble(" ORG 1\n EVEN 0xFF\nE: NOP\n ALIGN 2,1,2\n END\n"), 0) << out;
  Statement* even = statement_of(1, "EVEN");
  ASSERT_NE(even, nullptr);
  EXPECT_EQ(even->size, 1u);
  ASSERT_EQ(even->data().items.size(), 1u);
  EXPECT_EQ(even->data().items[0].size, 1u);
  EXPECT_EQ(even->data().items[0].value->value, 0xFFu);
  EXPECT_EQ(label_offset(statement_of(1, "E:")), 2u);
  Statement* align = statement_of(1, "ALIGN");
  ASSERT_NE(align, nullptr);
  EXPECT_EQ(align->data().items.size(), 2u);
  EXPECT_EQ(align->size, 0u);
  EXPECT_EQ(assemble(" ALIGN 1 2\n END\n"), 2);
  EXPECT_NE(out.find("Error[0]: Invalid syntax"), std::string::npos) << out;
}

TEST_F(Segments, StorageCountsAreSizedWhenKnown) {
  // A forward-referenced count is sized by the resolve step.
  ASSERT_EQ(assemble(" RSEG D\n DS N\nL: DS 2\nN EQU 4\n END\n"), 0) << out;
  EXPECT_EQ(label_offset(statement_of(2, "L:")), 4u);
  EXPECT_EQ(aq71::segments(run())[2].size, 6u);
  // A count from a relocatable label is refused.
  EXPECT_EQ(assemble(" RSEG C\nL: NOP\n DS L\n END\n"), 2);
  EXPECT_NE(out.find("Error[53]: expression must be absolute"), std::string::npos) << out;
  // A negative count is an error and reserves nothing.
  EXPECT_EQ(assemble(" RSEG D\n DS -2\nL: NOP\n END\n"), 2);
  EXPECT_EQ(label_offset(statement_of(2, "L:")), 0u);
  // A count past the segment limit stops the run at the next label.
  EXPECT_EQ(assemble(" RSEG D\n DS 0x7FFFFFFF\n DS 0x7FFFFFFF\nL: NOP\n END\n"), 3);
  EXPECT_NE(out.find("Error[66]: Segment too long (max is ffffff)"), std::string::npos) << out;
}

TEST_F(Segments, OrgInTheAbsoluteSegment) {
  ASSERT_EQ(assemble(" ASEG 0x10\nA: NOP\n ORG 0x20\nB: NOP\n END\n"), 0) << out;
  EXPECT_EQ(label_offset(statement_of(1, "A:")), 0x10u);
  EXPECT_EQ(label_offset(statement_of(1, "B:")), 0x20u);
  // Overlapping blocks: error 90 once, at the first overlapping line.
  EXPECT_EQ(assemble(" ORG 0\n NOP\n NOP\n ORG 2\n NOP\n ORG 0\n NOP\n NOP\n END\n"), 2);
  std::size_t first = out.find("Error[90]");
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_NE(out.find("\"t.s71\",5  Error[90]: Different parts of ASEG have overlapping code"), std::string::npos)
      << out;
  // A forward reference in ORG is not allowed.
  EXPECT_EQ(assemble(" ORG L\n NOP\nL: NOP\n END\n"), 2);
  EXPECT_NE(out.find("Error[52]: EXTERN not allowed"), std::string::npos) << out;
}

}  // namespace
}  // namespace aq71_test
