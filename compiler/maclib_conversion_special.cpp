#include "compiler/macro_library.h"

namespace compiler {

// Code conversions (binary and packed BCD, seven-segment patterns, nibbles, decode and encode)
// and the special functions (key matrix, all outputs off, temperature input, high-speed counter,
// serial byte). Private subroutines sit behind "RJMP M_Q" inside the expansion.
std::string_view MacroLibConversionSpecial() {
  static constexpr std::string_view kText = R"(        ;
        ;       코드 변환 명령 (CODE CONVERSION INSTRUCTIONS)
        ;
        ;
        ;       워드를 BCD 4 자리로 변환 (10000 이상은 버림)
        ;       WBCD    D0,D1
        ;
WBCD    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(\1)
                LDI     C,HIGH(\1)
        ELSE
                LDS     C,LWRD(\1)
                LDS     B,LWRD(\1+1)
        ENDIF
        LCALL   BIN2BCD
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        ST      X+,E
        ST      X,D
M_Q:
        ENDM

        ;
        ;       더블 워드를 BCD 8 자리로 변환 (100000000 이상은 버림)
        ;       DWBCD   D0,D2
        ;
DWBCD   MACRO
        LOCAL   M_1,M_2,M_3,M_4,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,LOW(LWRD(\1))
                LDI     C,HIGH(LWRD(\1))
                LDI     D,LOW(HWRD(\1))
                LDI     E,HIGH(HWRD(\1))
        ELSE
                LDI     ZL,LOW(\1)
                LDI     ZH,HIGH(\1)
                LD      E,Z+
                LD      D,Z+
                LD      C,Z+
                LD      B,Z
        ENDIF
        LDI     G,32
        CLR     XL
        CLR     XH
        CLR     YL
        CLR     YH
        CLR     ZH
M_1:    LSL     B
        ROL     C
        ROL     D
        ROL     E
        ROL     XL
        ROL     XH
        ROL     YL
        ROL     YH
        DEC     G
        BREQ    M_4
M_2:    LDI     ZL,29 + 1       ; YH, YL, XH, XL 의 데이터 주소 29 - 26
M_3:    LD      A,-Z
        SUBI    A,-3
        SBRC    A,3
        ST      Z,A
        LD      A,Z
        SUBI    A,-30H
        SBRC    A,7
        ST      Z,A
        CPI     ZL,26
        BRNE    M_3
        RJMP    M_1
M_4:    LDI     ZL,LOW(\2)
        LDI     ZH,HIGH(\2)
        ST      Z+,YH
        ST      Z+,YL
        ST      Z+,XH
        ST      Z,XL
M_Q:
        ENDM

        ;
        ;       BCD 4 자리를 워드로 변환
        ;       WBIN    D0,D1
        ;
WBIN    MACRO
        LOCAL   M_MULA,M_MULB,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      E,X+
        LD      D,X
        CLR     C
        MOV     B,E
        SWAP    B
        ANDI    B,0FH
        MOV     A,E
        RCALL   M_MULB
        MOV     A,D
        RCALL   M_MULA
        MOV     A,D
        RCALL   M_MULB
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        ST      X+,C
        ST      X,B
        RJMP    M_Q
M_MULA: SWAP    A
M_MULB: MOV     XL,B            ; C:B = C:B * 10 + (A & 0FH)
        MOV     XH,C
        LSL     XL
        ROL     XH
        LSL     XL
        ROL     XH
        LSL     XL
        ROL     XH
        LSL     B
        ROL     C
        ADD     B,XL
        ADC     C,XH
        ANDI    A,0FH
        ADD     B,A
        CLR     A
        ADC     C,A
        RET
M_Q:
        ENDM

        ;
        ;       BCD 8 자리를 더블 워드로 변환
        ;       DWBIN   D0,D2
        ;
DWBIN   MACRO
        LOCAL   M_MULA,M_MULB,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LD      G,X+
        LD      F,X+
        LD      E,X+
        LD      D,X
        CLR     YH
        CLR     YL
        CLR     C
        MOV     B,G
        SWAP    B
        ANDI    B,0FH
        MOV     A,G
        RCALL   M_MULB
        MOV     A,F
        RCALL   M_MULA
        MOV     A,F
        RCALL   M_MULB
        MOV     A,E
        RCALL   M_MULA
        MOV     A,E
        RCALL   M_MULB
        MOV     A,D
        RCALL   M_MULA
        MOV     A,D
        RCALL   M_MULB
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        ST      X+,YH
        ST      X+,YL
        ST      X+,C
        ST      X,B
        RJMP    M_Q
M_MULA: SWAP    A
M_MULB: MOV     XL,B            ; YH:YL:C:B = YH:YL:C:B * 10 + (A & 0FH)
        MOV     XH,C
        MOV     ZL,YL
        MOV     ZH,YH
        LSL     XL
        ROL     XH
        ROL     ZL
        ROL     ZH
        LSL     XL
        ROL     XH
        ROL     ZL
        ROL     ZH
        LSL     XL
        ROL     XH
        ROL     ZL
        ROL     ZH
        LSL     B
        ROL     C
        ROL     YL
        ROL     YH
        ADD     B,XL
        ADC     C,XH
        ADC     YL,ZL
        ADC     YH,ZH
        ANDI    A,0FH
        ADD     B,A
        CLR     A
        ADC     C,A
        ADC     YL,A
        ADC     YH,A
        RET
M_Q:
        ENDM

        ;
        ;       7 세그먼트 코드 변환 (16 진수 4 자리 -> 4 바이트)
        ;       SEG     D0,G0
        ;
SEG     MACRO
        LOCAL   M_1,M_SEGT,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,HIGH(\1)
                LDI     C,LOW(\1)
        ELSE
                LDS     B,LWRD(\1)
                LDS     C,LWRD(\1+1)
        ENDIF
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        MOV     A,B
        SWAP    A
        RCALL   M_SEGT
        MOV     A,B
        RCALL   M_SEGT
        MOV     A,C
        SWAP    A
        RCALL   M_SEGT
        MOV     A,C
        RCALL   M_SEGT
        RJMP    M_Q
M_SEGT: ANDI    A,0FH
        LDI     ZL,LOW(M_1)
        LDI     ZH,HIGH(M_1)
        ADD     ZL,A
        CLR     A
        ADC     ZH,A
        LPM
        ST      Y+,R0
        RET
M_1:    DB      3FH,06H,5BH,4FH,66H,6DH,7DH,27H
        DB      7FH,6FH,77H,7CH,39H,5EH,79H,71H
M_Q:
        ENDM

        ;
        ;       특수 기능 명령 (SPECIAL FUNCTION INSTRUCTIONS)
        ;
        ;
        ;       키 매트릭스 입력 (눌린 첫 키의 번호, 없으면 0)
        ;       KEYSCAN P3,6,P0,4,D0    (입력 포트,입력 수,출력 포트,스캔 수,결과)
        ;       입력은 비트 0 부터 풀업 입력, 스캔 출력은 비트 0 부터
        ;       포트 P0 - P3 (ZQV-E)
        ;
KEYSCAN MACRO
        LOCAL   M_1,M_2,M_3,M_4,M_KSUB,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      "\1" = "P0"
                LDI     XL,PIND + 32
        ELSEIF  "\1" = "P1"
                LDI     XL,PINC + 32
        ELSEIF  "\1" = "P2"
                LDI     XL,PINA + 32
        ELSEIF  "\1" = "P3"
                LDI     XL,PINF + 32
        ELSE
                LDI     XL,KEYSCAN_PORT_P0_TO_P3_ONLY
        ENDIF
        CLR     XH
        IF      "\3" = "P0"
                LDI     YL,PORTD + 32
        ELSEIF  "\3" = "P1"
                LDI     YL,PORTC + 32
        ELSEIF  "\3" = "P2"
                LDI     YL,PORTA + 32
        ELSEIF  "\3" = "P3"
                LDI     YL,PORTF + 32
        ELSE
                LDI     YL,KEYSCAN_PORT_P0_TO_P3_ONLY
        ENDIF
        CLR     YH
        CLR     B               ; 키 번호
        LDI     D,0FEH          ; 스캔 패턴
        LDI     E,\4
M_3:    ST      Y,D
        SEC
        ROL     D
        RCALL   M_KSUB
        BRCS    M_4
        DEC     E
        BRNE    M_3
        CLR     B
M_4:    STS     LWRD(\5+1),B
        CLR     A
        STS     LWRD(\5),A
        LDI     A,0FFH
        ST      Y,A
        RJMP    M_Q
M_KSUB: LD      A,X
        LDI     C,\2
M_1:    INC     B
        LSR     A
        BRCC    M_2             ; 눌린 키는 0
        DEC     C
        BRNE    M_1
        CLC
        RET
M_2:    SEC
        RET
M_Q:
        ENDM

        ;
        ;       모든 출력을 한번에 끔
        ;       OUTOFF
        ;
OUTOFF  MACRO
        LOCAL   M_1,M_Q
        SBRC    NOW,7
        RJMP    M_1
        CBR     FLAG1,1 << FL_OUTOFF
        RJMP    M_Q
M_1:    CLR     A
        OUT     PORTD,A
        OUT     PORTA,A
        OUT     PORTC,A
        OUT     PORTB,A
        OUT     PORTE,A
        SBR     FLAG1,1 << FL_OUTOFF
M_Q:
        ENDM

        ;
        ;       워드를 4 비트씩 나누어 워드들에 저장
        ;       DIST    D0,D10,4        (원본,첫 대상,개수 1 - 4)
        ;
DIST    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,HIGH(\1)
                LDI     C,LOW(\1)
        ELSE
                LDS     B,LWRD(\1)
                LDS     C,LWRD(\1+1)
        ENDIF
        IF      \3 < 7FFF0000H
                LDI     E,LOW(\3)
        ELSE
                LDS     E,LWRD(\3+1)
        ENDIF
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        CLR     D
        MOV     A,B
        SWAP    A
        ANDI    A,0FH
        ST      X+,D
        ST      X+,A
        DEC     E
        BREQ    M_Q
        MOV     A,B
        ANDI    A,0FH
        ST      X+,D
        ST      X+,A
        DEC     E
        BREQ    M_Q
        MOV     A,C
        SWAP    A
        ANDI    A,0FH
        ST      X+,D
        ST      X+,A
        DEC     E
        BREQ    M_Q
        MOV     A,C
        ANDI    A,0FH
        ST      X+,D
        ST      X,A
M_Q:
        ENDM

        ;
        ;       워드들의 하위 4 비트를 모아 한 워드로 저장
        ;       UNIT    D10,D0,4        (첫 원본,대상,개수 1 - 4)
        ;
UNIT    MACRO
        LOCAL   M_1,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \3 < 7FFF0000H
                LDI     E,LOW(\3)
        ELSE
                LDS     E,LWRD(\3+1)
        ENDIF
        LDI     XL,LOW(\1)
        LDI     XH,HIGH(\1)
        LDI     YL,LOW(\2)
        LDI     YH,HIGH(\2)
        CLR     B
        CLR     C
        LD      A,X+
        LD      A,X+
        ANDI    A,0FH
        SWAP    A
        OR      B,A
        DEC     E
        BREQ    M_1
        LD      A,X+
        LD      A,X+
        ANDI    A,0FH
        OR      B,A
        DEC     E
        BREQ    M_1
        LD      A,X+
        LD      A,X+
        ANDI    A,0FH
        SWAP    A
        OR      C,A
        DEC     E
        BREQ    M_1
        LD      A,X+
        LD      A,X+
        ANDI    A,0FH
        OR      C,A
M_1:    ST      Y+,B
        ST      Y,C
M_Q:
        ENDM

        ;
        ;       디코드 (하위 4 비트의 번호에 해당하는 비트만 1)
        ;       DECO    D0,D1
        ;
DECO    MACRO
        LOCAL   M_1,M_2,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     C,LOW(\1)
        ELSE
                LDS     C,LWRD(\1+1)
        ENDIF
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        LDI     A,1
        CLR     B
        ANDI    C,0FH
        BREQ    M_2
M_1:    CLC
        ROL     A
        ROL     B
        DEC     C
        BRNE    M_1
M_2:    ST      X+,B
        ST      X,A
M_Q:
        ENDM

        ;
        ;       엔코드 (가장 낮은 1 비트의 번호, 없으면 0)
        ;       ENCO    D0,D1
        ;
ENCO    MACRO
        LOCAL   M_1,M_2,M_Q
        SBRS    NOW,7
        RJMP    M_Q
        IF      \1 < 7FFF0000H
                LDI     B,HIGH(\1)
                LDI     C,LOW(\1)
        ELSE
                LDS     B,LWRD(\1)
                LDS     C,LWRD(\1+1)
        ENDIF
        LDI     XL,LOW(\2)
        LDI     XH,HIGH(\2)
        CLR     A
        LDI     D,16
        CLC
M_1:    ROR     B
        ROR     C
        BRCS    M_2
        INC     A
        DEC     D
        BRNE    M_1
        CLR     A
M_2:    CLR     B
        ST      X+,B
        ST      X,A
M_Q:
        ENDM

        ;
        ;       온도 입력 (DS1820)
        ;       THIN    P0:3,D0 (포트:비트,대상)
        ;       P1, P3 는 이 명령에 사용하지 않음
        ;
THIN    MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        LDS     A,LWRD(\1)
        SBR     A,1 << \2       ; 평상시 HIGH
        STS     LWRD(\1),A
        IF      "\1" = "P0"
                LDI     XL,PORTD + 32
        ELSEIF  "\1" = "P1"
                LDI     XL,PORTC + 32
        ELSEIF  "\1" = "P2"
                LDI     XL,PORTA + 32
        ELSEIF  "\1" = "P3"
                LDI     XL,PORTF + 32
        ELSEIF  "\1" = "P4"
                IF      \2 < 4
                        LDI     XL,PORTB + 32
                ELSE
                        LDI     XL,PORTE + 32
                ENDIF
        ELSE
                LDI     XL,THIN_PORT_P0_TO_P4_ONLY
        ENDIF
        CLR     XH
        IF      "\1" = "P4"
                IF      \2 < 4
                        LDI     B,10H << \2
                ELSE
                        LDI     B,1 << \2
                ENDIF
        ELSE
                LDI     B,1 << \2
        ENDIF
        LDI     YL,LOW(\3+1)
        LDI     YH,HIGH(\3+1)
#define use1820 1
        LCALL   THINSUB
M_Q:
        ENDM

        ;
        ;       고속 카운터 지움
        ;       HCNTCLR
        ;
HCNTCLR MACRO
        LOCAL   M_Q
        SBRS    NOW,7
        RJMP    M_Q
        CLR     A
        OUT     TCNT1H,A        ; 상위 바이트를 먼저 씀
        OUT     TCNT1L,A
M_Q:
        ENDM

        ;
        ;       RS-232C 로 한 바이트 전송
        ;       RSOUT   D0      (워드이면 상위 바이트)
        ;
RSOUT   MACRO
        LOCAL   M_1,M_Q
        LDS     A,LWRD(\1)
        SBRS    NOW,7
        RJMP    M_Q
        WDR
M_1:    SBIS    USR,5           ; UDRE : 송신 버퍼가 비었는가
        RJMP    M_1
        OUT     UDR,A
M_Q:
        ENDM)";
  return kText;
}

}  // namespace compiler
