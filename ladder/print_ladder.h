#pragma once
// Prints the whole program, rows 0 to the END row, on a printer surface: the screen's
// geometry, the same cell symbols in black, row numbers, a page break at a fixed height with
// a footer line on every page, and a last footer with the end-of-document line.

#include <string>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "ladder/ladder_geometry.h"
#include "ladder/print_pages.h"

namespace ladder {

constexpr int kPrintTop = 1000;         // top margin added to every printed y (twips)
constexpr int kPrintPageBreak = 13500;  // a page ends when the next row's top passes this
constexpr double kPrintFontSize = 9.0;  // points

enum class PrintResult {
  Printed,  // the document went to the printer
  NoEnd,    // no END cell: the message was shown, nothing printed
  Failed,   // the printer failed: the reason was shown once
};

// The footer of a full page and the last one (one more blank before the bracket).
std::string PageFooter(int page, const std::string& path);
std::string LastFooter(int page, const std::string& path);
// The end-of-document line.
std::string EndOfDocumentLine();

// Lays out and prints the program. The path in the footers is the program's file path.
PrintResult PrintLadder(compiler::Studio& studio, const LadderGeometry& geo, DrawingSurface& surface,
                        PrintPages& pages);

}  // namespace ladder
