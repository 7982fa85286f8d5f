#include <cstdio>
#include <cstdlib>

#include "assembler/assembler_main.h"
#include "assembler/assembly.h"

int main(int argc, char** argv) {
  aq71::Assembly run;  // everything the run keeps
  int code = aq71::run_guarded(run, aq71::assembler_main, argc, argv);
  // The run's records all live until the process ends: handing the pages back at once is
  // quicker than destroying them one by one. Every stream is flushed first.
  std::fflush(nullptr);
  std::_Exit(code);
}
