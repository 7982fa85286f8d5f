#include "shell/ui/qt_message_sink.h"

#include <QApplication>
#include <QMessageBox>

namespace shell {

platform::MsgResult QtMessageSink::Show(const platform::Message& message) {
  using platform::MsgButtons;
  using platform::MsgIcon;
  using platform::MsgResult;
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(message.caption));
  // Message texts use CR LF between lines.
  box.setText(QString::fromStdString(message.text).replace("\r\n", "\n"));
  switch (message.icon) {
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MsgIcon::None:
      break;
  }
  switch (message.buttons) {
    case MsgButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MsgButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MsgButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  if (message.defaultButton == platform::MsgDefault::Second) {
    switch (message.buttons) {
      case MsgButtons::Ok:
        break;
      case MsgButtons::OkCancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
      case MsgButtons::YesNo:
      case MsgButtons::YesNoCancel:
        box.setDefaultButton(QMessageBox::No);
        break;
    }
  }
  // The window the box came over gets the keyboard back (and with it its shortcuts) when the
  // box closes, also where no window manager hands activation back.
  QPointer<QWidget> owner = QApplication::activeWindow();
  const int result = box.exec();
  if (owner && owner->isVisible() && QApplication::activeWindow() != owner) owner->activateWindow();
  switch (result) {
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    case QMessageBox::Ok:
      return MsgResult::Ok;
    default:
      // Closed by its close box: the safe answer for each set of buttons.
      return message.buttons == MsgButtons::Ok      ? MsgResult::Ok
             : message.buttons == MsgButtons::YesNo ? MsgResult::No
                                                    : MsgResult::Cancel;
  }
}

}  // namespace shell
