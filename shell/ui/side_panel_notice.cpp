#include "shell/ui/side_panel_notice.h"

#include <QPainter>

namespace shell {

NoticeLayer::NoticeLayer(QWidget* parent) : QWidget(parent) {
  setObjectName("noticeLayer");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
}

void NoticeLayer::SetNotice(std::vector<NoticeLine> lines) {
  lines_ = std::move(lines);
  setVisible(!lines_.empty());
  if (!lines_.empty()) raise();
  update();
}

void NoticeLayer::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  p.setPen(palette().text().color());
  QFontMetrics fm(font());
  for (const NoticeLine& line : lines_)
    p.drawText(line.x / 15, line.y / 15 + fm.ascent(), QString::fromStdString(line.text));
}

}  // namespace shell
