// Conditional assembly: which lines are assembled, and the problems of unbalanced levels.
#include <gtest/gtest.h>

#include "assembler/assembly.h"
#include "assembler/conditional.h"
#include "assembler/repeat_blocks.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace aq71_test {
namespace {

using aq71::Statement;
using aq71::StatementKind;
using W = std::vector<std::uint16_t>;

class Conditional : public InProcessAssembly {
 protected:
  // LDI R16,n per branch: the words tell which branches were assembled.
  W run(const std::string& body) {
    EXPECT_EQ(assemble(body + " END\n"), 0) << out;
    return words();
  }
};

TEST_F(Conditional, BranchSelection) {
  EXPECT_EQ(run(" IF 0\n LDI R16,1\n ELSEIF 0\n LDI R16,2\n ELSEIF 1\n LDI R16,3\n ELSE\n LDI R16,4\n ENDIF\n"),
            (W{0xE003}));
  EXPECT_EQ(run(" IF 1\n LDI R16,1\n ELSEIF 1\n LDI R16,2\n ENDIF\n"), (W{0xE001}));
  EXPECT_EQ(run(" IF 0\n LDI R16,1\n ELSE\n LDI R16,2\n ENDIF\n LDI R16,5\n"), (W{0xE002, 0xE005}));
  EXPECT_EQ(run(" IF 2 > 1\n IF 0\n LDI R16,1\n ENDIF\n LDI R16,2\n ENDIF\n"), (W{0xE002}));
  // Inside the true branch of an outer ELSEIF: the nested ELSEIF branch, then the outer ELSE
  // is accepted (and skipped).
  EXPECT_EQ(run(" IF 0\n LDI R16,1\n ELSEIF 1\n IF 0\n LDI R16,2\n ELSEIF 1\n LDI R16,3\n ENDIF\n"
                " LDI R16,4\n ELSE\n LDI R16,5\n ENDIF\n"),
            (W{0xE003, 0xE004}));
  // Nested levels inside a skipped branch stay skipped, their ELSE included.
  EXPECT_EQ(run(" IF 0\n IF 1\n LDI R16,1\n ELSE\n LDI R16,2\n ENDIF\n ELSE\n LDI R16,3\n ENDIF\n"), (W{0xE003}));
  EXPECT_EQ(run(" IF 1 ; it's\n LDI R16,7\n ENDIF ; \"x\n IF \"A\" = \"A\" ; it's\n LDI R16,8\n ENDIF\n"),
            (W{0xE007, 0xE008}));
  EXPECT_EQ(aq71::conditional_assembly(aq71_test::test_run()).depth(), 0);
  EXPECT_EQ(aq71::block_stack(aq71_test::test_run()).size(), 0u);
}

TEST_F(Conditional, StringAndNumericConditions) {
  EXPECT_EQ(run(" IF \"EQ\" = \"EQ\"\n LDI R16,1\n ENDIF\n IF \"EQ\" <> \"eq\"\n LDI R16,2\n ENDIF\n"
                " IF \"A\" < \"B\"\n LDI R16,3\n ENDIF\n IF \"A\" == \"B\"\n LDI R16,4\n ENDIF\n"),
            (W{0xE001, 0xE002, 0xE003}));
  EXPECT_EQ(run("D EQU 7FFF0010H\n IF D < 7FFF0000H\n LDI R16,1\n ELSE\n LDI R16,2\n ENDIF\n"
                " IF 5 < 7FFF0000H\n LDI R16,3\n ENDIF\n"),
            (W{0xE002, 0xE003}));
  EXPECT_EQ(assemble(" IF \"A\" = 1\n NOP\n ENDIF\n END\n"), 2);
  EXPECT_TRUE(has("Error[0]")) << out;
}

TEST_F(Conditional, Unbalanced) {
  EXPECT_EQ(assemble(" ENDIF\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[59]")) << out;
  EXPECT_EQ(words(), (W{0}));
  EXPECT_EQ(assemble(" ELSE\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[58]")) << out;
  EXPECT_EQ(assemble(" IF 0\n ELSE\n ELSE\n ENDIF\n END\n"), 2);
  EXPECT_TRUE(has("Error[58]")) << out;
  // An IF left open at the end of the module, with the note on where it began.
  EXPECT_EQ(assemble(" NOP\n IF 1\n NOP\n END\n"), 2);
  EXPECT_TRUE(has("Error[57]")) << out;
  EXPECT_TRUE(has("In conditional assembly started in line 2")) << out;
}

TEST_F(Conditional, StateMachine) {
  aq71::Assembly run;
  aq71::ConditionalAssembly c(run);
  c.open_level(false, 1);
  EXPECT_TRUE(c.skipping());
  c.do_elseif([] { return true; });
  EXPECT_EQ(c.state(), aq71::COND_TRUE);
  EXPECT_TRUE(c.branch_taken());
  bool asked = false;
  c.do_elseif([&] { return asked = true; });
  EXPECT_FALSE(asked);  // a branch was taken: the condition is not read
  EXPECT_EQ(c.state(), aq71::COND_DONE);
  c.do_endif();
  EXPECT_EQ(c.state(), aq71::COND_OUTSIDE);
  // The scanner hands an ELSE back with bit 128 set.
  c.open_level(false, 2);
  c.set_state(aq71::COND_FALSE | 128);
  EXPECT_TRUE(c.do_else());
  EXPECT_EQ(c.state(), aq71::COND_ELSE_TAKEN);
  c.open_skipped_level();
  EXPECT_EQ(c.depth(), 2);
  c.close_to_depth(0);
  EXPECT_EQ(c.depth(), 0);
  EXPECT_EQ(c.state(), aq71::COND_OUTSIDE);
}

}  // namespace
}  // namespace aq71_test
