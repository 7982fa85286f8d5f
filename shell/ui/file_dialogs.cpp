#include "shell/ui/file_dialogs.h"

#include <QFileDialog>
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

std::string QtFileDialogs::OpenName(const std::string& filter) {
  return QFileDialog::getOpenFileName(parent_, QString(), QString(), QtFilter(filter)).toStdString();
}

std::string QtFileDialogs::SaveName(const std::string& filter) {
  // The overwrite question is the studio's own.
  return QFileDialog::getSaveFileName(parent_, QString(), QString(), QtFilter(filter), nullptr,
                                      QFileDialog::DontConfirmOverwrite)
      .toStdString();
}

}  // namespace shell
