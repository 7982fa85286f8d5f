#include "compiler/macro_library.h"

namespace compiler {

// MOVE ... GMOV: byte, word and double-word moves, complement and negation moves, exchanges,
// fill and group moves. A source below 7FFF0000H is a constant (immediates only); any other
// value is a device whose data-memory address is its low word.
std::string_view MacroLibDataMove() {
  static constexpr std::string_view kText = R"(
        ;
        ;       1 바이트 전송 (MOVE S,D  /  CMOVE S,D : 보수 전송)
        ;
MOVE    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(\1)
        ELSE
                LDS     A,LWRD(\1)
        ENDIF
        STS     LWRD(\2),A
M_Q
        ENDM

CMOVE   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(\1)
        ELSE
                LDS     A,LWRD(\1)
        ENDIF
        COM     A
        STS     LWRD(\2),A
M_Q
        ENDM

        ;
        ;       1 워드 전송 (WMOV S,D)
        ;
WMOV    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(\1)
                ST      Y+,A
                LDI     A,LOW(\1)
                ST      Y,A
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                ST      Y+,A
                LD      A,X
                ST      Y,A
        ENDIF
M_Q
        ENDM

        ;
        ;       2 워드 전송 (DWMOV S,D)
        ;
DWMOV   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(HWRD(\1))
                ST      Y+,A
                LDI     A,LOW(HWRD(\1))
                ST      Y+,A
                LDI     A,HIGH(LWRD(\1))
                ST      Y+,A
                LDI     A,LOW(LWRD(\1))
                ST      Y,A
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                ST      Y+,A
                LD      A,X+
                ST      Y+,A
                LD      A,X+
                ST      Y+,A
                LD      A,X
                ST      Y,A
        ENDIF
M_Q
        ENDM

        ;
        ;       1 워드, 2 워드 보수 전송 (WCMOV S,D  /  DWCMOV S,D)
        ;
WCMOV   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(\1)
                COM     A
                ST      Y+,A
                LDI     A,LOW(\1)
                COM     A
                ST      Y,A
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                COM     A
                ST      Y+,A
                LD      A,X
                COM     A
                ST      Y,A
        ENDIF
M_Q
        ENDM

DWCMOV  MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(HWRD(\1))
                COM     A
                ST      Y+,A
                LDI     A,LOW(HWRD(\1))
                COM     A
                ST      Y+,A
                LDI     A,HIGH(LWRD(\1))
                COM     A
                ST      Y+,A
                LDI     A,LOW(LWRD(\1))
                COM     A
                ST      Y,A
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                COM     A
                ST      Y+,A
                LD      A,X+
                COM     A
                ST      Y+,A
                LD      A,X+
                COM     A
                ST      Y+,A
                LD      A,X
                COM     A
                ST      Y,A
        ENDIF
M_Q
        ENDM

        ;
        ;       2 의 보수 (WNEG S,D  /  DWNEG S,D)
        ;
WNEG    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(\1)
                LDI     B,LOW(\1)
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                LD      B,X
        ENDIF
        COM     A
        COM     B
        SUBI    B,LOW(-1)
        SBCI    A,HIGH(-1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        ST      Y+,A
        ST      Y,B
M_Q
        ENDM

DWNEG   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,HIGH(HWRD(\1))
                LDI     B,LOW(HWRD(\1))
                LDI     C,HIGH(LWRD(\1))
                LDI     D,LOW(LWRD(\1))
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      A,X+
                LD      B,X+
                LD      C,X+
                LD      D,X
        ENDIF
        COM     A
        COM     B
        COM     C
        COM     D
        SUBI    D,LOW(-1)
        SBCI    C,HIGH(-1)
        SBCI    B,HIGH(-1)
        SBCI    A,HIGH(-1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        ST      Y+,A
        ST      Y+,B
        ST      Y+,C
        ST      Y,D
M_Q
        ENDM

        ;
        ;       1 워드 교환 (WXCHG D1,D2  /  DWXCHG D1,D2)
        ;
WXCHG   MACRO
        LOCAL   M_Q,M_D,M_E
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
M_E     EQU     \2
        LIMIT   M_E,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
M_Q
        ENDM

DWXCHG  MACRO
        LOCAL   M_Q,M_D,M_E
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
M_E     EQU     \2
        LIMIT   M_E,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
        LD      A,X
        LD      B,Y
        ST      X+,B
        ST      Y+,A
M_Q
        ENDM

        ;
        ;       채우기 전송 (FMOV S,D,N : D 부터 N 워드를 S 로 채움)
        ;
FMOV    MACRO
        LOCAL   M_Q,M_1,M_D
M_D     EQU     \2
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        IF      \3 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,HIGH(\1)
                LDI     C,LOW(\1)
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      B,X+
                LD      C,X
        ENDIF
        IF      \3 < 7FFF0000H
                LDI     ZH,HIGH(\3)
                LDI     ZL,LOW(\3)
        ELSE
                LDI     XL,LOW(\3)
                LDI     XH,HIGH(\3)
                LD      ZH,X+
                LD      ZL,X
        ENDIF
        MOV     A,ZL
        OR      A,ZH
        BREQ    M_Q
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
M_1     ST      X+,B
        ST      X+,C
        SBIW    ZL,1
        BRNE    M_1
M_Q
        ENDM

        ;
        ;       그룹 전송 (GMOV S,D,N : S 부터 N 워드를 D 로 복사)
        ;
GMOV    MACRO
        LOCAL   M_Q,M_1,M_D,M_E
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
M_E     EQU     \2
        LIMIT   M_E,7FFF0000H,7FFFFFFFH,"operand 2 must be a device"
        IF      \3 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        IF      \3 < 7FFF0000H
                LDI     ZH,HIGH(\3)
                LDI     ZL,LOW(\3)
        ELSE
                LDI     XL,LOW(\3)
                LDI     XH,HIGH(\3)
                LD      ZH,X+
                LD      ZL,X
        ENDIF
        MOV     A,ZL
        OR      A,ZH
        BREQ    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
M_1     LD      A,X+
        ST      Y+,A
        LD      A,X+
        ST      Y+,A
        SBIW    ZL,1
        BRNE    M_1
M_Q
        ENDM)";
  return kText;
}

}  // namespace compiler
