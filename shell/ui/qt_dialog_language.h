#pragma once
// The language of Qt's own standard dialogs (message-box buttons, file dialogs): Qt's Korean
// translation is loaded while the interface is Korean and removed when it is English.

#include <QTranslator>
#include <memory>

namespace shell {

class QtDialogLanguage {
 public:
  ~QtDialogLanguage();
  // Installs or removes the translation; false when Korean was asked for and Qt's Korean
  // translation file could not be loaded (the dialogs then stay English).
  bool Apply(bool korean);
  bool Installed() const { return translator_ != nullptr; }

 private:
  std::unique_ptr<QTranslator> translator_;
};

}  // namespace shell
