#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibDisplayText() { return {}; }

}  // namespace compiler
