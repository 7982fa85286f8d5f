// Processor faults end the run with the internal-error report, exit code 3 and no object.
#include "aq71_test_support.h"

#include <sys/resource.h>
#include <sys/stat.h>

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

// The object named is a FIFO (the test holds it open), the listing a file.
int segv_with_outputs_body(aq71::Assembly&, int, char**) {
  aq71::set_console_stream(stderr);
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::opt_o(aq71_test::test_run(), "f.r71");
  aq71::opt_l(aq71_test::test_run(), "t.lst");
  std::raise(SIGSEGV);
  return 0;
}

// The listing's file may take fewer bytes than the report in it.
int segv_with_listing_cut_short_body(aq71::Assembly&, int, char**) {
  aq71::set_console_stream(stderr);
  std::string name = "t";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::opt_l(aq71_test::test_run(), "t.lst");
  const struct rlimit limit = {512, 512};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
  std::raise(SIGSEGV);
  return 0;
}

int fpe_body(aq71::Assembly&, int, char**) {
  aq71::set_console_stream(stderr);
  std::raise(SIGFPE);
  return 0;
}

class FaultGuard : public InFolder {};

TEST_F(FaultGuard, SegmentationFaultGivesInternalErrorAndLeavesNoObject) {
  write_file("t.s71", "x\n");
  EXPECT_EXIT(aq71::run_guarded(aq71_test::test_run(), segv_body, 0, nullptr), ::testing::ExitedWithCode(3),
              "I N T E R N A L   E R R O R.*In function: Assembler.Diagnostic: non-initialized parameter");
  EXPECT_EQ(folder_files("."), std::vector<std::string>{"t.s71"});
}

// The listing, which the console points to, holds the report; an object that is not a regular
// file is left as it is.
TEST_F(FaultGuard, TheListingKeepsTheReportAndNothingButTheRunsOwnIsRemoved) {
  write_file("t.s71", "x\n");
  ASSERT_EQ(::mkfifo("f.r71", 0600), 0);
  const int held = ::open("f.r71", O_RDWR | O_NONBLOCK);  // a reader: opening it to write goes on
  ASSERT_GE(held, 0);
  EXPECT_EXIT(aq71::run_guarded(aq71_test::test_run(), segv_with_outputs_body, 0, nullptr),
              ::testing::ExitedWithCode(3), "Please see list file");
  ::close(held);
  EXPECT_TRUE(fs::is_fifo("f.r71"));
  EXPECT_NE(read_file("t.lst").find("In function: Assembler\nDiagnostic: non-initialized parameter"), std::string::npos);
  EXPECT_EQ(folder_files("."), (std::vector<std::string>{"f.r71", "t.lst", "t.s71"}));
}

// A listing that could not take the whole report is not put in place: the earlier one stays.
TEST_F(FaultGuard, AListingCutShortNeverReplacesTheEarlierOne) {
  write_file("t.s71", "x\n");
  write_file("t.lst", "earlier listing");
  EXPECT_EXIT(aq71::run_guarded(aq71_test::test_run(), segv_with_listing_cut_short_body, 0, nullptr),
              ::testing::ExitedWithCode(3), "Please see list file");
  EXPECT_EQ(read_file("t.lst"), "earlier listing");
  EXPECT_EQ(folder_files("."), (std::vector<std::string>{"t.lst", "t.s71"}));
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
