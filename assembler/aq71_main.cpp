#include "assembler/assembler_main.h"
#include "assembler/assembly.h"

int main(int argc, char** argv) {
  aq71::Assembly run;  // everything the run keeps, freed when main returns
  aq71::AssemblyScope current(run);
  return aq71::run_guarded(aq71::assembler_main, argc, argv);
}
