#pragma once
// A drawing surface that keeps a list of what was drawn, for tests: every line, box and
// text with its coordinates, colour, pen width and drawing mode. Text is measured with a
// fixed advance per character derived from the font size, so positions are predictable.

#include <string>
#include <vector>

#include "ladder/drawing_surface.h"

namespace ladder {

struct DrawOp {
  enum Kind { Clear, Line, Box, FilledBox, Text } kind = Line;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Text: top-left corner in x1, y1
  Color color = 0;                     // line or fill colour; Text: the foreground
  int penWidth = 1;
  DrawMode mode = DrawMode::Copy;
  std::string text;  // one printed line (UTF-8)
  SurfaceFont font;
};

class RecordingSurface : public DrawingSurface {
 public:
  RecordingSurface(int widthTwips, int heightTwips) : width_(widthTwips), height_(heightTwips) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override;
  void SetBackColor(Color c) override { back_ = c; }
  Color BackColor() const override { return back_; }
  void SetForeColor(Color c) override { fore_ = c; }
  Color ForeColor() const override { return fore_; }
  void SetDrawMode(DrawMode mode) override { mode_ = mode; }
  DrawMode GetDrawMode() const override { return mode_; }
  void SetPenWidth(int pixels) override { pen_ = pixels; }
  int PenWidth() const override { return pen_; }
  void Line(int x1, int y1, int x2, int y2, Color c) override;
  void Box(int x1, int y1, int x2, int y2, Color c) override;
  void FilledBox(int x1, int y1, int x2, int y2, Color c) override;
  void SetFont(const SurfaceFont& font) override { font_ = font; }
  SurfaceFont Font() const override { return font_; }
  void SetTextPos(int x, int y) override { textX_ = x, textY_ = y; }
  int TextX() const override { return textX_; }
  int TextY() const override { return textY_; }
  void Print(const std::string& utf8) override;
  void PrintInline(const std::string& utf8) override;
  int TextWidth(const std::string& utf8) const override;
  int TextHeight(const std::string& utf8) const override;

  // Advance of one character and height of one line for the current font.
  int CharWidth() const;
  int LineHeight() const;

  std::vector<DrawOp> ops;

  // Queries for tests.
  std::vector<DrawOp> Lines() const { return OfKind(DrawOp::Line); }
  std::vector<DrawOp> Texts() const { return OfKind(DrawOp::Text); }
  std::vector<DrawOp> OfKind(DrawOp::Kind kind) const;
  // Is there a line between the two points (in either direction)?
  bool HasLine(int x1, int y1, int x2, int y2) const;
  // The first printed line with exactly this text, or null.
  const DrawOp* FindText(const std::string& text) const;

 private:
  void Record(DrawOp op);
  int width_, height_;
  Color back_ = 0xFFFFFF, fore_ = 0;
  DrawMode mode_ = DrawMode::Copy;
  int pen_ = 1;
  SurfaceFont font_;
  int textX_ = 0, textY_ = 0;
};

}  // namespace ladder
