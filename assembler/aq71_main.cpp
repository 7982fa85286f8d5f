#include "assembler/assembler_main.h"

int main(int argc, char** argv) { return aq71::run_guarded(aq71::assembler_main, argc, argv); }
