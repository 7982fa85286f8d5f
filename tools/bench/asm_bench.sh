#!/usr/bin/env bash
# Assembler benchmark, every case median of RUNS runs (default 5) of wall time and of peak
# resident memory, the tools of a case taking turns run by run (load that comes and goes then
# falls on all of them alike):
# - one generated program of LINES instruction lines (default 100000) in three dialects from one
#   instruction list, assembled by aq71 (-v6, object only), avr-as (-mmcu=avr6) and avra
#   (ATmega2560);
# - a program of LINES lines that takes every form of the instruction table in turn
#   (assembler/profile/instruction_mix.awk: a tab before each mnemonic, a label every 16 lines,
#   a branch back every 8), by aq71 and avr-as; the code of both must be byte-equal (avr-as's
#   object linked at 0 with avr-ld, which resolves its branches);
# - a macro whose body is a chain of twelve IF "\1" = "EQ" ... ELSEIF ... ELSE arms (three NOPs
#   each, the plain arm LDS/BST/BLD), called CALLS times (default 20000) with the plain arm, by
#   aq71 and by avr-as with the same macro written with nested .ifc/.else; the code of both must
#   be byte-equal (aq71's object read back with zqlink --dump);
# - aq71 alone on MACROS calls (default 20000) of a small macro with a LOCAL label, without and
#   with a listing.
#
#   tools/bench/asm_bench.sh [AQ71_BINARY] [LINES] [RUNS] [MACROS] [CALLS]
#
# AQ71_BINARY defaults to build/bench/bin/aq71 of the source tree (a Release build); zqlink is
# taken from the same folder.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
aq71=$(realpath "${1:-$root/build/bench/bin/aq71}")
lines=${2:-100000}
runs=${3:-5}
macros=${4:-20000}
calls=${5:-20000}
zqlink=$(dirname "$aq71")/zqlink

[[ -x $aq71 ]] || { echo "no aq71 at $aq71 (build it with -DCMAKE_BUILD_TYPE=Release)" >&2; exit 2; }
[[ -x $zqlink ]] || { echo "no zqlink next to aq71 at $zqlink" >&2; exit 2; }
for tool in avr-as avr-ld avr-objcopy avra od /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool not installed" >&2; exit 2; }
done

