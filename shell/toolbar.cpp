#include "shell/toolbar.h"

#include <cstddef>

namespace shell {

const std::array<ToolbarButton, 18> kToolbarButtons = {{
    {1, nullptr, ToolbarCommand::None, nullptr},
    {2, "New", ToolbarCommand::New, "file"},
    {3, "Open", ToolbarCommand::Open, "standardbutton-open"},
    {4, "Save", ToolbarCommand::Save, "standardbutton-save"},
    {5, nullptr, ToolbarCommand::None, nullptr},
    {6, "Print", ToolbarCommand::Print, "viewdetailed"},
    {7, nullptr, ToolbarCommand::None, nullptr},
    {8, "Block Cut", ToolbarCommand::BlockCut, nullptr},
    {9, "Block Copy", ToolbarCommand::BlockCopy, nullptr},
    {10, "Block Paste", ToolbarCommand::BlockPasteInsert, nullptr},
    {11, nullptr, ToolbarCommand::None, nullptr},
    {12, "Search", ToolbarCommand::Search, "filecontents"},
    {13, nullptr, ToolbarCommand::None, nullptr},
    {14, "Auto", ToolbarCommand::Auto, "media-seek-forward"},
    {15, "Run", ToolbarCommand::Run, "media-play"},
    {16, "Stop", ToolbarCommand::Stop, "media-stop"},
    {17, "Monitor", ToolbarCommand::Monitor, "computer"},
    {18, nullptr, ToolbarCommand::None, nullptr},
}};

ToolbarCommand ToolbarCommandOf(int index) {
  if (index < 1 || index > static_cast<int>(kToolbarButtons.size())) return ToolbarCommand::None;
  return kToolbarButtons[static_cast<size_t>(index - 1)].command;
}

}  // namespace shell
