#pragma once
// Captions of the Setup page that follow the interface language (UTF-8). The port and
// language options keep their own captions.

#include "shell/plc_panel_texts.h"

namespace shell::setup_texts {

inline constexpr PanelCaption kLadderStyle{"Ladder Style", "래더 스타일"};
inline constexpr PanelCaption kSize{"Size", "크기"};
inline constexpr PanelCaption kSpace{"Space", "간격"};
inline constexpr PanelCaption kColor{"Color", "색상"};
inline constexpr PanelCaption kBlack{"Black", "검정"};
inline constexpr PanelCaption kWhite{"White", "흰색"};
inline constexpr PanelCaption kFont{"Font", "글꼴"};
inline constexpr PanelCaption kChange{"Change", "변경"};
inline constexpr PanelCaption kPortFrame{"RS232 Port", "RS232 포트"};
inline constexpr PanelCaption kPortCheck{"Port Check", "포트 확인"};
inline constexpr PanelCaption kConfiguration{"Configuration", "환경설정"};
inline constexpr PanelCaption kAskStart{"Ask Start when download", "다운로드후 실행확인"};
inline constexpr PanelCaption kAliasFirst{"Alias First Display", "별명 우선표시"};
inline constexpr const char* kPorts[4] = {"COM1", "COM2", "COM3", "COM4"};
inline constexpr const char* kEnglish = "English";
inline constexpr const char* kKorean = "Korean";

}  // namespace shell::setup_texts
