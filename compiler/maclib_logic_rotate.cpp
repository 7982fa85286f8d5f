#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibLogicRotate() { return {}; }

}  // namespace compiler
