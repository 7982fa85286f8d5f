#pragma once
// Plays a list of user actions on the main window, one after another, for the smoke test
// that runs the real studio on a virtual display. One action per line:
//   wait MS          pause
//   open PATH        the Open command, its dialog answered with PATH
//   click NAME [I]   trigger the menu item or click the button NAME (element I of an array)
//   enter NAME TEXT  type TEXT into the text box NAME and press Enter
//   control TEXT     append a line to the file ZQVSTUDIO_SIM_CONTROL names (the simulated
//                    module's control channel)
//   page N           choose side page N
//   tab N            choose main tab N (1 Ladder, 2 Mnemonic)
//   grow DX DY       make the window DX pixels wider and DY pixels taller (negative: smaller)
//   places FILE      write the window's size, its frame's size and where each of its named
//                    controls lies, with the control seen at its middle, one line each
//   shot FILE        save a picture of the screen (of the window without a display server)
//   boxshot FILE     save a picture of the next message box before it is closed
//   exit             the File menu's Exit
// A message box that opens during the run is written to standard error and closed (the safe
// answer), so that no step waits for a person. Lines starting with "#" are comments. An unknown action or name ends the
// program with status 3, so a broken script never passes for a good run.

#include <QObject>
#include <QString>
#include <QStringList>

namespace shell {

class FrmMain;

class ScriptRunner : public QObject {
  Q_OBJECT
 public:
  ScriptRunner(FrmMain& window, QStringList lines, int stepMs = 400);
  void Start();

 private:
  void Step();
  bool Run(const QString& line);
  void CloseMessageBox();
  FrmMain& window_;
  QStringList lines_;
  int next_ = 0;
  int stepMs_;
  QString boxShot_;  // where the next message box's picture goes (empty: none)
};

}  // namespace shell
