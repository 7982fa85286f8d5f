#include "ladder/ui/printer_surface.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPen>
#include <cmath>

namespace ladder {

namespace {

QColor ToQColor(Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

constexpr double kTwipsPerScreenPixel = 15.0;  // 1440 twips per inch at 96 pixels per inch

}  // namespace

PrinterSurface::PrinterSurface(QPrinter& printer) : printer_(printer) {
  scale_ = printer_.resolution() / 1440.0;
  SetFont(font_);
}

bool PrinterSurface::Ready() {
  if (!failure_.empty() || ended_) return false;
  if (painter_) return painter_->isActive();
  // The document opens with the first thing drawn on it.
  if (!printer_.isValid()) {
    Fail("no printer");
    return false;
  }
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&printer_)) {
    painter_.reset();
    if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty()) {
      Fail("cannot write " + printer_.outputFileName().toStdString());
    } else {
      Fail("the printer refused the document");
    }
    return false;
  }
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setFont(qfont_);
  return true;
}

PrinterSurface::~PrinterSurface() {
  if (painter_ && painter_->isActive()) painter_->end();
}

void PrinterSurface::Fail(const std::string& why) {
  if (failure_.empty()) failure_ = why;
}

int PrinterSurface::ToTwips(double device) const {
  return scale_ > 0 ? static_cast<int>(std::lround(device / scale_)) : 0;
}

int PrinterSurface::Width() const {
  return ToTwips(printer_.pageLayout().paintRectPixels(printer_.resolution()).width());
}

int PrinterSurface::Height() const {
  return ToTwips(printer_.pageLayout().paintRectPixels(printer_.resolution()).height());
}

void PrinterSurface::Line(int x1, int y1, int x2, int y2, Color c) {
  if (!Ready()) return;
  QPen pen(ToQColor(c));
  pen.setWidthF(ToDevice(static_cast<int>(pen_ * kTwipsPerScreenPixel)));
  pen.setCapStyle(Qt::SquareCap);
  painter_->setPen(pen);
  painter_->drawLine(QPointF(ToDevice(x1), ToDevice(y1)), QPointF(ToDevice(x2), ToDevice(y2)));
}

void PrinterSurface::Box(int x1, int y1, int x2, int y2, Color c) {
  Line(x1, y1, x2, y1, c);
  Line(x2, y1, x2, y2, c);
  Line(x2, y2, x1, y2, c);
  Line(x1, y2, x1, y1, c);
}

void PrinterSurface::FilledBox(int x1, int y1, int x2, int y2, Color c) {
  if (!Ready()) return;
  const QRectF r(QPointF(ToDevice(std::min(x1, x2)), ToDevice(std::min(y1, y2))),
                 QPointF(ToDevice(std::max(x1, x2)), ToDevice(std::max(y1, y2))));
  painter_->fillRect(r, ToQColor(c));
}

void PrinterSurface::SetFont(const SurfaceFont& font) {
  font_ = font;
  qfont_ = QFont(QString::fromStdString(font.name));
  qfont_.setPointSizeF(font.size > 0 ? font.size : 9.0);
  qfont_.setBold(font.bold);
  qfont_.setItalic(font.italic);
  if (painter_) painter_->setFont(qfont_);
}

void PrinterSurface::PrintLine(const QString& line) {
  if (Ready()) {
    painter_->setPen(ToQColor(fore_));
    const QFontMetricsF fm(qfont_, &printer_);
    painter_->drawText(QPointF(ToDevice(textX_), ToDevice(textY_) + fm.ascent()), line);
  }
}

void PrinterSurface::Print(const std::string& utf8) {
  const QStringList lines = QString::fromStdString(utf8).split(QChar('\r'));
  const int height = TextHeight("Ag");
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) textX_ = 0;
    PrintLine(lines[i]);
    textX_ = 0;
    textY_ += height;
  }
}

void PrinterSurface::PrintInline(const std::string& utf8) {
  PrintLine(QString::fromStdString(utf8));
  textX_ += TextWidth(utf8);
}

int PrinterSurface::TextWidth(const std::string& utf8) const {
  const QFontMetricsF fm(qfont_, &printer_);
  return ToTwips(fm.horizontalAdvance(QString::fromStdString(utf8)));
}

int PrinterSurface::TextHeight(const std::string& utf8) const {
  const QFontMetricsF fm(qfont_, &printer_);
  const int lines = static_cast<int>(QString::fromStdString(utf8).count(QChar('\r'))) + 1;
  return ToTwips(fm.height() * lines);
}

void PrinterSurface::NewPage() {
  if (!Ready()) return;
  if (!printer_.newPage()) Fail("the printer refused a new page");
}

void PrinterSurface::EndDocument() {
  if (ended_) return;
  if (!painter_ && failure_.empty()) Ready();  // an empty document still makes its page
  ended_ = true;
  if (!painter_ || !painter_->isActive()) return;
  if (!painter_->end()) Fail("the document could not be finished");
  if (failure_.empty() && printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty() &&
      !QFileInfo(printer_.outputFileName()).isFile()) {
    Fail("cannot write " + printer_.outputFileName().toStdString());
  }
}

}  // namespace ladder
