#pragma once
// The shell's texts: the caption table of the main window (English and Korean caption of
// every control whose caption follows the interface language) and the shell's messages
// with their Korean twins. Texts are UTF-8 and byte-exact.

#include <array>
#include <string>

namespace shell {

struct CaptionRow {
  const char* control;  // the control's object name
  int index;            // element of a control array, -1 for a single control
  const char* english;
  const char* korean;
};

inline constexpr int kCaptionRows = 59;
const std::array<CaptionRow, kCaptionRows>& CaptionTable();

// The Monitor item's caption while monitor mode is on.
inline constexpr CaptionRow kMonitorOffCaption{"mnuMonitor", -1, "&Monitor off", "모니터링 중지(&M)"};

struct Twin {
  const char* english;
  const char* korean;
  std::string Pick(bool koreanMenu) const { return koreanMenu ? korean : english; }
};

namespace msg {
inline constexpr Twin kFileNotFound{"File not found : ", "파일을 찾을 수 없습니다 : "};
inline constexpr Twin kOpenError{"Open Error:", "열기 오류:"};
inline constexpr Twin kSourceChanged{"The Source has changed.\r\nDo you want to save the change ?",
                                     "소스가 변경되었습니다.\r\n변경된 내용을 저장하시겠습니까 ?"};
inline constexpr Twin kEndNotFound{"END Command Not Found !", "END명령을 찾을 수 없습니다."};
inline constexpr const char* kOverwrite = "Overwrite ? [";  // + name + "] "; English only
// The same question for another program's memo or watch file that a save would write over.
inline constexpr Twin kOverwriteFile{"Overwrite ? [", "덮어쓰시겠습니까 ? ["};  // + path + "] "
// A save that leaves cells out: `shownRow` is the first such row as the ladder numbers it.
std::string CellsAfterEnd(int shownRow, bool koreanMenu);
// Follows that notice when the program is about to be closed or replaced after the save.
inline constexpr Twin kCloseAnyway{"Do you want to close the program anyway ?", "그래도 프로그램을 닫으시겠습니까 ?"};

inline constexpr const char* kCaptionErrorUpper = "Korvane Studio ERROR !";
inline constexpr const char* kCaptionError = "Korvane Studio Error !";
inline constexpr const char* kCaptionMessage = "Korvane Studio Message";
inline constexpr const char* kCaptionQuestion = "Korvane Studio ";  // the trailing blank belongs to it
inline constexpr const char* kCaptionOverwrite = "Korvane Studio";
}  // namespace msg

// Window captions around the lower-case program path.
namespace title {
inline constexpr const char* kStartup = "Korvane Studio [ ";  // reopened at start-up
inline constexpr const char* kNew = "Korvanestudio [ ";       // New
inline constexpr const char* kOpened = "Korvane studio [ ";   // Open, recent file, Save As
inline constexpr const char* kEnd = " ]";
}  // namespace title

// File dialog filters: shown text and pattern pairs separated by "|".
inline constexpr const char* kOpenFilter = "Korvane 소스파일(*.qsl)|*.qsl|모든 파일(*.*)|*.*";
inline constexpr const char* kSaveFilter = "Korvane소스파일(*.qsl)|*.qsl|모든 파일(*.*)|*.*";

}  // namespace shell
