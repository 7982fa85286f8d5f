#pragma once
// Device operands (P0:1, M12:7, T5, C3, D100, ...), the field splitter for instruction
// lines, the alias lookups and the operand check of the cell and watch entry boxes.
// Texts are CP949 bytes.

#include <string>
#include <string_view>

#include "platform/ansi_text.h"

namespace compiler {

class ProgramDocument;

// Word or device number of a device text; -1 when the text is no device or the number
// does not fit in 16 bits.
int GetOperandWord(std::string_view text);

// Bit number after the first colon; 0 without a colon; -1 when the text is no device or
// the number does not fit in 16 bits.
int GetOperandBit(std::string_view text);

// The n-th field (from 1) of a text split at blanks and commas. The character right after
// a separator always starts the next field, so "TON T0, 100" has field 3 " 100".
platform::AnsiText GetField(std::string_view text, int n);

// Alias of a P, M, K, C or T device, or empty.
platform::AnsiText GetDeviceAlias(const ProgramDocument& doc, std::string_view device);

// Device text whose upper-cased alias equals name ("M1:5", "T7"), or empty.
platform::AnsiText AliasToDevice(const ProgramDocument& doc, std::string_view name);

// Upper-cases ASCII letters and leaves double-byte characters whole.
platform::AnsiText AnsiUpper(std::string_view text);

// The text without its leading and trailing blanks (spaces only).
std::string_view TrimBlanks(std::string_view text);

// Checks a text before the cell or watch entry box accepts it. Returns true when it is
// refused, with the reason (UTF-8) in syntaxErrMsg. The bit operand rules apply when the
// cursor cell's code or the editor's last placed code is a contact, coil or edge.
bool CheckInstructionOperand(std::string_view text, int cursorCellType, int editCellType, std::string& syntaxErrMsg);

}  // namespace compiler
