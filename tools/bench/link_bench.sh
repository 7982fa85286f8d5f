#!/usr/bin/env bash
# Times the link over a pseudo-terminal against zqvsim with wire pacing (19200 baud):
# a 32 KiB read-back, then download + checksum + verify of a 32 KiB image, RUNS times
# (default 3) each with a fresh module, and their median ratio to the wire time.
#   tools/bench/link_bench.sh [BUILD_BIN_DIR] [RUNS]   (default build/release/bin, 3)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build/release/bin}
runs=${2:-3}
work=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; rm -rf "$work"' EXIT

start_sim() {
  rm -f "$work/out"
  "$bin/zqvsim" --pace --control "$work/control" > "$work/out" &
  sim=$!
  for _ in $(seq 100); do [ -s "$work/out" ] && break; sleep 0.05; done
  device=$(head -n1 "$work/out")
}
stop_sim() {
  kill $sim; wait $sim 2>/dev/null || true
  sim=
}

echo "load: $(uptime)"
start_sim
"$bin/zqv_link_bench" readback "$device" 32768
stop_sim

# A 32 KiB image: program bytes with their length at 8..9, no archive (0xFF 0xFF).
image="$work/ZQVREM.\$\$\$"
head -c 32768 /dev/urandom > "$image"
printf '\x00\x80' | dd of="$image" bs=1 seek=8 conv=notrunc status=none
printf '\xff\xff' >> "$image"
ratios=()
for _ in $(seq "$runs"); do
  start_sim
  line=$("$bin/zqv_link_bench" download "$device" "$work")
  stop_sim
  echo "$line"
  ratios+=("$(sed -n 's/.*ratio \([0-9.]*\).*/\1/p' <<<"$line")")
done
echo "download + checksum + verify: median ratio $(printf '%s\n' "${ratios[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p") of $runs runs"
echo "load: $(uptime)"
