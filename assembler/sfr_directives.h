// Special function register declarations: SFRB, SFRW, SFRTYPE and the CONST prefix that makes
// an SFRB or SFRW on the same line read-only. An SFR is a label in the absolute segment whose
// value is the register's I/O address and whose flags carry the SFR attributes; instructions
// that address ports check them (sfr_usage).
#pragma once

#include <cstdint>

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

// Label flags of SFR symbols (the SFR attribute keywords carry the same bits).
inline constexpr std::uint32_t SFR_ATTR_SFR = 0x200;
inline constexpr std::uint32_t SFR_ATTR_READ = 0x800;
inline constexpr std::uint32_t SFR_ATTR_WRITE = 0x1000;
inline constexpr std::uint32_t SFR_ATTR_BYTE = 0x80000;
inline constexpr std::uint32_t SFR_ATTR_WORD = 0x100000;
inline constexpr std::uint32_t SFR_ATTR_SIZE = 0x200000;
inline constexpr std::uint32_t SFR_ATTR_ALL =
    SFR_ATTR_SFR | SFR_ATTR_READ | SFR_ATTR_WRITE | SFR_ATTR_BYTE | SFR_ATTR_WORD | SFR_ATTR_SIZE;

// I/O addresses an SFR may have (the port addresses of IN and OUT).
inline constexpr std::int32_t SFR_ADDRESS_MIN = 0;
inline constexpr std::int32_t SFR_ADDRESS_MAX = 0x3F;
inline constexpr const char* SFR_RANGE_MESSAGE = "Special Function Register (SFR) address is out of range";

// SFRB name = address / SFRW name = address. word: SFRW.
void directive_sfr(Scanner& sc, bool word, SymbolNode* label);
// SFRTYPE name attr[,attr...] = address.
void directive_sfrtype(Scanner& sc, SymbolNode* label);
// CONST: the SFRB or SFRW that follows on the line is read-only. run carries out the directive
// that follows (the directive table's run_directive); it returns false for a directive it has no
// handler for.
using DirectiveRunner = bool (*)(Scanner& sc, SymbolNode* directive, SymbolNode* label);
void directive_const(Scanner& sc, SymbolNode* label, DirectiveRunner run);
// True while the rest of a CONST line of the run is read.
bool const_flag(Assembly& run);

}  // namespace aq71
