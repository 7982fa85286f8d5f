#!/usr/bin/env bash
# Assembler benchmark: one generated program of LINES instruction lines (default 100000) in three
# dialects from one instruction list, assembled by aq71 (-v6, object only), avr-as (-mmcu=avr6)
# and avra (ATmega2560). Each is run RUNS times (default 5); the median wall time counts, and the
# peak resident memory of the median run is shown. Then aq71 alone on MACROS macro calls
# (default 20000), without and with a listing.
#
#   tools/bench/asm_bench.sh [AQ71_BINARY] [LINES] [RUNS] [MACROS]
#
# AQ71_BINARY defaults to build/bench/bin/aq71 of the source tree (a Release build).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
aq71=$(realpath "${1:-$root/build/bench/bin/aq71}")
lines=${2:-100000}
runs=${3:-5}
macros=${4:-20000}

[[ -x $aq71 ]] || { echo "no aq71 at $aq71 (build it with -DCMAKE_BUILD_TYPE=Release)" >&2; exit 2; }
for tool in avr-as avra /usr/bin/time; do
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

# command...: "SECONDS KIB", the median wall time of $runs runs and the peak memory of that run.
median() {
  local r out=()
  for ((r = 0; r < runs; ++r)); do
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    out+=("$(cat "$work/time.txt")")
  done
  printf '%s\n' "${out[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { print; exit }'
}

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

cd "$work"
read -r t_aq m_aq < <(median "$aq71" b -v6 -S)
read -r t_as m_as < <(median avr-as -mmcu=avr6 b.s -o b.o)
read -r t_avra m_avra < <(median avra b.asm)
bytes=$(stat -c %s b.r71)
read -r t_mac m_mac < <(median "$aq71" m -v6 -S)
read -r t_lst m_lst < <(median "$aq71" m -v6 -S -l m.lst)

echo "instruction lines: $lines (aq71 object: $bytes bytes), median of $runs runs"
printf '%-8s %8s s %8s KiB\n' aq71 "$t_aq" "$m_aq" avr-as "$t_as" "$m_as" avra "$t_avra" "$m_avra"
awk -v q="$t_aq" -v s="$t_as" -v v="$t_avra" -v mq="$m_aq" -v ms="$m_as" \
  'BEGIN { printf "ratio aq71/avr-as: %.2f   aq71/avra: %.2f   memory aq71/avr-as: %.2f\n", q / s, q / v, mq / ms }'
echo "macro calls: $macros, median of $runs runs"
printf '%-16s %8s s %8s KiB\n' "without listing" "$t_mac" "$m_mac" "with listing" "$t_lst" "$m_lst"
