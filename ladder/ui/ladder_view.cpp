#include "ladder/ui/ladder_view.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ladder/ladder_painter.h"
#include "ladder/ladder_texts.h"
#include "ladder/ui/key_codes.h"

namespace ladder {

namespace {

int ButtonMask(Qt::MouseButtons buttons) {
  int mask = 0;
  if (buttons & Qt::LeftButton) mask |= 1;
  if (buttons & Qt::RightButton) mask |= 2;
  if (buttons & Qt::MiddleButton) mask |= 4;
  return mask;
}

}  // namespace

LadderBoard::LadderBoard(LadderView* view) : QWidget(view), view_(view) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
}

void LadderBoard::paintEvent(QPaintEvent*) {
  if (!view_) return;
  QPainter p(this);
  p.drawImage(0, 0, view_->surface_.Image());
}

void LadderBoard::keyPressEvent(QKeyEvent* event) {
  if (view_) view_->boardKey(event);
}

void LadderBoard::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (view_) view_->drawCursor();
}

void LadderBoard::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  if (view_) view_->drawLadder();
}

void LadderBoard::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (view_) view_->boardResized();
}

void LadderBoard::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (!view_) return;
  emit view_->boardMousePressed(ButtonMask(event->button()), ShiftMaskOf(event->modifiers()),
                                event->position().x() * kTwipsPerPixel, event->position().y() * kTwipsPerPixel);
}

void LadderBoard::mouseMoveEvent(QMouseEvent* event) {
  if (!view_) return;
  emit view_->boardMouseMoved(ButtonMask(event->buttons()), ShiftMaskOf(event->modifiers()),
                              event->position().x() * kTwipsPerPixel, event->position().y() * kTwipsPerPixel);
}

OperandBox::OperandBox(LadderView* view) : QLineEdit(view), view_(view) { setObjectName("cboCMD"); }

