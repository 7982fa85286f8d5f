#include "ladder/ui/alias_page_widget.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <cmath>

#include "ladder/alias_page.h"

namespace ladder {

namespace {

constexpr double kTwipsPerPixel = 15.0;  // 96 pixels per inch

int ToPixels(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
int ToTwips(double pixels) { return static_cast<int>(std::lround(pixels * kTwipsPerPixel)); }
QColor ToQColor(Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

AliasPageWidget::AliasPageWidget(compiler::Studio& studio, QWidget* parent)
    : QWidget(parent), studio_(studio), tabs_(new QTabBar(this)), list_(nullptr), scroll_(nullptr), editor_(nullptr) {
  for (const char* name : {"P", "M", "K", "C", "T"}) tabs_->addTab(QString::fromLatin1(name));
  list_ = new AliasListView(studio, this);
  scroll_ = new QScrollBar(Qt::Vertical, list_);
  editor_ = new QLineEdit(list_);
  editor_->hide();
  editor_->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tabs_);
  layout->addWidget(list_, 1);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { ChoosePage(index + 1); });
  connect(scroll_, &QScrollBar::valueChanged, this, &AliasPageWidget::ScrollChanged);
  connect(editor_, &QLineEdit::returnPressed, this, &AliasPageWidget::CommitEditor);
}

int AliasPageWidget::LineHeightTwips() const { return std::max(1, ToTwips(QFontMetrics(list_->font()).height())); }

void AliasPageWidget::ChoosePage(int tabIndex) {
  const char page = AliasPageOfTab(tabIndex);
  if (!page) return;
  compiler::AliasPageState& state = studio_.editor.aliasPage;
  state.AliasType = page;
  editor_->hide();
  const int top = AliasTop(state, page);
  {
    const QSignalBlocker block(scroll_);
    scroll_->setRange(0, AliasPageOf(page)->entries - 1);
    scroll_->setValue(top);
  }
  if (tabs_->currentIndex() != tabIndex - 1) {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(tabIndex - 1);
  }
  Redraw();
}

void AliasPageWidget::Redraw() { list_->update(); }

void AliasPageWidget::ShowFirstEntry() {
  compiler::AliasPageState& state = studio_.editor.aliasPage;
  if (!AliasPageOf(state.AliasType)) return;
  AliasTop(state, state.AliasType) = 0;
  const QSignalBlocker block(scroll_);
  scroll_->setValue(0);
  Redraw();
}

void AliasPageWidget::ScrollChanged(int value) {
  compiler::AliasPageState& state = studio_.editor.aliasPage;
  if (!AliasPageOf(state.AliasType)) return;
  AliasTop(state, state.AliasType) = static_cast<int16_t>(value);
  editor_->hide();
  Redraw();
}

void AliasPageWidget::ClickAt(int /*xTwips*/, int yTwips) {
  compiler::AliasPageState& state = studio_.editor.aliasPage;
  const auto place = AliasClick(state, yTwips, LineHeightTwips(), list_->InnerWidthTwips(), ToTwips(scroll_->width()));
  if (!place) return;
  state.AliasSel = static_cast<int16_t>(place->entry);
  editor_->setGeometry(ToPixels(place->left), ToPixels(place->top), std::max(ToPixels(place->width), 10),
                       ToPixels(LineHeightTwips()));
  editor_->setText(QString::fromStdString(AliasEntryText(studio_, state.AliasType, place->entry)));
  editor_->show();
  editor_->setFocus();
}

void AliasPageWidget::CommitEditor() {
  switch (CommitAlias(studio_, editor_->text().toStdString())) {
    case AliasCommit::Cleared:
    case AliasCommit::Stored:
    case AliasCommit::NoEntry:
      editor_->hide();
      Redraw();
      break;
    case AliasCommit::Duplicate:
    case AliasCommit::Unencodable:
      break;  // the editor stays open with its text
  }
}

bool AliasPageWidget::eventFilter(QObject* watched, QEvent* event) {
  // Leaving the editor drops what was typed.
  if (watched == editor_ && event->type() == QEvent::FocusOut) editor_->hide();
  return QWidget::eventFilter(watched, event);
}

AliasListView::AliasListView(compiler::Studio& studio, AliasPageWidget* page)
    : QWidget(page), studio_(studio), page_(page) {
  setAutoFillBackground(false);
  setMinimumSize(120, 60);
}

int AliasListView::InnerWidthTwips() const { return ToTwips(width()); }
int AliasListView::InnerHeightTwips() const { return ToTwips(height()); }

void AliasListView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The scroll bar runs along the right edge.
  QScrollBar* bar = page_->scrollBar();
  const int barWidth = bar->sizeHint().width();
  bar->setGeometry(width() - barWidth, 0, barWidth, height());
}

void AliasListView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.fillRect(QRect(0, 0, ToPixels(kAliasLabelWidth), height()), ToQColor(kAliasGrey));
  const compiler::AliasPageState& state = studio_.editor.aliasPage;
  if (!AliasPageOf(state.AliasType)) return;
  const int lineTwips = page_->LineHeightTwips();
  const QFontMetrics fm(font());
  const int valueX = 8 * fm.averageCharWidth();  // the ninth print column
  const int top = AliasTop(const_cast<compiler::AliasPageState&>(state), state.AliasType);
  for (const AliasRow& row : LayOutAliasPage(studio_.doc, state.AliasType, top, InnerHeightTwips(), lineTwips)) {
    const int y = ToPixels(row.y);
    painter.setPen(Qt::black);
    painter.drawText(0, y + fm.ascent(), QString::fromStdString(row.label));
    painter.drawText(valueX, y + fm.ascent(), QString::fromStdString(row.aliasUtf8));
    if (row.rule) {
      painter.setPen(ToQColor(row.ruleColor));
      const int ruleY = ToPixels(row.y + lineTwips);
      painter.drawLine(0, ruleY, width(), ruleY);
    }
  }
}

void AliasListView::mousePressEvent(QMouseEvent* event) {
  page_->ClickAt(ToTwips(event->position().x()), ToTwips(event->position().y()));
}

}  // namespace ladder
