#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds per target, default 20) on a copy of its seed corpus. Exits non-zero
# when a target finds a crash; the crashing input is left in build-fuzz/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
out="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DORV_BUILD_FUZZ=ON -DORV_BUILD_TESTS=OFF \
  -DORV_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j "$(nproc)"

status=0
for bin in "$out"/tests/fuzz/*_fuzz; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin" _fuzz)
  seeds="$root/tests/fuzz/corpus/$name"
  work="$out/corpus/$name"
  mkdir -p "$work"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "-- fuzzing $name for ${seconds}s"
  if ! (cd "$out" && setarch "$(uname -m)" -R "$bin" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        "$work" 2>"$out/$name.log"); then
    tail -n 40 "$out/$name.log"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$out/$name.log" | tr '\n' ' '
    echo
  fi
done
exit $status
