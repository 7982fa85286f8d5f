#include "monitor/ui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace monitor {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  ladder::SurfaceFont font;
  font.name = "NanumGothic";
  font.size = 9.75;
  surface_.SetFont(font);
  surface_.Resize(std::max(width(), 1), std::max(height(), 1));
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface_.Image());
}

void PictureBox::resizeEvent(QResizeEvent*) {
  surface_.Resize(std::max(width(), 1), std::max(height(), 1));
  if (onResized) onResized();
  update();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (onMousePress) onMousePress(event->button(), p.x() * ladder::kTwipsPerPixel, p.y() * ladder::kTwipsPerPixel);
}

}  // namespace monitor
