#pragma once
// A picture control: shows an image drawing surface, keeps it the size of the widget and
// reports mouse presses in twips.

#include <QWidget>
#include <functional>

#include "ladder/ui/image_surface.h"

namespace monitor {

class PictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);

  ladder::ImageSurface& Surface() { return surface_; }
  QImage Picture() { return surface_.Image(); }

  // Runs after the surface got a new size (and was cleared).
  std::function<void()> onResized;
  // Mouse press: button, x and y in twips.
  std::function<void(Qt::MouseButton, int, int)> onMousePress;

  QSize sizeHint() const override { return {260, 400}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  ladder::ImageSurface surface_;
};

}  // namespace monitor
