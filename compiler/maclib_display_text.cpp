#include "compiler/macro_library.h"

namespace compiler {

// Display instructions and text preparation. A display instruction only records mode, port and
// pin in the core's display registers and starts the sequence; the core's display routine does
// the sending. The text macros write ASCII characters upwards from a destination byte.
std::string_view MacroLibDisplayText() {
  static constexpr std::string_view kText = R"(        ;
        ;       표시 명령 (DISPLAY INSTRUCTIONS)
        ;       LCDCLS : LCD 화면 지움,  LCDOUT : CH0 부터의 데이터를 LCD 로 전송
        ;       SGNOUT : G0 부터의 데이터를 ZID 모듈로 전송
        ;
        ;       표시 모드 (DPMODE)
        ;       0  : 19200 BPS, 영문 LCD 16 문자 x 2 줄
        ;       1  : 19200 BPS, 영문 LCD 16 문자 x 4 줄
        ;       2  : 19200 BPS, 영문 LCD 20 문자 x 4 줄
        ;       3  : 4800 BPS, 한글 LCD 11 문자 x 2 줄 (예약)
        ;       4  : 4800 BPS, 한글 LCD 11 문자 x 4 줄 (예약)
        ;       10 : 9600 BPS, ZID 모드
        ;
        ;       표시 레지스터
        ;       DPSEQ  : 전송 진행 순서 (0 = 대기, 1 = 전송 시작)
        ;       DPMODE : 표시 종류와 통신 속도에 따른 처리 모드
        ;       DPPORT : 출력 포트 (I/O 주소가 아닌 SRAM 주소)
        ;       DPBIT  : 포트 비트 (마스크 1, 2, 4, ... 128)
        ;
        ;
        ;       LCD 화면 지움
        ;       LCDCLS  P0      (포트는 사용하지 않음)
        ;
LCDCLS  MACRO
        SBRC    NOW,7
        LCALL   LCDAREA_CLEAR
        ENDM

        ;
        ;       CH0 부터의 데이터를 LCD 로 전송
        ;       LCDOUT  P0:4,0  (포트:비트,모드)
        ;
LCDOUT  MACRO
        DPSET   \1,\2,\3
        ENDM

        ;
        ;       G0 부터의 데이터를 ZID 모듈로 전송
        ;       SGNOUT  P0:4,1  (포트:비트,ZID 모듈 수, 생략하면 1)
        ;
SGNOUT  MACRO
        IF      "\3" = ""
                DPSET   \1,\2,10
        ELSE
                DPSET   \1,\2,\3 + 9
        ENDIF
        ENDM

        ;
        ;       비공개 명령 : RS-232C 형식의 데이터를 정해진 형식과 순서로
        ;       한 포트 핀을 통해 보내기 위한 준비
        ;       DPSET   P0,4,0  (포트,비트,모드)
        ;
DPSET   MACRO
;       코어가 표시 메인 루틴을 포함하도록 알림
#define usedp   1
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        TST     DPSEQ           ; 전송 중이면 요청은 버림
        BRNE    M_Q
        CLR     DPSEQ
        INC     DPSEQ
        LDI     A,\3
        MOV     DPMODE,A
        LDS     A,LWRD(\1)
        SBR     A,1 << \2       ; 평상시 HIGH
        STS     LWRD(\1),A
        IF      (PLCMODEL = 1) | (PLCMODEL = 3)
                ; ZQV-E, ZQV-F
                IF      "\1" = "P0"
                        LDI     A,PORTD + 32
                ELSEIF  "\1" = "P1"
                        LDI     A,PORTC + 32
                ELSEIF  "\1" = "P2"
                        LDI     A,PORTA + 32
                ELSEIF  "\1" = "P3"
                        LDI     A,PORTF + 32
                ELSEIF  "\1" = "P4"
                        IF      \2 < 4
                                LDI     A,PORTB + 32
                        ELSE
                                LDI     A,PORTE + 32
                        ENDIF
                ELSE
                        CLR     DPSEQ   ; 포트 없음 : 전송하지 않음
                        RJMP    M_Q
                ENDIF
        ELSEIF  PLCMODEL = 10
                ; ZQV-A
                IF      "\1" = "P0"
                        IF      \2 < 4
                                LDI     A,PORTB + 32
                        ELSE
                                LDI     A,PORTD + 32
                        ENDIF
                ELSEIF  "\1" = "P1"
                        LDI     A,PORTC + 32
                ELSEIF  "\1" = "P2"
                        LDI     A,PORTA + 32
                ELSEIF  "\1" = "P3"
                        LDI     A,PORTD + 32
                ELSE
                        CLR     DPSEQ   ; 포트 없음 : 전송하지 않음
                        RJMP    M_Q
                ENDIF
        ELSEIF  (PLCMODEL = 2) | (PLCMODEL = 4)
                ; ZQV-B, ZQV-C
                IF      "\1" = "P0"
                        IF      \2 < 4
                                LDI     A,PORTB + 32
                        ELSE
                                LDI     A,PORTD + 32
                        ENDIF
                ELSEIF  "\1" = "P1"
                        LDI     A,PORTC + 32
                ELSEIF  "\1" = "P2"
                        LDI     A,PORTA + 32
                ELSE
                        CLR     DPSEQ   ; 포트 없음 : 전송하지 않음
                        RJMP    M_Q
                ENDIF
        ELSE
                CLR     DPSEQ           ; 포트 없음 : 전송하지 않음
                RJMP    M_Q
        ENDIF
        MOV     DPPORT,A
        IF      PLCMODEL = 10
                IF      "\1" = "P3"
                        LDI     A,(1 << \2) << 2
                ELSE
                        LDI     A,1 << \2
                ENDIF
        ELSEIF  "\1" = "P4"
                IF      \2 < 4
                        LDI     A,10H << \2
                ELSE
                        LDI     A,1 << \2
                ENDIF
        ELSE
                LDI     A,1 << \2
        ENDIF
        MOV     DPBIT,A
M_Q:
        ENDM

        ;
        ;       문자열 저장
        ;       STRING  CH0,"ABC"       (CH0 부터 'A','B','C' 저장)
        ;
STRING  MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      '\2' <> '""'
                LDI     XL,LOW(\1)
                LDI     XH,HIGH(\1)
                REPTC   CHR,\2
                LDI     A,'CHR'
                ST      X+,A
                ENDR
        ENDIF
M_Q:
        ENDM

        ;
        ;       워드를 16 진수 4 문자로 저장
        ;       HEX     T0,CH0  (T0 의 값을 CH0 부터 4 문자로)
        ;
HEX     MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
M_Q:
        ENDM

        ;
        ;       더블 워드를 16 진수 8 문자로 저장
        ;       DHEX    D0,CH0  (D0, D1 의 값을 CH0 부터 8 문자로)
        ;
DHEX    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X
        SWAP    A
        LCALL   TOASCII
        ST      Y+,A
        LD      A,X+
        LCALL   TOASCII
        ST      Y+,A
M_Q:
        ENDM

        ;
        ;       워드를 10 진수 문자로 오른쪽 맞춤 저장
        ;       ASC     D0,CH0,5        (D0 의 값을 CH0 부터 5 자리로)
        ;       자리수는 반드시 상수
        ;
ASC     MACRO
        LOCAL   M_1,M_2,M_3,M_Q,M_ASC
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     C,HIGH(\1)
                LDI     B,LOW(\1)
        ELSE
                LDS     C,LWRD(\1)
                LDS     B,LWRD(\1+1)
        ENDIF
        LCALL   BIN2BCD
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        IF      \3 > 5
                LDI     C,\3 - 5
                LDI     A,20H
M_1:            ST      X+,A
                DEC     C
                BRNE    M_1
        ENDIF
        CLR     B               ; 0 이 아닌 숫자를 쓰면 1
        IF      \3 > 4
                MOV     A,F
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 3
                MOV     A,E
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 2
                MOV     A,E
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 1
                MOV     A,D
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        LDI     B,1             ; 마지막 자리는 0 이라도 표시
        MOV     A,D
        RCALL   M_ASC
        ST      X+,A
        RJMP    M_Q
M_ASC:  ANDI    A,0FH
        CPI     A,0AH
        BRLO    M_2
        SUBI    A,-37H          ; 'A' - 'F'
        LDI     B,1
        RET
M_2:    TST     A
        BREQ    M_3
        LDI     B,1
M_3:    ORI     A,30H
        SBRS    B,0             ; 앞쪽의 0 은 공백
        LDI     A,20H
        RET
M_Q:
        ENDM

        ;
        ;       더블 워드를 10 진수 문자로 오른쪽 맞춤 저장 (최대 8 자리)
        ;       DASC    D0,CH0,8        (D0, D1 의 값을 CH0 부터 8 자리로)
        ;       자리수는 반드시 상수
        ;
DASC    MACRO
        LOCAL   M_1,M_2,M_3,M_Q,M_ASC
        SBRS    NOW,7
        RJMP    M_Q
        DWBCD   \1,CONSTBF0
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        IF      \3 > 8
                LDI     C,\3 - 8
                LDI     A,20H
M_1:            ST      X+,A
                DEC     C
                BRNE    M_1
        ENDIF
        CLR     B               ; 0 이 아닌 숫자를 쓰면 1
        IF      \3 > 7
                LDS     A,CONSTBF0
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 6
                LDS     A,CONSTBF0
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 5
                LDS     A,CONSTBF0+1
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 4
                LDS     A,CONSTBF0+1
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 3
                LDS     A,CONSTBF0+2
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 2
                LDS     A,CONSTBF0+2
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        IF      \3 > 1
                LDS     A,CONSTBF0+3
                SWAP    A
                RCALL   M_ASC
                ST      X+,A
        ENDIF
        LDI     B,1             ; 마지막 자리는 0 이라도 표시
        LDS     A,CONSTBF0+3
        RCALL   M_ASC
        ST      X+,A
        RJMP    M_Q
M_ASC:  ANDI    A,0FH
        CPI     A,0AH
        BRLO    M_2
        SUBI    A,-37H          ; 'A' - 'F'
        LDI     B,1
        RET
M_2:    TST     A
        BREQ    M_3
        LDI     B,1
M_3:    ORI     A,30H
        SBRS    B,0             ; 앞쪽의 0 은 공백
        LDI     A,20H
        RET
M_Q:
        ENDM)";
  return kText;
}

}  // namespace compiler
