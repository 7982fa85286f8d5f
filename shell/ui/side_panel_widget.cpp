#include "shell/ui/side_panel_widget.h"

#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace shell {

void NoticePage::SetNotice(std::vector<NoticeLine> lines) {
  lines_ = std::move(lines);
  update();
}

void NoticePage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  p.setPen(palette().text().color());
  QFontMetrics fm(font());
  for (const NoticeLine& line : lines_)
    p.drawText(line.x / 15, line.y / 15 + fm.ascent(), QString::fromStdString(line.text));
}

SidePanelWidget::SidePanelWidget(PlcPanelModel& plc, ViewSettings& settings, ViewSettingsHooks settingsHooks,
                                 SidePanelHooks hooks, QWidget* parent)
    : QWidget(parent), koreanMenu_(hooks.koreanMenu) {
  setObjectName("tabInfo");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  tabs_ = new QTabBar(this);
  tabs_->setStyleSheet("QTabBar::tab { padding: 3px 6px; }");
  for (const SidePageInfo& info : kSidePages) tabs_->addTab(info.caption);
  stack_ = new QStackedWidget(this);
  layout->addWidget(tabs_);
  layout->addWidget(stack_, 1);

  plc_ = new PlcPanelWidget(plc, stack_);
  setup_ = new SetupPageWidget(settings, std::move(settingsHooks), stack_);
  pages_[1] = plc_;
  pages_[2] = setup_;
  for (int i = 3; i <= 6; ++i) pages_[static_cast<size_t>(i)] = new NoticePage(stack_);
  pages_[6]->setObjectName("txtMemo");
  for (int i = 1; i <= 6; ++i) stack_->addWidget(pages_[static_cast<size_t>(i)]);

  hooks.plcSetupFix = [this] { plc_->Fix(); };
  hooks.plcSetupLoad = [this] { plc_->Load(); };
  auto korean = hooks.koreanMenu;
  hooks.fillSetup = [this, korean] { setup_->Fill(korean && korean()); };
  auto standIn = [this](SidePage page, std::function<void(const std::vector<NoticeLine>&)> owner) {
    return [this, page, owner](const std::vector<NoticeLine>& lines) {
      if (auto* notice = qobject_cast<NoticePage*>(Page(page)))
        notice->SetNotice(lines);
      else if (owner)
        owner(lines);
    };
  };
  hooks.dumpNotice = standIn(SidePage::Dump, hooks.dumpNotice);
  hooks.watchNotice = standIn(SidePage::Watch, hooks.watchNotice);
  logic_ = std::make_unique<SidePanelLogic>(std::move(hooks));

  connect(tabs_, &QTabBar::currentChanged, this, [this](int i) { Choose(i + 1); });
}

void SidePanelWidget::SetPage(SidePage page, QWidget* widget) {
  int i = static_cast<int>(page);
  if (i < 3 || i > 6 || !widget) return;
  QWidget* old = pages_[static_cast<size_t>(i)];
  int at = stack_->indexOf(old);
  stack_->insertWidget(at, widget);
  stack_->removeWidget(old);
  if (old->parent() == stack_) old->deleteLater();
  pages_[static_cast<size_t>(i)] = widget;
}

QWidget* SidePanelWidget::Page(SidePage page) const {
  int i = static_cast<int>(page);
  return i >= 1 && i <= 6 ? pages_[static_cast<size_t>(i)] : nullptr;
}

void SidePanelWidget::Choose(int index) {
  if (index < 1 || index > 6) return;
  if (tabs_->currentIndex() != index - 1) {
    QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(index - 1);
  }
  // The page being left is fixed by the logic before the new one is shown.
  logic_->Choose(index);
  stack_->setCurrentWidget(pages_[static_cast<size_t>(index)]);
  emit pageChosen(index);
}

void SidePanelWidget::SetKoreanMenu(bool korean) {
  plc_->SetKoreanMenu(korean);
  setup_->SetKoreanMenu(korean);
}

}  // namespace shell
