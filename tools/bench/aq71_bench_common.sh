# Shared by the aq71 benchmark scripts (sourced, not run).

# bench_aq71 [AQ71_BINARY]: the absolute path of the aq71 to measure, by default
# build/bench/bin/aq71 of the source tree (a Release build); stops when it or /usr/bin/time is missing.
bench_aq71() {
  local root path
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  path=$(realpath "${1:-$root/build/bench/bin/aq71}")
  [[ -x $path ]] || { echo "no aq71 at $path (build it with -DCMAKE_BUILD_TYPE=Release)" >&2; exit 2; }
  command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time not installed" >&2; exit 2; }
  echo "$path"
}
