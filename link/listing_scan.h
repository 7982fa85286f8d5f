#pragma once
// The listing scan after the build batch: finds the assembler's echo of the first failing
// line generated from a ladder cell (the line carries the cell's " ; __Pos cccc rrrr"
// marker), leads the ladder view to the cell and shows the assembler's lines.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/studio_state.h"
#include "compiler/translator.h"

namespace plclink {

// "ZQCORE2.LST" for model codes above 9, else "ZQCORE3.LST".
std::string ListingName(int plcModel);

struct ListingMarker {
  int col = 0;
  int row = 0;
  int topRow = 0;        // first row shown: row - 2, or 0 for rows 0 to 2
  std::string lines[3];  // the marked line cut before " ; __Pos", then the next two lines
};

// The first line of `text` with a usable "__Pos" marker. A marker with fewer than two
// characters before it, or whose column (above 10) or row (above 1199) lies outside the
// grid, is passed over. Missing lines after the marker are empty.
std::optional<ListingMarker> FindListingMarker(std::string_view text);

// Scans the listing of the model in `folder`. Returns 1 when an error was found (the cursor
// and TopRow put on the cell, the cell shown through `showErrorCell`, then the lines shown)
// or the listing cannot be read; 0 when it holds no marker, or does not exist
// ("File not found : " shown).
int CheckCompileListing(compiler::Studio& studio, const std::filesystem::path& folder,
                        const compiler::ErrorCellShown& showErrorCell = {});

}  // namespace plclink
