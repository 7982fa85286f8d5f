// The macro library as a whole: the file, its writer, and its assembly inside the core.
#include <gtest/gtest.h>

#include "compiler/macro_library.h"
#include "macro_library_support.h"

namespace {

TEST(MacroLibrary, AssemblesWithTheCoreStandIn) {
  auto run = maclib_test::AssembleWithLibrary(" NOP");
  EXPECT_EQ(run.exit_code, 0) << run.console;
}

}  // namespace
