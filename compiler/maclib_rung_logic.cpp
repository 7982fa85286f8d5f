#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibRungLogic() { return {}; }

}  // namespace compiler
