#!/usr/bin/env bash
# Listing benchmark of aq71: what a listing adds to an assembly.
#  1. Nested repeat blocks: COPIES copies (default 16) of a 12-deep nest of REPT 2 around one NOP,
#     assembled without and with a listing; the listing should cost at most 4 times the time
#     without it. With SWEEP=1 also 2, 4 and 8 copies, to see how the time grows.
#  2. A macro whose body is a 12-arm IF/ELSEIF chain of string tests before the plain arm, called
#     MACROS times (default 20000): without a listing, with a listing, and with a listing while
#     LSTOUT- lists almost nothing (the cost of the listing's bookkeeping and final report).
# Each run is repeated RUNS times (default 5), the kinds alternating; the median wall time counts
# and the peak resident memory of that run is shown.
#
#   tools/bench/listing_bench.sh [AQ71_BINARY] [COPIES] [RUNS] [MACROS]
#
# AQ71_BINARY defaults to build/bench/bin/aq71 of the source tree (a Release build).
set -euo pipefail

# shellcheck source=aq71_bench_common.sh
source "$(dirname "$0")/aq71_bench_common.sh"
aq71=$(bench_aq71 "${1:-}")
copies=${2:-16}
runs=${3:-5}
macros=${4:-20000}

work=$(mktemp -d /tmp/listing_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

nest() {  # nest COPIES FILE
  awk -v n="$1" 'BEGIN {
    print " RSEG CODE"
    for (c = 0; c < n; ++c) {
      for (d = 0; d < 12; ++d) print " REPT 2"
      print " NOP"
      for (d = 0; d < 12; ++d) print " ENDR"
    }
    print " END"
  }' >"$2"
}

chain() {  # chain CALLS FILE [FIRST_LINE]
  awk -v n="$1" -v first="${3:-}" 'BEGIN {
    if (first != "") print first
    print " RSEG CODE"
    print "VV EQU 100H"
    print "CHAIN MACRO"
    split("EQ NE GT LT GE LE AA BB CC DD EE FF", arms, " ")
    for (i = 1; i <= 12; ++i) {
      printf " %s \"\\1\" = \"%s\"\n", (i == 1 ? "IF" : "ELSEIF"), arms[i]
      print " NOP"; print " NOP"; print " NOP"
    }
    print " ELSE"
    print " LDS R16,\\1"; print " BST R16,\\2"; print " BLD R17,0"
    print " ENDIF"
    print " ENDM"
    for (i = 0; i < n; ++i) printf " CHAIN VV+%d,%d\n", i % 50, i % 8
    print " END"
  }' >"$2"
}

# One run: "SECONDS KIB" of aq71 with the arguments.
one() {
  /usr/bin/time -f '%e %M' -o time.txt "$aq71" "$@" -v6 -S >/dev/null 2>&1 || { echo "failed: aq71 $*" >&2; exit 1; }
  cat time.txt
}

# median KIND...: each kind is a file of results; prints "SECONDS KIB" of the median run per kind.
median_of() {
  sort -n "$1" | awk -v n="$runs" 'NR == int((n + 1) / 2) { print; exit }'
}

# Alternates the runs of the given kinds ("name|arguments"), then prints each kind's median.
bench() {
  local kind r
  for kind in "$@"; do : >"${kind%%|*}.times"; done
  for ((r = 0; r < runs; ++r)); do
    for kind in "$@"; do
      # shellcheck disable=SC2086
      one ${kind#*|} >>"${kind%%|*}.times"
    done
  done
  for kind in "$@"; do
    read -r t m < <(median_of "${kind%%|*}.times")
    printf '  %-28s %8s s %8s KiB\n' "${kind%%|*}" "$t" "$m"
  done
}

sizes=("$copies")
[[ ${SWEEP:-0} == 1 ]] && sizes=(2 4 8 "$copies")
echo "aq71: $aq71   load: $(cut -d' ' -f1-3 /proc/loadavg)"
for n in "${sizes[@]}"; do
  nest "$n" "nest$n.s71"
  echo "nested REPT, $n copies of 12 levels, median of $runs runs"
  bench "nest$n-without-listing|nest$n.s71 -o n.r71" "nest$n-with-listing|nest$n.s71 -o n.r71 -l n.lst"
  awk -v a="$(median_of "nest$n-without-listing.times" | cut -d' ' -f1)" \
    -v b="$(median_of "nest$n-with-listing.times" | cut -d' ' -f1)" \
    'BEGIN { printf "  listing/no listing: %.2f (goal <= 4)\n", (a > 0 ? b / a : 0) }'
done

chain "$macros" chain.s71
chain "$macros" quiet.s71 " LSTOUT-"
echo "IF/ELSEIF chain macro, $macros calls, median of $runs runs"
bench "chain-without-listing|chain.s71 -o c.r71" "chain-with-listing|chain.s71 -o c.r71 -l c.lst" \
  "chain-LSTOUT-|quiet.s71 -o q.r71 -l q.lst"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
