#pragma once
// The Print command: the whole program at once on the default printer, without a dialog;
// with no printer set up, into a PDF file beside the program, and the user is told where.

#include <QString>
#include <string>

#include "compiler/studio_state.h"
#include "ladder/ladder_geometry.h"
#include "ladder/print_ladder.h"

namespace ladder {

struct PrintOutcome {
  PrintResult result = PrintResult::Printed;
  bool toPdf = false;
  std::string pdfPath;  // UTF-8, when printed into a file
};

// The PDF file for a program: its path with ".pdf" in place of ".qsl"; a program that has
// no folder yet (untitled) goes into the home folder.
std::string PdfPathFor(const std::string& programPath);

// Prints on the named printer, or the default one when the name is empty; into the PDF file
// beside the program when there is none.
PrintOutcome PrintProgram(compiler::Studio& studio, const LadderGeometry& geo, const QString& printerName = {});

// Prints into the given PDF file (tests, and the road without a printer).
PrintOutcome PrintProgramToPdf(compiler::Studio& studio, const LadderGeometry& geo, const std::string& pdfPath);

}  // namespace ladder
