#pragma once
// The macro library ZQ3MAC.INC: the fixed text that gives every line of the translated program
// its AVR code. The text is kept as UTF-8 in the sources, one function per group of macros in
// file order; the writer turns it into the ANSI code page (the comments are Korean) with CR LF
// line ends.

#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/studio_state.h"

namespace compiler {

inline constexpr const char* kMacroLibraryName = "ZQ3MAC.INC";

// The groups, in file order. Each returns its lines (comment blocks, macros and the blank lines
// between them) separated by '\n', without a line end after the last line.
std::string_view MacroLibCompare();            // CMPSET, DCMPSET, CMPEQ ... DCMPLE
std::string_view MacroLibRungLogic();          // LOAD ... NT
std::string_view MacroLibMasterStepOutput();   // MCS ... OT
std::string_view MacroLibTimerEdgeCounter();   // TON ... CTD
std::string_view MacroLibDisplayText();        // LCDCLS ... DASC
std::string_view MacroLibDataMove();           // MOVE ... GMOV
std::string_view MacroLibArithmetic();         // WINC ... DWDIV
std::string_view MacroLibLogicRotate();        // BLOGICAL ... DWRCR
std::string_view MacroLibProgramFlow();        // GOTO ... LOOP
std::string_view MacroLibShift();              // BSHR ... WSHL
std::string_view MacroLibConversionSpecial();  // WBCD ... RSOUT

// The labels the macros use inside themselves (M_Q, M_1, ...) are written as backquoted names
// with a colon in the written library (`M:Q`, `M:1`): the assembler takes a backquoted name as a
// label, and no ladder cell can give one, since every ':' of a cell reaches the assembler as ','.
// So a user's label of the same letters (GOTO M_Q) never lands on a macro's own label.
inline constexpr char kLocalLabelQuote = '`';
// The group text with every library label (names beginning "M_") in its written spelling.
std::string MarkLocalLabels(std::string_view text);
// The whole file's bytes: header, the groups in order, the closing blank lines; CP949, CR LF.
std::string MacroLibraryText();

// Writes ZQ3MAC.INC into folder. Returns true on failure, after "File Creation Error !".
bool WriteMacroLib(Studio& studio, const std::filesystem::path& folder);

}  // namespace compiler
