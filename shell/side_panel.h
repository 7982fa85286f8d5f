#pragma once
// The side panel's six pages and what choosing one does: leaving the PLC page copies its
// controls into the document, entering it fills them from the document, the Setup page
// shows the settings, and the Dump and Watch pages carry a notice while not monitoring.

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace shell {

enum class SidePage { None = 0, Plc = 1, Setup = 2, Alias = 3, Dump = 4, Watch = 5, Memo = 6 };

struct SidePageInfo {
  SidePage page;
  const char* caption;  // the same in both languages
};
extern const std::array<SidePageInfo, 6> kSidePages;  // tab order, index 1..6

// A line of text printed into a picture at (x, y) in twips.
struct NoticeLine {
  int x;
  int y;
  std::string text;  // UTF-8
};
// The notice of the Dump page while not monitoring.
std::vector<NoticeLine> DumpNotice(bool koreanMenu);
// The notice of the Watch page while not monitoring.
std::vector<NoticeLine> WatchNotice(bool koreanMenu);

struct SidePanelHooks {
  std::function<void()> plcSetupFix;   // PLC page's controls to the document
  std::function<void()> plcSetupLoad;  // document to the PLC page's controls
  std::function<void()> fillSetup;     // settings to the Setup page's controls
  std::function<void()> showAlias;     // draws the current alias page
  std::function<void()> showDump;      // draws the current dump page
  std::function<void()> showWatch;     // focus to the watch entry box
  std::function<bool()> monitorOn;
  std::function<bool()> koreanMenu;
  // Clears the picture and prints the notice.
  std::function<void(const std::vector<NoticeLine>&)> dumpNotice;
  std::function<void(const std::vector<NoticeLine>&)> watchNotice;
};

class SidePanelLogic {
 public:
  explicit SidePanelLogic(SidePanelHooks hooks);

  // A tab was chosen (index 1..6; anything else does nothing).
  void Choose(int index);
  SidePage shown() const { return shown_; }

 private:
  SidePanelHooks hooks_;
  SidePage shown_ = SidePage::None;
};

}  // namespace shell
