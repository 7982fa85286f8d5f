#pragma once
// A tiny ladder builder for the translator tests, a simulator of the rung macros over the
// translated lines, and an evaluator of what a drawn ladder of contacts, wires, links and
// coils shows.
//
// Cell tokens: "" or "." empty, "-" wire, "!" NOT, "X" normally open contact X, "/X"
// normally closed, "(X)" coil, "[X]" instruction box, "{X}" counter box, "^X" rising edge,
// "%X" falling edge, "@n" raw element code n without text.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/document.h"

namespace ladder_test {

void SetCell(compiler::ProgramDocument& doc, int col, int row, std::string_view token);

// Cells from column 0 on.
void SetRow(compiler::ProgramDocument& doc, int row, const std::vector<std::string>& cells);

// Contacts from column 0, wires up to column 9 and a coil in column 10.
void Rung(compiler::ProgramDocument& doc, int row, const std::vector<std::string>& contacts, const std::string& coil);

// A wire in column 0, wires up to column 8 and the END box in column 9; sets EndRow.
void EndRung(compiler::ProgramDocument& doc, int row);

void Link(compiler::ProgramDocument& doc, int col, int row);

// " ; __Pos cccc rrrr" + CR LF
std::string Pos(int col, int row);

// Runs the translated lines on the rung macros' registers (NOW bit, NOW_SAVE, SAVEST) for
// one input assignment; F0:1 is always on. Returns the coil values by operand. Lines other
// than contacts, blocks, NT and OT are ignored.
std::map<std::string, bool> Simulate(const std::string& lines, const std::function<bool(const std::string&)>& input);

// Coil values the drawing shows: power flows from the left rail through conducting cells
// (wires, closed contacts) to the right, and a vertical link joins the right edges of its
// two cells. Only contacts, wires, links and coils are understood.
std::map<std::string, bool> EvaluateDrawing(const compiler::ProgramDocument& doc, int firstRow, int lastRow,
                                            const std::function<bool(const std::string&)>& input);

}  // namespace ladder_test
