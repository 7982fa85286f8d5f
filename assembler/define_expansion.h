// Expansion of #define names in the statement stream. A body becomes an input reader on the
// scanner's input stack, so that everything in it is scanned again. For a name with parameters
// the actual arguments are collected first, themselves expanded, and put in place of the
// formals. Guards: a name is never expanded inside its own expansion, one source line allows a
// bounded number of expansions, and nesting depths are fixed.
#pragma once

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

inline constexpr int MAX_EXPANSION_DEPTH = 100;    // nested bodies being read
inline constexpr int MAX_COLLECTION_DEPTH = 50;    // nested argument collections
inline constexpr int MAX_ACTIVE_PARAMETERS = 256;  // arguments of the expansions under way
inline constexpr int MAX_LINE_EXPANSIONS = 100;    // per source line, then names stay identifiers
inline constexpr unsigned MAX_ARGUMENT_LENGTH = 512;

// Expands the name (which has a #define record). True when its body has become the input, false
// when the name stays an ordinary identifier.
bool expand_define_A06(Scanner& scanner, SymbolNode* node);

// A new line begins (the per-line expansion count starts again).
void define_expansion_line_begin(Assembly& run);

// Bodies left unread (a new module, an input reset): their names may expand again.
void reset_define_expansion(Assembly& run);

// Number of bodies being read.
int define_expansion_depth(Assembly& run);

}  // namespace aq71
