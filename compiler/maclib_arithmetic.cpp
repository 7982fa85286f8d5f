#include "compiler/macro_library.h"

namespace compiler {

// WINC ... DWDIV: increment and decrement through Z, addition and subtraction byte by byte,
// unsigned shift-and-add multiplication and restoring division with the working set in registers.
std::string_view MacroLibArithmetic() {
  static constexpr std::string_view kText = R"(
        ;
        ;       증가 (WINC D  /  DWINC D)
        ;
WINC    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDS     ZH,LWRD(\1)
        LDS     ZL,LWRD(\1+1)
        ADIW    ZL,1
        STS     LWRD(\1),ZH
        STS     LWRD(\1+1),ZL
M_Q
        ENDM

DWINC   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDS     ZH,LWRD(\1+2)
        LDS     ZL,LWRD(\1+3)
        ADIW    ZL,1
        STS     LWRD(\1+2),ZH
        STS     LWRD(\1+3),ZL
        BRCC    M_Q
        LDS     ZH,LWRD(\1)
        LDS     ZL,LWRD(\1+1)
        ADIW    ZL,1
        STS     LWRD(\1),ZH
        STS     LWRD(\1+1),ZL
M_Q
        ENDM

        ;
        ;       감소 (WDEC D  /  DWDEC D)
        ;
WDEC    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDS     ZH,LWRD(\1)
        LDS     ZL,LWRD(\1+1)
        SBIW    ZL,1
        STS     LWRD(\1),ZH
        STS     LWRD(\1+1),ZL
M_Q
        ENDM

DWDEC   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \1
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 1 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        LDS     ZH,LWRD(\1+2)
        LDS     ZL,LWRD(\1+3)
        SBIW    ZL,1
        STS     LWRD(\1+2),ZH
        STS     LWRD(\1+3),ZL
        BRCC    M_Q
        LDS     ZH,LWRD(\1)
        LDS     ZL,LWRD(\1+1)
        SBIW    ZL,1
        STS     LWRD(\1),ZH
        STS     LWRD(\1+1),ZL
M_Q
        ENDM

        ;
        ;       덧셈 (WADD S1,S2,D  /  DWADD S1,S2,D : D = S1 + S2)
        ;
WADD    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(\1)
                LDI     C,HIGH(\1)
        ELSE
                LDS     B,LWRD(\1+1)
                LDS     C,LWRD(\1)
        ENDIF
        LDI     XL,LOW(\3+1)
        LDI     XH,HIGH(\3+1)
        IF      \2 < 7FFF0000H
                LDI     A,LOW(\2)
        ELSE
                LDS     A,LWRD(\2+1)
        ENDIF
        ADD     A,B
        ST      X,A
        IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2)
        ELSE
                LDS     A,LWRD(\2)
        ENDIF
        ADC     A,C
        ST      -X,A
M_Q
        ENDM

DWADD   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(LWRD(\1))
                LDI     C,HIGH(LWRD(\1))
                LDI     D,LOW(HWRD(\1))
                LDI     E,HIGH(HWRD(\1))
        ELSE
                LDS     B,LWRD(\1+3)
                LDS     C,LWRD(\1+2)
                LDS     D,LWRD(\1+1)
                LDS     E,LWRD(\1)
        ENDIF
        LDI     XL,LOW(\3+3)
        LDI     XH,HIGH(\3+3)
        IF      \2 < 7FFF0000H
                LDI     A,LOW(LWRD(\2))
                ADD     A,B
                ST      X,A
                LDI     A,HIGH(LWRD(\2))
                ADC     A,C
                ST      -X,A
                LDI     A,LOW(HWRD(\2))
                ADC     A,D
                ST      -X,A
                LDI     A,HIGH(HWRD(\2))
                ADC     A,E
                ST      -X,A
        ELSE
                LDS     A,LWRD(\2+3)
                ADD     A,B
                ST      X,A
                LDS     A,LWRD(\2+2)
                ADC     A,C
                ST      -X,A
                LDS     A,LWRD(\2+1)
                ADC     A,D
                ST      -X,A
                LDS     A,LWRD(\2)
                ADC     A,E
                ST      -X,A
        ENDIF
M_Q
        ENDM

