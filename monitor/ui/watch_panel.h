#pragma once
// The Watch page of the side panel: the entry box, the "All Clear" button and the picture
// with the watched devices. The window calls Open when the page is entered, Refresh on
// every monitor tick, and AddFromCell on a right click on the ladder.

#include <QWidget>

#include "compiler/studio_state.h"
#include "monitor/device_reader.h"

class QLineEdit;
class QPushButton;

namespace monitor {

class PictureBox;
class MonitorTicker;

class WatchPanel : public QWidget {
  Q_OBJECT
 public:
  explicit WatchPanel(compiler::Studio& studio, QWidget* parent = nullptr);

  void SetReader(DeviceReader* reader) { reader_ = reader; }
  // While the ticker is busy, additions and removals change the list but read nothing.
  void SetTicker(const MonitorTicker* ticker) { ticker_ = ticker; }

  // The side panel entered the page: focus to the entry box; the notice while not monitoring.
  void Open();
  // Monitor tick, and after every change of the list.
  void Refresh();
  // Right click on the ladder's cursor cell: adds its device (nothing when the list is full).
  bool AddFromCell();
  // Enter in the entry box.
  void EnterText();

  QLineEdit* Entry() const { return entry_; }
  QPushButton* ClearButton() const { return clear_; }
  PictureBox* Picture() const { return picture_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PrintOffNotice();
  void RefreshFromEvent();

  compiler::Studio& studio_;
  DeviceReader* reader_ = nullptr;
  const MonitorTicker* ticker_ = nullptr;
  QLineEdit* entry_;
  QPushButton* clear_;
  PictureBox* picture_;
};

}  // namespace monitor
