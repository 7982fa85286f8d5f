#pragma once
// Print columns of a picture: column 1 is the left edge, each further column one average
// character width (the width of "0" in the surface's font) to the right.

#include "ladder/drawing_surface.h"

namespace monitor {

inline int ColumnX(const ladder::DrawingSurface& surface, int column) { return (column - 1) * surface.TextWidth("0"); }

}  // namespace monitor
