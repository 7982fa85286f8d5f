#include "assembler/tests/test_run.h"

#include <memory>

namespace aq71_test {

namespace {

std::unique_ptr<aq71::Assembly>& current() {
  static std::unique_ptr<aq71::Assembly> run;
  return run;
}

}  // namespace

aq71::Assembly& test_run() {
  std::unique_ptr<aq71::Assembly>& run = current();
  if (!run) run = std::make_unique<aq71::Assembly>();
  return *run;
}

void start_test_run() {
  std::unique_ptr<aq71::Assembly>& run = current();
  run.reset();  // the old run goes first: its parts may still refer to one another
  run = std::make_unique<aq71::Assembly>();
}

}  // namespace aq71_test
