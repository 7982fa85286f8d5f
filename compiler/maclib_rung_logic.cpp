// Rung logic macros: the contacts (bit contact or compare contact) that set the NOW bit, and the
// block operations on NOW, NOW_SAVE and SAVEST.
#include "compiler/macro_library.h"

namespace compiler {

std::string_view MacroLibRungLogic() {
  static constexpr std::string_view kText = R"MAC(        ;
        ; 기본 명령 : LOAD, LOADN, IOR, IORN, AN, ANN, ORS, ANDS, SAVES, RDS, NT
        ;
LOAD    MACRO
        MOV     NOW_SAVE,NOW
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
        ELSE
                LDS     A,LWRD(\1)
                BST     A,\2
                BLD     NOW,7
        ENDIF
        ENDM

LOADN   MACRO
        MOV     NOW_SAVE,NOW
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                BST     NOW,6
                BLD     NOW,7
                COM     NOW
        ELSE
                LDS     A,LWRD(\1)
                COM     A
                BST     A,\2
                BLD     NOW,7
        ENDIF
        ENDM

IOR     MACRO
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                SBRC    NOW,6
                SBR     NOW,80H
        ELSE
                LDS     A,LWRD(\1)
                SBRC    A,\2
                SBR     NOW,80H
        ENDIF
        ENDM

IORN    MACRO
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                SBRS    NOW,6
                SBR     NOW,80H
        ELSE
                LDS     A,LWRD(\1)
                SBRS    A,\2
                SBR     NOW,80H
        ENDIF
        ENDM

AN      MACRO
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                SBRS    NOW,6
                CBR     NOW,80H
        ELSE
                LDS     A,LWRD(\1)
                SBRS    A,\2
                CBR     NOW,80H
        ENDIF
        ENDM

ANN     MACRO
        IF      "\1" = "EQ"
                CMPEQ   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "NE"
                CMPNE   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "GT"
                CMPGT   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "LT"
                CMPLT   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "GE"
                CMPGE   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "LE"
                CMPLE   \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DEQ"
                DCMPEQ  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DNE"
                DCMPNE  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DGT"
                DCMPGT  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DLT"
                DCMPLT  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DGE"
                DCMPGE  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSEIF  "\1" = "DLE"
                DCMPLE  \1,\2,\3
                SBRC    NOW,6
                CBR     NOW,80H
        ELSE
                LDS     A,LWRD(\1)
                SBRC    A,\2
                CBR     NOW,80H
        ENDIF
        ENDM

ORS     MACRO
        OR      NOW,NOW_SAVE
        ENDM

ANDS    MACRO
        AND     NOW,NOW_SAVE
        ENDM

SAVES   MACRO
        MOV     SAVEST,NOW
        ENDM

RDS     MACRO
        MOV     NOW,SAVEST
        ENDM

NT      MACRO
        COM     NOW
        ENDM)MAC";
  return kText;
}

}  // namespace compiler
