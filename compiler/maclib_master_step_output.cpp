#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibMasterStepOutput() { return {}; }

}  // namespace compiler
