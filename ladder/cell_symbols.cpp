#include "ladder/cell_symbols.h"

#include "compiler/document.h"

namespace ladder {

namespace {

// Lines in units of the cell: (a, b) is (x + a u, y + b u); a "lower" ordinate lies in the
// row below (y + b u + Csai).
class Strokes {
 public:
  explicit Strokes(const CellPen& p) : p_(p), u_(p.geo.Cunit) {
    p_.surface.SetDrawMode(DrawMode::Copy);
    p_.surface.SetPenWidth(1);
  }
  ~Strokes() { p_.surface.SetPenWidth(1); }
  void Width(int px) { p_.surface.SetPenWidth(px); }
  void L(int a1, int b1, int a2, int b2) { Raw(X(a1), Y(b1), X(a2), Y(b2)); }
  // The second ordinate (or both) in the row below.
  void LLow(int a1, int b1, bool b1Low, int a2, int b2) { Raw(X(a1), b1Low ? Low(b1) : Y(b1), X(a2), Low(b2)); }
  void Raw(int x1, int y1, int x2, int y2) { p_.surface.Line(x1, y1, x2, y2, p_.line); }
  void ClearTwoCells() {
    const LadderGeometry& g = p_.geo;
    p_.surface.FilledBox(p_.x + g.Cunit10, p_.y, p_.x + 2 * g.CellW - g.Cunit10, p_.y + g.CellH, p_.back);
  }
  int X(int a) const { return p_.x + a * u_; }
  int Y(int b) const { return p_.y + b * u_; }
  int Low(int b) const { return p_.y + b * u_ + p_.geo.Csai; }

 private:
  const CellPen& p_;
  int u_;
};

void ContactLeads(Strokes& s) {
  s.L(0, 5, 3, 5);
  s.L(6, 5, 9, 5);
}

void EdgeWire(const CellPen& p, Strokes& s) { s.Raw(s.X(0), s.Y(5), p.x + p.geo.CellW, s.Y(5)); }

}  // namespace

void DrawContactNO(const CellPen& p) {
  Strokes s(p);
  ContactLeads(s);
  s.Width(2);
  s.L(6, 3, 6, 7);
  s.L(3, 3, 3, 7);
}

void DrawContactNC(const CellPen& p) {
  Strokes s(p);
  ContactLeads(s);
  s.Width(2);
  s.L(3, 3, 3, 7);
  s.L(6, 3, 6, 7);
  s.Width(1);
  s.L(5, 4, 4, 6);
}

void DrawWire(const CellPen& p) {
  Strokes s(p);
  s.L(0, 5, 9, 5);
}

void DrawCoil(const CellPen& p) {
  Strokes s(p);
  s.Width(2);
  s.L(2, 4, 3, 3);
  s.L(2, 4, 2, 6);
  s.L(2, 6, 3, 7);
  s.L(6, 3, 7, 4);
  s.L(7, 4, 7, 6);
  s.L(7, 6, 6, 7);
  s.Width(1);
  s.L(0, 5, 2, 5);
}

void DrawOutputBox(const CellPen& p) {
  Strokes s(p);
  s.ClearTwoCells();
  s.L(0, 5, 1, 5);
  s.Width(2);
  s.L(1, 4, 1, 6);
  s.L(1, 4, 2, 4);
  s.L(1, 6, 2, 6);
  s.L(15, 4, 15, 6);
  s.L(14, 4, 15, 4);
  s.L(14, 6, 15, 6);
}

void DrawCounterBox(const CellPen& p) {
  Strokes s(p);
  s.ClearTwoCells();
  s.L(0, 5, 3, 5);
  s.LLow(0, 12, true, 3, 12);
  s.Width(2);
  s.LLow(3, 4, false, 3, 13);
  s.L(3, 4, 4, 4);
  s.LLow(3, 13, true, 4, 13);
  s.LLow(15, 4, false, 15, 13);
  s.L(14, 4, 15, 4);
  s.LLow(14, 13, true, 15, 13);
  s.Width(1);
  p.surface.SetTextPos(s.X(4), s.Y(5));
  p.surface.Print("C");
  p.surface.SetTextPos(s.X(4), s.Low(10));
  p.surface.Print("R");
}

void DrawInlineBox(const CellPen& p) {
  Strokes s(p);
  s.ClearTwoCells();
  s.L(0, 5, 3, 5);
  s.L(15, 5, 18, 5);
  s.Width(2);
  s.L(3, 3, 3, 7);
  s.L(3, 3, 15, 3);
  s.L(3, 7, 15, 7);
  s.L(15, 3, 15, 7);
}

void DrawNotSlash(const CellPen& p) {
  Strokes s(p);
  ContactLeads(s);
  s.L(5, 4, 4, 6);
}

void DrawFallingEdge(const CellPen& p) {
  Strokes s(p);
  EdgeWire(p, s);
  s.Width(2);
  s.L(2, 3, 4, 3);
  s.L(4, 3, 4, 7);
  s.L(4, 7, 6, 7);
}

void DrawRisingEdge(const CellPen& p) {
  Strokes s(p);
  EdgeWire(p, s);
  s.Width(2);
  s.L(2, 7, 4, 7);
  s.L(4, 3, 4, 7);
  s.L(4, 3, 6, 3);
}

void DrawBranchDown(const CellPen& p) {
  Strokes s(p);
  s.LLow(9, 5, false, 9, 12);
}

void DrawBranchFromAbove(const CellPen& p) {
  Strokes s(p);
  s.L(9, 5, 9, 0);
}

void DrawCellSymbol(const CellPen& p, int cellType) {
  switch (cellType) {
    case compiler::kContactNO:
      DrawContactNO(p);
      break;
    case compiler::kContactNC:
      DrawContactNC(p);
      break;
    case compiler::kWire:
      DrawWire(p);
      break;
    case compiler::kCoil:
      DrawCoil(p);
      break;
    case compiler::kBox:
      DrawOutputBox(p);
      break;
    case compiler::kCounterBox:
      DrawCounterBox(p);
      break;
    case compiler::kInlineBox:
      DrawInlineBox(p);
      break;
    case compiler::kNot:
      DrawNotSlash(p);
      break;
    case compiler::kFallingEdge:
      DrawFallingEdge(p);
      break;
    case compiler::kRisingEdge:
      DrawRisingEdge(p);
      break;
    default:
      break;
  }
}

}  // namespace ladder
