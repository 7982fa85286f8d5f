// Compare macros: the set-up of the two values (constant into a buffer, or the device's address)
// and the byte-serial unsigned compares of 16-bit and 32-bit values; the result is bit 6 of NOW.
#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibCompare() {
  static constexpr std::string_view kText = R"MAC(        ;
        ; 16비트 비교 명령 : CMPEQ, CMPNE, CMPGT, CMPGE, CMPLT, CMPLE
        ; 파라미터가 7FFF0000H 이상이면 변수(C, D, T 등)로, 미만이면 상수로 취급한다.
        ; 따라서 사용할 수 있는 상수는 0 ~ 2,147,418,111 이다.
        ;
CMPSET  MACRO
        IF      \2 < 7FFF0000H
                LDI     XL,LOW(CONSTBF0)
                LDI     XH,HIGH(CONSTBF0)
                LDI     A,HIGH(\2)
                ST      X+,A
                LDI     A,LOW(\2)
                ST      X,A
                LD      A,-X
        ELSE
                LDI     XL,LOW(\2)
                LDI     XH,HIGH(\2)
        ENDIF
        IF      \3 < 7FFF0000H
                LDI     YL,LOW(CONSTBF1)
                LDI     YH,HIGH(CONSTBF1)
                LDI     A,HIGH(\3)
                ST      Y+,A
                LDI     A,LOW(\3)
                ST      Y,A
                LD      A,-Y
        ELSE
                LDI     YL,LOW(\3)
                LDI     YH,HIGH(\3)
        ENDIF
        ENDM

        ;
        ; 32비트(더블 워드) 비교 명령 : DCMPEQ, DCMPNE, DCMPGT, DCMPGE, DCMPLT, DCMPLE
        ;
DCMPSET MACRO
        IF      \2 < 7FFF0000H
                LDI     XL,LOW(CONSTBF0)
                LDI     XH,HIGH(CONSTBF0)
                LDI     A,HIGH(HWRD(\2))
                ST      X+,A
                LDI     A,LOW(HWRD(\2))
                ST      X+,A
                LDI     A,HIGH(LWRD(\2))
                ST      X+,A
                LDI     A,LOW(LWRD(\2))
                ST      X,A
                LD      A,-X
                LD      A,-X
                LD      A,-X
        ELSE
                LDI     XL,LOW(\2)
                LDI     XH,HIGH(\2)
        ENDIF
        IF      \3 < 7FFF0000H
                LDI     YL,LOW(CONSTBF1)
                LDI     YH,HIGH(CONSTBF1)
                LDI     A,HIGH(HWRD(\3))
                ST      Y+,A
                LDI     A,LOW(HWRD(\3))
                ST      Y+,A
                LDI     A,HIGH(LWRD(\3))
                ST      Y+,A
                LDI     A,LOW(LWRD(\3))
                ST      Y,A
                LD      A,-Y
                LD      A,-Y
                LD      A,-Y
        ELSE
                LDI     YL,LOW(\3)
                LDI     YH,HIGH(\3)
        ENDIF
        ENDM

CMPEQ   MACRO
        LOCAL   M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        SBR     NOW,40H
M_Q
        ENDM

DCMPEQ  MACRO
        LOCAL   M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_Q
        SBR     NOW,40H
M_Q
        ENDM

        ; IF A <> B THEN NOW = 1
CMPNE   MACRO
        LOCAL   M_1,M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_1
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BREQ    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

DCMPNE  MACRO
        LOCAL   M_1,M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_1
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_1
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRNE    M_1
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BREQ    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

        ; IF A > B THEN NOW = 1
CMPGT   MACRO
        LOCAL   M_1,M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCC    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

DCMPGT  MACRO
        LOCAL   M_1,M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCC    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

        ; IF A >= B THEN NOW = 1
CMPGE   MACRO
        LOCAL   M_1,M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

DCMPGE  MACRO
        LOCAL   M_1,M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

        ; IF A < B THEN NOW = 1
CMPLT   MACRO
        LOCAL   M_1,M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCC    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

DCMPLT  MACRO
        LOCAL   M_1,M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCC    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

        ; IF A <= B THEN NOW = 1
CMPLE   MACRO
        LOCAL   M_1,M_Q
        CMPSET  \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM

DCMPLE  MACRO
        LOCAL   M_1,M_Q
        DCMPSET \1,\2,\3
        CBR     NOW,40H
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      A,B
        BRCS    M_1
        BRNE    M_Q
        LD      A,X+
        LD      B,Y+
        CP      B,A
        BRCS    M_Q
M_1     SBR     NOW,40H
M_Q
        ENDM)MAC";
  return kText;
}

}  // namespace compiler
