#pragma once
// Checks a translated rung against its drawing: every output cell of the rung's rows (coil,
// box, counter inputs) must get, for every input, the value the drawing shows, so that no
// shape the rung macros cannot express is compiled into other logic.
//
// The drawing: power enters every row from the left rail and passes wires, closed contacts,
// NOT (inverts), edges (rising: power now and not before; falling: no power now and power
// before) and boxes (an output that passes its power on; an empty cell after a box takes the
// power straight to the output column). A vertical link joins the right edges of its two
// cells. A counter box in column 9 counts with the power reaching it and resets with the power
// reaching the empty cell under it. A cell that no path from the rail reaches gets no value.
//
// The lines: NOW, NOW_SAVE and SAVEST as the rung macros keep them.

#include <memory>
#include <string>

#include "compiler/document.h"

namespace compiler {

// Checks the rungs of one translation in turn. The devices and the decision diagram are kept
// from rung to rung, so that a rung pays only for the logic that is new to it; a rung that
// does not fit beside its predecessors is compared again on its own.
class RungChecker {
 public:
  explicit RungChecker(const ProgramDocument& doc);
  ~RungChecker();
  RungChecker(const RungChecker&) = delete;
  RungChecker& operator=(const RungChecker&) = delete;

  // Returns true when an output of rows firstRow..lastRow gets other logic from `lines` (the
  // rung's translation) than from the drawing, with col/row naming the first such output
  // cell. Rows linked to the rung above or below it belong to its drawing. The END box is
  // left to the caller. A rung too large to compare is taken as it is.
  bool Differs(int firstRow, int lastRow, const std::string& lines, int& col, int& row);

 private:
  class Logic;
  std::unique_ptr<Logic> logic_;
};

}  // namespace compiler
