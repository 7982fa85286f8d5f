#include "compiler/macro_library.h"

namespace compiler {

// GOTO ... LOOP: jumps, labels, subroutine calls and entries, the end of the main program and
// the counted loop. The labels are the user's own names, global to the whole assembly.
std::string_view MacroLibProgramFlow() {
  static constexpr std::string_view kText = R"(
        ;
        ;       분기 명령 (GOTO, LABEL, CALLS, SBRT, ENDMAIN)
        ;       LJMP : 롱 점프 (ATmega103 에서는 JMP, AT90S 에서는 RJMP)
        ;
GOTO    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LJMP    \1
M_Q
        ENDM

LABEL   MACRO
\1
        ENDM

CALLS   MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LCALL   \1
M_Q
        ENDM

SBRT    MACRO
\1
        ENDM

ENDMAIN MACRO
        RET
        ENDM

        ;
        ;       LOOP L,D : D 가 0 이 될 때까지 L 로 돌아감
        ;
LOOP    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     ZH,LWRD(\2)
        LDS     ZL,LWRD(\2+1)
        SBIW    ZL,1
        BREQ    M_Q
        STS     LWRD(\2),ZH
        STS     LWRD(\2+1),ZL
        JMP     \1
M_Q
        ENDM)";
  return kText;
}

}  // namespace compiler
