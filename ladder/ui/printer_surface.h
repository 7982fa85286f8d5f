#pragma once
// A drawing surface on a Qt printer (a system printer or a PDF file): twips from the top-left
// corner of the page's printable area, pen widths scaled as on a 96 dpi screen, text in the
// printer's resolution. The first failure is kept for one report; drawing after it does nothing.

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>

#include "ladder/drawing_surface.h"
#include "ladder/print_pages.h"

namespace ladder {

class PrinterSurface : public DrawingSurface, public PrintPages {
 public:
  // Draws on the printer (the document opens with the first drawing). printer must
  // outlive the surface.
  explicit PrinterSurface(QPrinter& printer);
  ~PrinterSurface() override;

  int Width() const override;
  int Height() const override;
  void Clear() override {}  // paper starts blank
  void SetBackColor(Color c) override { back_ = c; }
  Color BackColor() const override { return back_; }
  void SetForeColor(Color c) override { fore_ = c; }
  Color ForeColor() const override { return fore_; }
  void SetDrawMode(DrawMode mode) override { mode_ = mode; }  // paper knows no inverting
  DrawMode GetDrawMode() const override { return mode_; }
  void SetPenWidth(int pixels) override { pen_ = pixels < 1 ? 1 : pixels; }
  int PenWidth() const override { return pen_; }
  void Line(int x1, int y1, int x2, int y2, Color c) override;
  void Box(int x1, int y1, int x2, int y2, Color c) override;
  void FilledBox(int x1, int y1, int x2, int y2, Color c) override;
  void SetFont(const SurfaceFont& font) override;
  SurfaceFont Font() const override { return font_; }
  void SetTextPos(int x, int y) override { textX_ = x, textY_ = y; }
  int TextX() const override { return textX_; }
  int TextY() const override { return textY_; }
  void Print(const std::string& utf8) override;
  void PrintInline(const std::string& utf8) override;
  int TextWidth(const std::string& utf8) const override;
  int TextHeight(const std::string& utf8) const override;

  void NewPage() override;
  void EndDocument() override;
  std::string Failure() const override { return failure_; }

 private:
  bool Ready();
  double ToDevice(int twips) const { return twips * scale_; }
  int ToTwips(double device) const;
  void Fail(const std::string& why);
  void PrintLine(const QString& line);

  QPrinter& printer_;
  std::unique_ptr<QPainter> painter_;
  double scale_ = 1.0;  // device pixels per twip
  Color back_ = 0xFFFFFF, fore_ = 0;
  DrawMode mode_ = DrawMode::Copy;
  int pen_ = 1;
  SurfaceFont font_;
  QFont qfont_;
  int textX_ = 0, textY_ = 0;
  bool ended_ = false;
  std::string failure_;
};

}  // namespace ladder