        ;
        ;       뺄셈 (WSUB S1,S2,D  /  DWSUB S1,S2,D : D = S1 - S2)
        ;
WSUB    MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(\1)
                LDI     C,HIGH(\1)
        ELSE
                LDS     B,LWRD(\1+1)
                LDS     C,LWRD(\1)
        ENDIF
        LDI     XL,LOW(\3+1)
        LDI     XH,HIGH(\3+1)
        IF      \2 < 7FFF0000H
                LDI     A,LOW(\2)
        ELSE
                LDS     A,LWRD(\2+1)
        ENDIF
        SUB     B,A
        ST      X,B
        IF      \2 < 7FFF0000H
                LDI     A,HIGH(\2)
        ELSE
                LDS     A,LWRD(\2)
        ENDIF
        SBC     C,A
        ST      -X,C
M_Q
        ENDM

DWSUB   MACRO
        LOCAL   M_Q,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(LWRD(\1))
                LDI     C,HIGH(LWRD(\1))
                LDI     D,LOW(HWRD(\1))
                LDI     E,HIGH(HWRD(\1))
        ELSE
                LDS     B,LWRD(\1+3)
                LDS     C,LWRD(\1+2)
                LDS     D,LWRD(\1+1)
                LDS     E,LWRD(\1)
        ENDIF
        LDI     XL,LOW(\3+3)
        LDI     XH,HIGH(\3+3)
        IF      \2 < 7FFF0000H
                LDI     A,LOW(LWRD(\2))
                SUB     B,A
                ST      X,B
                LDI     A,HIGH(LWRD(\2))
                SBC     C,A
                ST      -X,C
                LDI     A,LOW(HWRD(\2))
                SBC     D,A
                ST      -X,D
                LDI     A,HIGH(HWRD(\2))
                SBC     E,A
                ST      -X,E
        ELSE
                LDS     A,LWRD(\2+3)
                SUB     B,A
                ST      X,B
                LDS     A,LWRD(\2+2)
                SBC     C,A
                ST      -X,C
                LDS     A,LWRD(\2+1)
                SBC     D,A
                ST      -X,D
                LDS     A,LWRD(\2)
                SBC     E,A
                ST      -X,E
        ENDIF
M_Q
        ENDM

        ;
        ;       1 워드 곱셈 (WMUL S1,S2,D : D,D+1 = S1 * S2, 부호 없음)
        ;
WMUL    MACRO
        LOCAL   M_Q,M_1,M_2,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(\1)
                LDI     B,HIGH(\1)
        ELSE
                LDS     A,LWRD(\1+1)
                LDS     B,LWRD(\1)
        ENDIF
        IF      \2 < 7FFF0000H
                LDI     C,LOW(\2)
                LDI     D,HIGH(\2)
        ELSE
                LDS     C,LWRD(\2+1)
                LDS     D,LWRD(\2)
        ENDIF
        CLR     E
        CLR     F
        LDI     G,16
        LSR     D
        ROR     C
M_1     BRCC    M_2
        ADD     E,A
        ADC     F,B
M_2     ROR     F
        ROR     E
        ROR     D
        ROR     C
        DEC     G
        BRNE    M_1
        LDI     XL,LOW(\3)
        LDI     XH,HIGH(\3)
        ST      X+,F
        ST      X+,E
        ST      X+,D
        ST      X,C
M_Q
        ENDM

        ;
        ;       2 워드 곱셈 (DWMUL S1,S2,D : D 부터 4 워드 = S1 * S2, 부호 없음)
        ;
DWMUL   MACRO
        LOCAL   M_Q,M_1,M_2,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(LWRD(\1))
                LDI     B,HIGH(LWRD(\1))
                LDI     ZL,LOW(HWRD(\1))
                LDI     ZH,HIGH(HWRD(\1))
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      ZH,X+
                LD      ZL,X+
                LD      B,X+
                LD      A,X
        ENDIF
        IF      \2 < 7FFF0000H
                LDI     C,LOW(LWRD(\2))
                LDI     D,HIGH(LWRD(\2))
                LDI     E,LOW(HWRD(\2))
                LDI     F,HIGH(HWRD(\2))
        ELSE
                LDI     XL,LOW(\2)
                LDI     XH,HIGH(\2)
                LD      F,X+
                LD      E,X+
                LD      D,X+
                LD      C,X
        ENDIF
        CLR     XH
        CLR     XL
        CLR     YH
        CLR     YL
        LDI     G,32
        LSR     F
        ROR     E
        ROR     D
        ROR     C
M_1     BRCC    M_2
        ADD     YL,A
        ADC     YH,B
        ADC     XL,ZL
        ADC     XH,ZH
M_2     ROR     XH
        ROR     XL
        ROR     YH
        ROR     YL
        ROR     F
        ROR     E
        ROR     D
        ROR     C
        DEC     G
        BRNE    M_1
        LDI     ZL,LOW(\3)
        LDI     ZH,HIGH(\3)
        ST      Z+,XH
        ST      Z+,XL
        ST      Z+,YH
        ST      Z+,YL
        ST      Z+,F
        ST      Z+,E
        ST      Z+,D
        ST      Z,C
M_Q
        ENDM

