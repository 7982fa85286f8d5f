#pragma once
// Captions of the PLC page that follow the interface language (UTF-8). The frame "PLC",
// the port labels and "I/O Setting" stay English.

#include <array>

namespace shell {

struct PanelCaption {
  const char* english;
  const char* korean;
  const char* operator()(bool koreanMenu) const { return koreanMenu ? korean : english; }
};

namespace plc_texts {
inline constexpr PanelCaption kCommFrame{"Comunication", "통신모드"};
inline constexpr PanelCaption kPortFrame{"Input Port (No check is Output)", "포트방향 (입력포트만 체크)"};
inline constexpr std::array<PanelCaption, 4> kCommModes{{
    {"No Use", "사용안함"},
    {"Binary Mode", "바이너리 모드"},
    {"ASCII Mode (RS232)", "아스키 모드 (RS232)"},
    {"ASCII Mode (RS485)", "아스키 모드 (RS485)"},
}};
inline constexpr PanelCaption kNode{"Node (0~255)", "노드 (0~255)"};
inline constexpr const char* kModelFrame = "PLC";
inline constexpr const char* kIoSetting = "I/O Setting";
}  // namespace plc_texts

}  // namespace shell
