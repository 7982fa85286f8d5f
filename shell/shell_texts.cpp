#include "shell/shell_texts.h"

namespace shell {

const std::array<CaptionRow, kCaptionRows>& CaptionTable() {
  static const std::array<CaptionRow, kCaptionRows> table{{
      {"mnuFile", -1, "&File", "파일(&F)"},
      {"mnuNew", -1, "&New", "새로 만들기(&N)"},
      {"mnuOpen", -1, "&Open...", "열기(&O)..."},
      {"mnuImport", -1, "&Import...", "가져오기(&I)..."},
      {"mnuUpload", -1, "&Upload from Korvane", "Korvane에서 업로드(&U)"},
      {"mnuSave", -1, "&Save", "저장(&S)"},
      {"mnuSaveAs", -1, "Save &As...", "다른 이름으로 저장(&A)..."},
      {"mnuPrint", -1, "&Print...", "인쇄(&P)..."},
      {"mnuPrinterSetup", -1, "P&rinter Setup...", "프린터 설정(&R)..."},
      {"mnuExit", -1, "E&xit", "종료(&X)"},
      {"mnuEdit", -1, "&Edit", "편집(&E)"},
      {"mnuGotoLine", -1, "&Goto Line...", "라인 이동(&G)..."},
      {"mnuSearch", -1, "&Search...", "찾기(&S)..."},
      {"mnuDeleteLine", -1, "&Delete Line", "라인 삭제(&D)"},
      {"mnuInsertBlankLine", -1, "&Insert Line", "라인 삽입(&I)"},
      {"mnuRestoreDeletedLine", -1, "&Restore Deleted Line", "삭제된 라인 복구(&R)"},
      {"mnuCopyLine", -1, "Copy &Line", "라인 복사(&L)"},
      {"mnuDuplicateLine", -1, "&Duplicate Line", "라인 복제(&P)"},
      {"mnuBlockCopy", -1, "Block &Copy", "블록 복사(&C)"},
      {"mnuBlockCut", -1, "Block C&ut", "블록 잘라내기(&X)"},
      {"mnuBlockPasteInsert", -1, "Block Paste (Insert)", "블록 밀어넣기(&V)"},
      {"mnuBlockPasteOverlay", -1, "Block Paste (Overay)", "블록 붙여넣기(&T)"},
      {"mnuBlockPasteUndo", -1, "Block Paste Undo", "블록 붙여넣기 취소(&Z)"},
      {"mnuPlcDownload", -1, "&Download", "다운로드(&D)"},
      {"mnuAuto", -1, "&Auto", "자동(&A)"},
      {"mnuObjectDownload", -1, "&Object Download", "오브젝트 다운로드(&O)"},
      {"mnuVerify", -1, "&Verify", "검증(&V)"},
      {"mnuErase", -1, "Korvane Flash Memory &Erase", "Korvane 플래시 메모리 지우기(&E)"},
      {"mnuClearKeepArea", -1, "Clear &Keep Area", "Keep영역 초기화(&K)"},
      {"mnuOption", -1, "&Options...", "옵션(&O)"},
      {"mnuRunTop", -1, "&Run", "실행(&R)"},
      {"mnuRun", -1, "&Run", "실행(&R)"},
      {"mnuReset", -1, "Re&set", "리셋(&S)"},
      {"mnuStop", -1, "S&top", "정지(&T)"},
      {"mnuMonitor", -1, "&Monitor on", "모니터링 시작(&M)"},
      {"mnuHelpTop", -1, "&Help", "도움말(&H)"},
      {"mnuHelp", -1, "&Help...", "도움말(&H)..."},
      {"mnuTipoftheDay", -1, "&Tip of the Day...", "오늘의 팁(&T)..."},
      {"mnuAboutKorvaneStudio", -1, "&About Korvane Studio...", "Korvane Studio 정보(&A)..."},
      {"Frame2", -1, "Comunication", "통신모드"},
      {"Frame4", -1, "Input Port (No check is Output)", "포트방향 (입력포트만 체크)"},
      {"optCmode", 0, "No Use", "사용 안 함"},
      {"optCmode", 1, "Binary Mode", "바이너리 모드"},
      {"optCmode", 2, "ASCII Mode (RS232)", "ASCII 모드 (RS232)"},
      {"optCmode", 3, "ASCII Mode (RS485)", "ASCII 모드 (RS485)"},
      {"Frame10", -1, "RS232 Port", "RS232 포트"},
      {"Frame6", -1, "Ladder Style", "래더 스타일"},
      {"Label10", -1, "Size", "크기"},
      {"Label11", -1, "Space", "간격"},
      {"Label12", -1, "Color", "색상"},
      {"optColor", 0, "Black", "검정"},
      {"optColor", 1, "White", "흰색"},
      {"Frame9", -1, "Font", "글꼴"},
      {"Command1", -1, "Change", "변경"},
      {"Command2", -1, "Port Check", "포트 확인"},
      {"Frame11", -1, "Configuration", "환경설정"},
      {"chkAskStart", -1, "Ask Start when download", "다운로드후 실행확인"},
      {"chkAliasFirst", -1, "Alias First Display", "별명 우선표시"},
      {"lblNode", -1, "Node (0~255)", "노드 (0~255)"},
  }};
  return table;
}

std::string msg::CellsAfterEnd(int shownRow, bool koreanMenu) {
  const std::string row = std::to_string(shownRow);
  if (koreanMenu) return "END 뒤의 셀은 저장되지 않습니다 (첫 셀: " + row + "행). 남기려면 END를 그 아래로 옮기십시오.";
  return "Cells after END are not saved (first at row " + row + "). Move END below them to keep them.";
}

}  // namespace shell
