// Processor faults end the run with the internal-error report, exit code 3 and no object.
#include "aq71_test_support.h"

#include <csignal>

#include "assembler/assembler_main.h"
#include "assembler/run_settings.h"
#include "assembler/tests/test_run.h"

using namespace aq71_test;

namespace {

int segv_body(aq71::Assembly&, int, char**) {
  aq71::set_console_stream(stderr);
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::open_default_object(aq71_test::test_run(), "");
  std::raise(SIGSEGV);
  return 0;
}

int fpe_body(aq71::Assembly&, int, char**) {
  aq71::set_console_stream(stderr);
  std::raise(SIGFPE);
  return 0;
}

class FaultGuard : public InFolder {};

TEST_F(FaultGuard, SegmentationFaultGivesInternalErrorAndDeletesObject) {
  write_file("t.s71", "x\n");
  EXPECT_EXIT(aq71::run_guarded(aq71_test::test_run(), segv_body, 0, nullptr), ::testing::ExitedWithCode(3),
              "I N T E R N A L   E R R O R.*In function: Assembler.Diagnostic: non-initialized parameter");
  EXPECT_FALSE(fs::exists("t.r71"));
  EXPECT_TRUE(fs::exists("t.s71"));
}

TEST_F(FaultGuard, FloatingPointFaultIsCaughtToo) {
  EXPECT_EXIT(aq71::run_guarded(aq71_test::test_run(), fpe_body, 0, nullptr), ::testing::ExitedWithCode(3),
              "T H A N K   Y O U !");
}

TEST(FaultClasses, Classification) {
  EXPECT_EQ(aq71::classify_exception(SIGSEGV, SEGV_MAPERR), 1);
  EXPECT_EQ(aq71::classify_exception(SIGBUS, BUS_ADRALN), 2);
  EXPECT_EQ(aq71::classify_exception(SIGFPE, FPE_INTDIV), 3);
  EXPECT_EQ(aq71::classify_exception(SIGFPE, FPE_INTOVF), 4);
  EXPECT_EQ(aq71::classify_exception(SIGILL, ILL_PRVOPC), 6);
  EXPECT_EQ(aq71::classify_exception(SIGFPE, FPE_FLTDIV), 7);
  EXPECT_EQ(aq71::classify_exception(SIGTRAP, 0), 0);
}

TEST(SignOn, TextAndFixedVariant) {
  aq71::Assembly run;
  aq71::RunSettings& settings = aq71::settings(run);
  EXPECT_EQ(aq71::signon_text_A01(settings), " Assembler V1.30A/386");
  settings.fixed_date = true;
  EXPECT_EQ(aq71::signon_text_A01(settings), " Assembler V2.11D/DOS");
}

}  // namespace
