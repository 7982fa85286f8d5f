#pragma once
// The about window: the product's name and version painted on its own background. A click
// on the window outside the version label closes it.

#include <QDialog>

class QLabel;

namespace shell {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  QLabel* versionLabel() const { return label1_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* label1_ = nullptr;
};

}  // namespace shell
