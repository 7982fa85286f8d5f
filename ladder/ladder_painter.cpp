#include "ladder/ladder_painter.h"

#include <algorithm>
#include <vector>

#include "compiler/operands.h"
#include "ladder/cell_symbols.h"
#include "ladder/row_numbers.h"

namespace ladder {

namespace {

constexpr int kNumberedRows = 21;

}  // namespace

std::string CursorStatusText(const compiler::ProgramDocument& doc) {
  return "X:" + std::to_string(doc.CurCol + 1) + "  Y:" + std::to_string(doc.CurRow + 1);
}

void LadderPainter::DrawLadderBackground(int marginRight) {
  const LadderGeometry& g = view_.geo;
  s_.SetDrawMode(DrawMode::Copy);
  s_.SetPenWidth(1);
  s_.Clear();
  const int rail = g.CellW - g.Cunit10;
  s_.Line(rail, 10, rail, s_.Height(), view_.colors.ViewLineColor);
  if (view_.colors.Color == 1)
    s_.FilledBox(13 * g.CellW + g.Cunit10, 10, marginRight < 0 ? s_.Width() : marginRight, s_.Height(), kMarginColor);

  SurfaceFont font = s_.Font();
  const int whole = RoundHalfEven(font.size);
  SurfaceFont numbers = font;
  numbers.size = whole * 1.2;
  numbers.bold = true;
  // Labels that would reach the rail move left, and the font shrinks where even that is not
  // enough; the last row's label takes part, so the size stays the same while scrolling.
  std::vector<std::string> labels;
  for (int i = 0; i < kNumberedRows && doc_.TopRow + i <= compiler::kProgramRows - 1; ++i)
    labels.push_back(" " + std::to_string(doc_.TopRow + i + 1));
  labels.push_back(" " + std::to_string(compiler::kProgramRows));
  const int right = RowNumberRight(g, rail);
  FitRowNumberFont(s_, numbers, right, labels);
  for (int i = 0; i + 1 < static_cast<int>(labels.size()); ++i) {
    const int n = doc_.TopRow + i + 1;
    const int x = RoundHalfEven((n < 10 ? 0.3 : 0.1) * g.CellW);
    s_.SetTextPos(RowNumberX(s_, labels[static_cast<size_t>(i)], x, right), g.RowNumberY(i));
    s_.Print(labels[static_cast<size_t>(i)]);
  }
  font.size = whole;
  font.bold = false;
  s_.SetFont(font);
}

void LadderPainter::DrawLadder() {
  const LadderGeometry& g = view_.geo;
  const int savedX = view_.CurX, savedY = view_.CurY;
  view_.CurY = g.CellH;
  DrawLadderBackground();
  for (int r = std::max<int>(doc_.TopRow, 0); r < compiler::kProgramRows; ++r) {
    const bool firstRow = view_.CurY == g.CellH;
    for (int c = 0; c <= compiler::kOutputCol; ++c) DrawCell(c, r, firstRow);
    view_.CurY += g.Pitch();
    if (view_.CurY > s_.Height()) break;
  }
  view_.CurX = savedX;
  view_.CurY = savedY;
  if (selection_ && selection_->BlockActive) DrawBlockSelection();
}

void LadderPainter::DrawCell(int c, int r, bool firstRow) {
  aliasDrawn_ = false;
  view_.CurX = view_.geo.X(c);
  const CellPen pen{s_, view_.geo, view_.colors.ViewLineColor, view_.colors.ViewBackColor, view_.CurX, view_.CurY};
  const int type = doc_.CellType[c][r];
  const platform::AnsiText& text = doc_.CellText[c][r];
  DrawCellSymbol(pen, type);
  switch (type) {
    case compiler::kContactNO:
    case compiler::kContactNC:
    case compiler::kCoil:
    case compiler::kFallingEdge:
    case compiler::kRisingEdge:
      DrawAlias(text);
      break;
    default:
      break;
  }
  if (doc_.VertLink[c][r] == 1) DrawBranchDown(pen);
  if (!text.empty()) DrawCellText(text);
  if (r != 0 && firstRow && doc_.VertLink[c][r - 1] == 1) DrawBranchFromAbove(pen);
}

void LadderPainter::DrawCellText(platform::AnsiText text) {
  if (view_.AliasFirst == 1 && aliasDrawn_) return;
  const int u = view_.geo.Cunit;
  s_.SetDrawMode(DrawMode::Copy);
  s_.SetPenWidth(1);
  std::string utf8;
  if (!text.empty() && text[0] == '\'') {
    s_.SetForeColor(view_.colors.CommentColor());
    if (text.find(';') != std::string::npos) {
      const int blank = std::max(1, RoundHalfEven(s_.TextWidth(" ")));
      const int k = (u + view_.CurX) / blank;
      const std::string indent(static_cast<size_t>(k) + 1, ' ');
      platform::AnsiText rebuilt;
      for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch >= 0x80 && i + 1 < text.size()) {  // a double-byte character stays whole
          rebuilt += text.substr(i, 2);
          ++i;
        } else if (ch == ';') {
          rebuilt += '\r';
          rebuilt += indent;
        } else {
          rebuilt += static_cast<char>(ch);
        }
      }
      text = rebuilt;
    }
  }
  s_.SetTextPos(view_.CurX + u, view_.CurY);
  s_.Print(platform::AnsiToUtf8Lossy(compiler::AnsiUpper(text)));
  s_.SetForeColor(view_.colors.ViewLineColor);
}

