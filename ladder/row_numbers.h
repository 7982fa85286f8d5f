#pragma once
// Row numbers stand in the column left of the rail, on screen and on paper. A label starts
// at its usual x, or further left where it would reach the column's right edge; where even
// that is not enough the numbers' font shrinks until every label fits the column.

#include <string>
#include <vector>

#include "ladder/drawing_surface.h"
#include "ladder/ladder_geometry.h"

namespace ladder {

// Right edge of the row-number column for a rail at railX: labels keep half a unit clear of
// the rail.
inline int RowNumberRight(const LadderGeometry& g, int railX) { return railX - g.Cunit / 2; }

// Sets `font` on the surface, or the largest smaller size of it at which each of the labels
// is no wider than `right`.
void FitRowNumberFont(DrawingSurface& s, SurfaceFont font, int right, const std::vector<std::string>& labels);

// Where a label starts in the surface's present font: at preferredX, or further left so that
// it ends at `right`, never left of 0.
int RowNumberX(const DrawingSurface& s, const std::string& label, int preferredX, int right);

}  // namespace ladder
