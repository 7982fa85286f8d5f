#include "compiler/macro_library.h"

namespace compiler {

// Timers, edges and counters: each macro only points X (and Y) at the device and loads the
// preset or mask; the counting and the edge and counter logic are core routines. None is gated
// by the NOW bit: the routines must see the rung in both states.
std::string_view MacroLibTimerEdgeCounter() {
  static constexpr std::string_view kText = R"(
        ;
        ;       타이머, 카운터 명령 (TIMER / COUNTER INSTRUCTIONS)
        ;       타이머 워드 : 비트 15 = 접점, 비트 14 - 0 = 남은 카운트
        ;       설정값이 7FFF0000H 이상이면 변수 (C, T, D 워드), 미만이면 상수
        ;
        ;
        ;       10 mS ON 타이머 (최대 327.67 초)
        ;       TON  T5,100
        ;
TON     MACRO
        LOCAL   M_RST,M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDS     A,LWRD(F0)
        SBRC    A,4             ; 처음 전원 투입시 초기화
        RJMP    M_RST
        SBRS    NOW,7
        RJMP    M_RST
        SBRS    TIME_DIV,1      ; 10 mS 마다 한번 수행
        RJMP    M_Q
        SBRC    TIME_DIV,0
        RJMP    M_Q
        LCALL   ON_XMASKDEC
        RJMP    M_Q
M_RST:  IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2-(\2>0)) & 7FH
                ST      X+,A
                LDI     A,LOW(\2-(\2>0))
                ST      X,A
        ELSE
                LDS     A,LWRD(\2)
                ANDI    A,07FH
                ST      X+,A
                LDS     A,LWRD(\2+1)
                ST      X,A
        ENDIF
M_Q:
        ENDM

TOFF    MACRO
        LOCAL   M_RST,M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        SBRC    NOW,7
        RJMP    M_RST
        LDS     A,LWRD(\1)
        SBRS    A,7             ; 이전 입력 상태
        RJMP    M_Q
        SBRS    TIME_DIV,1      ; 10 mS 마다 한번 수행
        RJMP    M_Q
        SBRC    TIME_DIV,0
        RJMP    M_Q
        LCALL   OFF_XMASKDEC
        RJMP    M_Q
M_RST:  IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2-(\2>0)) | 80H
                ST      X+,A
                LDI     A,LOW(\2-(\2>0))
                ST      X,A
        ELSE
                LDS     A,LWRD(\2)
                ORI     A,080H
                ST      X+,A
                LDS     A,LWRD(\2+1)
                ST      X,A
        ENDIF
M_Q:
        ENDM

        ;
        ;       100 mS ON 타이머 (최대 3276.7 초)
        ;       TAON  T5,100
        ;
TAON    MACRO
        LOCAL   M_RST,M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDS     A,LWRD(F0)
        SBRC    A,4             ; 처음 전원 투입시 초기화
        RJMP    M_RST
        SBRS    NOW,7
        RJMP    M_RST
        TST     TIME_DIV20      ; 100 mS 마다 한번 수행
        BRNE    M_Q
        LCALL   ON_XMASKDEC
        RJMP    M_Q
M_RST:  IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2-(\2>0)) & 7FH
                ST      X+,A
                LDI     A,LOW(\2-(\2>0))
                ST      X,A
        ELSE
                LDS     A,LWRD(\2)
                ANDI    A,07FH
                ST      X+,A
                LDS     A,LWRD(\2+1)
                ST      X,A
        ENDIF
M_Q:
        ENDM

TAOFF   MACRO
        LOCAL   M_RST,M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        SBRC    NOW,7
        RJMP    M_RST
        LDS     A,LWRD(\1)
        SBRS    A,7             ; 이전 입력 상태
        RJMP    M_Q
        TST     TIME_DIV20      ; 100 mS 마다 한번 수행
        BRNE    M_Q
        LCALL   OFF_XMASKDEC
        RJMP    M_Q
M_RST:  IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2-(\2>0)) | 80H
                ST      X+,A
                LDI     A,LOW(\2-(\2>0))
                ST      X,A
        ELSE
                LDS     A,LWRD(\2)
                ORI     A,080H
                ST      X+,A
                LDS     A,LWRD(\2+1)
                ST      X,A
        ENDIF
M_Q:
        ENDM

        ;
        ;       에지 입력 (DF : 상승 에지,  DFN : 하강 에지)
        ;       DF  M0,1 : \1 = M 영역 포인터, \2 = 비트
        ;
DF      MACRO
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     B,(1 << \2)
        LCALL   DF_SUB
        ENDM

DFN     MACRO
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     B,(1 << \2)
        LCALL   DFN_SUB
        ENDM

        ;
        ;       카운터 (CTU : 업 카운터,  CTD : 다운 카운터)
        ;       CTU  C3,100 : X = 카운트 워드, Y = 제어 바이트, C:B = 설정값
        ;
CTU     MACRO
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(((\1-C0)/2) + CC0)
        LDI     YH,HIGH(((\1-C0)/2) + CC0)
        IF      \2 < 7FFF0000H
                LDI     B,LOW(\2)
                LDI     C,HIGH(\2)
        ELSE
                LDS     B,LWRD(\2+1)
                LDS     C,LWRD(\2)
        ENDIF
        LCALL   CTU_SUB
        ENDM

CTD     MACRO
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(((\1-C0)/2) + CC0)
        LDI     YH,HIGH(((\1-C0)/2) + CC0)
        IF      \2 < 7FFF0000H
                LDI     B,LOW(\2)
                LDI     C,HIGH(\2)
        ELSE
                LDS     B,LWRD(\2+1)
                LDS     C,LWRD(\2)
        ENDIF
        LCALL   CTD_SUB
        ENDM)";
  return kText;
}

}  // namespace compiler
