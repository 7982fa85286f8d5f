#pragma once
// Connects the ladder view's mouse on the board to the block selection: a press moves the
// cursor and ends the selection, a drag with a button held stretches it and shows its
// corners in the status bar.

#include <functional>

namespace ladder {

class LadderView;

// onRightPressWhileMonitoring runs after a right press in monitor mode (the window adds
// the cursor cell's device to the watch list); it returns false when the list was full,
// and the press then skips its repaint.
void ConnectSelectionMouse(LadderView& view, std::function<bool()> onRightPressWhileMonitoring = {});

}  // namespace ladder
