// zqvstudio: the studio's main program.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "compiler/studio_state.h"
#include "ladder/ui/ladder_view.h"
#include "ladder/ui/selection_mouse.h"
#include "link/device.h"
#include "link/link.h"
#include "link/link_config.h"
#include "monitor/link_reader.h"
#include "monitor/ui/monitor_controller.h"
#include "monitor/ui/monitor_ticker.h"
#include "platform/startup_options.h"
#include "shell/profile_ini.h"
#include "shell/settings.h"
#include "shell/ui/device_commands.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/ladder_wiring.h"
#include "shell/ui/monitor_wiring.h"
#include "shell/ui/qt_message_sink.h"
#include "shell/ui/script_runner.h"
#include "shell/ui/studio_language.h"
#include "shell/ui/view_settings_widget.h"

namespace {

// For the start-up benchmark: reports the first paint of the window and ends the program.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      std::fprintf(stderr, "first paint after %lld ms\n", static_cast<long long>(clock_.elapsed()));
      QMetaObject::invokeMethod(
          qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    }
    return false;
  }

 private:
  const QElapsedTimer& clock_;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName("zqvstudio");
  // The environment is read here once; what follows takes its options from this value.
  const platform::StartupOptions options = platform::ReadProcessStartupOptions();

  auto studio = std::make_unique<compiler::Studio>();
  shell::QtMessageSink messages;
  // Message boxes run a nested event loop: no monitor tick may start under one.
  monitor::MonitorTicker ticker;
  monitor::HoldingMessageSink holding(messages, ticker);
  studio->messages = &holding;
  shell::ProfileFile profile(options.profilePath);

  shell::FrmMain window(*studio, profile, options.studioFolder);
  FirstPaint firstPaint(clock);
  if (options.firstPaint) window.installEventFilter(&firstPaint);
  messages.SetParent(&window);

  // The serial link on the Setup page's port choice; its devices come from the settings
  // once they are read. The device commands raise their messages in the studio's language.
  plclink::Link link(plclink::LinkConfig{}, *window.SetupPage());
  shell::StudioLanguage language(*studio);
  plclink::Device device(link, holding, window, language);
  monitor::LinkDeviceReader reader(link, studio->doc.Setup);

  // The ladder view, then the monitor that paints over it; a right click on the ladder while
  // monitoring hands the cell to the monitor's watch list.
  shell::LadderWiring ladder = shell::WireLadder(window);
  monitor::MonitorController* monitor = shell::WireMonitor(window, *ladder.view, device, reader, ticker);
  ladder::ConnectSelectionMouse(*ladder.view, [monitor] { return monitor->WatchPage()->AddFromCell(); });
  shell::WireDeviceCommands(window, device, *ladder.errorCell, &ticker);

  window.Form_Load();
  plclink::LinkConfig config;
  for (int i = 0; i < 4; ++i) config.portDevices[size_t(i)] = window.UserSettings().Values().PortDev[size_t(i)];
  link.SetConfig(config.WithOverrides(options));

  window.show();

  // A list of actions to play on the window (the smoke test sets it).
  if (!options.scriptFile.empty()) {
    QFile file(QString::fromStdString(options.scriptFile.string()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return 3;
    auto* runner = new shell::ScriptRunner(window, QTextStream(&file).readAll().split('\n'));
    runner->Start();
  }
  return app.exec();
}
