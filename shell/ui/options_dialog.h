#pragma once
// The options window of the Download menu: source upload, clearing the keep area after a
// download and the 2.5 ms scan time. Its Close button stores the boxes; the close box of
// the window keeps the old options.

#include <QDialog>
#include <functional>

#include "compiler/document.h"

class QCheckBox;
class QPushButton;

namespace shell {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  // changed runs when Close altered an option (the program then has unsaved changes).
  OptionsDialog(compiler::PlcSetup& setup, bool koreanMenu, std::function<void()> changed = {},
                QWidget* parent = nullptr);

  QCheckBox* uploadBox() const { return chkUpload_; }
  QCheckBox* clearKeepBox() const { return chkClearKeep_; }
  QCheckBox* scan25Box() const { return chk25_; }
  QPushButton* closeButton() const { return cmdClose_; }

 private:
  compiler::PlcSetup& setup_;
  std::function<void()> changed_;
  QCheckBox* chkUpload_ = nullptr;
  QCheckBox* chkClearKeep_ = nullptr;
  QCheckBox* chk25_ = nullptr;
  QPushButton* cmdClose_ = nullptr;
};

}  // namespace shell
