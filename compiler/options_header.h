#pragma once
// The options header QSKLREN.$$$: the PLC setup as fourteen #define lines for the
// assembly of the PLC core.

#include <filesystem>
#include <string>

namespace compiler {

struct PlcSetup;
struct Studio;

inline constexpr const char* kOptionsHeaderName = "QSKLREN.$$$";

// Direction byte of port word n (0..4): bit k set when port bit Pn:k is an output (flag 0).
int PortDirectionByte(const PlcSetup& setup, int port);

// The header's bytes: COMP_OPTION1..8, PLCMODEL, DIR0..4, each line ended by CR LF.
std::string MakeCompileOptions(const PlcSetup& setup);

// Writes QSKLREN.$$$ into folder. Returns true on failure, after showing "File Creation
// Error !" (or its Korean twin); an earlier header is then left as it was.
bool WriteCompileOptions(Studio& studio, const std::filesystem::path& folder);

}  // namespace compiler
