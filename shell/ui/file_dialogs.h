#pragma once
// The open and save dialogs of the File commands. Tests put scripted answers in place.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

namespace shell {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // An empty result means the user cancelled.
  virtual std::string OpenName(const std::string& filter) = 0;
  virtual std::string SaveName(const std::string& filter) = 0;
};

// A filter of "shown|pattern|shown|pattern" pairs as the Qt dialogs take it. Patterns match
// without regard to letter case ("*.qsl" also finds PUMP.QSL); "*.*" is every file.
QString QtFilter(const std::string& filter);

class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string OpenName(const std::string& filter) override;
  std::string SaveName(const std::string& filter) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace shell
