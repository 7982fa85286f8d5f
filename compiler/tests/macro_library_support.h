#pragma once
// Assembles translated program lines with the macro library through the built aq71, against a
// small stand-in of the PLC core: the core's registers, data bytes, routines and device symbols
// (device symbol = 7FFF0000H + data-memory address), as the library expects them.

#include <filesystem>
#include <string>

namespace maclib_test {

struct AssemblyRun {
  int exit_code = -1;
  std::string console;          // aq71's console output
  std::string listing;          // the listing (-l)
  std::filesystem::path folder; // where the files were written (kept for inspection)
};

// The stand-in core's definitions (registers, data bytes, routines, device symbols).
std::string CoreStub(int plcModel);

// Writes ZQ3MAC.INC (the library's own text), an options header for plcModel and a source that
// includes the stub, the header, the library and then `program` (lines of macro calls, '\n'
// separated) inside a code segment; runs aq71 on it with processor option -v3.
AssemblyRun AssembleWithLibrary(const std::string& program, int plcModel = 1);

}  // namespace maclib_test
