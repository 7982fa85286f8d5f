#include "shell/ui/script_runner.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "shell/ui/frm_main.h"
#include "shell/ui/window_places.h"

namespace shell {
namespace {

// The open dialog answered with one name, for the Open command of a script.
struct OneName : FileDialogs {
  std::string name;
  std::string OpenName(const std::string&) override { return name; }
  std::string SaveName(const std::string&) override { return ""; }
};

}  // namespace

ScriptRunner::ScriptRunner(FrmMain& window, QStringList lines, int stepMs)
    : QObject(&window), window_(window), lines_(std::move(lines)), stepMs_(stepMs) {}

void ScriptRunner::Start() {
  QTimer::singleShot(stepMs_, this, [this] { Step(); });
  auto* watch = new QTimer(this);
  connect(watch, &QTimer::timeout, this, [this] { CloseMessageBox(); });
  watch->start(1000);
}

void ScriptRunner::CloseMessageBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box) return;
  std::fprintf(stderr, "script: message box \"%s\": %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
  if (!boxShot_.isEmpty()) {
    if (!box->grab().save(boxShot_)) std::fprintf(stderr, "script: cannot save %s\n", qPrintable(boxShot_));
    boxShot_.clear();
  }
  box->close();
}

void ScriptRunner::Step() {
  while (next_ < lines_.size()) {
    QString line = lines_[next_++].trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    std::fprintf(stderr, "script: %s\n", qPrintable(line));
    if (!Run(line)) {
      std::fprintf(stderr, "script: cannot run \"%s\"\n", qPrintable(line));
      QCoreApplication::exit(3);
      return;
    }
    if (line.startsWith("exit")) return;
    int delay = line.startsWith("wait ") ? line.mid(5).toInt() : stepMs_;
    QTimer::singleShot(delay, this, [this] { Step(); });
    return;
  }
}

bool ScriptRunner::Run(const QString& line) {
  const QString verb = line.section(' ', 0, 0);
  const QString rest = line.section(' ', 1).trimmed();
  if (verb == "wait") return true;
  if (verb == "open") {
    OneName dialog;
    dialog.name = rest.toStdString();
    window_.SetFileDialogs(&dialog);
    window_.Commands().mnuOpen->trigger();
    window_.SetFileDialogs(nullptr);
    return window_.Studio().shell.CurFilePath == dialog.name;
  }
  if (verb == "page") {
    window_.SelectSidePage(rest.toInt());
    return true;
  }
  if (verb == "tab") {
    window_.SelectMainTab(rest.toInt());
    return true;
  }
  if (verb == "grow") {
    bool wide = false, tall = false;
    const int dx = rest.section(' ', 0, 0).toInt(&wide), dy = rest.section(' ', 1, 1).toInt(&tall);
    if (!wide || !tall) return false;
    window_.resize(window_.size() + QSize(dx, dy));
    return true;
  }
  if (verb == "places") {
    QFile file(rest);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    QTextStream out(&file);
    const QSize frame = window_.frameGeometry().size();
    out << "window " << window_.width() << "x" << window_.height() << " frame " << frame.width() << "x"
        << frame.height() << "\n";
    for (const auto& [name, place] : ControlPlaces(window_))
      out << QString::fromStdString(name) << ": " << QString::fromStdString(place) << "\n";
    out.flush();
    return file.error() == QFileDevice::NoError;
  }
  if (verb == "exit") {
    window_.mnuExit_Click();
    return true;
  }
  if (verb == "shot") {
    QPixmap picture;
    if (QGuiApplication::platformName() == "xcb") picture = window_.screen()->grabWindow(0);
    if (picture.isNull()) picture = window_.grab();
    return picture.save(rest);
  }
  if (verb == "boxshot") {
    boxShot_ = rest;
    return !rest.isEmpty();
  }
  if (verb == "control") {  // a line to the simulated module's control channel
    QFile channel(qEnvironmentVariable("ZQVSTUDIO_SIM_CONTROL"));
    if (!channel.open(QIODevice::WriteOnly)) return false;
    return channel.write((rest + '\n').toUtf8()) > 0;
  }
  if (verb == "enter") {  // a text typed into a box, then Enter
    auto* box = window_.findChild<QLineEdit*>(rest.section(' ', 0, 0));
    if (!box) return false;
    box->setFocus();
    box->setText(rest.section(' ', 1));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(box, &enter);
    return true;
  }
  if (verb == "click") {
    const QString name = rest.section(' ', 0, 0);
    const QString index = rest.section(' ', 1, 1);
    for (QObject* object : window_.findChildren<QObject*>(name)) {
      if (!index.isEmpty() && object->property("index").toString() != index) continue;
      if (auto* action = qobject_cast<QAction*>(object)) {
        action->trigger();
        return true;
      }
      if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        button->click();
        return true;
      }
    }
    return false;
  }
  return false;
}

}  // namespace shell