void LadderPainter::DrawAlias(const platform::AnsiText& device) {
  s_.SetDrawMode(DrawMode::Copy);
  s_.SetPenWidth(1);
  const platform::AnsiText alias = compiler::GetDeviceAlias(doc_, device);
  if (alias.empty()) return;
  const int u = view_.geo.Cunit;
  s_.SetTextPos(view_.CurX + u, view_.AliasFirst != 1 ? view_.CurY + 7 * u + 30 : view_.CurY);
  s_.SetForeColor(kAliasColor);
  s_.Print(platform::AnsiToUtf8Lossy(alias));
  s_.SetForeColor(view_.colors.ViewLineColor);
  aliasDrawn_ = true;
}

void LadderPainter::DrawCursor() {
  s_.SetDrawMode(DrawMode::Copy);  // a selection drawn before must not turn the cursor into an inverted box
  s_.SetPenWidth(3);
  s_.Box(view_.CurX, view_.CurY, view_.CurX + view_.geo.CellW, view_.CurY + view_.geo.CellH, kCursorColor);
  s_.SetPenWidth(1);
}

void LadderPainter::DrawBlockSelection() {
  if (!selection_) return;
  DrawBlockSelection(selection_->BlockCol1, selection_->BlockRow1, selection_->BlockCol2, selection_->BlockRow2);
}

void LadderPainter::DrawBlockSelection(int col1, int row1, int col2, int row2) {
  const LadderGeometry& g = view_.geo;
  s_.SetDrawMode(DrawMode::Invert);
  // Corners in plain int: far rows lie outside the surface and are clipped there.
  const int x1 = (col1 + 1) * g.CellW, x2 = (col2 + 1) * g.CellW;
  const int y1 = (row1 + 1 - doc_.TopRow) * g.Pitch() - g.Csai;
  const int y2 = (row2 + 1 - doc_.TopRow) * g.Pitch() - g.Csai;
  const int left = std::min(x1, x2), right = std::max(x1, x2);
  const int top = std::min(y1, y2), bottom = std::max(y1, y2);
  s_.FilledBox(left, top, right + g.CellW, bottom + g.CellH + g.Csai, kSelectionColor);
  s_.SetPenWidth(1);
}

void LadderPainter::MarkError(int x, int y) {
  s_.SetDrawMode(DrawMode::Copy);
  s_.SetTextPos(x + 100, y + 200);
  s_.SetForeColor(kErrorColor);
  s_.Print("ERROR");
  s_.SetForeColor(view_.colors.ViewLineColor);
}

}  // namespace ladder
