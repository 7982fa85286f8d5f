// Problem reports, counters, the error limit and the fatal reports.
#include "aq71_test_support.h"

#include "assembler/floats.h"
#include "assembler/tests/test_run.h"

using namespace aq71_test;
using aq71::MessageArgs;
using aq71::SourceLocation;

namespace {

class Diagnostics : public ::testing::Test {
 protected:
  // The run the reports go to: the one the test support starts afresh for each test.
  static aq71::Assembly& run() { return aq71_test::test_run(); }
  void SetUp() override {
    reset_run_state();
    aq71::diagnostic_hooks(run()).current_location = [this] { return where_; };
    where_ = {"t.s71", 12, 5, "\tLDI  R1,2\n"};
  }
  void TearDown() override {
    // A fatal stop has closed the list file already.
    if (list_ && aq71::standard_files(aq71_test::test_run()).list == list_) {
      aq71::standard_files(aq71_test::test_run()).list = nullptr;
      std::fclose(list_);
    }
    reset_run_state();
  }
  // Makes the report collect listing lines as with an open list file.
  void open_list() {
    list_ = std::tmpfile();
    aq71::standard_files(aq71_test::test_run()).list = list_;
  }
  SourceLocation where_;
  CapturedConsole console_;
  std::FILE* list_ = nullptr;
};

TEST_F(Diagnostics, ErrorReportShowsLineCaretAndMessage) {
  aq71::user_error_A01(run(), 40);
  EXPECT_EQ(console_.text(), "\n$LDI  R1,2\n----^\n\"t.s71\",12  Error[40]: bad instruction\n");
  EXPECT_EQ(aq71::diagnostic_counts(run()).errors, 1);
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 1);
}

TEST_F(Diagnostics, SameLocationShowsLineOnceAndNewColumnShowsItAgain) {
  aq71::user_error_A01(run(), 40);
  aq71::user_error_A01(run(), 42, MessageArgs{.text = "LOOP"});
  where_.column = 1;
  aq71::user_warning_A01(run(), 15);
  EXPECT_EQ(console_.text(),
            "\n$LDI  R1,2\n----^\n\"t.s71\",12  Error[40]: bad instruction\n"
            "\"t.s71\",12  Error[42]: duplicate label:'LOOP'\n"
            "\n$LDI  R1,2\n^\n\"t.s71\",12  Warning[15]: Constant truncated\n");
  EXPECT_EQ(aq71::diagnostic_counts(run()).warnings, 1);
}

TEST_F(Diagnostics, ColumnZeroAndArguments) {
  where_ = {"a.inc", 3, 0, "x\x1by\n"};
  aq71::user_error_A01(run(), 66, MessageArgs{.number = 0xFFFFFF});
  aq71::user_error_A01(run(), 70, MessageArgs{.text = "N", .number = -5});
  EXPECT_EQ(console_.text(),
            "\nx$y\n^\n\"a.inc\",3  Error[66]: Segment too long (max is ffffff)\n"
            "\"a.inc\",3  Error[70]: Limit exceeded: 'N', value is: -5 (decimal)\n");
}

TEST_F(Diagnostics, MarkedPositionAndBlockOrigin) {
  aq71::mark_position_A01(run(), {"t.s71", 11, 3, "ab(c\n"});
  aq71::user_error_A01(run(), 17);
  aq71::diagnostic_hooks(run()).block_origin = [] {
    return std::optional<std::pair<const char*, long>>({aq71::ORIGIN_REPEAT, 7});
  };
  aq71::user_error_A01(run(), 75);
  EXPECT_EQ(console_.text(),
            "\nab(c\n--^\n\"t.s71\",11  Error[17]: ')' expected\n"
            "\n$LDI  R1,2\n----^\n\"t.s71\",12  Error[75]: Repeat directive unbalanced\n"
            "Recording REPT, REPTI or REPTC started in line 7\n\n");
}

TEST_F(Diagnostics, MacroCallLocationFollowsTheMessage) {
  aq71::diagnostic_hooks(run()).macro_call_location = [] {
    return std::optional<SourceLocation>({"m.s71", 30, 2, " LOAD P0,1 ; __Pos 0000 0003\n"});
  };
  aq71::user_error_A01(run(), 40);
  EXPECT_EQ(console_.text(),
            "\n$LDI  R1,2\n----^\n\"t.s71\",12  Error[40]: bad instruction\n"
            "\n LOAD P0,1 ; __Pos 0000 0003\n-^\n\"m.s71\",30 <- macro line location\n");
}

TEST_F(Diagnostics, DisabledWarningNeitherCountsNorPrints) {
  aq71::parse_warning_option(run(), "-5");
  aq71::user_warning_A01(run(), 5);
  EXPECT_EQ(console_.text(), "");
  EXPECT_EQ(aq71::diagnostic_counts(run()).warnings, 0);
  aq71::user_warning_A01(run(), 6);
  EXPECT_EQ(aq71::diagnostic_counts(run()).warnings, 1);
}