void OperandBox::keyPressEvent(QKeyEvent* event) {
  if (!view_) return QLineEdit::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      view_->operandEnter();
      return;
    case Qt::Key_Escape:
      view_->operandEscape();
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

LadderView::LadderView(QWidget* parent)
    : QWidget(parent),
      board_(new LadderBoard(this)),
      vsbMain_(new QScrollBar(Qt::Vertical, this)),
      cboCMD_(new OperandBox(this)) {
  board_->setObjectName("picBoard");
  setFocusProxy(board_);  // the view given the focus (by the window's commands) gives it the board
  vsbMain_->setObjectName("vsbMain");
  vsbMain_->setPageStep(8);
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(2);
  rows->addWidget(cboCMD_);
  auto* boardRow = new QHBoxLayout;
  boardRow->setSpacing(0);
  boardRow->addWidget(board_, 1);
  boardRow->addWidget(vsbMain_);
  rows->addLayout(boardRow, 1);

  scroll_.onShow = [this] { mirrorScroll(); };
  connect(vsbMain_, &QScrollBar::valueChanged, this, [this](int value) { scroll_.SetValue(value); });
  setColorScheme(1);
  surface_.SetFont(view_.font);
  setStudio(nullptr);
}

LadderView::~LadderView() {
  board_->Detach();
  cboCMD_->Detach();
}

void LadderView::setStudio(compiler::Studio* studio) {
  if (!studio) {
    if (!ownStudio_) ownStudio_ = std::make_unique<compiler::Studio>();
    studio = ownStudio_.get();
  }
  studio_ = studio;
  endLineScansSeen_ = studio_->EndLineScans;
  EditorHost& host = *this;
  editor_ = std::make_unique<LadderEditor>(*studio_, view_, scroll_, host);
  showCursorCell();
}

void LadderView::setCellSize(int cunit) {
  view_.geo = LadderGeometry::FromUnit(cunit, view_.geo.Csai);
  auto& d = studio_->doc;
  d.CurCol = d.CurRow = d.TopRow = 0;
  scroll_.SetValueQuietly(0);
  view_.SyncCursor(d);
  drawLadder();
}

void LadderView::setRowGap(int csai) {
  view_.geo = LadderGeometry::FromUnit(view_.geo.Cunit, csai);
  view_.SyncCursor(studio_->doc);
  drawLadder();
}

void LadderView::setColorScheme(int color) {
  view_.colors = ColorScheme::For(color);
  surface_.SetBackColor(view_.colors.ViewBackColor);
  surface_.SetForeColor(view_.colors.ViewLineColor);
  if (studio_) drawLadder();
}

void LadderView::setAliasFirst(int aliasFirst) {
  view_.AliasFirst = aliasFirst;
  drawLadder();
}

void LadderView::setSurfaceFont(const SurfaceFont& font) {
  view_.font = font;
  surface_.SetFont(font);
  drawLadder();
}

void LadderView::setMonitorOn(bool on) { cboCMD_->setVisible(!on); }

void LadderView::drawLadder() {
  followEndLine(EndFollow::KeepRows);
  view_.SyncCursor(studio_->doc);
  LadderPainter(surface_, studio_->doc, view_, &studio_->editor.selection).DrawLadder();
  board_->update();
}

void LadderView::drawLadderBackground() {
  LadderPainter(surface_, studio_->doc, view_, &studio_->editor.selection).DrawLadderBackground();
  board_->update();
}

void LadderView::showCellText() {
  const auto& d = studio_->doc;
  SetOperandText(d.CellText[d.CurCol][d.CurRow]);
}

void LadderView::drawCursor() {
  view_.SyncCursor(studio_->doc);
  LadderPainter(surface_, studio_->doc, view_, &studio_->editor.selection).DrawCursor();
  board_->update();
  emit statusText(QString::fromStdString(CursorStatusText(studio_->doc)));
}

void LadderView::drawBlockSelection() {
  LadderPainter(surface_, studio_->doc, view_, &studio_->editor.selection).DrawBlockSelection();
  board_->update();
}

void LadderView::drawBlockSelection(int col1, int row1, int col2, int row2) {
  LadderPainter(surface_, studio_->doc, view_).DrawBlockSelection(col1, row1, col2, row2);
  board_->update();
}

void LadderView::showCursorCell() {
  auto& d = studio_->doc;
  followEndLine(EndFollow::CallerPlaces);
  view_.SyncCursor(d);
  if (scroll_.Max() < d.TopRow) scroll_.SetMax(d.TopRow + 1);
  scroll_.SetValueQuietly(d.TopRow);
  drawLadder();
  if (board_->hasFocus()) drawCursor();
  showCellText();
}

void LadderView::toolbarClick(int index) { editor_->ToolbarClick(index); }

void LadderView::followEndLine() { followEndLine(EndFollow::MoveRows); }

int LadderView::scrollMaximum() {
  followEndLine(EndFollow::KeepRows);
  return scroll_.Max();
}

void LadderView::followEndLine(EndFollow how) {
  if (studio_->EndLineScans == endLineScansSeen_) return;
  endLineScansSeen_ = studio_->EndLineScans;
  const int endRow = studio_->doc.EndRow;
  switch (how) {
    case EndFollow::MoveRows:
      scroll_.SetMax(endRow);  // a first shown row below END follows through onChange
      return;
    case EndFollow::KeepRows:
      // Below END the range stays as the scrolling made it: a save there takes no row out of
      // the reach of Go to.
      if (scroll_.Value() <= endRow) scroll_.SetMax(endRow);
      return;
    case EndFollow::CallerPlaces:
      if (scroll_.Value() > endRow) scroll_.SetValueQuietly(endRow);
      scroll_.SetMax(endRow);
      return;
  }
}

void LadderView::markError() {
  view_.SyncCursor(studio_->doc);
  LadderPainter(surface_, studio_->doc, view_, &studio_->editor.selection).MarkError(view_.CurX, view_.CurY);
  board_->update();
}

void LadderView::showErrorCell() {
  showCursorCell();
  markError();
  board_->setFocus(Qt::OtherFocusReason);
  drawCursor();  // also when the board had the focus already, and for the status bar
}

void LadderView::SetOperandText(const platform::AnsiText& text) {
  cboCMD_->setText(QString::fromStdString(platform::AnsiToUtf8Lossy(text)));
}

void LadderView::FocusOperandBox() {
  cboCMD_->setFocus(Qt::OtherFocusReason);
  emit operandBoxFocused();
}

void LadderView::TypeIntoOperandBox(char ch) {
  cboCMD_->setText(QString(QChar(ch)));
  cboCMD_->setFocus(Qt::OtherFocusReason);
  emit operandBoxFocused();
}

void LadderView::ClearOperandBox() { cboCMD_->clear(); }

void LadderView::FocusBoard() { board_->setFocus(Qt::OtherFocusReason); }

void LadderView::Beep() {
  QApplication::beep();
  emit beeped();
}

double LadderView::BoardHeight() const { return static_cast<double>(board_->height()) * kTwipsPerPixel; }

void LadderView::boardKey(QKeyEvent* event) {
  const BoardKey key = BoardKeyOf(*event);
  if (key.code == 0) {
    event->ignore();
    return;
  }
  editor_->KeyDown(key.code, key.shift);
}

void LadderView::operandEnter() {
  const auto ansi = platform::Utf8ToAnsi(cboCMD_->text().toStdString());
  if (!ansi) {
    editor_->RefuseOperand(texts::kUnwritableChar, texts::kUnwritableCharKo);
    return;
  }
  editor_->CommitOperand(*ansi);
}

void LadderView::operandEscape() { editor_->CancelOperand(); }

void LadderView::boardResized() {
  surface_.Resize(std::max(1, board_->width()), std::max(1, board_->height()));
  drawLadder();
  if (board_->hasFocus()) drawCursor();
}

void LadderView::mirrorScroll() {
  const QSignalBlocker block(vsbMain_);
  vsbMain_->setRange(0, scroll_.Max());
  vsbMain_->setValue(scroll_.Value());
}

}  // namespace ladder
