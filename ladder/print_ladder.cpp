#include "ladder/print_ladder.h"

#include <vector>

#include "compiler/operands.h"
#include "ladder/cell_symbols.h"
#include "ladder/row_numbers.h"
#include "platform/ansi_text.h"
#include "platform/message_box.h"

namespace ladder {

namespace {

const std::string kCaptionError = "Korvane Studio ERROR !";
const std::string kNoEnd = "END Command Not Found !";
const std::string kNoEndKo = "END를 찾을 수 없습니다.";
const std::string kPrintFailed = "Print Error : ";
const std::string kPrintFailedKo = "인쇄 오류 : ";

constexpr Color kPaperLine = 0x000000;
constexpr Color kPaperBack = 0xFFFFFF;

// On paper the two-cell symbols draw over what lies beneath instead of clearing it first:
// this surface passes everything on except filled boxes.
class NoClearSurface : public DrawingSurface {
 public:
  explicit NoClearSurface(DrawingSurface& s) : s_(s) {}
  int Width() const override { return s_.Width(); }
  int Height() const override { return s_.Height(); }
  void Clear() override {}
  void SetBackColor(Color c) override { s_.SetBackColor(c); }
  Color BackColor() const override { return s_.BackColor(); }
  void SetForeColor(Color c) override { s_.SetForeColor(c); }
  Color ForeColor() const override { return s_.ForeColor(); }
  void SetDrawMode(DrawMode) override {}  // the printer's mode is left as it is
  DrawMode GetDrawMode() const override { return s_.GetDrawMode(); }
  void SetPenWidth(int pixels) override { s_.SetPenWidth(pixels); }
  int PenWidth() const override { return s_.PenWidth(); }
  void Line(int x1, int y1, int x2, int y2, Color c) override { s_.Line(x1, y1, x2, y2, c); }
  void Box(int x1, int y1, int x2, int y2, Color c) override { s_.Box(x1, y1, x2, y2, c); }
  void FilledBox(int, int, int, int, Color) override {}
  void SetFont(const SurfaceFont& font) override { s_.SetFont(font); }
  SurfaceFont Font() const override { return s_.Font(); }
  void SetTextPos(int x, int y) override { s_.SetTextPos(x, y); }
  int TextX() const override { return s_.TextX(); }
  int TextY() const override { return s_.TextY(); }
  void Print(const std::string& utf8) override { s_.Print(utf8); }
  void PrintInline(const std::string& utf8) override { s_.PrintInline(utf8); }
  int TextWidth(const std::string& utf8) const override { return s_.TextWidth(utf8); }
  int TextHeight(const std::string& utf8) const override { return s_.TextHeight(utf8); }

 private:
  DrawingSurface& s_;
};

bool HasAliasBelow(int cellType) {
  return cellType == compiler::kContactNO || cellType == compiler::kContactNC || cellType == compiler::kCoil ||
         cellType == compiler::kFallingEdge || cellType == compiler::kRisingEdge;
}

}  // namespace

std::string PageFooter(int page, const std::string& path) {
  return " Page " + std::to_string(page) + "      Korvane     [Korvane Studio] " + path;
}

std::string LastFooter(int page, const std::string& path) {
  return " Page " + std::to_string(page) + "      Korvane      [Korvane Studio] " + path;
}

std::string EndOfDocumentLine() {
  return std::string(20, ' ') + "End of Document" + std::string(4, ' ') + "[Korvane Studio for the ZQV PLC family]";
}

PrintResult PrintLadder(compiler::Studio& studio, const LadderGeometry& geo, DrawingSurface& surface,
                        PrintPages& pages) {
  const bool korean = studio.shell.KoreanMenu;
  if (studio.FindEndLine()) {
    if (studio.messages) {
      studio.messages->Show({kCaptionError, platform::Pick(korean, kNoEnd, kNoEndKo), platform::MsgIcon::Information,
                             platform::MsgButtons::Ok});
    }
    return PrintResult::NoEnd;
  }
  const compiler::ProgramDocument& doc = studio.doc;
  const int u = geo.Cunit;
  const std::string& path = studio.shell.CurFilePath;
  SurfaceFont font = surface.Font();
  font.size = kPrintFontSize;
  // The row numbers stand left of the rail at CellW: one font for all of them, the printer's
  // size unless the widest number needs a smaller one.
  const int numbersRight = RowNumberRight(geo, geo.CellW);
  std::vector<std::string> labels;
  for (int r = 0; r <= doc.EndRow && r < compiler::kProgramRows; ++r) labels.push_back(std::to_string(r + 1));
  FitRowNumberFont(surface, font, numbersRight, labels);
  const SurfaceFont numbersFont = surface.Font();
  surface.SetFont(font);
  surface.SetForeColor(kPaperLine);
  NoClearSurface paper(surface);

  int page = 1;
  int y = 0;  // top of the row on this page, without the margin
  for (int r = 0; r <= doc.EndRow && r < compiler::kProgramRows; ++r) {
    const std::string& label = labels[static_cast<size_t>(r)];
    surface.SetFont(numbersFont);
    surface.SetTextPos(RowNumberX(surface, label, geo.CellW / 2, numbersRight), y + 4 * u + kPrintTop);
    surface.Print(label);
    surface.SetFont(font);
    surface.Line(geo.CellW, y + kPrintTop, geo.CellW, y + geo.CellH + geo.Csai + kPrintTop, kPaperLine);
    for (int c = 0; c <= compiler::kOutputCol; ++c) {
      const int x = (c + 1) * geo.CellW;
      const CellPen pen{paper, geo, kPaperLine, kPaperBack, x, y + kPrintTop};
      const int type = doc.CellType[c][r];
      const platform::AnsiText& text = doc.CellText[c][r];
      DrawCellSymbol(pen, type);
      if (HasAliasBelow(type)) {
        const platform::AnsiText alias = compiler::GetDeviceAlias(doc, text);
        if (!alias.empty()) {
          surface.SetTextPos(x + u, y + 7 * u + 30 + kPrintTop);
          surface.Print(platform::AnsiToUtf8Lossy(alias));
        }
      }
      if (doc.VertLink[c][r] == 1) DrawBranchDown(pen);
      if (!text.empty()) {
        surface.SetTextPos(x + u, y + kPrintTop);
        surface.Print(platform::AnsiToUtf8Lossy(compiler::AnsiUpper(text)));
      }
    }
    y += geo.CellH + geo.Csai;
    if (y > kPrintPageBreak) {
      surface.SetTextPos(geo.CellW, y + 40 + kPrintTop);
      surface.Print(PageFooter(page, path));
      pages.NewPage();
      ++page;
      y = 0;
    }
  }
  surface.SetTextPos(geo.CellW, y + 40 + kPrintTop);
  surface.Print(LastFooter(page, path));
  surface.Print("");
  surface.Print(EndOfDocumentLine());
  pages.EndDocument();

  const std::string failure = pages.Failure();
  if (!failure.empty()) {
    if (studio.messages) {
      studio.messages->Show({kCaptionError, platform::Pick(korean, kPrintFailed, kPrintFailedKo) + failure,
                             platform::MsgIcon::Information, platform::MsgButtons::Ok});
    }
    return PrintResult::Failed;
  }
  return PrintResult::Printed;
}

}  // namespace ladder
