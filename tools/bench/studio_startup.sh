#!/usr/bin/env bash
# Start-up time of the studio to its first painted window, on a virtual display.
#   tools/bench/studio_startup.sh [BIN_DIR] [RUNS]
# BIN_DIR defaults to build/release/bin (./run studio builds it). Each run starts zqvstudio with
# an empty settings file; the studio reports its first paint (time since main) and ends. The
# wall time includes loading the program and its libraries.
set -euo pipefail
cd "$(dirname "$0")/../.."
bin=${1:-build/release/bin}
runs=${2:-10}
[ -x "$bin/zqvstudio" ] || { echo "no $bin/zqvstudio; build first (./run studio)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/runs.sh" <<'RUNS'
set -euo pipefail
bin=$1 runs=$2 work=$3
for i in $(seq "$runs"); do
  rm -f "$work/ZQVSTUDIO.INI"
  start=$(date +%s%N)
  line=$(ZQVSTUDIO_INI="$work/ZQVSTUDIO.INI" ZQVSTUDIO_FIRST_PAINT=1 "$bin/zqvstudio" 2>&1 | grep 'first paint' || true)
  end=$(date +%s%N)
  echo "run $i: wall $(( (end - start) / 1000000 )) ms, $line"
done
RUNS
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/runs.sh" "$bin" "$runs" "$work" | tee "$work/out"
awk '/wall/ { gsub("ms,", "", $4); n++; s += $4; if (min == "" || $4 < min) min = $4; if ($4 > max) max = $4 }
     END { if (n) printf "wall time over %d runs: mean %.0f ms, min %d ms, max %d ms\n", n, s / n, min, max }' "$work/out"
