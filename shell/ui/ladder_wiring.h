#pragma once
// The ladder editor in the studio's window: the ladder view in place of the empty board, the
// element toolbar, the Edit menu's row and block commands, Go to and Find, the alias page,
// printing and the block selection with the mouse.

namespace ladder {
class LadderView;
class AliasPageWidget;
}  // namespace ladder

namespace plclink {
class ErrorCellView;
}

namespace shell {

class FrmMain;

struct LadderWiring {
  ladder::LadderView* view = nullptr;
  ladder::AliasPageWidget* aliasPage = nullptr;
  plclink::ErrorCellView* errorCell = nullptr;  // a build's failing cell on the view (owned by it)
};

// Builds the ladder view and its companions into the window: the view becomes the window's
// ladder pane, the alias page follows the window's signals, and the Edit menu's and the
// printing commands get their code. Call before Form_Load, so that the program opened at
// start-up is drawn. The mouse on the board is connected by whoever builds the monitor
// (a right click while monitoring hands the cell to the watch list).
LadderWiring WireLadder(FrmMain& window);

// The element toolbar's captions and tool tips, buttons 1 to 11.
struct ElementButton {
  const char* caption;
  const char* toolTip;
};
extern const ElementButton kElementButtons[11];

}  // namespace shell
