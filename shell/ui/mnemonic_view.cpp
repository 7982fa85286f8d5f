#include "shell/ui/mnemonic_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "shell/mnemonic.h"

namespace shell {

MnemonicViewer::MnemonicViewer(QPlainTextEdit* view, std::filesystem::path folder,
                               const compiler::ShellState& shell, const compiler::PlcSetup& setup)
    : QObject(view), view_(view), folder_(std::move(folder)), shell_(shell), setup_(setup) {
  view_->setReadOnly(true);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->installEventFilter(this);
}

void MnemonicViewer::ShowFile(const std::string& name) {
  view_->setPlainText(QString::fromStdString(MnemonicText(folder_, name)));
}

void MnemonicViewer::TabChosen() {
  ShowFile(kTranslatorOutput);
  view_->setFocus();
}

bool MnemonicViewer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != view_ || event->type() != QEvent::KeyPress) return false;
  MnemonicKey key;
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_F8:
      key = MnemonicKey::F8;
      break;
    case Qt::Key_F9:
      key = MnemonicKey::F9;
      break;
    case Qt::Key_F10:
      key = MnemonicKey::F10;
      break;
    default:
      return false;  // caret, selection and copy; the read-only view refuses typing
  }
  if (MnemonicKeysIgnored(shell_.CurFilePath)) return true;
  ShowFile(MnemonicFileOf(key, setup_.PlcModel));
  return true;
}

}  // namespace shell
