// The rung check keeps its devices and decision diagram from rung to rung: what an earlier
// rung left behind must never hide a wrong translation of a later one, nor make it look wrong.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "compiler/asm_output.h"
#include "compiler/document.h"
#include "compiler/rung_check.h"
#include "ladder_builder_support.h"

using namespace compiler;
using namespace ladder_test;

namespace {

std::string Bit(char letter, int n) { return letter + std::to_string(n / 8 % 64) + ":" + std::to_string(n % 8); }

// Row r: a and b in series (b normally closed when r is odd) on the coil of M r.
void DrawRung(ProgramDocument& doc, int r) {
  Rung(doc, r, {Bit('P', r), (r % 2 ? "/" : "") + Bit('P', r + 1)}, Bit('M', r));
}

// The translation of DrawRung's row; `wrong` turns the second contact around.
std::string RungLines(int r, bool wrong) {
  const bool closed = (r % 2 != 0) != wrong;
  return ContactLine(ContactOp::Load, Bit('P', r), 0, r) +
         ContactLine(closed ? ContactOp::AndN : ContactOp::And, Bit('P', r + 1), 1, r) + CoilLine(Bit('M', r), 10, r);
}

}  // namespace

TEST(RungCheck, OneCheckerOverManyRungsJudgesEachOnItsOwn) {
  auto doc = std::make_unique<ProgramDocument>();
  const int rows = 400;
  for (int r = 0; r < rows; ++r) DrawRung(*doc, r);
  RungChecker checker(*doc);
  for (int r = 0; r < rows; ++r) {
    int col = -1, row = -1;
    // Every seventh rung is offered wrong first, then right: the wrong one is caught at its
    // coil and the right one passes, whatever came before.
    if (r % 7 == 3) {
      ASSERT_TRUE(checker.Differs(r, r, RungLines(r, true), col, row)) << r;
      EXPECT_EQ(col, kOutputCol);
      EXPECT_EQ(row, r);
    }
    ASSERT_FALSE(checker.Differs(r, r, RungLines(r, false), col, row)) << r;
  }
  // A rung's lines that write another rung's coil differ at both coils' cells.
  int col = -1, row = -1;
  EXPECT_TRUE(checker.Differs(5, 5, RungLines(6, false), col, row));
  EXPECT_EQ(row, 5);
}

TEST(RungCheck, TranslationOfARungAboveDoesNotCountForTheNext) {
  auto doc = std::make_unique<ProgramDocument>();
  DrawRung(*doc, 0);
  DrawRung(*doc, 1);
  RungChecker checker(*doc);
  int col = -1, row = -1;
  ASSERT_FALSE(checker.Differs(0, 0, RungLines(0, false), col, row));
  // Row 1 with no lines at all: its coil gets nothing.
  EXPECT_TRUE(checker.Differs(1, 1, "", col, row));
  EXPECT_EQ(col, kOutputCol);
  EXPECT_EQ(row, 1);
}
