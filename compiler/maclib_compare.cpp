#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibCompare() { return {}; }

}  // namespace compiler
