#include "compiler/macro_library.h"

#include "platform/ansi_text.h"
#include "platform/file_write.h"

namespace compiler {

std::string MacroLibraryText() {
  std::string text;
  for (std::string_view group :
       {MacroLibCompare(), MacroLibRungLogic(), MacroLibMasterStepOutput(), MacroLibTimerEdgeCounter(),
        MacroLibDisplayText(), MacroLibDataMove(), MacroLibArithmetic(), MacroLibLogicRotate(),
        MacroLibProgramFlow(), MacroLibShift(), MacroLibConversionSpecial()}) {
    if (group.empty()) continue;
    std::string utf8(group);
    auto ansi = platform::Utf8ToAnsi(utf8);
    std::string body = ansi ? *ansi : utf8;
    for (char c : body) {
      if (c == '\n') text += "\r\n";
      else text += c;
    }
    text += "\r\n";
  }
  return text;
}

bool WriteMacroLib(Studio& studio, const std::filesystem::path& folder) {
  (void)studio;
  return !platform::WriteFileAtomically(folder / kMacroLibraryName, MacroLibraryText());
}

}  // namespace compiler
