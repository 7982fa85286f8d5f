#pragma once
// Where each named control of a window lies and which control is seen at its middle, for
// comparing two layouts of one window (the window tests, the script's "places").

#include <map>
#include <string>

class QWidget;

namespace shell {

// One entry per control shown in `window` that has an object name, keyed by that name (with
// "(I)" for element I of a control array and " #N" for the Nth control of a name already
// taken), and one per tab of a shown tab strip (" tab N"). The value is "x,y WxH seen NAME":
// the place in the window's coordinates and the name of the control on top at its middle.
std::map<std::string, std::string> ControlPlaces(QWidget& window);

}  // namespace shell
