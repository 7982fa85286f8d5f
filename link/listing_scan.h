#pragma once
// The listing scan after the build batch: finds the assembler's echo of the first failing
// line generated from a ladder cell (the line carries the cell's " ; __Pos cccc rrrr"
// marker) and returns its cell with the assembler's lines for the build command to show.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/message_box.h"

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

enum class ListingOutcome {
  Clean,        // the listing names no cell
  NotFound,     // there is no listing ("File not found : " shown); the build goes on
  Unreadable,   // it exists but cannot be read ("Open Error:" shown)
  ErrorAtCell,  // an assembler error at a ladder cell, not shown yet
};

struct [[nodiscard]] ListingCheck {
  ListingOutcome outcome = ListingOutcome::Clean;
  int col = -1;  // the cell of ErrorAtCell
  int row = -1;
  platform::Message errorMessage;  // ErrorAtCell: the assembler's lines, shown after the cell
  // The build stops here (an error was found, or the listing cannot be read).
  bool Failed() const { return outcome == ListingOutcome::Unreadable || outcome == ListingOutcome::ErrorAtCell; }
};

// Scans the listing of the model in `folder`; messages in the interface language `korean`.
ListingCheck CheckCompileListing(const std::filesystem::path& folder, int plcModel, bool korean,
                                 platform::MessageSink* messages);

}  // namespace plclink
