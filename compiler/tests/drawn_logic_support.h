#pragma once
// Two independent readings of a rung's logic, for all input assignments at once: what the
// drawing shows (power from the left rail through the cells, links joining right edges) and
// what the translated lines compute on the rung macros' registers. Each value is a mask with
// one bit per input assignment.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compiler/document.h"

namespace ladder_test {

// Input variables by operand text; an edge's previous state is the variable "prev:" + its
// text. Unknown operands read as always off, F0:1 as always on.
struct InputMasks {
  std::map<std::string, uint64_t> vars;
  uint64_t all = ~uint64_t{0};  // the assignments in use

  // Variables named in order get the bit patterns of a binary count over 2^n assignments
  // (n at most 6).
  static InputMasks Count(const std::vector<std::string>& names);
  uint64_t Of(const std::string& name) const;
};

// Outputs by kind: "(coil)", "[box text]", "{counter text}" with "{counter text}.reset".
using OutputMasks = std::map<std::string, uint64_t>;

// What the drawing of rows firstRow..lastRow drives. Cells understood: contacts, wires, NOT,
// edges (rising: power and not before; falling: no power and before), boxes (an output that
// passes its power on; a gap after it takes the power to the output column), counter boxes in column 9 (count input on
// their row, reset input on the row below), coils in column 10 and links. A cell that no path from the rail reaches
// drives nothing.
OutputMasks DrawnOutputs(const compiler::ProgramDocument& doc, int firstRow, int lastRow, const InputMasks& in);

// What the translated lines drive: NOW bit, NOW_SAVE and SAVEST as the rung macros keep them.
OutputMasks TranslatedOutputs(const std::string& lines, const InputMasks& in);

}  // namespace ladder_test
