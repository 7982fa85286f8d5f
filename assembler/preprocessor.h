// Preprocessor of aq71: the '#' lines (#define, #undef, #if, #elif, #ifdef, #ifndef, #else,
// #endif, #line, #pragma, #message, #error, #include), the #if stack that decides which lines
// are active, the #define records (define_records.h) with their bodies, and the predefined
// symbols. The expansion of defined names is in define_expansion.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "assembler/define_records.h"

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

inline constexpr int MAX_IF_DEPTH = 50;

// Registers the directive words and the predefined symbols in the identifier tree. Does nothing
// when the run's tree already has them (the tree is set up once per run).
void init_preprocessor_A02(Assembly& run);

// -D: gives the name a #define without parameter list and with the body (replacing any earlier
// one). 0 when the name had no #define before, 1 when one was replaced.
int define_symbol_A02(Assembly& run, std::string_view name, std::string_view body, long origin_line);
// -U: removes the name's #define. 1 when it had none, else 0.
int undefine_symbol_A02(Assembly& run, std::string_view name);

// The #define record of a name in the run (as written, then upper-cased), or nullptr.
DefineRec* find_define(Assembly& run, std::string_view name);

// A '#' line: the scanner's current character is the one after the '#'.
void pp_dispatch_A02(Scanner& scanner);
// 1 while lines are assembled, 0 inside a false #if branch.
int preprocessor_active_state(Assembly& run);
int preprocessor_if_depth(Assembly& run);

// Connects the scanner's preprocessor hooks ('#' lines, #if state, #define expansion).
void install_preprocessor(Scanner& scanner);

}  // namespace aq71
