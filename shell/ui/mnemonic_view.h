#pragma once
// The Mnemonic tab: a read-only view of the files a build leaves in the studio's folder.
// Text can be selected and copied; typing changes nothing. F8 shows the translator's
// output, F9 the listing and F10 the core source of the model. The viewer attaches to the
// window's text view.

#include <QObject>
#include <filesystem>
#include <string>

#include "compiler/studio_state.h"

class QPlainTextEdit;

namespace shell {

class MnemonicViewer : public QObject {
  Q_OBJECT
 public:
  // Makes the view read-only and takes its function keys. The viewer is a child of the view.
  // folder: where the build's files lie (the studio's folder). The keys read the current
  // program's path from `shell` and the model from `setup` when pressed; the viewer keeps
  // references to both.
  MnemonicViewer(QPlainTextEdit* view, std::filesystem::path folder, const compiler::ShellState& shell,
                 const compiler::PlcSetup& setup);

  // The "Mnemonic" tab was chosen: shows the translator's output (whatever the program's
  // path) and gives the view the focus.
  void TabChosen();
  // Shows one file; a missing file empties the view.
  void ShowFile(const std::string& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* view_;
  const std::filesystem::path folder_;
  const compiler::ShellState& shell_;
  const compiler::PlcSetup& setup_;
};

}  // namespace shell
