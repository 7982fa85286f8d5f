#pragma once
// The screen's drawing surface: one persistent RGB32 image that the painters draw into in
// twips (15 twips to a pixel at 96 dots per inch). Widgets show it by copying it; the
// inverting mode XORs the pen colour into the pixels, so drawing the same figure twice
// restores the picture bit for bit.

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <memory>

#include "ladder/drawing_surface.h"

namespace ladder {

constexpr int kTwipsPerPixel = 15;

class ImageSurface : public DrawingSurface {
 public:
  ImageSurface(int widthPx = 1, int heightPx = 1);
  ~ImageSurface() override;

  // New size in pixels; the picture is cleared to the background colour.
  void Resize(int widthPx, int heightPx);
  // The picture as painted so far (ends the painting in progress).
  const QImage& Image();
  // Saves the picture (PNG by the name's extension); false when it cannot be written.
  bool Save(const QString& path);

  int Width() const override { return image_.width() * kTwipsPerPixel; }
  int Height() const override { return image_.height() * kTwipsPerPixel; }
  void Clear() override;
  void SetBackColor(Color c) override { back_ = c; }
  Color BackColor() const override { return back_; }
  void SetForeColor(Color c) override { fore_ = c; }
  Color ForeColor() const override { return fore_; }
  void SetDrawMode(DrawMode mode) override { mode_ = mode; }
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

  static QColor ToQColor(Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

 private:
  QPainter& Painter(Color penColor, int penWidth);
  void End();
  void DrawTextLine(const QString& line);
  QImage image_;
  std::unique_ptr<QPainter> painter_;
  QFont qfont_;
  std::unique_ptr<QFontMetricsF> metrics_;  // of qfont_ on this image
  bool fontSet_ = false;                    // qfont_ is the painter's font
  // The painter's pen and mode as last set, to skip setting them again.
  Color penColor_ = 0;
  int penWidth_ = -1;
  DrawMode penMode_ = DrawMode::Copy;
  Color back_ = 0xFFFFFF, fore_ = 0;
  DrawMode mode_ = DrawMode::Copy;
  int pen_ = 1;
  SurfaceFont font_;
  int textX_ = 0, textY_ = 0;
};

}  // namespace ladder
