#!/usr/bin/env bash
# Benchmark of the build road: Auto up to the download image for a full 1,200-row ladder
# (median of 5) and the simulated scan time of that program. Builds the release tree first.
#   tools/bench/build_bench.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
top=$(pwd)
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=true
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$top/build/release" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQV_TESTS=OFF >/dev/null
cmake --build "$top/build/release" -j "${JOBS:-4}" --target auto_bench aq71 zqlink zqv_runtime_files >/dev/null
"$top/build/release/bench/auto_bench" "$top/build/release/bin"
