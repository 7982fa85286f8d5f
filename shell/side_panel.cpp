#include "shell/side_panel.h"

#include "monitor/monitor_texts.h"

namespace shell {

std::vector<NoticeLine> DumpNotice(bool koreanMenu) {
  using namespace monitor::texts;
  if (koreanMenu) return {{800, 600, kDumpOffNoticeKo1}, {800, 1000, kDumpOffNoticeKo2}};
  return {{100, 600, kOffNotice}};
}

std::vector<NoticeLine> WatchNotice(bool koreanMenu) {
  using namespace monitor::texts;
  return {{300, 600, koreanMenu ? kWatchOffNoticeKo : kOffNotice}};
}

}  // namespace shell
