#!/usr/bin/env bash
# Builds the benchmarks (optimised, no sanitizers) and runs them all.
# Extra arguments go to each benchmark binary, e.g. --benchmark_filter=Apply.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" -j "$(nproc)"
for bin in "$root"/build-bench/bench/*_bench; do
  echo "== $(basename "$bin")"
  if [ -z "${DISPLAY:-}" ]; then
    "$root/tools/xvfb.sh" "$bin" "$@"
  else
    "$bin" "$@"
  fi
done
