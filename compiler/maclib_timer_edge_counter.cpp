#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibTimerEdgeCounter() { return {}; }

}  // namespace compiler
