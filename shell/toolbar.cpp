#include "shell/toolbar.h"

#include <cstddef>

namespace shell {

const std::array<ToolbarButton, 18> kToolbarButtons = {{
    {1, nullptr, ToolbarCommand::None},
    {2, "New", ToolbarCommand::New},
    {3, "Open", ToolbarCommand::Open},
    {4, "Save", ToolbarCommand::Save},
    {5, nullptr, ToolbarCommand::None},
    {6, "Print", ToolbarCommand::Print},
    {7, nullptr, ToolbarCommand::None},
    {8, "Block Cut", ToolbarCommand::BlockCut},
    {9, "Block Copy", ToolbarCommand::BlockCopy},
    {10, "Block Paste", ToolbarCommand::BlockPasteInsert},
    {11, nullptr, ToolbarCommand::None},
    {12, "Search", ToolbarCommand::Search},
    {13, nullptr, ToolbarCommand::None},
    {14, "Auto", ToolbarCommand::Auto},
    {15, "Run", ToolbarCommand::Run},
    {16, "Stop", ToolbarCommand::Stop},
    {17, "Monitor", ToolbarCommand::Monitor},
    {18, nullptr, ToolbarCommand::None},
}};

ToolbarCommand ToolbarCommandOf(int index) {
  if (index < 1 || index > static_cast<int>(kToolbarButtons.size())) return ToolbarCommand::None;
  return kToolbarButtons[static_cast<size_t>(index - 1)].command;
}

}  // namespace shell
