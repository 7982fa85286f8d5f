#include "shell/startup.h"

namespace shell {

void ApplyRunTimeDefaults(compiler::Studio& studio, const Settings& settings) {
  compiler::PlcSetup& setup = studio.doc.Setup;
  setup.PlcModel = 1;
  setup.CommMode = 1;
  setup.NodeNum = 0;
  setup.UploadOpt = 1;
  setup.Scan25Opt = 0;
  setup.ClearKeepOpt = 0;
  setup.CompOption6 = setup.CompOption7 = setup.CompOption8 = 1;
  setup.UploadFlag = true;
  setup.ClearKeepFlag = false;
  studio.doc.CurCol = studio.doc.CurRow = studio.doc.TopRow = 0;
  studio.doc.EndRow = 1;
  studio.shell.SourceSaved = true;
  studio.watch = compiler::WatchList{};
  studio.monitor.MonSpeed = settings.MonSpeed;
}

}  // namespace shell
