#pragma once
// Assembles translated program lines with the macro library through the built aq71, against a
// small stand-in of the PLC core: the core's registers, data bytes, routines and device symbols
// (device symbol = 7FFF0000H + data-memory address), as the library expects them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace maclib_test {

struct AssemblyRun {
  int exit_code = -1;
  std::string console;           // aq71's console output
  std::string listing;           // the listing (-l)
  std::filesystem::path folder;  // where the files were written (kept for inspection)
};

// The stand-in core's definitions (registers, data bytes, routines, device symbols).
std::string CoreStub(int plcModel);

// Writes ZQ3MAC.INC (the library's own text), an options header for plcModel and a source that
// includes the stub, the header, the library and then `program` (lines of macro calls, '\n'
// separated) inside a code segment; runs aq71 on it with processor option -v3.
AssemblyRun AssembleWithLibrary(const std::string& program, int plcModel = 1);

struct AvrMachine;

// Text helpers shared by the macro library tests.

// The lines of `text`, split at '\n'. A text that is empty or ends with '\n' gives a last empty
// line only with keepEmptyLast.
std::vector<std::string> Lines(std::string_view text, bool keepEmptyLast = false);

// The header name (first 8 columns) of each "NAME    MACRO" line of a group text, in order.
std::vector<std::string> MacroNames(std::string_view text);
// The body lines of one macro of a group text, header and ENDM excluded; a failure when the
// macro is absent or not closed.
std::vector<std::string> MacroBody(std::string_view text, const std::string& name);
// The lines after one macro's header up to and including its ENDM. The header is the name
// padded to 8 columns; a name of 8 or more characters is followed by one space only with
// spaceAfterLongName (otherwise directly by MACRO).
std::vector<std::string> MacroBodyWithEndm(const std::vector<std::string>& lines, const std::string& name,
                                           bool spaceAfterLongName);

// One macro of a group text.
struct MacroText {
  std::string name;
  std::string header;
  std::vector<std::string> body;  // the lines between the header and ENDM
};
// Index of the rung gate ("SBRS NOW,7") of a gated macro's body: after its LOCAL line come only
// operand checks (a local EQU and its LIMIT) and constant cases that generate nothing (IF, EXITM,
// ENDIF). The body's size when another line stands before the gate.
size_t GateLine(const MacroText& m);
// The macros of a group text in order; the lines outside them go to `outside` when given.
std::vector<MacroText> Macros(std::string_view group, std::vector<std::string>* outside = nullptr);

// The code words of a listing in address order, each as four hex digits in instruction order
// followed by a space (the listing shows each word low byte first).
std::string CodeWordsHex(const std::string& listing);

constexpr int kAny = -1;  // an address or call word that the stub's layout decides
// The code words the listing shows for program line `line` (itself or its expansion lines
// line.1 ...), the bytes read in memory order as little-endian words; "........" (an unresolved
// call) gives two kAny words.
std::vector<int> CodeOfLine(const std::string& listing, int line);
// Expects `got` to equal `want`, words of `want` that are kAny excepted.
void ExpectWords(const std::vector<int>& got, const std::vector<int>& want, const char* what);
// True when aq71 ended with no error and no warning.
bool Clean(const AssemblyRun& run);

// Assembles `program` with the library (PLC model 1) and loads its code and the stand-in core's
// symbols into a machine; failures are reported.
AvrMachine AssembleOnMachine(const std::string& program);
// The machine's code as little-endian words.
std::vector<uint16_t> MachineWords(const AvrMachine& m);

// Assembles `program` after an instruction that turns the rung on (or off), and expects a run
// without any problem report. Returns the listing, or its code words.
std::string AssembleCleanListing(const std::string& program, bool rungOn = true);
std::vector<uint16_t> AssembleClean(const std::string& program, bool rungOn = true);
// Data-memory address of a device of the core stand-in (expects it to exist).
uint16_t Device(const std::string& name);

}  // namespace maclib_test
