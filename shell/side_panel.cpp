#include "shell/side_panel.h"

#include <utility>

namespace shell {

const std::array<SidePageInfo, 6> kSidePages = {{
    {SidePage::Plc, "PLC"},
    {SidePage::Setup, "Setup"},
    {SidePage::Alias, "Alias"},
    {SidePage::Dump, "Dump"},
    {SidePage::Watch, "Watch"},
    {SidePage::Memo, "Memo"},
}};

std::vector<NoticeLine> DumpNotice(bool koreanMenu) {
  if (koreanMenu) return {{800, 600, "모니터링 상태에서만"}, {800, 1000, "  사용 가능합니다."}};
  return {{100, 600, "You can use at Monitering State !"}};
}

std::vector<NoticeLine> WatchNotice(bool koreanMenu) {
  if (koreanMenu) return {{300, 600, "모니터링 상태에서만 사용가능합니다."}};
  return {{300, 600, "You can use at Monitering State !"}};
}

SidePanelLogic::SidePanelLogic(SidePanelHooks hooks) : hooks_(std::move(hooks)) {}

void SidePanelLogic::Choose(int index) {
  if (index < 1 || index > 6) return;
  SidePage page = static_cast<SidePage>(index);
  if (page != SidePage::Plc && shown_ == SidePage::Plc && hooks_.plcSetupFix) hooks_.plcSetupFix();
  shown_ = page;
  bool monitoring = hooks_.monitorOn && hooks_.monitorOn();
  bool korean = hooks_.koreanMenu && hooks_.koreanMenu();
  switch (page) {
    case SidePage::Plc:
      if (hooks_.plcSetupLoad) hooks_.plcSetupLoad();
      break;
    case SidePage::Setup:
      if (hooks_.fillSetup) hooks_.fillSetup();
      break;
    case SidePage::Alias:
      if (hooks_.showAlias) hooks_.showAlias();
      break;
    case SidePage::Dump:
      if (hooks_.showDump) hooks_.showDump();
      if (!monitoring && hooks_.dumpNotice) hooks_.dumpNotice(DumpNotice(korean));
      break;
    case SidePage::Watch:
      if (hooks_.showWatch) hooks_.showWatch();
      if (!monitoring && hooks_.watchNotice) hooks_.watchNotice(WatchNotice(korean));
      break;
    default:
      break;
  }
}

}  // namespace shell
