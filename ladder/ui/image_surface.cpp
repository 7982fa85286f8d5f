#include "ladder/ui/image_surface.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QStringList>
#include <cmath>

namespace ladder {

namespace {

constexpr int kDotsPerMeter96 = 3780;  // 96 dots per inch

int Px(int twips) { return static_cast<int>(std::floor(twips / static_cast<double>(kTwipsPerPixel) + 0.5)); }

QImage NewImage(int w, int h) {
  QImage img(w < 1 ? 1 : w, h < 1 ? 1 : h, QImage::Format_RGB32);
  img.setDotsPerMeterX(kDotsPerMeter96);
  img.setDotsPerMeterY(kDotsPerMeter96);
  return img;
}

}  // namespace

ImageSurface::ImageSurface(int widthPx, int heightPx) : image_(NewImage(widthPx, heightPx)) {
  SetFont(font_);
  image_.fill(ToQColor(back_));
}

ImageSurface::~ImageSurface() { End(); }

void ImageSurface::End() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
  penWidth_ = -1;
  fontSet_ = false;
}

void ImageSurface::Resize(int widthPx, int heightPx) {
  End();
  image_ = NewImage(widthPx, heightPx);
  image_.fill(ToQColor(back_));
}

const QImage& ImageSurface::Image() {
  End();
  return image_;
}

bool ImageSurface::Save(const QString& path) { return Image().save(path); }

QPainter& ImageSurface::Painter(Color penColor, int penWidth) {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    painter_->setBrush(Qt::NoBrush);
    penWidth_ = -1;
    fontSet_ = false;
  }
  if (penWidth_ < 0 || penMode_ != mode_)
    painter_->setCompositionMode(mode_ == DrawMode::Invert ? QPainter::RasterOp_SourceXorDestination
                                                           : QPainter::CompositionMode_SourceOver);
  if (penWidth_ != penWidth || penColor_ != penColor || penMode_ != mode_) {
    QPen pen(ToQColor(penColor));
    pen.setWidth(penWidth);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
  }
  penColor_ = penColor;
  penWidth_ = penWidth;
  penMode_ = mode_;
  return *painter_;
}

void ImageSurface::Clear() {
  End();
  image_.fill(ToQColor(back_));
  textX_ = textY_ = 0;
}

void ImageSurface::Line(int x1, int y1, int x2, int y2, Color c) {
  Painter(c, pen_).drawLine(Px(x1), Px(y1), Px(x2), Px(y2));
}

void ImageSurface::Box(int x1, int y1, int x2, int y2, Color c) {
  const QRect r(QPoint(Px(std::min(x1, x2)), Px(std::min(y1, y2))), QPoint(Px(std::max(x1, x2)), Px(std::max(y1, y2))));
  QPainter& p = Painter(c, pen_);
  if (mode_ == DrawMode::Invert) {
    // Four separate strokes would XOR the corners twice; one outline path does not.
    QPainterPath path;
    path.addRect(QRectF(r.left(), r.top(), r.width() - 1, r.height() - 1));
    p.drawPath(path);
  } else {
    p.drawRect(r.left(), r.top(), r.width() - 1, r.height() - 1);
  }
}

void ImageSurface::FilledBox(int x1, int y1, int x2, int y2, Color c) {
  const QRect r(QPoint(Px(std::min(x1, x2)), Px(std::min(y1, y2))), QPoint(Px(std::max(x1, x2)), Px(std::max(y1, y2))));
  QPainter& p = Painter(c, 1);
  p.fillRect(r.intersected(image_.rect()), ToQColor(c));
}

void ImageSurface::SetFont(const SurfaceFont& font) {
  font_ = font;
  qfont_ = QFont(QString::fromStdString(font.name));
  qfont_.setPointSizeF(font.size > 0 ? font.size : 9.0);
  qfont_.setBold(font.bold);
  qfont_.setItalic(font.italic);
  metrics_ = std::make_unique<QFontMetricsF>(qfont_, &image_);
  fontSet_ = false;
}

void ImageSurface::DrawTextLine(const QString& line) {
  QPainter& p = Painter(fore_, 1);
  if (!fontSet_) {
    p.setFont(qfont_);
    fontSet_ = true;
  }
  p.drawText(QPointF(textX_ / static_cast<double>(kTwipsPerPixel),
                     textY_ / static_cast<double>(kTwipsPerPixel) + metrics_->ascent()),
             line);
}

void ImageSurface::Print(const std::string& utf8) {
  const QStringList lines = QString::fromStdString(utf8).split(QChar('\r'));
  const QFontMetricsF& fm = *metrics_;
  const int lineTwips = static_cast<int>(std::lround(fm.height() * kTwipsPerPixel));
  for (const QString& line : lines) {
    if (!line.isEmpty()) DrawTextLine(line);
    textX_ = 0;
    textY_ += lineTwips;
  }
}

void ImageSurface::PrintInline(const std::string& utf8) {
  const QString text = QString::fromStdString(utf8);
  DrawTextLine(text);
  textX_ += TextWidth(utf8);
}

int ImageSurface::TextWidth(const std::string& utf8) const {
  const QFontMetricsF& fm = *metrics_;
  double widest = 0;
  for (const QString& line : QString::fromStdString(utf8).split(QChar('\r')))
    widest = std::max(widest, fm.horizontalAdvance(line));
  return static_cast<int>(std::lround(widest * kTwipsPerPixel));
}

int ImageSurface::TextHeight(const std::string& utf8) const {
  const QFontMetricsF& fm = *metrics_;
  const auto lines = QString::fromStdString(utf8).split(QChar('\r')).size();
  return static_cast<int>(std::lround(fm.height() * kTwipsPerPixel * lines));
}

}  // namespace ladder
