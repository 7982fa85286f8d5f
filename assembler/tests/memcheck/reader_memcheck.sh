#!/usr/bin/env bash
# aq71 under valgrind's memcheck on sources that take every road of the line reader: the lines of
# problem reports read again from the source file, from includes (held descriptors and, past
# them, text read in), after macro calls, from FIFOs and from standard input; tabs at every
# column, continued lines, CR LF ends, lines past the 511-character limit, a last line without a
# line feed. Every run must be free of memcheck errors (valgrind's own exit code 99); the
# assembler's exit code is its own business here.
#
#   reader_memcheck.sh AQ71 [VALGRIND]
#
# AQ71 must be a build without the sanitizers (they do not run under valgrind).
set -euo pipefail

aq71=$(realpath "$1")
valgrind=${2:-valgrind}
command -v "$valgrind" >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }

work=$(mktemp -d /tmp/aq71_memcheck.XXXXXX)
writers=()
cleanup() {
  local pid
  for pid in "${writers[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
unset ASMQ71 AQ71_INC

runs=0
failed=0
# check NAME COMMAND...: runs the command (aq71 under memcheck), stdin and all, and counts it.
check() {
  local name=$1 rc=0
  shift
  timeout 120 "$@" >"$name.out" 2>&1 || rc=$?
  runs=$((runs + 1))
  if [[ $rc -eq 99 || $rc -ge 124 ]]; then
    failed=$((failed + 1))
    echo "FAILED: $name (exit $rc)"
    cat "$name.out"
  fi
}
memcheck=("$valgrind" -q --error-exitcode=99 "$aq71")

# long_line SUFFIX COUNT: a line the assembler reports on (a jump to the undefined LONG<SUFFIX>),
# made long by COUNT blanks and a comment of COUNT characters.
long_line() { printf ' RJMP LONG%s%*s; %s\n' "$1" "$2" '' "$(head -c "$2" /dev/zero | tr '\0' x)"; }

# Report lines after a macro call, on a tabbed line, and in the macro's own lines.
cat >macro.s71 <<'EOF'
  NAME t
  ASEG
  ORG 0
mm MACRO a
  LDI R16,a
  NOP
	RJMP	a
  ENDM
  mm 5
  mm UNDEF1
(  END
EOF
check macro "${memcheck[@]}" -v6 macro.s71

# Tabs at every column up to a tab stop, and with other tab widths; continued lines; CR LF; a
# line past the limit, with and without tabs; a last line without a line feed.
{
  echo ' ASEG'
  for i in 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
    printf '%*s\tRJMP\tTAB%d\t; tab after %d\n' "$i" '' "$i" "$i"
    printf 'L%d:%*s\tNOP\n' "$i" "$i" ''
  done
  printf ' RJMP\tCONT1 \\\n\t; continued\n'
  printf ' RJMP CRLF1\r\n'
  printf '\tRJMP\tCRLF2\t\r\n'
  long_line 1 520
  long_line 2 505
  long_line 3 2000
  printf '\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t RJMP TABLONG\n'
  printf '\tRJMP\tLAST'
} >tabs.s71
check tabs "${memcheck[@]}" -v6 tabs.s71
check tabs_t3 "${memcheck[@]}" -v6 -t3 tabs.s71 -l tabs.lst
check tabs_embedded "${memcheck[@]}" -v6 -re tabs.s71

# Includes: nested ones, the "$" form, and more distinct files than the run holds descriptors
# for (their text is read in), each with a report line; the last line of an include without a
# line feed.
printf '\tRJMP\tINC_A\n#include "b.inc"\n RJMP\tINC_A2' >a.inc
printf ' NOP\n\t\tRJMP\tINC_B\t; in b\n' >b.inc
printf '\tRJMP\tDOLLAR\n' >d.inc
{
  echo ' ASEG'
  echo '#include "a.inc"'
  echo '$d.inc'
  for i in $(seq 0 79); do
    printf '\tRJMP\tMANY%d\t; include %d\n' "$i" "$i" >"m$i.inc"
    echo "#include \"m$i.inc\""
  done
  echo '#include "a.inc"'
  echo ' END'
} >incs.s71
check includes "${memcheck[@]}" -v6 -E1000 -i incs.s71 -l incs.lst
# The first line read again lies in an include read in, at its end.
printf '\tRJMP\tTEXT1' >text.inc
{
  echo ' ASEG'
  for i in $(seq 0 79); do echo "#include \"n$i.inc\""; echo ' NOP' >"n$i.inc"; done
  echo '#include "text.inc"'
  echo ' END'
} >text.s71
check include_text "${memcheck[@]}" -v6 text.s71

# FIFOs as the source and as an include: their lines are kept as they are read.
mkfifo fifo.s71 fifo.inc
printf ' ASEG\n#include "fifo.inc"\n\tRJMP\tFIFO1\n END\n' >fifo.s71 &
writers+=($!)
printf ' NOP\n\tRCALL\tFIFO2\n' >fifo.inc &
writers+=($!)
check fifos "${memcheck[@]}" -v6 fifo.s71

# Standard input as the source, from a file and from a pipe.
check stdin_file "${memcheck[@]}" -v6 -G <tabs.s71
check stdin_pipe "${memcheck[@]}" -v6 -G < <(cat tabs.s71)

echo "$((runs - failed)) passed, $failed failed"
[[ $failed -eq 0 ]]
