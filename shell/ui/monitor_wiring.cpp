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
#include "shell/ui/frm_main.h"

namespace shell {

monitor::MonitorController* WireMonitor(FrmMain& window, ladder::LadderView& view, plclink::Device& device,
                                        monitor::DeviceReader& reader) {
  compiler::Studio& studio = window.Studio();
  FrmMain* w = &window;
  ladder::LadderView* v = &view;
  plclink::Device* l = &device;

  // Speed slider and stop button, shown only while monitoring.
  QToolBar* bar = window.LadderToolbar();
  bar->addSeparator();
  auto* slider = new QSlider(Qt::Horizontal, bar);
  slider->setObjectName("SliderMonSpeed");
  slider->setRange(0, 10);
  slider->setPageStep(1);
  slider->setFixedWidth(120);
  slider->setToolTip("Monitor speed");
  auto* stop = new QPushButton("Monitoring Stop", bar);
  stop->setObjectName("cmdMonOut");
  QAction* sliderItem = bar->addWidget(slider);
  QAction* stopItem = bar->addWidget(stop);
  sliderItem->setVisible(false);
  stopItem->setVisible(false);

  monitor::MonitorHooks hooks;
  hooks.checkModuleModel = [w, l] {
    return plclink::CheckModuleModel(*l, w->Studio().doc.Setup.PlcModel);
  };
  hooks.openPort = [l] { l->OpenPort(); };
  hooks.setMenuCaption = [w](const std::string& caption) {
    w->Commands().mnuMonitor->setText(QString::fromStdString(caption));
  };
  hooks.showCellEditor = [v](bool show) { v->setMonitorOn(!show); };
  hooks.showSpeedControls = [sliderItem, stopItem](bool show) {
    sliderItem->setVisible(show);
    stopItem->setVisible(show);
  };
  hooks.setSpeedSlider = [slider](int value) { slider->setValue(value); };
  hooks.repaintLadder = [v](bool withCursor) {
    v->drawLadder();
    if (withCursor) v->drawCursor();
  };
  hooks.focusLadder = [v] { v->board()->setFocus(); };
  hooks.selectWatchPage = [w] { w->SelectSidePage(5); };
  hooks.writeMonSpeed = [w](int value) { w->Profile().WriteString("Setup", "MonSpeed", std::to_string(value)); };

  auto* controller = new monitor::MonitorController(studio, std::move(hooks), &window);
  controller->SetReader(&reader);
  controller->ladderSurface = [v]() -> ladder::DrawingSurface* { return &v->surface(); };
  controller->ladderView = [v]() -> const ladder::LadderViewState* { return &v->viewState(); };
  controller->ladderPainted = [v] { v->board()->update(); };

  window.HostPage("fraDump", controller->DumpPage());
  window.HostPage("fraWatch", controller->WatchPage());

  QObject::connect(slider, &QSlider::valueChanged, controller,
                   [controller](int value) { controller->SliderMonSpeed_Change(value); });
  QObject::connect(stop, &QPushButton::clicked, controller, [controller] { controller->cmdMonOut_Click(); });
  QObject::connect(window.Commands().mnuMonitor, &QAction::triggered, controller,
                   [controller] { controller->mnuMonitor_Click(); });

  QObject::connect(&window, &FrmMain::sidePageShown, controller, [controller](int page) {
    if (page == 4) controller->DumpPage()->Open();
    if (page == 5) controller->WatchPage()->Open();
  });
  QObject::connect(&window, &FrmMain::watchListReplaced, controller,
                   [controller] { controller->WatchPage()->Refresh(); });
  QObject::connect(&window, &FrmMain::deviceModelChanged, controller, [w] { monitor::SetDeviceMap(w->Studio()); });
  monitor::SetDeviceMap(studio);
  return controller;
}

}  // namespace shell
