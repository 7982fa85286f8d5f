// The run object: parts made per run and handed the run, the current run while a scope binds one,
// and whole runs that each keep to their own Assembly.
#include "assembler/assembly.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assembler/assembler_main.h"
#include "assembler/preprocessor.h"
#include "assembler/run_settings.h"
#include "assembler/segments.h"
#include "assembler/source_files.h"
#include "assembler/statement_services.h"
#include "assembler/tests/aq71_test_support.h"
#include "assembler/tests/test_run.h"

namespace {

std::vector<std::string>& destroyed() {
  static std::vector<std::string> log;
  return log;
}

struct First {
  ~First() { destroyed().push_back("first"); }
};

// A part that uses another part of its run while it is made and when it goes.
struct Second {
  explicit Second(aq71::Assembly& run) : first(run.part<First>()) {}
  ~Second() { destroyed().push_back("second"); }
  First& first;
};

TEST(AssemblyParts, MadeOncePerRunWithTheirOwnRunAndFreedInReverseOrder) {
  destroyed().clear();
  {
    aq71::Assembly a;
    aq71::Assembly b;
    Second& second = a.part<Second>();
    EXPECT_EQ(&second, &a.part<Second>());
    EXPECT_EQ(&second.first, &a.part<First>());
    EXPECT_NE(&second.first, &b.part<First>());
    // The services of the source pass keep the parts of their own run.
    aq71::StatementServices& services = aq71::statement_services(b);
    EXPECT_EQ(&services.segments, &aq71::segments(b));
    EXPECT_EQ(&services.module, &aq71::module_state(b));
    EXPECT_NE(&services.segments, &aq71::segments(a));
  }
  // b goes first (declared last); in a, Second was made after the First it made: it goes first.
  EXPECT_EQ(destroyed(), (std::vector<std::string>{"first", "second", "first"}));
}

class WholeRuns : public aq71_test::InFolder {
 protected:
  int assemble_in(aq71::Assembly& run, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return aq71::assembler_main(run, static_cast<int>(argv.size()), argv.data());
  }
};

// Each run keeps to the Assembly it is given: the current run is left as it was, and a run after
// another one in the same process sees nothing of it (its labels, its files, its settings).
TEST_F(WholeRuns, EachRunKeepsToItsOwnAssembly) {
  aq71_test::reset_run_state();
  aq71_test::write_file(dir_ / "p.s71", "start: NOP\n RJMP start\n END\n");
  aq71::settings(aq71_test::test_run()).max_errors = 5;

  std::string first_object;
  std::string first_console;
  {
    aq71::Assembly run;
    aq71_test::CapturedConsole console;
    EXPECT_EQ(assemble_in(run, {"aq71", "p", "-E7", "-S", "-c#"}), 0);
    first_console = console.text();
    first_object = aq71_test::read_file(dir_ / "p.r71");
    EXPECT_EQ(aq71::settings(run).max_errors, 7);
    EXPECT_FALSE(aq71::standard_files(run).object_name.empty());
  }
  EXPECT_EQ(aq71::settings(aq71_test::test_run()).max_errors, 5);
  EXPECT_TRUE(aq71::standard_files(aq71_test::test_run()).object_name.empty());
  EXPECT_FALSE(first_object.empty());

  aq71::Assembly second;
  aq71_test::CapturedConsole console;
  EXPECT_EQ(assemble_in(second, {"aq71", "p", "-S", "-c#"}), 0);
  EXPECT_EQ(console.text(), first_console);
  EXPECT_EQ(aq71_test::read_file(dir_ / "p.r71"), first_object);
}

// What a run leaves open or defined stays in it: a macro or #define of the first run is unknown
// to the next, and a conditional level, #if or macro call left open does not skip the next run's
// lines.
TEST_F(WholeRuns, MacrosAndOpenLevelsStayInTheirRun) {
  aq71_test::reset_run_state();
  aq71_test::write_file(dir_ / "a.s71", "#define QQ 1\nM MACRO\n NOP\n IF 0\n ENDM\n M\n REPT 2\n IF 0\n#if 0\n END\n");
  aq71_test::write_file(dir_ / "b.s71", " M\n END\n");
  aq71_test::write_file(dir_ / "c.s71", " NOP\n END\n");
  std::string fresh;
  {
    aq71::Assembly run;
    aq71_test::CapturedConsole console;
    EXPECT_EQ(assemble_in(run, {"aq71", "c", "-S", "-c#"}), 0) << console.text();
    fresh = aq71_test::read_file(dir_ / "c.r71");
  }
  aq71::Assembly first;
  {
    aq71_test::CapturedConsole console;
    EXPECT_NE(assemble_in(first, {"aq71", "a", "-S", "-c#"}), 0);
    EXPECT_NE(aq71::find_define(first, "QQ"), nullptr);
  }
  {
    aq71::Assembly second;
    aq71_test::CapturedConsole console;
    EXPECT_NE(assemble_in(second, {"aq71", "b", "-S", "-c#"}), 0);
    EXPECT_NE(console.text().find("Error["), std::string::npos) << console.text();
    EXPECT_EQ(aq71::find_define(second, "QQ"), nullptr);
  }
  aq71::Assembly third;
  aq71_test::CapturedConsole console;
  EXPECT_EQ(assemble_in(third, {"aq71", "c", "-S", "-c#"}), 0) << console.text();
  EXPECT_EQ(aq71_test::read_file(dir_ / "c.r71"), fresh);
}

}  // namespace
