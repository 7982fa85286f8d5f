#pragma once
// The lines of the translated program (one macro call per ladder element), the position
// marker that ends every element line, and the assembler-ready copy of the translation.

#include <string>
#include <string_view>

namespace compiler {

// " ; __Pos " + column and row as four upper-case hex digits each, then CR LF.
std::string MakePosComment(int col, int row);

// Contact line kinds; the S forms are chosen by the operand's first letter.
enum class ContactOp { Load, LoadN, And, AndN, Or, OrN };

// Operand of a contact line: timers read their done bit (T5 -> T5:7), counters the bit 7 of
// their control byte (C5 -> CC5:7), compare operators become condition names
// followed by a comma, with or without a blank after the operator (">= D0, 10" and
// ">=D0, 10" -> "GE,D0, 10"); anything else is unchanged.
std::string ConvertContactOperand(std::string_view text);

// A contact line for the cell text (converted here), with the marker of (col, row).
std::string ContactLine(ContactOp op, std::string_view cellText, int col, int row);

std::string CoilLine(std::string_view text, int col, int row);
std::string NotLine(int col, int row);
// Edge lines; the row form (main row of a rung) and the branch form differ in spacing.
std::string EdgeLine(bool rising, bool branchForm, std::string_view text, int col, int row);
std::string BoxLine(std::string_view text, int col, int row);
std::string McsConditionLine(int level);

inline constexpr std::string_view kEndLine = " RET ";
inline constexpr std::string_view kRowStartWireLine = " LOAD   F0:1 \r\n";
inline constexpr std::string_view kCtdLine = " IOR    F0,2\r\n";
inline constexpr std::string_view kAndsLine = " ANDS\r\n";
inline constexpr std::string_view kSavesLine = " SAVES \r\n";
inline constexpr std::string_view kRdsLine = " RDS \r\n";
inline constexpr std::string_view kOrsLine = " ORS\r\n";

// The bytes of QSKLINC.$$$ made from those of QS2OUT.$$$: ':' becomes ',', NUL becomes a
// blank, each double-byte CP949 character becomes its two Johab bytes (a blank per source
// byte when it has none), everything else is copied; CR LF is added at the end.
std::string MakeAssemblerCopy(std::string_view qs2out);

}  // namespace compiler
