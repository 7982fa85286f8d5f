#pragma once
// The Print command: the whole program at once, without a dialog, on the printer or into the
// PDF file chosen in Printer Setup, else on the default printer; with no printer, into a PDF
// file beside the program, and the user is told where.

#include <QString>
#include <string>

#include "compiler/studio_state.h"
#include "ladder/ladder_geometry.h"
#include "ladder/print_ladder.h"

class QWidget;

namespace ladder {

struct PrintOutcome {
  PrintResult result = PrintResult::Printed;
  bool toPdf = false;
  std::string pdfPath;  // UTF-8, when printed into a file
};

// Where Print goes, as Printer Setup chose it for the rest of the run: a printer by name,
// or a PDF file; neither means the default printer.
struct PrintTarget {
  QString printerName;
  std::string pdfFile;  // UTF-8
};

// The PDF file for a program: its path with ".pdf" in place of ".qsl"; a program that has
// no folder yet (untitled) goes into the given folder.
std::string PdfPathFor(const std::string& programPath, const std::string& untitledFolder);

// Prints where the target says: into its PDF file, on its printer, or on the default
// printer; with no such printer, into the PDF file beside the program (an untitled one
// into untitledFolder). A PDF file written is named to the user in a message.
PrintOutcome PrintProgram(compiler::Studio& studio, const LadderGeometry& geo, const PrintTarget& target,
                          const std::string& untitledFolder);

// Printer Setup (for the rest of the run): the print dialog, opened on the target's choice; an accepted choice becomes
// the target. `parent` centres the dialog.
void ChoosePrintTarget(PrintTarget& target, QWidget* parent);

// Prints into the given PDF file (tests, and the road without a printer).
PrintOutcome PrintProgramToPdf(compiler::Studio& studio, const LadderGeometry& geo, const std::string& pdfPath);

}  // namespace ladder
