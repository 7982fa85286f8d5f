#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibShift() { return {}; }

}  // namespace compiler
