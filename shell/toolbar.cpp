#include "shell/toolbar.h"

#include <cstddef>

namespace shell {

const std::array<ToolbarButton, 18> kToolbarButtons = {{
    {1, nullptr, ToolbarCommand::None, nullptr},
    {2, "New", ToolbarCommand::New, "mnuNew"},
    {3, "Open", ToolbarCommand::Open, "mnuOpen"},
    {4, "Save", ToolbarCommand::Save, "mnuSave"},
    {5, nullptr, ToolbarCommand::None, nullptr},
    {6, "Print", ToolbarCommand::Print, "mnuPrint"},
    {7, nullptr, ToolbarCommand::None, nullptr},
    {8, "Block Cut", ToolbarCommand::BlockCut, "mnuBlockCut"},
    {9, "Block Copy", ToolbarCommand::BlockCopy, "mnuBlockCopy"},
    {10, "Block Paste", ToolbarCommand::BlockPasteInsert, "mnuBlockPasteInsert"},
    {11, nullptr, ToolbarCommand::None, nullptr},
    {12, "Search", ToolbarCommand::Search, "mnuSearch"},
    {13, nullptr, ToolbarCommand::None, nullptr},
    {14, "Auto", ToolbarCommand::Auto, "mnuAuto"},
    {15, "Run", ToolbarCommand::Run, "mnuRun"},
    {16, "Stop", ToolbarCommand::Stop, "mnuStop"},
    {17, "Monitor", ToolbarCommand::Monitor, "mnuMonitor"},
    {18, nullptr, ToolbarCommand::None, nullptr},
}};

ToolbarCommand ToolbarCommandOf(int index) {
  if (index < 1 || index > static_cast<int>(kToolbarButtons.size())) return ToolbarCommand::None;
  return kToolbarButtons[static_cast<size_t>(index - 1)].command;
}

}  // namespace shell
