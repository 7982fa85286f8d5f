#pragma once
// The two small modal windows of the Edit menu: go to a row (Ctrl+G) and find a word (F2).
// Each has one text box; Enter acts, Esc closes. The window runs them with exec().

#include <QDialog>
#include <functional>

#include "compiler/studio_state.h"

class QLineEdit;

namespace ladder {

class GotoDialog : public QDialog {
  Q_OBJECT
 public:
  // scrollMax gives the ladder scroll bar's maximum when Enter is pressed.
  GotoDialog(compiler::Studio& studio, std::function<int()> scrollMax, QWidget* parent = nullptr);
  QLineEdit* textBox() const { return text_; }

 public slots:
  void Submit();  // Enter

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  compiler::Studio& studio_;
  std::function<int()> scrollMax_;
  QLineEdit* text_;
};

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(compiler::Studio& studio, QWidget* parent = nullptr);
  QLineEdit* textBox() const { return text_; }

 public slots:
  void Submit();  // Enter

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  compiler::Studio& studio_;
  QLineEdit* text_;
};

}  // namespace ladder
