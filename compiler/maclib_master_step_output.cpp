#include "compiler/macro_library.h"

namespace compiler {

// Master control (MCS, MCSCLR), the step contacts and setters on an S byte holding the current
// step number, and the output coils. Contacts and OT run on every scan; STEPOUT, STEPSET, SETOUT
// and RSTOUT act only while their rung is on.
std::string_view MacroLibMasterStepOutput() {
  static constexpr std::string_view kText = R"(
        ;
        ;       마스터 컨트롤 릴레이 (MASTER CONTROL RELAY)
        ;       MCS  n   : MC0 의 n 번째 비트 = NOW 비트  (n = 0 - 7)
        ;       MCSCLR n : 마스터 컨트롤 해제
        ;
MCS     MACRO
        LDS     A,LWRD(MC0)
        BST     NOW,7
        BLD     A,\1
        STS     LWRD(MC0),A
        ENDM

MCSCLR  MACRO                   ; 아무 동작도 하지 않음 (구역 해제는 번역기가 처리)
        ENDM

        ;
        ;       스텝 컨트롤 릴레이 (STEP CONTROL RELAY)
        ;       스텝 관련 입력 명령은 번역기가 자동으로 S 형식으로 바꾼다
        ;       (LOAD -> SLOAD, AN -> SAN, IOR -> SIOR ...)
        ;       SLOAD  S0,5 : S0 의 값이 5 이면 접점 ON
        ;
SLOAD   MACRO
        MOV     NOW_SAVE,NOW
        CLR     NOW
        LDS     A,LWRD(\1)
        CPI     A,\2
        BRNE    $+4
        SBR     NOW,80H
        ENDM

SLOADN  MACRO
        MOV     NOW_SAVE,NOW
        CLR     NOW
        LDS     A,LWRD(\1)
        CPI     A,\2
        BREQ    $+4
        SBR     NOW,80H
        ENDM

SAN     MACRO
        LDS     A,LWRD(\1)
        CPI     A,\2
        BREQ    $+4
        CBR     NOW,80H
        ENDM

SANN    MACRO
        LDS     A,LWRD(\1)
        CPI     A,\2
        BRNE    $+4
        CBR     NOW,80H
        ENDM

SIOR    MACRO
        LDS     A,LWRD(\1)
        CPI     A,\2
        BRNE    $+4
        SBR     NOW,80H
        ENDM

SIORN   MACRO
        LDS     A,LWRD(\1)
        CPI     A,\2
        BREQ    $+4
        SBR     NOW,80H
        ENDM

        ;
        ;       STEPOUT S0,n : S0 = n  (나중에 실행된 출력이 우선)
        ;
STEPOUT MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     A,\2
        STS     LWRD(\1),A
M_Q:
        ENDM

        ;
        ;       STEPSET S0,n : 순차 제어, S0 = n-1 일 때만 S0 = n
        ;       (n = 0 이면 무조건 S0 = 0)
        ;
STEPSET MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \2 = 0
                CLR     A
                STS     LWRD(\1),A
        ELSE
                LDS     A,LWRD(\1)
                INC     A
                CPI     A,\2
                BRNE    M_Q
                STS     LWRD(\1),A
        ENDIF
M_Q:
        ENDM

        ;
        ;       출력 명령 (OUTPUT INSTRUCTIONS)
        ;       SETOUT P0,1 : 비트 세트,  RSTOUT P0,1 : 비트 리세트,  OT P0,1 : 출력
        ;
SETOUT  MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1)
        SBR     A,(1 << \2)
        STS     LWRD(\1),A
M_Q:
        ENDM

RSTOUT  MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1)
        CBR     A,(1 << \2)
        STS     LWRD(\1),A
M_Q:
        ENDM

OT      MACRO
        LDS     A,LWRD(\1)
        BST     NOW,7
        BLD     A,\2
        STS     LWRD(\1),A
        ENDM)";
  return kText;
}

}  // namespace compiler
