#pragma once
// What the document and the editing commands of the ladder library do to the ladder view. The studio's ladder view
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
};

}  // namespace compiler