TEST_F(Diagnostics, WarningsAsErrorsPrintErrorWithWarningText) {
  aq71::settings(aq71_test::test_run()).warnings_as_errors = true;
  aq71::user_warning_A01(run(), 14);
  EXPECT_EQ(console_.text(), "\n$LDI  R1,2\n----^\n\"t.s71\",12  Error[14]: Division by zero\n");
  EXPECT_EQ(aq71::diagnostic_counts(run()).errors, 1);
  EXPECT_EQ(aq71::diagnostic_counts(run()).warnings, 0);
}

TEST_F(Diagnostics, ErrorLimitReportsErrorNineInsteadAndStops) {
  aq71::settings(aq71_test::test_run()).max_errors = 3;
  aq71::user_error_A01(run(), 40);
  where_.line = 13;
  aq71::user_error_A01(run(), 41);
  console_.clear();
  where_.line = 14;
  EXPECT_THROW(aq71::user_error_A01(run(), 40), aq71::FatalStop);
  EXPECT_EQ(console_.text(),
            "\n$LDI  R1,2\n----^\n\"t.s71\",14  Error[9]: Too many errors encountered (>3).\n"
            "\nFatal!\a Execution terminated...\n");
}

TEST_F(Diagnostics, FatalTextStopsAfterTheReportAlsoWhenConsoleIsQuiet) {
  aq71::settings(aq71_test::test_run()).console_diagnostics = false;
  EXPECT_THROW(aq71::user_error_A01(run(), 2, MessageArgs{.text = "x.inc"}), aq71::FatalStop);
  EXPECT_EQ(console_.text(), "");
}

TEST_F(Diagnostics, PassTwoReportsUseTheStatementAndItsColumns) {
  aq71::ProblemLines lines;
  aq71::ProblemSite site;
  site.where = {"t.s71", 40, "  RJMP FAR\n"};
  site.columns = {3, 8, 0};
  site.problems = &lines;
  aq71::user_error_pass2_A01(run(), 2, &site, 50, 2, MessageArgs{.text = "FAR"});
  EXPECT_EQ(console_.text(), "\n  RJMP FAR\n-------^\n\"t.s71\",40  Error[50]: undefined symbol:'FAR'\n");
  EXPECT_EQ(lines.severity, 2);
  EXPECT_THROW(aq71::user_error_pass2_A01(run(), 2, &site, 50, 4), aq71::FatalStop);
}

TEST_F(Diagnostics, ListingLinesGoToTheStatementOrTheNextOne) {
  open_list();
  aq71::user_warning_A01(run(), 0);
  aq71::ProblemLines statement;
  aq71::take_pending_problems(run(), statement);
  EXPECT_EQ(statement.severity, 1);
  EXPECT_EQ(statement.lines,
            (std::vector<std::string>{"$LDI  R1,2", "----^", "\"t.s71\",12  Warning[0]: Unreferenced label"}));
  // The listing shows every location once too, with no leading empty line.
  aq71::diagnostic_hooks(run()).current_statement = [&] { return &statement; };
  aq71::user_error_A01(run(), 40);
  EXPECT_EQ(statement.lines.back(), "\"t.s71\",12  Error[40]: bad instruction");
  EXPECT_EQ(statement.severity, 2);
  EXPECT_EQ(statement.lines.size(), 4u);
}

TEST_F(Diagnostics, LongListingLinesNeverSplitAPiece) {
  open_list();
  where_.text = std::string(300, 'x') + "\n";
  where_.column = 1;
  aq71::user_error_A01(run(), 42, MessageArgs{.text = std::string(200, 'n')});
  aq71::ProblemLines statement;
  aq71::take_pending_problems(run(), statement);
  ASSERT_EQ(statement.lines.size(), 4u);
  EXPECT_EQ(statement.lines[0], std::string(300, 'x'));
  EXPECT_EQ(statement.lines[1], "^");
  EXPECT_EQ(statement.lines[2], "\"t.s71\",12  Error[42]: duplicate label:");
  EXPECT_EQ(statement.lines[3], "'" + std::string(200, 'n') + "'");
}

TEST_F(Diagnostics, UnknownNumberIsAnInternalError) {
  EXPECT_THROW(aq71::user_error_A01(run(), 89), aq71::FatalStop);
  std::string out = console_.text();
  EXPECT_NE(out.find("\nIn function: print_problem\nDiagnostic: unknown error number\n"), std::string::npos);
  EXPECT_NE(out.find("P0: 89    P1: 0\n"), std::string::npos);
}

