#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibDataMove() { return {}; }

}  // namespace compiler
