#include "compiler/macro_library.h"

namespace compiler {

// BSHR ... WSHL: bit shifts of a word or double word by a constant count (zeros entering) and
// the shift of a range of words by one word.
std::string_view MacroLibShift() {
  static constexpr std::string_view kText = R"(
        ;
        ;       비트 시프트 (BSHR D0,4 : D0 를 오른쪽으로 4 비트 시프트, 0 이 들어감)
        ;
BSHR    MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     \2
        LIMIT   M_N,0,7FFEFFFFH,"shift count must be a constant"
        IF      \2 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        IF      \2 >= 16
                CLR     A
                ST      X+,A
                ST      X,A
        ELSE
                LDI     C,LOW(\2)
                LD      A,X+
                LD      B,X
M_1             LSR     A
                ROR     B
                DEC     C
                BRNE    M_1
                ST      X,B
                ST      -X,A
        ENDIF
M_Q
        ENDM

BSHL    MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     \2
        LIMIT   M_N,0,7FFEFFFFH,"shift count must be a constant"
        IF      \2 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        IF      \2 >= 16
                CLR     A
                ST      X+,A
                ST      X,A
        ELSE
                LDI     C,LOW(\2)
                LD      A,X+
                LD      B,X
M_1             LSL     B
                ROL     A
                DEC     C
                BRNE    M_1
                ST      X,B
                ST      -X,A
        ENDIF
M_Q
        ENDM

  ;
  ;       2 워드 비트 시프트 (DBSHR D0,4  /  DBSHL D0,4)
  ;
DBSHR   MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     \2
        LIMIT   M_N,0,7FFEFFFFH,"shift count must be a constant"
        IF      \2 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        IF      \2 >= 32
                CLR     A
                ST      X+,A
                ST      X+,A
                ST      X+,A
                ST      X,A
        ELSE
                LDI     E,LOW(\2)
                LD      A,X+
                LD      B,X+
                LD      C,X+
                LD      D,X
M_1             LSR     A
                ROR     B
                ROR     C
                ROR     D
                DEC     E
                BRNE    M_1
                ST      X,D
                ST      -X,C
                ST      -X,B
                ST      -X,A
        ENDIF
M_Q
        ENDM

DBSHL   MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     \2
        LIMIT   M_N,0,7FFEFFFFH,"shift count must be a constant"
        IF      \2 = 0
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        IF      \2 >= 32
                CLR     A
                ST      X+,A
                ST      X+,A
                ST      X+,A
                ST      X,A
        ELSE
                LDI     E,LOW(\2)
                LD      A,X+
                LD      B,X+
                LD      C,X+
                LD      D,X
M_1             LSL     D
                ROL     C
                ROL     B
                ROL     A
                DEC     E
                BRNE    M_1
                ST      X,D
                ST      -X,C
                ST      -X,B
                ST      -X,A
        ENDIF
M_Q
        ENDM

        ;
        ;       워드 시프트 (WSHR D0,D2 : D0 ~ D2 를 한 워드씩 위로 옮기고 D0 = 0)
        ;
WSHR    MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     (\2-\1) & 1
        LIMIT   M_N,0,0,"distance must be whole words"
        IF      \1 >= \2
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        LDI     YL,LOW(\2+2)
        LDI     YH,HIGH(\2+2)
M_1     LD      A,-X
        ST      -Y,A
        LD      A,-X
        ST      -Y,A
        LDI     B,HIGH(\1)
        CP      XH,B
        BRNE    M_1
        LDI     B,LOW(\1)
        CP      XL,B
        BRNE    M_1
        CLR     A
        ST      X+,A
        ST      X,A
M_Q
        ENDM

WSHL    MACRO
        LOCAL   M_Q,M_1,M_N
M_N     EQU     (\2-\1) & 1
        LIMIT   M_N,0,0,"distance must be whole words"
        IF      \1 >= \2
                EXITM
        ENDIF
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1+2)
        LDI     XH,HIGH(\1+2)
        LDI     YL,LOW(\1)
        LDI     YH,HIGH(\1)
M_1     LD      A,X+
        ST      Y+,A
        LD      A,X+
        ST      Y+,A
        LDI     B,HIGH(\2)
        CP      YH,B
        BRNE    M_1
        LDI     B,LOW(\2)
        CP      YL,B
        BRNE    M_1
        CLR     A
        ST      Y+,A
        ST      Y,A
M_Q
        ENDM)";
  return kText;
}

}  // namespace compiler
