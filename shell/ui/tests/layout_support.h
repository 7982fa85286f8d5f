#pragma once
// Checks of the main window's layout shared by the window tests.

#include <string>
#include <vector>

namespace shell {
class FrmMain;
}

namespace shell_test {

// Chooses the main tab `tab`, then resizes the window away and back to its size: what lies
// elsewhere, or is seen elsewhere, afterwards (empty when the layout is the same).
std::vector<std::string> PlacesMovedByAResize(shell::FrmMain& window, int tab);

// With the mnemonic view shown, the Ladder tab is in sight, clear of the view, and a click on
// it brings the ladder back. Leaves the Ladder tab chosen; false with a gtest failure else.
bool LadderTabReachable(shell::FrmMain& window);

}  // namespace shell_test
