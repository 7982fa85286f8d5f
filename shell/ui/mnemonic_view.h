#pragma once
// The Mnemonic tab: a read-only view of the files a build leaves in the studio's folder.
// Text can be selected and copied; typing changes nothing. F8 shows the translator's
// output, F9 the listing and F10 the core source of the model.

#include <QPlainTextEdit>
#include <filesystem>
#include <functional>
#include <string>

namespace shell {

class MnemonicView : public QPlainTextEdit {
  Q_OBJECT
 public:
  struct Sources {
    std::function<std::filesystem::path()> folder;    // where the build's files lie
    std::function<std::string()> curFilePath;         // the current program's path
    std::function<int()> plcModel;                    // the document's model code
  };
  explicit MnemonicView(Sources sources, QWidget* parent = nullptr);

  // The "Mnemonic" tab was chosen: shows the translator's output (whatever the program's
  // path) and takes the focus.
  void TabChosen();
  // Shows one file; a missing file empties the view.
  void ShowFile(const std::string& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Sources sources_;
};

}  // namespace shell
