#include "shell/ui/monitor_wiring.h"

#include <QAction>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>

#include "ladder/ui/ladder_view.h"
#include "link/device.h"
#include "link/module_commands.h"
#include "monitor/device_map.h"
#include "monitor/ui/monitor_controller.h"
#include "shell/settings.h"
#include "shell/ui/frm_main.h"

namespace shell {
namespace {

// Monitor mode's view of the window: the Monitor menu item, the speed slider and stop button
// on the ladder toolbar, the ladder view, the Watch page, the settings file, and the device
// for the module check and the port. The controller is its child.
class WindowMonitorHost : public QObject, public monitor::MonitorModeHost, public monitor::LiveLadderTarget {
 public:
  WindowMonitorHost(FrmMain& window, ladder::LadderView& view, plclink::Device& device)
      : QObject(&window), window_(window), view_(view), device_(device) {
    // Speed slider and stop button, shown only while monitoring.
    QToolBar* bar = window.LadderToolbar();
    bar->addSeparator();
    slider_ = new QSlider(Qt::Horizontal, bar);
    slider_->setObjectName("SliderMonSpeed");
    slider_->setRange(0, 10);
    slider_->setPageStep(1);
    slider_->setFixedWidth(120);
    slider_->setToolTip("Monitor speed");
    stop_ = new QPushButton("Monitoring Stop", bar);
    stop_->setObjectName("cmdMonOut");
    sliderItem_ = bar->addWidget(slider_);
    stopItem_ = bar->addWidget(stop_);
    sliderItem_->setVisible(false);
    stopItem_->setVisible(false);
  }

  QSlider* Slider() const { return slider_; }
  QPushButton* StopButton() const { return stop_; }

  // MonitorModeHost
  bool CheckModuleModel() override { return plclink::CheckModuleModel(device_, window_.Studio().doc.Setup.PlcModel); }
  void OpenPort() override { device_.OpenPort(); }
  void SetMenuCaption(const std::string& caption) override {
    window_.Commands().mnuMonitor->setText(QString::fromStdString(caption));
  }
  void ShowCellEditor(bool show) override { view_.setMonitorOn(!show); }
  void ShowSpeedControls(bool show) override {
    sliderItem_->setVisible(show);
    stopItem_->setVisible(show);
  }
  void SetSpeedSlider(int value) override { slider_->setValue(value); }
  void RepaintLadder(bool withCursor) override {
    view_.drawLadder();
    if (withCursor) view_.drawCursor();
  }
  void FocusLadder() override { view_.board()->setFocus(); }
  void SelectWatchPage() override { window_.SelectSidePage(5); }
  void WriteMonSpeed(int value) override {
    window_.UserSettings().SetMonSpeed(static_cast<int16_t>(value));
    window_.WriteSetting(ini::kSetup, "MonSpeed", std::to_string(value));
  }

  // LiveLadderTarget
  ladder::DrawingSurface& Surface() override { return view_.surface(); }
  const ladder::LadderViewState& ViewState() const override { return view_.viewState(); }
  void Painted() override { view_.board()->update(); }

 private:
  FrmMain& window_;
  ladder::LadderView& view_;
  plclink::Device& device_;
  QSlider* slider_;
  QPushButton* stop_;
  QAction* sliderItem_;
  QAction* stopItem_;
};

}  // namespace

monitor::MonitorController* WireMonitor(FrmMain& window, ladder::LadderView& view, plclink::Device& device,
                                        monitor::DeviceReader& reader, monitor::MonitorTicker& ticker) {
  compiler::Studio& studio = window.Studio();
  auto* host = new WindowMonitorHost(window, view, device);
  auto* controller = new monitor::MonitorController(studio, ticker, *host, *host, host);
  controller->SetReader(&reader);

  window.HostPage("fraDump", controller->DumpPage());
  window.HostPage("fraWatch", controller->WatchPage());

  QObject::connect(host->Slider(), &QSlider::valueChanged, controller,
                   [controller](int value) { controller->SliderMonSpeed_Change(value); });
  QObject::connect(host->StopButton(), &QPushButton::clicked, controller,
                   [controller] { controller->cmdMonOut_Click(); });
  QObject::connect(window.Commands().mnuMonitor, &QAction::triggered, controller,
                   [controller] { controller->mnuMonitor_Click(); });

  QObject::connect(&window, &FrmMain::sidePageShown, controller, [controller](int page) {
    if (page == 4) controller->DumpPage()->Open();
    if (page == 5) controller->WatchPage()->Open();
  });
  QObject::connect(&window, &FrmMain::watchListReplaced, controller,
                   [controller] { controller->WatchPage()->Refresh(); });
  QObject::connect(&window, &FrmMain::deviceModelChanged, controller, [&window] { monitor::SetDeviceMap(window.Studio()); });
  monitor::SetDeviceMap(studio);
  return controller;
}

}  // namespace shell
