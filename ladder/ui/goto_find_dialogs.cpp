#include "ladder/ui/goto_find_dialogs.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScreen>

#include "ladder/goto_find.h"

namespace ladder {

namespace {

QLineEdit* MakeBox(QDialog* dialog) {
  auto* layout = new QHBoxLayout(dialog);
  auto* box = new QLineEdit(dialog);
  box->setMinimumWidth(200);
  layout->addWidget(box);
  return box;
}

// Places a window in the middle of the screen.
void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

}  // namespace

GotoDialog::GotoDialog(compiler::Studio& studio, std::function<int()> scrollMax, QWidget* parent)
    : QDialog(parent), studio_(studio), scrollMax_(std::move(scrollMax)), text_(MakeBox(this)) {
  setWindowTitle(studio.shell.KoreanMenu ? QStringLiteral("줄 이동") : QStringLiteral("Goto Line"));
  setModal(true);
  // Enter in the box acts; Esc closes the dialog (QDialog's own handling).
  connect(text_, &QLineEdit::returnPressed, this, &GotoDialog::Submit);
}

void GotoDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(this);
}

void GotoDialog::Submit() {
  const int max = scrollMax_ ? scrollMax_() : studio_.doc.EndRow;
  if (GotoLine(studio_, text_->text().toStdString(), max) != GotoResult::StayOpen) accept();
}

FindDialog::FindDialog(compiler::Studio& studio, QWidget* parent)
    : QDialog(parent), studio_(studio), text_(MakeBox(this)) {
  setWindowTitle(studio.shell.KoreanMenu ? QStringLiteral("찾기") : QStringLiteral("Search"));
  setModal(true);
  connect(text_, &QLineEdit::returnPressed, this, &FindDialog::Submit);
}

void FindDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  text_->setText(QString::fromStdString(studio_.editor.find.FindWord));
  text_->selectAll();
  CentreOnScreen(this);
}

void FindDialog::Submit() {
  const std::string word = text_->text().toStdString();
  accept();  // the window closes before a "not found" message shows
  FindNext(studio_, word);
}

}  // namespace ladder
