#pragma once
// The open and save dialogs of the File commands. Tests put scripted answers in place.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <string>

namespace shell {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // An empty result means the user cancelled.
  virtual std::string OpenName(const std::string& filter) = 0;
  virtual std::string SaveName(const std::string& filter) = 0;
  // The folder the dialogs start in (where a file without a folder of its own goes).
  virtual std::string StartFolder() const { return std::filesystem::current_path().string(); }
};

// A filter of "shown|pattern|shown|pattern" pairs as the Qt dialogs take it. Patterns match
// without regard to letter case ("*.qsl" also finds PUMP.QSL); "*.*" is every file.
QString QtFilter(const std::string& filter);

class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string OpenName(const std::string& filter) override;
  std::string SaveName(const std::string& filter) override;
  // The folder of the last file chosen, else the current folder.
  std::string StartFolder() const override;

 private:
  std::string Chosen(const QString& name);

  QPointer<QWidget> parent_;
  QString lastFolder_;
};

}  // namespace shell