work=$(mktemp -d /tmp/asm_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# One list, three dialects: a label every 16 lines, branches back to the last label.
# Fields: aq71 line | GNU line | avra line.
awk -v n="$lines" -v dir="$work" '
BEGIN {
  aq = dir "/b.s71"; gnu = dir "/b.s"; avra = dir "/b.asm"
  print " ASEG" > aq; print " .text" > gnu; print ".device ATmega2560" > avra
  split("LDI R16,0x12|MOV R1,R2|ADD R3,R4|ADC R5,R6|SUB R17,R18|AND R19,R20|OR R21,R22|EOR R23,R24|" \
        "INC R25|DEC R26|LSL R27|ROL R28|LD R16,X+|ST Y+,R17|IN R16,0x3F|OUT 0x3F,R16|SBI 0x05,1|" \
        "CBI 0x05,2|PUSH R29|POP R29|SWAP R30|CPI R31,0x40|ANDI R16,0x0F|ORI R17,0xF0|NOP", ops, "|")
  nops = length(ops)
  label = 0
  for (i = 0; i < n; ++i) {
    if (i % 16 == 0) {
      ++label
      printf "L%d:\n", label >> aq; printf "L%d:\n", label >> gnu; printf "L%d:\n", label >> avra
    }
    k = i % 16
    if (k == 7) line = "RJMP L" label
    else if (k == 11) line = "BRNE L" label
    else if (k == 13) line = "RCALL L" label
    else line = ops[(i * 7) % nops + 1]
    gl = tolower(line); sub(/,/, ", ", gl)
    print " " line >> aq; print " " gl >> gnu; print " " gl >> avra
  }
  print " END" >> aq
}'

# Every form of the instruction table, in the table's order (the profile training takes them in
# an order and with operands of its own).
awk -v n="$lines" -v seed=1 -v aq="$work/t.s71" -v gnu="$work/t.s" -f "$root/assembler/profile/instruction_mix.awk"

# The chain of twelve conditional arms, as the contact macros of the macro library have it.
awk -v n="$calls" -v dir="$work" '
BEGIN {
  split("EQ NE GT LT GE LE DEQ DNE DGT DLT DGE DLE", arms, " ")
  aq = dir "/c.s71"; gnu = dir "/c.s"
  print " RSEG CODE" > aq; print " .text" > gnu
  print "CHAIN   MACRO" >> aq
  print ".macro chain a, b" >> gnu
  for (k = 1; k <= 12; ++k) {
    printf "        %s \"\\1\" = \"%s\"\n", (k == 1 ? "IF    " : "ELSEIF"), arms[k] >> aq
    for (j = 0; j < 3; ++j) print "                NOP" >> aq
    printf "%*s.ifc \\a,%s\n", 2 * k, "", arms[k] >> gnu
    for (j = 0; j < 3; ++j) printf "%*snop\n", 2 * k + 2, "" >> gnu
    printf "%*s.else\n", 2 * k, "" >> gnu
  }
  print "        ELSE" >> aq
  print "                LDS     R16,\\1" >> aq
  print "                BST     R16,\\2" >> aq
  print "                BLD     R17,7" >> aq
  print "        ENDIF" >> aq
  print "        ENDM" >> aq
  printf "%*slds r16,\\a\n%*sbst r16,\\b\n%*sbld r17,7\n", 26, "", 26, "", 26, "" >> gnu
  for (k = 12; k >= 1; --k) printf "%*s.endif\n", 2 * k, "" >> gnu
  print ".endm" >> gnu
  for (i = 0; i < n; ++i) {
    a = 256 + (i * 37) % 3000; b = i % 8
    printf "        CHAIN   %d,%d\n", a, b >> aq
    printf "        chain %d,%d\n", a, b >> gnu
  }
  print " END" >> aq
}'

# The macro program: a macro of a few lines with a LOCAL label, called $macros times.
awk -v n="$macros" -v dir="$work" '
BEGIN {
  f = dir "/m.s71"
  print " ASEG" > f
  print "DELAY MACRO count" >> f; print " LOCAL again" >> f; print " LDI R16,count" >> f
  print "again: DEC R16" >> f; print " BRNE again" >> f; print " ENDM" >> f
  for (i = 0; i < n; ++i) printf " DELAY %d\n", i % 200 + 1 >> f
  print " END" >> f
}'

# alternate NAME...: each NAME is an array holding a command; the commands run in turn, $runs
# rounds. Then "SECONDS KIB" per NAME (in that order): the median wall time and the median peak
# memory of its runs. A failing command stops the benchmark, except avra (which refuses a
# program larger than the device's flash): its figures are then "failed".
alternate() {
  local r n
  for n in "$@"; do : >"$work/$n.times"; done
  for ((r = 0; r < runs; ++r)); do
    for n in "$@"; do
      [[ -f $work/$n.failed ]] && continue
      local -n cmd=$n
      # Wall time to the millisecond (time's own %e has hundredths only), peak memory from time.
      local start end
      start=$(date +%s%N)
      if ! /usr/bin/time -f '%M' -o "$work/time.txt" "${cmd[@]}" >/dev/null 2>&1; then
        [[ ${cmd[0]} == avra ]] || { echo "failed: ${cmd[*]}" >&2; exit 1; }
        touch "$work/$n.failed"
      fi
      end=$(date +%s%N)
      unset -n cmd
      awk -v ns=$((end - start)) '{ printf "%.3f %s\n", ns / 1e9, $1 }' "$work/time.txt" >>"$work/$n.times"
    done
  done
  for n in "$@"; do
    if [[ -f $work/$n.failed ]]; then
      echo "failed failed"
      continue
    fi
    local t m
    t=$(awk '{ print $1 }' "$work/$n.times" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { print; exit }')
    m=$(awk '{ print $2 }' "$work/$n.times" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { print; exit }')
    echo "$t $m"
  done
}

# The code bytes of an aq71 object and of a GNU object, one hexadecimal byte a line.
aq71_code() { "$zqlink" --dump "$1" | awk '$3 ~ /^code/ { for (i = 4; i <= NF; ++i) print tolower($i) }'; }
gnu_code() {
  avr-objcopy -j .text -O binary "$1" "$work/gnu.bin"
  od -An -v -tx1 "$work/gnu.bin" | tr -s ' ' '\n' | sed '/^$/d'
}

cd "$work"
aq_instr=("$aq71" b -v6 -S)
as_instr=(avr-as -mmcu=avr6 b.s -o b.o)
avra_instr=(avra b.asm)
aq_table=("$aq71" t -v6 -S)
as_table=(avr-as -mmcu=avr6 t.s -o t.o)
aq_chain=("$aq71" c -v6 -S)
as_chain=(avr-as -mmcu=avr6 c.s -o c.o)
aq_mac=("$aq71" m -v6 -S)
aq_lst=("$aq71" m -v6 -S -l m.lst)

{ read -r t_aq m_aq; read -r t_as m_as; read -r t_avra m_avra; } < <(alternate aq_instr as_instr avra_instr)
bytes=$(stat -c %s b.r71)
{ read -r t_taq m_taq; read -r t_tas m_tas; } < <(alternate aq_table as_table)
avr-ld -mavr6 -Ttext=0 t.o -o t.elf
if cmp -s <(aq71_code t.r71) <(gnu_code t.elf); then table_same="byte-equal"; else table_same="DIFFERENT"; fi
{ read -r t_caq m_caq; read -r t_cas m_cas; } < <(alternate aq_chain as_chain)
if cmp -s <(aq71_code c.r71) <(gnu_code c.o); then same="byte-equal"; else same="DIFFERENT"; fi
{ read -r t_mac m_mac; read -r t_lst m_lst; } < <(alternate aq_mac aq_lst)

echo "instruction lines: $lines (aq71 object: $bytes bytes), median of $runs alternated runs"
printf '%-8s %8s s %8s KiB\n' aq71 "$t_aq" "$m_aq" avr-as "$t_as" "$m_as" avra "$t_avra" "$m_avra"
awk -v q="$t_aq" -v s="$t_as" -v v="$t_avra" -v mq="$m_aq" -v ms="$m_as" 'BEGIN {
  printf "ratio aq71/avr-as: %.2f   aq71/avra: %s   memory aq71/avr-as: %.2f\n", q / s,
         v == "failed" ? "-" : sprintf("%.2f", q / v), mq / ms }'
echo "every form of the instruction table: $lines lines, median of $runs alternated runs (code $table_same)"
printf '%-8s %8s s %8s KiB\n' aq71 "$t_taq" "$m_taq" avr-as "$t_tas" "$m_tas"
awk -v q="$t_taq" -v s="$t_tas" -v mq="$m_taq" -v ms="$m_tas" \
  'BEGIN { printf "ratio aq71/avr-as: time %.2f   memory %.2f\n", q / s, mq / ms }'
echo "12-arm IF/ELSEIF chain macro, $calls calls, median of $runs alternated runs (code $same)"
printf '%-8s %8s s %8s KiB\n' aq71 "$t_caq" "$m_caq" avr-as "$t_cas" "$m_cas"
awk -v q="$t_caq" -v s="$t_cas" -v mq="$m_caq" -v ms="$m_cas" \
  'BEGIN { printf "ratio aq71/avr-as: time %.2f   memory %.2f\n", q / s, mq / ms }'
echo "macro calls: $macros, median of $runs alternated runs"
printf '%-16s %8s s %8s KiB\n' "without listing" "$t_mac" "$m_mac" "with listing" "$t_lst" "$m_lst"
[[ $same == byte-equal ]] || { echo "the chain's code differs from avr-as's" >&2; exit 1; }
[[ $table_same == byte-equal ]] || { echo "the instruction table's code differs from avr-as's" >&2; exit 1; }
