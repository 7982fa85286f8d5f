#!/bin/sh
# The training run of aq71's profile-guided build: the instrumented assembler assembles sources
# shaped like the code people write (instruction lines with labels now and then, register names
# from #define, equates, data, comments, macros with conditional arms and local labels, repeat
# blocks), and every form of the instruction table in an order of its own, with and without a
# listing; its counts then guide the optimised build.
#
#   training.sh AQ71_TRAIN RAW_DIR USE_DIR WORK_DIR CORE_PREFIX ZOLEX_PREFIX
#
# AQ71_TRAIN writes its counts into RAW_DIR under names made from its object files' paths; they
# are copied into USE_DIR under the names the optimised build's object files look for: their
# object folders' paths with "#" for "/" (CORE_PREFIX for the core library, ZOLEX_PREFIX for the
# object-format library), then the source's name.
set -eu
aq71=$1
raw=$2
use=$3
work=$4
core_prefix=$5
zolex_prefix=$6
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$raw" "$use" "$work"
mkdir -p "$raw" "$use" "$work"
cd "$work"

# Instruction lines of many forms, a label every 12 lines, branches back to it.
awk -v n=40000 '
BEGIN {
  f = "plain.s71"
  print "; generated training source" > f
  print "#define ACC     R16" >> f
  print "#define TMP     R17" >> f
  print "PORTB   EQU     0x05" >> f
  print "MAXV    EQU     200" >> f
  print "        RSEG    CODE" >> f
  split("LDI ACC,0x3C|MOV R1,R2|ADD R3,R4|ADC R5,R6|SUB TMP,R18|SBC R19,R20|AND R21,R22|" \
        "OR R23,R24|EOR R25,R0|COM R7|NEG R8|INC R9|DEC R10|LSL R11|LSR R12|ROL R13|ROR R14|" \
        "ASR R15|SWAP R30|CP R1,R2|CPC R3,R4|CPI R31,MAXV|SUBI R16,1|SBCI R17,0|ANDI R18,0x0F|" \
        "ORI R19,0xF0|LDI R20,LOW(MAXV*3)|LDI R21,HIGH(1000)|LD R16,X+|LD R17,-Y|LD R18,Z|" \
        "LDD R19,Y+3|LDD R20,Z+12|ST X,R16|ST Y+,R17|STD Z+5,R18|LDS R22,0x0100|STS 0x0102,R23|" \
        "IN ACC,0x3F|OUT 0x3F,ACC|SBI PORTB,1|CBI PORTB,2|SBIC 0x03,4|SBIS 0x03,5|SBRC R16,7|" \
        "SBRS R17,0|BST R16,3|BLD R17,3|PUSH R29|POP R29|ADIW R26,1|SBIW R28,2|" \
        "MUL R2,R3|NOP|SEC|CLC|LPM|CLR R1|TST R2|SER R18", ops, "|")
  nops = length(ops)
  label = 0
  for (i = 0; i < n; ++i) {
    if (i % 12 == 0) { ++label; printf "T%d:\n", label >> f }
    if (i % 97 == 0) print "; a comment line" >> f
    if (i % 211 == 0) print "" >> f
    k = i % 12
    if (k == 5) line = "RJMP T" label
    else if (k == 8) line = "BRNE T" label
    else if (k == 10) line = "RCALL T" label
    else if (i % 301 == 0) line = "DB 1,2,3,\"A\""
    else if (i % 307 == 0) line = "DW T" label ",0x1234"
    else line = ops[(i * 7) % nops + 1]
    if (i % 5 == 0) printf "        %s ; note\n", line >> f
    else printf "        %s\n", line >> f
  }
  print "        END" >> f
}'

# Macros: a chain of conditional arms, a macro with a local label, a repeat block.
awk -v n=6000 '
BEGIN {
  f = "macros.s71"
  split("EQ NE GT LT GE LE DEQ DNE", arms, " ")
  print "        RSEG    CODE" > f
  print "CHAIN   MACRO" >> f
  for (k = 1; k <= 8; ++k) {
    printf "        %s \"\\1\" = \"%s\"\n", (k == 1 ? "IF    " : "ELSEIF"), arms[k] >> f
    print "                LDS     R16,\\2" >> f
    print "                CPI     R16,\\3" >> f
  }
  print "        ELSE" >> f
  print "                LDS     R16,\\2" >> f
  print "                BST     R16,\\3" >> f
  print "        ENDIF" >> f
  print "        ENDM" >> f
  print "DELAY   MACRO   count" >> f
  print "        LOCAL   again" >> f
  print "        LDI     R16,count" >> f
  print "again:  DEC     R16" >> f
  print "        BRNE    again" >> f
  print "        ENDM" >> f
  for (i = 0; i < n; ++i) {
    printf "        CHAIN   %s,%d,%d\n", (i % 3 ? "XX" : arms[i % 8 + 1]), 256 + i % 3000, i % 8 >> f
    if (i % 4 == 0) printf "        DELAY   %d\n", i % 200 + 1 >> f
    if (i % 500 == 0) { print "        REPT    4" >> f; print "        NOP" >> f; print "        ENDR" >> f }
  }
  print "        END" >> f
}'

# Every form of the instruction table, in a shuffled order with operands of its own.
awk -v n=40000 -v seed=1931 -v shuffle=1 -v aq=table.s71 -f "$here/instruction_mix.awk"

"$aq71" plain -v6 -S
"$aq71" plain -v6 -S -l plain.lst
"$aq71" macros -v6 -S
"$aq71" macros -v6 -S -l macros.lst
"$aq71" table -v6 -S
"$aq71" table -v6 -S -l table.lst

# The counts of the assembler's libraries under the optimised build's names; the program's main
# is left out (the training build's differs).
for f in "$raw"/*.gcda; do
  name=$(basename "$f")
  case $name in
    *'#aq71_train_core.dir#'*) cp "$f" "$use/$core_prefix${name##*#}" ;;
    *'#aq71_train_zolex.dir#'*) cp "$f" "$use/$zolex_prefix${name##*#}" ;;
  esac
done
