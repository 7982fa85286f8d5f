#include "shell/ui/toolbar_widget.h"

#include <QAction>
#include <QPainter>
#include <QStyle>

namespace shell {

namespace {

// Our own small pictures for the commands the platform's style has none for.
QIcon PaintedIcon(ToolbarCommand command) {
  QPixmap pix(24, 24);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(QColor(30, 30, 30), 2);
  p.setPen(pen);
  switch (command) {
    case ToolbarCommand::Print:
      p.drawRect(5, 4, 14, 7);
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(2, 10, 20, 8);
      p.setBrush(Qt::white);
      p.drawRect(6, 15, 12, 6);
      break;
    case ToolbarCommand::BlockCut:
      p.drawEllipse(4, 15, 6, 6);
      p.drawEllipse(14, 15, 6, 6);
      p.drawLine(9, 15, 17, 3);
      p.drawLine(15, 15, 7, 3);
      break;
    case ToolbarCommand::BlockCopy:
      p.drawRect(3, 3, 11, 13);
      p.setBrush(Qt::white);
      p.drawRect(9, 8, 11, 13);
      break;
    case ToolbarCommand::BlockPasteInsert:
      p.setBrush(QColor(190, 150, 90));
      p.drawRect(4, 5, 14, 16);
      p.setBrush(Qt::white);
      p.drawRect(10, 10, 11, 12);
      p.drawLine(8, 3, 14, 3);
      break;
    case ToolbarCommand::Search:
      p.drawEllipse(4, 4, 11, 11);
      p.setPen(QPen(QColor(30, 30, 30), 3));
      p.drawLine(14, 14, 21, 21);
      break;
    case ToolbarCommand::Auto: {
      p.setBrush(QColor(255, 200, 0));
      QPolygon bolt({QPoint(13, 2), QPoint(5, 13), QPoint(11, 13), QPoint(9, 22), QPoint(19, 9), QPoint(13, 9)});
      p.drawPolygon(bolt);
      break;
    }
    case ToolbarCommand::Run:
      p.setBrush(QColor(0, 160, 0));
      p.drawPolygon(QPolygon({QPoint(6, 4), QPoint(20, 12), QPoint(6, 20)}));
      break;
    case ToolbarCommand::Stop:
      p.setBrush(QColor(200, 0, 0));
      p.drawRect(5, 5, 14, 14);
      break;
    case ToolbarCommand::Monitor:
      p.setBrush(QColor(220, 240, 255));
      p.drawRect(2, 3, 20, 14);
      p.drawLine(8, 21, 16, 21);
      p.drawLine(12, 17, 12, 21);
      p.setPen(QPen(QColor(0, 140, 0), 2));
      p.drawPolyline(QPolygon({QPoint(5, 12), QPoint(9, 8), QPoint(13, 12), QPoint(19, 6)}));
      break;
    default:
      break;
  }
  return QIcon(pix);
}

QIcon IconOf(QStyle* style, ToolbarCommand command) {
  switch (command) {
    case ToolbarCommand::New:
      return style->standardIcon(QStyle::SP_FileIcon);
    case ToolbarCommand::Open:
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case ToolbarCommand::Save:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    default:
      return PaintedIcon(command);
  }
}

}  // namespace

MainToolbar::MainToolbar(std::function<void(ToolbarCommand)> dispatch, QWidget* parent)
    : QToolBar(parent), dispatch_(std::move(dispatch)) {
  setObjectName("tbrMain");
  setMovable(false);
  for (const ToolbarButton& b : kToolbarButtons) {
    if (b.command == ToolbarCommand::None) {
      buttons_.append(addSeparator());
      continue;
    }
    QAction* a = addAction(IconOf(style(), b.command), b.toolTip);
    a->setToolTip(b.toolTip);
    int index = b.index;
    connect(a, &QAction::triggered, this, [this, index] { ButtonClicked(index); });
    buttons_.append(a);
  }
}

QAction* MainToolbar::buttonAt(int index) const {
  if (index < 1 || index > buttons_.size()) return nullptr;
  return buttons_[index - 1];
}

void MainToolbar::ButtonClicked(int index) {
  ToolbarCommand command = ToolbarCommandOf(index);
  if (command == ToolbarCommand::None) return;
  if (dispatch_) dispatch_(command);
  emit commandTriggered(command);
}

}  // namespace shell
