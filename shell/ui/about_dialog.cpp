#include "shell/ui/about_dialog.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace shell {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About Korvane Studio");
  setModal(true);
  setFixedSize(420, 240);
  label1_ = new QLabel("Version 1.4", this);
  label1_->setObjectName("Label1");
  QFont f = label1_->font();
  f.setPointSizeF(11);
  f.setBold(true);
  label1_->setFont(f);
  label1_->setStyleSheet("color: white;");
  label1_->adjustSize();
  label1_->move(width() - label1_->width() - 24, height() - label1_->height() - 20);
}

void AboutDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, width(), height());
  g.setColorAt(0, QColor(20, 40, 110));
  g.setColorAt(1, QColor(40, 120, 170));
  p.fillRect(rect(), g);
  // A ladder rung as the emblem: two rails, a contact and a coil.
  p.setPen(QPen(QColor(255, 255, 255, 170), 3));
  p.drawLine(30, 40, 30, 120);
  p.drawLine(390, 40, 390, 120);
  p.drawLine(30, 80, 150, 80);
  p.drawLine(150, 62, 150, 98);
  p.drawLine(170, 62, 170, 98);
  p.drawLine(170, 80, 300, 80);
  p.drawEllipse(QPointF(320, 80), 20, 20);
  p.drawLine(340, 80, 390, 80);
  QFont title = font();
  title.setPointSizeF(24);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 130, width(), 50), Qt::AlignCenter, "Korvane Studio");
  QFont sub = font();
  sub.setPointSizeF(9);
  p.setFont(sub);
  p.setPen(QColor(220, 230, 255));
  p.drawText(QRect(0, 176, width(), 24), Qt::AlignCenter, "Ladder programming for ZQV PLC modules");
}

void AboutDialog::mousePressEvent(QMouseEvent* event) {
  // The label takes its own clicks; everything else on the window closes it.
  if (!label1_->geometry().contains(event->position().toPoint())) accept();
}

}  // namespace shell