        ;
        ;       1 워드 나눗셈 (WDIV S1,S2,D : D = 몫, D+1 = 나머지, 부호 없음)
        ;
WDIV    MACRO
        LOCAL   M_Q,M_1,M_2,M_3,M_4,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(\1)
                LDI     B,HIGH(\1)
        ELSE
                LDS     A,LWRD(\1+1)
                LDS     B,LWRD(\1)
        ENDIF
        IF      \2 < 7FFF0000H
                LDI     C,LOW(\2)
                LDI     D,HIGH(\2)
        ELSE
                LDS     C,LWRD(\2+1)
                LDS     D,LWRD(\2)
        ENDIF
        CLR     E
        SUB     F,F
        LDI     G,17
M_1     ROL     A
        ROL     B
        DEC     G
        BREQ    M_3
M_2     ROL     E
        ROL     F
        SUB     E,C
        SBC     F,D
        BRCC    M_4
        ADD     E,C
        ADC     F,D
        CLC
        RJMP    M_1
M_4     SEC
        RJMP    M_1
M_3     LDI     XL,LOW(\3)
        LDI     XH,HIGH(\3)
        ST      X+,B
        ST      X+,A
        ST      X+,F
        ST      X,E
M_Q
        ENDM

        ;
        ;       2 워드 나눗셈 (DWDIV S1,S2,D : D = 몫, D+2 = 나머지, 부호 없음)
        ;
DWDIV   MACRO
        LOCAL   M_Q,M_1,M_2,M_3,M_4,M_D
M_D     EQU     \3
        LIMIT   M_D,7FFF0000H,7FFFFFFFH,"operand 3 must be a device"
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     A,LOW(LWRD(\1))
                LDI     B,HIGH(LWRD(\1))
                LDI     ZL,LOW(HWRD(\1))
                LDI     ZH,HIGH(HWRD(\1))
        ELSE
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                LD      ZH,X+
                LD      ZL,X+
                LD      B,X+
                LD      A,X
        ENDIF
        IF      \2 < 7FFF0000H
                LDI     C,LOW(LWRD(\2))
                LDI     D,HIGH(LWRD(\2))
                LDI     E,LOW(HWRD(\2))
                LDI     F,HIGH(HWRD(\2))
        ELSE
                LDI     XL,LOW(\2)
                LDI     XH,HIGH(\2)
                LD      F,X+
                LD      E,X+
                LD      D,X+
                LD      C,X
        ENDIF
        CLR     XH
        CLR     XL
        CLR     YH
        SUB     YL,YL
        LDI     G,33
M_1     ROL     A
        ROL     B
        ROL     ZL
        ROL     ZH
        DEC     G
        BREQ    M_3
M_2     ROL     YL
        ROL     YH
        ROL     XL
        ROL     XH
        SUB     YL,C
        SBC     YH,D
        SBC     XL,E
        SBC     XH,F
        BRCC    M_4
        ADD     YL,C
        ADC     YH,D
        ADC     XL,E
        ADC     XH,F
        CLC
        RJMP    M_1
M_4     SEC
        RJMP    M_1
M_3     STS     LWRD(\3),ZH
        STS     LWRD(\3+1),ZL
        LDI     ZL,LOW(\3+2)
        LDI     ZH,HIGH(\3+2)
        ST      Z+,B
        ST      Z+,A
        ST      Z+,XH
        ST      Z+,XL
        ST      Z+,YH
        ST      Z,YL
M_Q
        ENDM)";
  return kText;
}

}  // namespace compiler
