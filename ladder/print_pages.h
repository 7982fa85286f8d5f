#pragma once
// What printing needs of a printer beside drawing: starting a new page and ending the
// document, and whether the printer failed (with a reason for the user).

#include <string>

namespace ladder {

class PrintPages {
 public:
  virtual ~PrintPages() = default;
  virtual void NewPage() = 0;
  // Ends the document, which sends it to the printer.
  virtual void EndDocument() = 0;
  // The first failure since printing began ("" when none): no printer, a write error.
  virtual std::string Failure() const = 0;
};

}  // namespace ladder
