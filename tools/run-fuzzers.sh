#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds per target, default 20) on a copy of its seed corpus, as many at
# once as there are processors. Exits non-zero
# when a target finds a crash; the crashing input is left in build-fuzz/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
out="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DORV_BUILD_FUZZ=ON -DORV_BUILD_TESTS=OFF \
  -DORV_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j "$(nproc)"

# fuzz <binary>: one target on its corpus; its report is printed when it ends.
fuzz() {
  local bin=$1 name seeds work
  name=$(basename "$bin" _fuzz)
  seeds="$root/tests/fuzz/corpus/$name"
  work="$out/corpus/$name"
  mkdir -p "$work"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  if ! (cd "$out" && setarch "$(uname -m)" -R "$bin" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        "$work" 2>"$out/$name.log"); then
    echo "-- $name found a crash:"
    tail -n 40 "$out/$name.log"
    return 1
  fi
  echo "-- $name, ${seconds}s: $(grep -E '^(stat::number_of_executed_units|Done)' "$out/$name.log" | tr '\n' ' ')"
}

# The targets run side by side, one per processor. Each is waited for by its
# own process id (a status "wait -n" may have reaped already is not lost); they
# all run equally long, so the oldest is the next to end.
status=0
pids=()
for bin in "$out"/tests/fuzz/*_fuzz; do
  [ -x "$bin" ] || continue
  if ((${#pids[@]} >= $(nproc))); then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
  fuzz "$bin" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
