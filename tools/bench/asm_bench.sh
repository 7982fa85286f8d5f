#!/usr/bin/env bash
# Assembler benchmark: one generated program of LINES instruction lines (default 100000) in three
# dialects from one instruction list, assembled by aq71 (-v6, object only), avr-as (-mmcu=avr6)
# and avra (ATmega2560). Each is run RUNS times (default 3); the best wall time counts.
#
#   tools/bench/asm_bench.sh [AQ71_BINARY] [LINES] [RUNS]
#
# AQ71_BINARY defaults to build/bench/bin/aq71 of the source tree (a Release build).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
aq71=$(realpath "${1:-$root/build/bench/bin/aq71}")
lines=${2:-100000}
runs=${3:-3}

[[ -x $aq71 ]] || { echo "no aq71 at $aq71 (build it with -DCMAKE_BUILD_TYPE=Release)" >&2; exit 2; }
for tool in avr-as avra; do
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

now() { date +%s.%N; }
best() {  # command...: best wall time of $runs runs, in seconds
  local b="" t0 t1 d
  for ((r = 0; r < runs; ++r)); do
    t0=$(now); "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; t1=$(now)
    d=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
    if [[ -z $b ]] || awk -v d="$d" -v b="$b" 'BEGIN { exit !(d < b) }'; then b=$d; fi
  done
  printf '%.3f' "$b"
}

cd "$work"
t_aq=$(best "$aq71" b -v6 -S)
t_as=$(best avr-as -mmcu=avr6 b.s -o b.o)
t_avra=$(best avra b.asm)
bytes=$(stat -c %s b.r71)

echo "instruction lines: $lines (aq71 object: $bytes bytes), best of $runs runs"
printf '%-8s %8s s\n' aq71 "$t_aq" avr-as "$t_as" avra "$t_avra"
awk -v q="$t_aq" -v s="$t_as" -v v="$t_avra" \
  'BEGIN { printf "ratio aq71/avr-as: %.2f   aq71/avra: %.2f\n", q / s, q / v }'

