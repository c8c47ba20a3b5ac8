#!/usr/bin/env bash
# Quick start for a fresh Debian 12 machine (run as root or with sudo).
#   tools/quickstart.sh run    install what is missing, build, run the program's main job
#   tools/quickstart.sh test   install what is missing, build, run the whole test suite
#                              (plain, ASan+UBSan, TSan, bounded fuzzing); non-zero on any failure
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-run}
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev umockdev libumockdev-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libfontconfig-dev libudev-dev libglib2.0-dev libxi-dev libx11-dev
  xvfb xdotool fonts-dejavu-core fonts-wqy-microhei
  dpkg-dev lintian desktop-file-utils systemd groff-base ccache
  libxcb1-dev weston qt6-wayland xwayland appstream openbox x11-utils
  at-spi2-core dbus python3-pyatspi gir1.2-atspi-2.0
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# phase <name>: starts a timed phase; the times are listed at the end.
phases=()
phase_start=$(date +%s)
phase() {
  local now
  now=$(date +%s)
  [ -n "${phase_name:-}" ] && phases+=("$(printf '%4d s  %s' $((now - phase_start)) "$phase_name")")
  phase_name=$1
  phase_start=$now
  if [ -n "$1" ]; then echo "== $1"; fi
}

# build <folder> [cmake options...]
build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

run_ctest() {
  local dir=$1
  shift
  # Sanitizer runtimes need a fixed memory layout; kernels with high mmap
  # randomisation break TSan, so the suites run without address randomisation.
  setarch "$(uname -m)" -R ctest --test-dir "$root/$dir" --output-on-failure -j "$jobs" "$@"
}

install_missing

# Compiler cache: the three builds and the fuzz build of one machine share it,
# and paths are hashed relative to the source folder, so a fresh clone in
# another folder still finds what an earlier run compiled.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
fi


case "$mode" in
  run)
    build build
    # Without the mouse, the program runs with the simulated one (see README).
    if [ -z "${ORV_SIMULATED_MOUSE:-}" ] && ! grep -qsi '000018F8:00001086' /sys/bus/hid/devices/*/uevent; then
      export ORV_SIMULATED_MOUSE=${XDG_RUNTIME_DIR:-/tmp}/orv-simulated-mouse
      mkdir -p "$ORV_SIMULATED_MOUSE"
      echo "== no KTR-580 mouse found: using the simulated mouse in $ORV_SIMULATED_MOUSE"
      echo "   (reports go to feature.log, desktop settings to host.log; drive it with build/tools/sim/orv_sim)"
    fi
    exec "$root/build/portable/ORV_ZIduzu"
    ;;
  test)
    started=$(date +%s)
    phase "plain build"
    build build
    phase "plain tests"
    run_ctest build
    # The sanitizer builds copy the skin the plain build drew.
    phase "ASan + UBSan build"
    build build-asan -DORV_SANITIZER=address -DORV_BUILD_BENCH=OFF -DORV_SKIN_FROM="$root/build/portable/skins"
    phase "ASan + UBSan tests"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest build-asan
    phase "TSan build"
    build build-tsan -DORV_SANITIZER=thread -DORV_BUILD_BENCH=OFF -DORV_SKIN_FROM="$root/build/portable/skins"
    phase "TSan tests"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp run_ctest build-tsan
    phase "fuzzing (bounded)"
    "$root/tools/run-fuzzers.sh" "${ORV_FUZZ_SECONDS:-20}"
    phase ""
    printf '%s\n' "${phases[@]}"
    echo "== all suites passed in $(( $(date +%s) - started )) s"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
