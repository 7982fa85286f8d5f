// Data and symbol-scope directives of aq71: DB, DW, DP, DD (data items of 1, 2, 3 and 4 bytes)
// and PUBLIC/EXPORT, EXTERN/IMPORT (names made visible to, or taken from, other modules).
// DS is in segments.h.
#pragma once

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

// DB, DW, DP, DD: item_size 1, 2, 3 or 4. The scanner stands on the directive word.
void directive_data(Scanner& sc, int item_size, SymbolNode* label);
// PUBLIC/EXPORT (external false) and EXTERN/IMPORT (external true): a list of names.
void directive_scope(Scanner& sc, bool external, SymbolNode* label);

// Number of external symbols declared so far in the current module (the next external index).
int extern_count(Assembly& run);

}  // namespace aq71
