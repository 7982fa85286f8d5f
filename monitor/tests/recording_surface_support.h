#pragma once
// A drawing surface that records what is drawn, with fixed text metrics: every character
// is 100 twips wide, every text 200 twips high.

#include <string>
#include <vector>

#include "ladder/drawing_surface.h"

namespace monitor_test {

struct Op {
  enum Kind { kClear, kLine, kBox, kFill, kText } kind = kClear;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ladder::Color color = 0;
  std::string text;
  ladder::DrawMode mode = ladder::DrawMode::Copy;
};

class RecordingSurface : public ladder::DrawingSurface {
 public:
  RecordingSurface(int width = 4000, int height = 6000) : width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override;
  void SetBackColor(ladder::Color c) override { back_ = c; }
  ladder::Color BackColor() const override { return back_; }
  void SetForeColor(ladder::Color c) override { fore_ = c; }
  ladder::Color ForeColor() const override { return fore_; }
  void SetDrawMode(ladder::DrawMode mode) override { mode_ = mode; }
  ladder::DrawMode GetDrawMode() const override { return mode_; }
  void SetPenWidth(int pixels) override { pen_ = pixels; }
  int PenWidth() const override { return pen_; }
  void Line(int x1, int y1, int x2, int y2, ladder::Color c) override;
  void Box(int x1, int y1, int x2, int y2, ladder::Color c) override;
  void FilledBox(int x1, int y1, int x2, int y2, ladder::Color c) override;
  void SetFont(const ladder::SurfaceFont& font) override { font_ = font; }
  ladder::SurfaceFont Font() const override { return font_; }
  void SetTextPos(int x, int y) override { x_ = x, y_ = y; }
  int TextX() const override { return x_; }
  int TextY() const override { return y_; }
  void Print(const std::string& utf8) override;
  void PrintInline(const std::string& utf8) override;
  int TextWidth(const std::string& utf8) const override { return 100 * static_cast<int>(utf8.size()); }
  int TextHeight(const std::string&) const override { return 200; }

  std::vector<Op> ops;
  std::vector<Op> Of(Op::Kind kind) const;
  std::vector<std::string> Texts() const;  // printed texts in order
  // The text printed with its top-left corner at (x, y), or empty.
  std::string TextAt(int x, int y) const;

 private:
  int width_, height_;
  ladder::Color back_ = 0xFFFFFF, fore_ = 0;
  ladder::DrawMode mode_ = ladder::DrawMode::Copy;
  int pen_ = 1;
  ladder::SurfaceFont font_;
  int x_ = 0, y_ = 0;
};

}  // namespace monitor_test
