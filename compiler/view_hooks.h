#pragma once
// What the document and the translator do to the ladder view. The studio's ladder view
// implements it; without a view the defaults do nothing.

namespace compiler {

class ViewHooks {
 public:
  virtual ~ViewHooks() = default;
  // Repaints the ladder from TopRow with the cursor at CurCol/CurRow.
  virtual void DrawLadder() {}
  // The vertical scroll bar's maximum and value.
  virtual void SetScrollMax(int /*max*/) {}
  virtual void SetScrollValue(int /*value*/) {}
  // Prints "ERROR" over the cell whose left and top edges are (x, y) in twips, in the
  // error colour, then restores the line colour and gives the board the input focus.
  virtual void MarkError(int /*x*/, int /*y*/) {}
};

}  // namespace compiler
