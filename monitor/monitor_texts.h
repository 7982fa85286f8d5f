#pragma once
// Texts of the live monitor with their Korean twins (UTF-8). Pick one with platform::Pick.

#include <string>

namespace monitor::texts {

// The Monitor item's captions keep their access key (Alt+R, M) in both states and languages.
inline const std::string kMonitorOnCaption = "&Monitor on";  // menu item while monitoring is off
inline const std::string kMonitorOnCaptionKo = "모니터링 시작(&M)";
inline const std::string kMonitorOffCaption = "&Monitor off";  // menu item while monitoring
inline const std::string kMonitorOffCaptionKo = "모니터링 중지(&M)";
inline const std::string kStopButton = "Monitoring Stop";

inline const std::string kErrorCaption = "Korvane Studio Error !";
inline const std::string kSyntaxError = "Syntax Error : ";
inline const std::string kSyntaxErrorKo = "키입력 에러 : ";
inline const std::string kWatchFull = "Watch Maximun is 30 !";
inline const std::string kWatchFullKo = "와치 목록은 최대 30개까지 사용가능합니다.";

inline const std::string kAllClear = "All Clear";

// Notices of the side panel's Dump and Watch pages while monitoring is off.
inline const std::string kOffNotice = "You can use at Monitering State !";
inline const std::string kDumpOffNoticeKo1 = "모니터링 상태에서만";
inline const std::string kDumpOffNoticeKo2 = "  사용 가능합니다.";
inline const std::string kWatchOffNoticeKo = "모니터링 상태에서만 사용가능합니다.";

}  // namespace monitor::texts
