#!/usr/bin/env bash
# Times the link over a pseudo-terminal against zqvsim with wire pacing (19200 baud):
# a 32 KiB read-back, then download + checksum + verify of a 32 KiB image.
#   tools/bench/link_bench.sh [BUILD_BIN_DIR]   (default build/release/bin)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build/release/bin}
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT

start_sim() {
  "$bin/zqvsim" --pace --control "$work/control" > "$work/out" &
  sim=$!
  for _ in $(seq 100); do [ -s "$work/out" ] && break; sleep 0.05; done
  device=$(head -n1 "$work/out")
}

start_sim
"$bin/zqv_link_bench" readback "$device" 32768
kill $sim; wait $sim 2>/dev/null || true

# A 32 KiB image: program bytes with their length at 8..9, no archive (0xFF 0xFF).
image="$work/ZQVREM.\$\$\$"
head -c 32768 /dev/urandom > "$image"
printf '\x00\x80' | dd of="$image" bs=1 seek=8 conv=notrunc status=none
printf '\xff\xff' >> "$image"
start_sim
"$bin/zqv_link_bench" download "$device" "$work"
