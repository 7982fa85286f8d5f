#pragma once
// Messages of the build road (Auto up to the download image): English with its Korean twin.

#include <string>

#include "platform/message_box.h"

namespace plclink::build_text {

struct BuildTwin {
  const char* en;
  const char* ko;
  std::string Pick(bool korean) const { return korean ? ko : en; }
};

inline constexpr const char* kCaptionError = "Korvane Studio Error !";
inline constexpr const char* kCaptionErrorUpper = "Korvane Studio ERROR !";
inline constexpr const char* kCaptionPlainError = "ERROR !";
inline constexpr const char* kCaptionCompileError = "Korvane Studio COMPILE ERROR !";
inline constexpr const char* kCaptionAsk = "Korvane Studio ";

inline constexpr BuildTwin kEndNotFound{"END Command Not Found !", "END 명령을 찾을 수 없습니다."};
inline constexpr BuildTwin kAskRun{"Do you want execution now ?", "다운로드가 완료되었습니다. 지금 실행하시겠습니까?"};
inline constexpr BuildTwin kBatchNotStarted{"Build batch could not be started : ",
                                            "빌드 배치 파일을 실행할 수 없습니다. : "};
// A batch that ended with a non-zero status: the status, ") : " and the batch's name follow.
inline constexpr BuildTwin kBatchFailed{"Build Batch Error (exit status ", "빌드 배치 파일 실행 에러 (종료 코드 "};
// An earlier build's output that stays: the reason, ") : " and its path follow.
inline constexpr BuildTwin kOutputNotRemoved{"Old Build File Remove Error ", "이전 빌드 파일 삭제 에러 "};
inline constexpr BuildTwin kNoRightToRemove{"no permission to remove it from the studio's folder",
                                            "스튜디오 폴더에서 지울 권한이 없습니다"};
inline constexpr BuildTwin kNothingBuilt{"\r\nNothing was built or downloaded.",
                                         "\r\n빌드와 다운로드를 하지 않았습니다."};

// Listing scan.
inline constexpr BuildTwin kFileNotFound{"File not found : ", "파일을 찾을 수 없습니다. : "};
inline constexpr BuildTwin kOpenError{"Open Error:", "파일 오픈 에러 :"};
inline constexpr BuildTwin kLadderCompileError{"Ladder compile Error ", "컴파일도중 에러가 발생했습니다.  "};

// HEX reader and image.
inline constexpr BuildTwin kImageOpenError{"File Open Error : ", "파일 오픈 에러 : "};
inline constexpr BuildTwin kAssembleCodeError{"Assemble Code Error : ", "어셈블 코드 에러 : "};
inline constexpr const char* kHexFormatError = "Hex File Format Error !";
inline constexpr const char* kHexChecksumError = "Hex File Format Error ! Check Sum Error !";
inline constexpr BuildTwin kArchiveTooLarge{"Source archive is larger than 32767 bytes : ",
                                            "소스 압축 파일이 32767 바이트보다 큽니다. : "};

}  // namespace plclink::build_text
