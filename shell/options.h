#pragma once
// The options window's three compile options of the program: source upload, clearing the
// keep area after a download and the 2.5 ms scan time.

#include "compiler/document.h"

namespace shell {

struct OptionBoxes {
  bool upload = false;
  bool clearKeep = false;
  bool scan25 = false;
};

// The boxes as the window opens: checked where the option is 1.
OptionBoxes OptionBoxesOf(const compiler::PlcSetup& setup);

// The window's Close button: the boxes into the options and their flags. Returns true when
// an option changed (the program then has unsaved changes).
bool ApplyOptionBoxes(const OptionBoxes& boxes, compiler::PlcSetup& setup);

}  // namespace shell
