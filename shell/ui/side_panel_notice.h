#pragma once
// A transparent layer over a side page's picture that prints the page's notice while the
// studio is not monitoring (lines at positions in twips, 15 twips a pixel).

#include <QWidget>
#include <vector>

#include "shell/side_panel.h"

namespace shell {

class NoticeLayer : public QWidget {
  Q_OBJECT
 public:
  explicit NoticeLayer(QWidget* parent = nullptr);
  // Shows the lines over a cleared picture; an empty list hides the layer.
  void SetNotice(std::vector<NoticeLine> lines);
  const std::vector<NoticeLine>& notice() const { return lines_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<NoticeLine> lines_;
};

}  // namespace shell
