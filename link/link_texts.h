#pragma once
// Every message of the serial link and the device commands, with its Korean twin.
// Where a text has no twin the Korean entry repeats the English one.

#include <string>

namespace plclink {

struct Twin {
  const char* en;
  const char* ko;
  std::string Pick(bool korean) const { return korean ? ko : en; }
};

namespace text {

// Captions.
inline constexpr const char* kCaptionError = "ERROR !";
inline constexpr const char* kCaptionMessage = "Korvane Studio Message";
inline constexpr const char* kCaptionStudioError = "Korvane Studio Error !";
inline constexpr const char* kCaptionStudioERROR = "Korvane Studio ERROR !";
inline constexpr const char* kCaptionFound = "Found !";
inline constexpr const char* kCaptionQuestion = "Korvane Studio ";

// The link.
inline constexpr Twin kTimeOut{
    "RS232C Time Out Error !!! Check Cable or Power ",
    "RS232C 통신 에러입니다. 케이블 상태나 전원상태, PC의 통신설정 상태를 점검해 보십시요. "};
inline constexpr Twin kIncorrect{"RS232C incorrect Error !!! Check Cable or Power ",
                                 "RS232C 정확성 에러입니다. 케이블 상태나 전원상태를 점검해 보십시요. "};
inline constexpr Twin kIncorrectChecksum{"RS232C Incorrect Error !!! Check Cable or Power ",
                                         "RS232C 정확성 에러입니다. 케이블 상태나 전원상태를 점검해 보십시요. "};
inline constexpr Twin kIncorrectOut{"RS232C incorrect Out Error !!! Check Cable or Power ",
                                    "RS232C 정확성 에러입니다. 케이블 상태나 전원상태를 점검해 보십시요. "};
inline constexpr Twin kIncorrectUpload{"RS232C incorrect Error !!! ", "RS232C incorrect Error !!! "};
inline constexpr Twin kInvalidPort{"Invalid RS232C Port !!! ", "존재하지 않는 RS232C 포트입니다. "};

// Module identity.
inline constexpr Twin kModuleNotFound{"Korvane module Not Found ! ", "Korvane 모듈을 찾을 수 없습니다. "};
inline constexpr Twin kNotFound{"Korvane Not Found ! ", "Korvane 모듈을 찾을 수 없습니다. "};
inline constexpr Twin kFoundPrefix{"Ok! Korvane Found !  F/W version is ", "Korvane 모듈을 찾았습니다. 펌웨어 버전은 "};
inline constexpr const char* kFoundKoreanSuffix = " 입니다.";
inline constexpr Twin kMismatchE{"Device Mismatch ! This is not ZQV-E module !",
                                 "ZQV-E이 아닙니다. PLC설정을 조정하시기 바랍니다."};
inline constexpr Twin kMismatchB{"Device Mismatch ! This is not ZQV-B module !",
                                 "ZQV-B가 아닙니다. PLC설정을 조정하시기 바랍니다."};
inline constexpr Twin kMismatchF{"Device Mismatch ! This is not ZQV-F module !",
                                 "ZQV-F이 아닙니다. PLC설정을 조정하시기 바랍니다."};
inline constexpr Twin kMismatchC{"Device Mismatch ! This is not ZQV-C module !",
                                 "ZQV-C이 아닙니다. PLC설정을 조정하시기 바랍니다."};
inline constexpr Twin kMismatchD{"Device Mismatch ! This is not ZQV-D module !",
                                 "ZQV-D이 아닙니다. PLC설정을 조정하시기 바랍니다."};
inline constexpr Twin kMismatchA{"Device Mismatch ! This is not ZQV-A module !",
                                 "ZQV-A이 아닙니다. PLC설정을 조정하시기 바랍니다."};

// Download.
inline constexpr Twin kNoCompileInfo{"No compile information ! Please (AUTO) Click !",
                                     "컴파일 정보가 없습니다. AUTO를 클릭하신후 사용하세요!"};
inline constexpr Twin kNoCompileInfoVerify{"No compile information ! Compile First !",
                                           "No compile information ! Compile First !"};
inline constexpr Twin kWritingFail{"Writing Logic Fail !!! ",
                                   "라이팅 로직 에러입니다. 다른 모듈로 교체하시기 바랍니다. "};
inline constexpr Twin kFileNotFound{"File not found : ", "파일을 찾을 수 없습니다. : "};
inline constexpr Twin kOpenError{"Open Error:", "파일 오픈 에러 :"};
inline constexpr Twin kOpenErrorVerify{"Open Error:", "Open Error:"};
inline constexpr Twin kFileNotFoundVerify{"File not found : ", "File not found : "};
inline constexpr Twin kOpenErrorUpload{"Open Error:", "파일 오픈 에러 : "};
inline constexpr Twin kImageTooLarge{"The program does not fit the module ! Image : ",
                                     "프로그램이 모듈에 들어가지 않습니다 ! 이미지 : "};
inline constexpr Twin kImageTooLargeMemory{" Byte, Program memory : ", " 바이트, 프로그램 메모리 : "};
inline constexpr Twin kBytesSuffix{" Byte !", " 바이트 !"};
inline constexpr Twin kUnknownModel{"Unknown PLC model code : ", "알 수 없는 PLC 모델 코드입니다 : "};

// Checksum and keep-area clear.
inline constexpr Twin kRomReadError{"RomImage File Read Error !!! ", "체크섬 계산을 위한 파일 읽기도중 에러 발생 !!! "};
inline constexpr Twin kSumValueTimeOutPrefix{"CheckSum Value Error : ", "체크섬 반환값 미도착 : "};
inline constexpr Twin kSumMismatchPc{"Check Sum UnMatch Error !!!  PC : ", "체크섬이 틀립니다. PC측 : "};
inline constexpr Twin kSumMismatchModule{"  Korvane : ", "  Korvane측 : "};
inline constexpr const char* kSumMismatchKoreanTail =
    "\r\n\r\n모듈의 프로그램 용량을 초과하지 않았는지 확인해 보십시요.";
inline constexpr Twin kKeepTimeOut{"RS232C Time Out Error or Not Support Clear Keep Function ! ",
                                   "RS232C 통신 에러이거나 Keep Clear 기능을 지원하지 않는 모듈입니다. "};
inline constexpr Twin kKeepUnsupported{
    "This Korvane module not support Clear Keep Area Function ! ",
    "이 모듈은 Keep Clear명령이 지원되지 않습니다. 펌웨어 업그레이드를 하셔야 합니다."};

// Verify and upload.
inline constexpr Twin kVerifyErrorPrefix{"Verify Error at ADDRESS : ", "비교 에러가 발생했습니다. 발생지점 : "};
inline constexpr Twin kProtected{
    "This Module Not Contain Source File ! (Protected Mode)",
    "코드프로텍션 되어 있는 모듈입니다. 이 모듈에서 [소스 업로드]기능은 사용할 수 없습니다."};
inline constexpr Twin kBadArchiveLength{"The module's program carries no valid source archive ! ",
                                        "모듈의 프로그램에 올바른 소스 압축파일이 없습니다. "};

// Erase, object download and upload.
inline constexpr Twin kImageOpenError{"File Open Error : ZQVREM.$$$", "파일 오픈 에러 : ZQVREM.$$$"};
inline constexpr Twin kQsklincOpenError{"File Open Error (qsklinc.$$$) !!!", "qsklinc.$$$ 파일 오픈 에러입니다."};
inline constexpr Twin kFileOpenErrorColon{"File Open Error :", "File Open Error :"};
inline constexpr Twin kAskSave{"The Source has changed.\r\nDo you want to save the change ?",
                               "소스의 변경사항을 저장하시겠습니까?"};
inline constexpr Twin kAskUpload{"Do you want Source upload ?", "소스 업로드를 계속 진행하시겠습니까?"};
inline constexpr Twin kUnextract{"UnExtract Command Not Found !", "압축 해제 명령을 찾을 수 없습니다 !"};
inline constexpr Twin kNoBackup{"The source archive holds no program (QSKLBK.$$$) !",
                                "소스 압축파일에 프로그램(QSKLBK.$$$)이 없습니다 !"};
inline constexpr Twin kArchiveUnreadable{"The source archive cannot be read : ", "소스 압축파일을 읽을 수 없습니다 : "};
inline constexpr Twin kBackupTooLarge{"The program in the source archive is larger than ",
                                      "소스 압축파일의 프로그램이 다음 크기보다 큽니다 : "};
inline constexpr Twin kBackupWriteError{"File Save Error :", "파일 저장 에러 :"};
inline constexpr Twin kAskRun{"Do you want execution now ?", "다운로드가 완료되었습니다. 지금 실행하시겠습니까?"};

// Status texts.
inline constexpr const char* kStatusErasing = "Erasing...";
inline constexpr const char* kStatusDownloading = "Downloading...";
inline constexpr const char* kStatusChecksum = "Compute CheckSum...";
inline constexpr const char* kStatusKeep = "Clear Keep Area...";
inline constexpr const char* kStatusVerify = "Verify...";
inline constexpr const char* kStatusReading = "Reading...";

}  // namespace text
}  // namespace plclink
