#pragma once
// The Mnemonic tab: a read-only view of the files a build leaves in the studio's folder.
// Text can be selected and copied; typing changes nothing. F8 shows the translator's
// output, F9 the listing and F10 the core source of the model. The viewer attaches to the
// window's text view.

#include <QObject>
#include <filesystem>
#include <functional>
#include <string>

class QPlainTextEdit;

namespace shell {

class MnemonicViewer : public QObject {
  Q_OBJECT
 public:
  struct Sources {
    std::function<std::filesystem::path()> folder;  // where the build's files lie (the studio's folder)
    std::function<std::string()> curFilePath;       // the current program's path
    std::function<int()> plcModel;                  // the document's model code
  };
  // Makes the view read-only and takes its function keys. The viewer is a child of the view.
  MnemonicViewer(QPlainTextEdit* view, Sources sources);

  // The "Mnemonic" tab was chosen: shows the translator's output (whatever the program's
  // path) and gives the view the focus.
  void TabChosen();
  // Shows one file; a missing file empties the view.
  void ShowFile(const std::string& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* view_;
  Sources sources_;
};

}  // namespace shell
