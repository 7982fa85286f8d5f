#include "shell/options.h"

namespace shell {

OptionBoxes OptionBoxesOf(const compiler::PlcSetup& setup) {
  return {setup.UploadOpt == 1, setup.ClearKeepOpt == 1, setup.Scan25Opt == 1};
}

bool ApplyOptionBoxes(const OptionBoxes& boxes, compiler::PlcSetup& setup) {
  int16_t upload = boxes.upload ? 1 : 0;
  int16_t clearKeep = boxes.clearKeep ? 1 : 0;
  int16_t scan25 = boxes.scan25 ? 1 : 0;
  bool changed = setup.UploadOpt != upload || setup.ClearKeepOpt != clearKeep || setup.Scan25Opt != scan25;
  setup.UploadOpt = upload;
  setup.UploadFlag = boxes.upload;
  setup.ClearKeepOpt = clearKeep;
  setup.ClearKeepFlag = boxes.clearKeep;
  setup.Scan25Opt = scan25;
  return changed;
}

}  // namespace shell
