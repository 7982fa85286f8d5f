#pragma once
// The Dump page of the side panel: a strip of twelve area tabs, the picture and its
// scroll bar. The window calls Open when the page is entered, Refresh on every monitor
// tick and ClearPicture when monitoring stops.

#include <QWidget>

#include "compiler/studio_state.h"
#include "monitor/device_reader.h"
#include "monitor/dump_pages.h"

class QTabBar;
class QScrollBar;

namespace monitor {

class PictureBox;
class MonitorTicker;

class DumpPanel : public QWidget {
  Q_OBJECT
 public:
  explicit DumpPanel(compiler::Studio& studio, QWidget* parent = nullptr);

  // Where device words are read; the page draws nothing without one.
  void SetReader(DeviceReader* reader) { reader_ = reader; }
  // The monitor timer: while it is busy (a tick, a device command, a modal box) the event
  // handlers of the page read nothing.
  void SetTicker(const MonitorTicker* ticker) { ticker_ = ticker; }

  // The side panel entered the page: draws the selected page, or the notice that the page
  // works only while monitoring.
  void Open();
  // Selects a tab (1..12) as a click does.
  void SelectTab(int tab);
  // Monitor tick: the selected page, when this panel is visible.
  void Refresh();
  // Clears the picture (monitoring stopped).
  void ClearPicture();

  DumpPages& Pages() { return pages_; }
  QTabBar* Tabs() const { return tabs_; }
  QScrollBar* ScrollBar() const { return scroll_; }
  PictureBox* Picture() const { return picture_; }

 private:
  void OnTabChanged(int index);
  void OnScroll(int position);
  void PrintOffNotice();
  DeviceReader& EventReader();

  compiler::Studio& studio_;
  DeviceReader* reader_ = nullptr;
  const MonitorTicker* ticker_ = nullptr;
  DumpPages pages_;
  QTabBar* tabs_;
  PictureBox* picture_;
  QScrollBar* scroll_;
};

}  // namespace monitor