TEST_F(Diagnostics, InternalErrorReportIsExact) {
  aq71::diagnostic_hooks(run()).current_line_number = [] { return 77L; };
  EXPECT_THROW(aq71::internal_error_A01(run(), "resolve in A03", "Bytecount not fixed", 1, -2), aq71::FatalStop);
  EXPECT_EQ(console_.text(),
            "\n               * * *   I N T E R N A L   E R R O R   * * *\n"
            "\nIn function: resolve in A03\nDiagnostic: Bytecount not fixed\n"
            "Line: 77   P0: 1    P1: -2\n\n"
            "Dear User,\n"
            "please send us a copy of the source file(s) that were assembled when\n"
            "the internal error occurred.  Even better is if you could try to\n"
            "pinpoint the problem with a small sample program.\n"
            "In addition to the source file(s) we would like to receive information on:\n"
            "  1. Error message (as above)\n"
            "  2. Software version (see sign-on message)\n"
            "  3. Command-line including any .xcl file used\n"
            "  4. Hardware (memory etc.) and operating system version\n"
            "  5. Where and when you bought the software\n"
            "Please report this error to your distributor or the nearest QEX\n"
            "Systems office. For further information please see the Software\n"
            "Performance Report that can be found in your manual.\n"
            "\n\n"
            "                           T H A N K   Y O U !\a\n");
  EXPECT_EQ(aq71::diagnostic_counts(run()).run_errors, 1);
}

TEST_F(Diagnostics, InternalErrorWithListFileSendsTheDetailsThere) {
  open_list();
  EXPECT_THROW(aq71::internal_error_A01(run(), "f", "d", 0, 0), aq71::FatalStop);
  EXPECT_EQ(console_.text(),
            "\n               * * *   I N T E R N A L   E R R O R   * * *\n"
            "\n\n                        Please see list file \n");
}

TEST_F(Diagnostics, OutOfMemoryReportIsExact) {
  aq71::get_memory_A01(run(), 10);  // takes the first block
  long total = aq71::pool_total(run());
  EXPECT_THROW(aq71::out_of_memory_A01(run()), aq71::FatalStop);
  EXPECT_EQ(console_.text(),
            "\n            * * *   A S S E M B L E R   O U T   O F   M E M O R Y   * * *\n"
            "\n                    Dynamic memory used: " +
                std::to_string(total) + " bytes\n");
}

// Two runs in one process: each keeps its own counters, pending reports, last place shown and
// hooks, and a run's floating-point warnings go to that run.
TEST(DiagnosticRuns, EachRunReportsToItself) {
  CapturedConsole console;
  aq71::Assembly a;
  aq71::Assembly b;
  const SourceLocation place{"a.s71", 1, 2, " NOP\n"};
  for (aq71::Assembly* run : {&a, &b}) {
    aq71::diagnostic_hooks(*run).current_location = [place] { return place; };
    aq71::settings(*run).warning_enabled.fill(true);
  }
  aq71::user_error_A01(a, 40);
  EXPECT_EQ(aq71::diagnostic_counts(a).run_errors, 1);
  EXPECT_EQ(aq71::diagnostic_counts(b).run_errors, 0);
  EXPECT_TRUE(aq71::pending_problems(a));
  EXPECT_FALSE(aq71::pending_problems(b));
  // b has shown nothing yet: the same place gets its source line again.
  aq71::user_error_A01(b, 40);
  const std::string shown = "\n NOP\n-^\n\"a.s71\",1  Error[40]: bad instruction\n";
  EXPECT_EQ(console.text(), shown + shown);

  aq71::fp_warning_G03(aq71::float_state(b), 1);
  EXPECT_EQ(aq71::diagnostic_counts(b).run_warnings, 1);
  EXPECT_EQ(aq71::diagnostic_counts(a).run_warnings, 0);

  bool a_flushed = false;
  bool b_flushed = false;
  aq71::diagnostic_hooks(a).flush_listing = [&] { a_flushed = true; };
  aq71::diagnostic_hooks(b).flush_listing = [&] { b_flushed = true; };
  EXPECT_THROW(aq71::fatal_exit_A01(b), aq71::FatalStop);
  EXPECT_TRUE(b_flushed);
  EXPECT_FALSE(a_flushed);
  EXPECT_EQ(aq71::diagnostic_counts(a).run_errors, 1);
  EXPECT_EQ(aq71::diagnostic_counts(b).run_errors, 2);
}

TEST(MemoryPool, PiecesAreEvenFilledAndDistinct) {
  aq71::Assembly run;
  long before = aq71::pool_total(run);
  auto* a = static_cast<unsigned char*>(aq71::get_memory_A01(run, 3));
  auto* b = static_cast<unsigned char*>(aq71::get_memory_A01(run, 5));
  EXPECT_GE(b - a, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], 0xFF);
  // A request that does not fit the block's rest takes a new block; a huge one its own.
  aq71::get_memory_A01(run, aq71::POOL_BLOCK_SIZE - 2);
  auto* big = static_cast<unsigned char*>(aq71::get_memory_A01(run, 3 * aq71::POOL_BLOCK_SIZE));
  big[3 * aq71::POOL_BLOCK_SIZE - 1] = 0;
  auto* c = static_cast<unsigned char*>(aq71::get_memory_A01(run, 2));
  c[1] = 0;
  EXPECT_GE(aq71::pool_total(run), before + static_cast<long>(4 * aq71::POOL_BLOCK_SIZE));
}

}  // namespace
