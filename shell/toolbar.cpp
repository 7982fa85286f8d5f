#include "shell/toolbar.h"

#include <cstddef>

namespace shell {

const std::array<ToolbarButton, 18> kToolbarButtons = {{
    {1, nullptr, ToolbarCommand::None, nullptr, nullptr},
    {2, "New", ToolbarCommand::New, "mnuNew", "file"},
    {3, "Open", ToolbarCommand::Open, "mnuOpen", "standardbutton-open"},
    {4, "Save", ToolbarCommand::Save, "mnuSave", "standardbutton-save"},
    {5, nullptr, ToolbarCommand::None, nullptr, nullptr},
    {6, "Print", ToolbarCommand::Print, "mnuPrint", "viewdetailed"},
    {7, nullptr, ToolbarCommand::None, nullptr, nullptr},
    {8, "Block Cut", ToolbarCommand::BlockCut, "mnuBlockCut", nullptr},
    {9, "Block Copy", ToolbarCommand::BlockCopy, "mnuBlockCopy", nullptr},
    {10, "Block Paste", ToolbarCommand::BlockPasteInsert, "mnuBlockPasteInsert", nullptr},
    {11, nullptr, ToolbarCommand::None, nullptr, nullptr},
    {12, "Search", ToolbarCommand::Search, "mnuSearch", "filecontents"},
    {13, nullptr, ToolbarCommand::None, nullptr, nullptr},
    {14, "Auto", ToolbarCommand::Auto, "mnuAuto", "media-seek-forward"},
    {15, "Run", ToolbarCommand::Run, "mnuRun", "media-play"},
    {16, "Stop", ToolbarCommand::Stop, "mnuStop", "media-stop"},
    {17, "Monitor", ToolbarCommand::Monitor, "mnuMonitor", "computer"},
    {18, nullptr, ToolbarCommand::None, nullptr, nullptr},
}};

ToolbarCommand ToolbarCommandOf(int index) {
  if (index < 1 || index > static_cast<int>(kToolbarButtons.size())) return ToolbarCommand::None;
  return kToolbarButtons[static_cast<size_t>(index - 1)].command;
}

}  // namespace shell
