#pragma once
// The main toolbar: eighteen buttons, six of them separators; each action button is the
// menu command of the same name (the window puts the menu item's own action, which it finds
// by the button's command, on the toolbar).

#include <array>

namespace shell {

enum class ToolbarCommand {
  None,  // separator
  New,
  Open,
  Save,
  Print,
  BlockCut,
  BlockCopy,
  BlockPasteInsert,
  Search,
  Auto,
  Run,
  Stop,
  Monitor,
};

struct ToolbarButton {
  int index;               // 1..18
  const char* toolTip;     // the same in both languages; null for a separator
  ToolbarCommand command;  // the menu command the button shares; None for a separator
  const char* picture;     // the style's built-in picture of the button; null: the button shows its text
};
extern const std::array<ToolbarButton, 18> kToolbarButtons;

// The command of a button index; None for separators and any index outside 1..18.
ToolbarCommand ToolbarCommandOf(int index);

}  // namespace shell
