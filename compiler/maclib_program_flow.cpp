#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibProgramFlow() { return {}; }

}  // namespace compiler
