#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibConversionSpecial() { return {}; }

}  // namespace compiler
