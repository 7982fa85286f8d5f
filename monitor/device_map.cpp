#include "monitor/device_map.h"

namespace monitor {

int ModelGroup(int plcModel) {
  switch (plcModel) {
    case 1:
    case 3:
    case 5:
      return 1;
    case 2:
      return 2;
    default:
      return 3;
  }
}

compiler::DeviceMap DeviceMapFor(int plcModel) {
  compiler::DeviceMap m;  // group 1 by default
  const int group = ModelGroup(plcModel);
  if (group == 1) return m;
  // Groups 2 and 3 share everything up to the step area.
  m.AddrAD = group == 2 ? 571 : 1059;
  m.AddrHCNT = 232;
  m.AddrF = 235, m.CountF = 64;
  m.AddrM = 243, m.CountM = 256;
  m.AddrS = 307, m.CountS = 128;
  m.AddrK = 323, m.CountK = group == 2 ? 128 : 512;
  if (group == 2) {
    m.AddrT = 339, m.CountT = 32;
    m.AddrC = 403, m.CountC = 32;
    m.AddrCF = 467;
    m.AddrD = 499, m.CountD = 32;
  } else {
    m.AddrT = 387, m.CountT = 64;
    m.AddrC = 515, m.CountC = 32;
    m.AddrCF = 579;
    m.AddrD = 611, m.CountD = 220;
  }
  return m;
}

void SetDeviceMap(compiler::Studio& studio) { studio.monitor.map = DeviceMapFor(studio.doc.Setup.PlcModel); }

}  // namespace monitor
