#include <cstdio>
#include <cstdlib>

#include "assembler/assembler_main.h"
#include "assembler/assembly.h"

#ifdef AQ71_PROFILE_TRAINING
extern "C" void __gcov_dump();
#endif

int main(int argc, char** argv) {
  aq71::Assembly run;  // everything the run keeps
  int code = aq71::run_guarded(run, aq71::assembler_main, argc, argv);
  // The run's records all live until the process ends: handing the pages back at once is
  // quicker than destroying them one by one. Every stream is flushed first.
  std::fflush(nullptr);
#ifdef AQ71_PROFILE_TRAINING
  __gcov_dump();  // the training build's counts (_Exit runs no exit handlers)
#endif
  std::_Exit(code);
}
