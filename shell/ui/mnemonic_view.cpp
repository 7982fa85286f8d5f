#include "shell/ui/mnemonic_view.h"

#include <QFontDatabase>
#include <QKeyEvent>

#include "platform/studio_folder.h"
#include "shell/mnemonic.h"

namespace shell {

MnemonicView::MnemonicView(Sources sources, QWidget* parent) : QPlainTextEdit(parent), sources_(std::move(sources)) {
  setObjectName("txtMnemonic");
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  if (!sources_.folder) sources_.folder = [] { return platform::StudioFolder(); };
}

void MnemonicView::ShowFile(const std::string& name) {
  setPlainText(QString::fromStdString(MnemonicText(sources_.folder(), name)));
}

void MnemonicView::TabChosen() {
  ShowFile(kTranslatorOutput);
  setFocus();
}

void MnemonicView::keyPressEvent(QKeyEvent* event) {
  MnemonicKey key;
  switch (event->key()) {
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
      QPlainTextEdit::keyPressEvent(event);  // caret, selection and copy; typing is refused
      return;
  }
  event->accept();
  if (sources_.curFilePath && MnemonicKeysIgnored(sources_.curFilePath())) return;
  ShowFile(MnemonicFileOf(key, sources_.plcModel ? sources_.plcModel() : 0));
}

}  // namespace shell
