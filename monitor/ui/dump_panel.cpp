#include "monitor/ui/dump_panel.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

#include "monitor/monitor_texts.h"
#include "monitor/ui/monitor_ticker.h"
#include "monitor/ui/picture_box.h"

namespace monitor {
namespace {

// Reads nothing: used while the window has given no reader.
class NoReader : public DeviceReader {
 public:
  std::optional<DeviceWord> ReadDeviceWord(int) override { return std::nullopt; }
};

DeviceReader& ReaderOr(DeviceReader* reader) {
  static NoReader none;
  return reader ? *reader : none;
}

}  // namespace

DumpPanel::DumpPanel(compiler::Studio& studio, QWidget* parent)
    : QWidget(parent), studio_(studio), tabs_(new QTabBar), picture_(new PictureBox), scroll_(new QScrollBar) {
  for (int tab = 1; tab <= kDumpTabs; ++tab) tabs_->addTab(QString::fromStdString(DumpTabCaption(tab)));
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(true);
  scroll_->setOrientation(Qt::Vertical);
  scroll_->setRange(0, 0);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(picture_, 1);
  row->addWidget(scroll_);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(tabs_);
  column->addLayout(row, 1);

  connect(tabs_, &QTabBar::currentChanged, this, &DumpPanel::OnTabChanged);
  connect(scroll_, &QScrollBar::valueChanged, this, &DumpPanel::OnScroll);
  picture_->onResized = [this] { Open(); };
}

DeviceReader& DumpPanel::EventReader() {
  if (ticker_ && ticker_->Busy()) return ReaderOr(nullptr);
  return ReaderOr(reader_);
}

void DumpPanel::OnTabChanged(int index) {
  const DumpPages::ScrollRange range = pages_.SelectTab(studio_, EventReader(), picture_->Surface(), index + 1);
  {
    // Setting the range may move the position: keep the scroll handler from storing it.
    const QSignalBlocker block(scroll_);
    scroll_->setRange(0, range.maximum);
    scroll_->setValue(range.position);
  }
  picture_->update();
}

void DumpPanel::OnScroll(int position) {
  pages_.Scroll(studio_, EventReader(), picture_->Surface(), position);
  picture_->update();
}

void DumpPanel::SelectTab(int tab) {
  if (tab < 1 || tab > kDumpTabs) return;
  if (tabs_->currentIndex() == tab - 1) {
    OnTabChanged(tab - 1);
  } else {
    tabs_->setCurrentIndex(tab - 1);
  }
}

void DumpPanel::Open() {
  OnTabChanged(tabs_->currentIndex());
  if (!studio_.monitor.MonitorOn()) PrintOffNotice();
}

void DumpPanel::PrintOffNotice() {
  ladder::DrawingSurface& s = picture_->Surface();
  s.Clear();
  s.SetForeColor(0x000000);
  if (studio_.shell.KoreanMenu) {
    s.SetTextPos(800, 600);
    s.Print(texts::kDumpOffNoticeKo1);
    s.SetTextPos(800, 1000);
    s.Print(texts::kDumpOffNoticeKo2);
  } else {
    s.SetTextPos(100, 600);
    s.Print(texts::kOffNotice);
  }
  picture_->update();
}

void DumpPanel::Refresh() {
  pages_.Refresh(studio_, ReaderOr(reader_), picture_->Surface(), isVisible());
  picture_->update();
}

void DumpPanel::ClearPicture() {
  picture_->Surface().Clear();
  picture_->update();
}

}  // namespace monitor
