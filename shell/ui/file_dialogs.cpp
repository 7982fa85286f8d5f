#include "shell/ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace shell {

QString QtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    if (pattern == "*.*") {
      pattern = "*";
    } else if (pattern.toLower() != pattern.toUpper()) {
      pattern = pattern.toLower() + " " + pattern.toUpper();
    }
    out << parts[i] + " (" + pattern + ")";
  }
  return out.join(";;");
}

std::string QtFileDialogs::StartFolder() const {
  return lastFolder_.isEmpty() ? QDir::currentPath().toStdString() : lastFolder_.toStdString();
}

std::string QtFileDialogs::Chosen(const QString& name) {
  if (!name.isEmpty()) lastFolder_ = QFileInfo(name).absolutePath();
  return name.toStdString();
}

std::string QtFileDialogs::OpenName(const std::string& filter) {
  return Chosen(QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(StartFolder()),
                                             QtFilter(filter)));
}

std::string QtFileDialogs::SaveName(const std::string& filter) {
  // The overwrite question is the studio's own.
  return Chosen(QFileDialog::getSaveFileName(parent_, QString(), QString::fromStdString(StartFolder()),
                                             QtFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite));
}

}  // namespace shell
