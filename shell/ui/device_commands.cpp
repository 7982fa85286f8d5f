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

// The studio's image, as the build road left it, into the job.
void TakeImage(const compiler::BuildState& build, plclink::DeviceJob& job) {
  job.romSize = build.RomSize;
  job.compileInfo = build.CompileInfo;
}

// What the device commands need of the last build.
plclink::DeviceJob JobOf(FrmMain& window) {
  const compiler::Studio& studio = window.Studio();
  plclink::DeviceJob job;
  job.folder = window.StudioFolder();
  job.plcModel = studio.doc.Setup.PlcModel;
  TakeImage(studio.build, job);
  return job;
}

void KeepJob(compiler::Studio& studio, const plclink::DeviceJob& job) {
  studio.build.RomSize = job.romSize;
  studio.build.CompileInfo = job.compileInfo;
}

// While a build batch runs the window keeps painting; it takes no user input until the command
// has returned.
void PaintWhileWaiting() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

// The window's side of Auto, Erase, Object Download and Upload. Owned by the window.
class WindowDeviceHost : public QObject,
                         public plclink::AutoHost,
                         public plclink::BuildHost,
                         public plclink::UploadHost {
 public:
  WindowDeviceHost(FrmMain& window, plclink::ErrorCellView& errorCell)
      : QObject(&window), window_(window), errorCell_(errorCell) {}

  // AutoHost
  void Save() override { (void)window_.Files().Save(); }
  void PaintWhileWaiting() override { shell::PaintWhileWaiting(); }
  void FocusBoard() override { window_.FocusBoard(); }
  void ShowErrorCell() override { errorCell_.ShowErrorCell(); }

  // BuildHost
  plclink::StepResult ReadHexFile(plclink::DeviceJob& job) override {
    compiler::Studio& studio = window_.Studio();
    const bool failed = plclink::ReadHexFile(studio, job.folder, job.batchOutput);
    TakeImage(studio.build, job);
    return failed ? plclink::StepResult::Failed : plclink::StepResult::Done;
  }

  // UploadHost
  void SaveProgram() override { (void)window_.Files().Save(); }
  void SaveAs() override { (void)window_.Files().SaveAs(); }
  bool Unsaved() override { return window_.Files().Unsaved(); }
  void OpenProgram(const std::filesystem::path& program) override {
    (void)window_.Files().OpenProgram(program.string());
  }
  void SetCaption(const std::string& caption) override { window_.SetCaption(caption); }

 private:
  FrmMain& window_;
  plclink::ErrorCellView& errorCell_;
};

}  // namespace

void WireDeviceCommands(FrmMain& window, plclink::Device& device, plclink::ErrorCellView& errorCell,
                        monitor::MonitorTicker* ticker) {
  FrmMain* w = &window;
  plclink::Device* l = &device;
  auto* host = new WindowDeviceHost(window, errorCell);
  // Every command runs with the ticker held; afterwards the Monitor item follows the
  // outcome, here and nowhere else, and the ladder takes the keys when the outcome says so.
  auto command = [w, l, ticker](std::function<plclink::Outcome()> body) {
    return [w, l, ticker, body] {
      monitor::MonitorTicker::Hold hold(ticker);
      const plclink::Outcome outcome = body();
      ApplyMonitorItem(*w, outcome.monitor);
      if (outcome.ladderTakesKeys) w->FocusBoard();
    };
  };
  const MenuCommands& c = window.Commands();
  auto run = [w, l](std::uint8_t code) {
    return [w, l, code] { return plclink::Outcome{.monitor = plclink::RunCommand(*l, code, w->MonitorOn())}; };
  };
  QObject::connect(c.mnuRun, &QAction::triggered, w, command(run(plclink::cmd::kRun)));
  QObject::connect(c.mnuReset, &QAction::triggered, w, command(run(plclink::cmd::kReset)));
  QObject::connect(c.mnuStop, &QAction::triggered, w, command(run(plclink::cmd::kStop)));
  QObject::connect(window.SetupPage(), &SetupPageWidget::portCheckRequested, w, command([w, l] {
                      plclink::PortCheck(*l, w->MonitorOn());
                      return plclink::Outcome{};
                    }));

  // Auto gives the ladder the focus itself, where its road failed.
  QObject::connect(c.mnuAuto, &QAction::triggered, w, command([w, l, host] {
                      plclink::SpawnProcessRunner runner(PaintWhileWaiting);
                      plclink::AutoJob job;
                      job.folder = w->StudioFolder();
                      plclink::LinkDeviceSteps steps(*l, w->Studio().doc.Setup, w->Studio().build, job.folder);
                      job.runner = &runner;
                      job.device = &steps;
                      job.monitorOn = w->MonitorOn();
                      job.askStart = w->UserSettings().Values().AskStart == 1;
                      FileCommands::OneNotice once(w->Files());  // Auto saves twice
                      const plclink::AutoOutcome outcome = plclink::RunAuto(w->Studio(), *host, job);
                      return plclink::Outcome{.monitor = plclink::MonitorItemAfter(outcome)};
                    }));
  QObject::connect(c.mnuVerify, &QAction::triggered, w,
                   command([w, l] { return plclink::VerifyCommand(*l, JobOf(*w), w->MonitorOn()); }));
  QObject::connect(c.mnuClearKeepArea, &QAction::triggered, w, command([w, l] {
                      plclink::ClearKeepCommand(*l, JobOf(*w), w->MonitorOn());
                      return plclink::Outcome{};
                    }));
  QObject::connect(c.mnuErase, &QAction::triggered, w, command([w, l, host] {
                      plclink::DeviceJob job = JobOf(*w);
                      plclink::SpawnProcessRunner runner(PaintWhileWaiting);
                      const plclink::Outcome outcome =
                          plclink::EraseCommand(*l, job, *host, &runner, w->MonitorOn());
                      KeepJob(w->Studio(), job);
                      return outcome;
                    }));
  QObject::connect(c.mnuObjectDownload, &QAction::triggered, w, command([w, l, host] {
                      plclink::DeviceJob job = JobOf(*w);
                      const plclink::Outcome outcome = plclink::ObjectDownloadCommand(*l, job, *host, w->MonitorOn());
                      KeepJob(w->Studio(), job);
                      return outcome;
                    }));
  QObject::connect(c.mnuUpload, &QAction::triggered, w, command([w, l, host] {
                      return plclink::UploadCommand(*l, JobOf(*w), w->Studio().shell, *host, w->MonitorOn());
                    }));
}

}  // namespace shell
