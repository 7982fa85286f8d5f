// Listing directives: LSTCND, LSTCOD, LSTEXP, LSTMAC, LSTOUT, LSTPAG, LSTREP, LSTXRF, PAGSIZ,
// COL and PAGE. They change the list flags of the run settings, the page length and the width
// the listing is written with.
#pragma once

namespace aq71 {

class Assembly;
class Scanner;
struct SymbolNode;

// Width of the listing (COL) and the page length LSTPAG- put aside for LSTPAG+.
struct ListingLayout {
  int width = 79;
  int saved_page_length = 0;
};
ListingLayout& listing_layout(Assembly& run);

// Runs one listing directive; id is its directive number (directive_ids.h).
void directive_listing(Scanner& sc, int id, SymbolNode* label);

}  // namespace aq71
