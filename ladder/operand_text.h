#pragma once
// Text rules of the operand box: blanks, comments, aliases and the colon of bit devices.
// Texts are CP949 bytes.

#include "compiler/document.h"
#include "compiler/operands.h"
#include "platform/ansi_text.h"

namespace ladder {

using compiler::TrimBlanks;
// A comment begins with an apostrophe.
bool IsComment(const platform::AnsiText& text);
// The device whose alias is this text (any letter case), or empty. An empty or blank
// text names no device, although unused aliases are empty too.
platform::AnsiText DeviceOfAlias(const compiler::ProgramDocument& doc, const platform::AnsiText& text);
// Puts the colon of a bit device typed without one before its last character: M12 gives
// M1:2, P105 gives P10:5. Only for M, P, F, S and K followed by a digit and longer than two
// characters; any other text comes back unchanged.
platform::AnsiText InsertBitColon(const platform::AnsiText& text);

}  // namespace ladder
