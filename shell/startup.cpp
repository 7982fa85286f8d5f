#include "shell/startup.h"

namespace shell {

int16_t RoundCunit10(int cunit) {
  int whole = cunit / 10, rest = cunit % 10;
  if (rest > 5 || (rest == 5 && whole % 2 == 1)) ++whole;
  return int16_t(whole);
}

LadderGeometry GeometryFor(int cunit) { return {RoundCunit10(cunit), int16_t(9 * cunit), int16_t(7 * cunit)}; }

LadderColors ColorsFor(int color) {
  if (color == 1) return {0xFFFFFF, 0x000000, 0x00FF00};
  return {0x000000, 0xFFFFFF, 0xFF0000};
}

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
  studio.shell.KoreanMenu = settings.KoreanMenu;
  LadderGeometry g = GeometryFor(settings.Cunit);
  studio.shell.CellW = g.CellW;
  studio.shell.CellH = g.CellH;
  studio.shell.Csai = settings.Csai;
}

}  // namespace shell
