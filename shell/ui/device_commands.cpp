#include "shell/ui/device_commands.h"

#include <QAction>
#include <QCoreApplication>

#include "link/auto_device_steps.h"
#include "link/build_command.h"
#include "link/device_menu.h"
#include "link/exec_cmd.h"
#include "link/hex_image.h"
#include "link/device.h"
#include "link/module_commands.h"
#include "monitor/ui/monitor_ticker.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/view_settings_widget.h"

namespace shell {
namespace {

void ApplyMonitorItem(FrmMain& window, plclink::MonitorItem item) {
  QAction* monitor = window.Commands().mnuMonitor;
  if (item == plclink::MonitorItem::Enable) monitor->setEnabled(true);
  if (item == plclink::MonitorItem::Disable) monitor->setEnabled(false);
}

// What the device commands need of the last build.
plclink::DeviceJob JobOf(FrmMain& window) {
  const compiler::Studio& studio = window.Studio();
  plclink::DeviceJob job;
  job.folder = window.StudioFolder();
  job.plcModel = studio.doc.Setup.PlcModel;
  job.romSize = studio.build.RomSize;
  job.compileInfo = studio.build.CompileInfo;
  return job;
}

void KeepJob(compiler::Studio& studio, const plclink::DeviceJob& job) {
  studio.build.RomSize = job.romSize;
  studio.build.CompileInfo = job.compileInfo;
}

// While a build batch runs the window keeps painting; it takes no user input until the command
// has returned.
void PaintWhileWaiting() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// `runner` starts the build batch (Erase only).
plclink::BuildHooks BuildHooksOf(FrmMain& window, plclink::ProcessRunner* runner = nullptr) {
  plclink::BuildHooks hooks;
  compiler::Studio* studio = &window.Studio();
  hooks.readHexFile = [studio](plclink::DeviceJob& job) {
    const bool failed = plclink::ReadHexFile(*studio, job.folder);
    job.romSize = studio->build.RomSize;
    job.compileInfo = studio->build.CompileInfo;
    return failed;
  };
  hooks.runner = runner;
  return hooks;
}

}  // namespace

void WireDeviceCommands(FrmMain& window, plclink::Device& device, monitor::MonitorTicker* ticker) {
  FrmMain* w = &window;
  plclink::Device* l = &device;
  // Every command runs with the ticker held; afterwards the
  // Monitor item follows the outcome and a failed command gives the ladder the focus.
  auto command = [w, l, ticker](std::function<plclink::Outcome()> body) {
    return [w, l, ticker, body] {
      monitor::MonitorTicker::Hold hold(ticker);
      const plclink::Outcome outcome = body();
      ApplyMonitorItem(*w, outcome.monitor);
      if (outcome.failed) w->FocusBoard();
    };
  };
  const MenuCommands& c = window.Commands();
  auto run = [w, l](std::uint8_t code) {
    return [w, l, code] { return plclink::Outcome{false, plclink::RunCommand(*l, code, w->MonitorOn())}; };
  };
  QObject::connect(c.mnuRun, &QAction::triggered, w, command(run(plclink::cmd::kRun)));
  QObject::connect(c.mnuReset, &QAction::triggered, w, command(run(plclink::cmd::kReset)));
  QObject::connect(c.mnuStop, &QAction::triggered, w, command(run(plclink::cmd::kStop)));
  QObject::connect(window.SetupPage(), &SetupPageWidget::portCheckRequested, w, command([w, l] {
                      plclink::PortCheck(*l, w->MonitorOn());
                      return plclink::Outcome{};
                    }));

  QObject::connect(c.mnuAuto, &QAction::triggered, w, [w, l, ticker] {
    monitor::MonitorTicker::Hold hold(ticker);
    const std::filesystem::path folder = w->StudioFolder();
    plclink::SpawnProcessRunner runner(PaintWhileWaiting);
    plclink::LinkDeviceSteps steps(*l, w->Studio(), folder);
    plclink::AutoSeams seams;
    seams.studio = &w->Studio();
    seams.folder = folder;
    seams.runner = &runner;
    seams.device = &steps;
    seams.save = [w] { w->Files().Save(); };
    seams.processEvents = PaintWhileWaiting;
    seams.focusBoard = [w] { w->FocusBoard(); };
    seams.showErrorCell = [w] {
      if (w->hooks.showErrorCell) w->hooks.showErrorCell();
    };
    seams.enableMonitor = [w] { ApplyMonitorItem(*w, plclink::MonitorItem::Enable); };
    seams.disableMonitor = [w] { ApplyMonitorItem(*w, plclink::MonitorItem::Disable); };
    seams.monitorOn = w->MonitorOn();
    seams.askStart = w->UserSettings().Values().AskStart == 1;
    plclink::RunAuto(seams);
  });
  QObject::connect(c.mnuVerify, &QAction::triggered, w,
                   command([w, l] { return plclink::VerifyCommand(*l, JobOf(*w), w->MonitorOn()); }));
  QObject::connect(c.mnuClearKeepArea, &QAction::triggered, w, command([w, l] {
                      plclink::ClearKeepCommand(*l, JobOf(*w), w->MonitorOn());
                      return plclink::Outcome{};
                    }));
  QObject::connect(c.mnuErase, &QAction::triggered, w, command([w, l] {
                      plclink::DeviceJob job = JobOf(*w);
                      plclink::SpawnProcessRunner runner(PaintWhileWaiting);
                      const plclink::Outcome outcome =
                          plclink::EraseCommand(*l, job, BuildHooksOf(*w, &runner), w->MonitorOn());
                      KeepJob(w->Studio(), job);
                      return outcome;
                    }));
  QObject::connect(c.mnuObjectDownload, &QAction::triggered, w, command([w, l] {
                      plclink::DeviceJob job = JobOf(*w);
                      const plclink::Outcome outcome =
                          plclink::ObjectDownloadCommand(*l, job, BuildHooksOf(*w), w->MonitorOn());
                      KeepJob(w->Studio(), job);
                      return outcome;
                    }));
  QObject::connect(c.mnuUpload, &QAction::triggered, w, command([w, l] {
                      plclink::UploadHooks hooks;
                      hooks.saveProgram = [w] { w->Files().Save(); };
                      hooks.saveAs = [w] { w->Files().SaveAs(); };
                      hooks.openProgram = [w](const std::filesystem::path& program) {
                        w->Files().OpenProgram(program.string());
                      };
                      hooks.setCaption = [w](const std::string& caption) { w->SetCaption(caption); };
                      return plclink::UploadCommand(*l, JobOf(*w), w->Studio().shell, hooks, w->MonitorOn());
                    }));
}

}  // namespace shell
