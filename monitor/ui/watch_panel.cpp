#include "monitor/ui/watch_panel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor/monitor_texts.h"
#include "monitor/ui/monitor_ticker.h"
#include "monitor/ui/picture_box.h"
#include "monitor/watch_list.h"

namespace monitor {

WatchPanel::WatchPanel(compiler::Studio& studio, QWidget* parent)
    : QWidget(parent),
      studio_(studio),
      entry_(new QLineEdit),
      clear_(new QPushButton(QString::fromStdString(texts::kAllClear))),
      picture_(new PictureBox) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  column->addWidget(entry_);
  column->addWidget(clear_);
  column->addWidget(picture_, 1);

  entry_->setObjectName("txtWatch");
  clear_->setObjectName("Command3");
  entry_->installEventFilter(this);
  connect(clear_, &QPushButton::clicked, this, [this] {
    ClearWatch(studio_);
    picture_->Surface().Clear();
    picture_->update();
  });
  picture_->onMousePress = [this](Qt::MouseButton button, int, int y) {
    if (button == Qt::LeftButton) return;
    if (RemoveWatchAt(studio_, y, picture_->Surface().TextHeight("A"))) RefreshFromEvent();
  };
  picture_->onResized = [this] {
    if (!studio_.monitor.MonitorOn()) PrintOffNotice();
  };
}

bool WatchPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == entry_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      entry_->clear();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      EnterText();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void WatchPanel::EnterText() {
  std::string text = entry_->text().toStdString();
  const bool added = AddWatchByText(studio_, text);
  entry_->setText(QString::fromStdString(added ? std::string() : text));
  if (added) RefreshFromEvent();
}

bool WatchPanel::AddFromCell() {
  if (!AddWatchFromCell(studio_, isVisible())) return false;
  RefreshFromEvent();
  return true;
}

void WatchPanel::RefreshFromEvent() {
  if (ticker_ && ticker_->Busy()) return;  // the next tick shows it
  Refresh();
}

void WatchPanel::Refresh() {
  class NoReader : public DeviceReader {
   public:
    std::optional<DeviceWord> ReadDeviceWord(int) override { return std::nullopt; }
  } none;
  RefreshWatch(studio_.watch, studio_.monitor, reader_ ? *reader_ : none, picture_->Surface());
  picture_->update();
}

void WatchPanel::Open() {
  entry_->setFocus();
  if (!studio_.monitor.MonitorOn()) PrintOffNotice();
}

void WatchPanel::PrintOffNotice() {
  ladder::DrawingSurface& s = picture_->Surface();
  s.Clear();
  s.SetForeColor(0x000000);
  s.SetTextPos(300, 600);
  s.Print(platform::Pick(studio_.shell.KoreanMenu, texts::kOffNotice, texts::kWatchOffNoticeKo));
  picture_->update();
}

}  // namespace monitor
