#include "compiler/macro_library.h"

namespace compiler {

// BLOGICAL ... DWRCR: the byte, word and double-word logic sub-macros with the instruction as
// their fourth parameter, the nine logic instructions that call them, and the one-bit rotations
// (plain and through the carry) of a word or double word in place.
std::string_view MacroLibLogicRotate() {
  static constexpr std::string_view kText = R"(
        ;
        ;       논리 연산 서브 매크로 (\1,\2 : 피연산자, \3 : 결과, \4 : 명령)
        ;
BLOGICAL MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(\1)
        ELSE
                LDS     B,LWRD(\1)
        ENDIF
        LDI     XL,LOW(\3)
        LDI     XH,HIGH(\3)
        IF      \2 < 7FFF0000H
                LDI     A,LOW(\2)
        ELSE
                LDS     A,LWRD(\2)
        ENDIF
        \4      A,B
        ST      X,A
M_Q
        ENDM

WLOGICAL MACRO
        LOCAL   M_Q
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
                \4      A,B
                ST      X,A
                LDI     A,HIGH(\2)
                \4      A,C
                ST      -X,A
        ELSE
                LDS     A,LWRD(\2+1)
                \4      A,B
                ST      X,A
                LDS     A,LWRD(\2)
                \4      A,C
                ST      -X,A
        ENDIF
M_Q
        ENDM

DWLOGICAL MACRO
        LOCAL   M_Q
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
                \4      A,B
                ST      X,A
                LDI     A,HIGH(LWRD(\2))
                \4      A,C
                ST      -X,A
                LDI     A,LOW(HWRD(\2))
                \4      A,D
                ST      -X,A
                LDI     A,HIGH(HWRD(\2))
                \4      A,E
                ST      -X,A
        ELSE
                LDS     A,LWRD(\2+3)
                \4      A,B
                ST      X,A
                LDS     A,LWRD(\2+2)
                \4      A,C
                ST      -X,A
                LDS     A,LWRD(\2+1)
                \4      A,D
                ST      -X,A
                LDS     A,LWRD(\2)
                \4      A,E
                ST      -X,A
        ENDIF
M_Q
        ENDM

        ;
        ;       논리 연산 (BAND S1,S2,D : D = S1 AND S2, OR, XOR 도 같음)
        ;
BAND    MACRO
        BLOGICAL \1,\2,\3,AND
        ENDM

WAND    MACRO
        WLOGICAL \1,\2,\3,AND
        ENDM

DWAND   MACRO
        DWLOGICAL \1,\2,\3,AND
        ENDM

BOR     MACRO
        BLOGICAL \1,\2,\3,OR
        ENDM

WOR     MACRO
        WLOGICAL \1,\2,\3,OR
        ENDM

DWOR    MACRO
        DWLOGICAL \1,\2,\3,OR
        ENDM

BXOR    MACRO
        BLOGICAL \1,\2,\3,EOR
        ENDM

WXOR    MACRO
        WLOGICAL \1,\2,\3,EOR
        ENDM

DWXOR   MACRO
        DWLOGICAL \1,\2,\3,EOR
        ENDM

        ;
        ;       회전 (WROL D  /  WROR D : 1 비트 회전)
        ;
WROL    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1)
        LSL     A
        LDI     XL,LOW(\1+1)
        LDI     XH,HIGH(\1+1)
        LD      A,X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
M_Q
        ENDM

DWROL   MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1)
        LSL     A
        LDI     XL,LOW(\1+3)
        LDI     XH,HIGH(\1+3)
        LD      A,X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
M_Q
        ENDM

WROR    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1+1)
        LSR     A
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
M_Q
        ENDM

DWROR   MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1+3)
        LSR     A
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
M_Q
        ENDM

        ;
        ;       캐리를 통한 회전 (WRCL D  /  WRCR D : 1 비트 회전)
        ;
WRCL    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1+1)
        LDI     XH,HIGH(\1+1)
        LD      A,X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
M_Q
        ENDM

DWRCL   MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1+3)
        LDI     XH,HIGH(\1+3)
        LD      A,X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
        LD      A,-X
        ROL     A
        ST      X,A
M_Q
        ENDM

WRCR    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
M_Q
        ENDM

DWRCR   MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
        LD      A,X
        ROR     A
        ST      X+,A
M_Q
        ENDM)";
  return kText;
}

}  // namespace compiler
