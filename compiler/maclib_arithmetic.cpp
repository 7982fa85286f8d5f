#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibArithmetic() { return {}; }

}  // namespace compiler
