#pragma once
// A drawing surface as the ladder painters see it: coordinates in twips (1/1440 inch,
// y downwards), colours as 0xBBGGRR, pen widths in pixels, a copy and an inverting
// drawing mode, and text printed at a current text position. The screen, the printer and
// the tests each have their own implementation; the painters know only this interface.

#include <cstdint>
#include <string>

namespace ladder {

using Color = uint32_t;  // 0xBBGGRR: red in the low byte

enum class DrawMode { Copy, Invert };  // Invert: each pixel := pixel XOR pen colour

struct SurfaceFont {
  std::string name = "DejaVu Sans";
  double size = 9.0;  // points
  bool bold = false;
  bool italic = false;
};

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  // Size of the drawable area in twips.
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Fills the whole surface with the background colour; the text position goes to (0, 0).
  virtual void Clear() = 0;
  virtual void SetBackColor(Color c) = 0;
  virtual Color BackColor() const = 0;
  virtual void SetForeColor(Color c) = 0;  // colour of printed text
  virtual Color ForeColor() const = 0;

  virtual void SetDrawMode(DrawMode mode) = 0;
  virtual DrawMode GetDrawMode() const = 0;
  virtual void SetPenWidth(int pixels) = 0;
  virtual int PenWidth() const = 0;

  virtual void Line(int x1, int y1, int x2, int y2, Color c) = 0;
  virtual void Box(int x1, int y1, int x2, int y2, Color c) = 0;        // outline
  virtual void FilledBox(int x1, int y1, int x2, int y2, Color c) = 0;  // filled, corners included

  virtual void SetFont(const SurfaceFont& font) = 0;
  virtual SurfaceFont Font() const = 0;

  // The text position: top-left corner of the next printed text.
  virtual void SetTextPos(int x, int y) = 0;
  virtual int TextX() const = 0;
  virtual int TextY() const = 0;
  // Prints UTF-8 text at the text position. A carriage return (13) in the text starts a new
  // line at x = 0. Afterwards the text position is at x = 0 of the line below the text.
  virtual void Print(const std::string& utf8) = 0;
  // Prints without moving to the next line: the text position moves right by the width.
  virtual void PrintInline(const std::string& utf8) = 0;
  virtual int TextWidth(const std::string& utf8) const = 0;
  virtual int TextHeight(const std::string& utf8) const = 0;
};

}  // namespace ladder
