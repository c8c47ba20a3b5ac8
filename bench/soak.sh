#!/usr/bin/env bash
# Soak run of the real program: under a private X server with the simulated
# mouse, button 4 plays a one-key macro PLAYS times (triggered through the input
# FIFO, each play waited for), and the Apply button is clicked APPLIES times.
# The program's resident memory is sampled as it goes. Reports the memory
# growth after warm-up and the feature reports lost or malformed.
#   bench/soak.sh [build folder] [plays] [applies]     (defaults: build 10000 1000)
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
plays=${2:-10000}
applies=${3:-1000}
rounds=10

work=$(mktemp -d /tmp/orv-soak.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$root/tools/xvfb.sh"
source "$root/tests/e2e/hits.sh"
orv_start_xvfb "$work/xvfb.log" || exit 1
pids+=("$ORV_XVFB_PID")
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS

app=$work/app
cp -r "$build/portable" "$app"
sim=$work/sim
mkdir "$sim"
config=$app/skins/config/config.ini
# A user macro of one key press, and button 4 (wire code 4) playing it.
cat >"$work/macro.txt" <<'MACRO'
macro Soak
mode once
repeat 1
A down 15
end
MACRO
"$build/tools/macro_pack/orv_macro_pack" "$work/macro.txt" "$app/Macro_EN.dat" || exit 1
sed -i -E 's/^K4=.*/K4=41/; s/^VER_SEL=.*/VER_SEL=1/; s/^CurConfig=.*/CurConfig=1/' "$config"

lines() { if [ -f "$sim/feature.log" ]; then wc -l <"$sim/feature.log"; else echo 0; fi; }
wait_lines() { # wait_lines <count>: false after 10 s without them
  local end=$((SECONDS + 10))
  while [ "$(lines)" -lt "$1" ]; do
    ((SECONDS > end)) && return 1
    sleep 0.002
  done
}
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status"; }

ORV_SIMULATED_MOUSE=$sim "$app/ORV_ZIduzu" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
wait_lines 22 || { echo "the program did not start"; exit 1; }
window=$(xdotool search --sync --name '^KTR-580 GAMING MOUSE$' | head -1)
layout=$app/skins/INI_EN/skin_main_en.ini
apply_at=$(grep -m1 "^$(hit main kApply)=" "$layout" | cut -d= -f2 | awk -F, '{ printf "%d %d", $2 + $4 / 2, $3 + $5 / 2 }')
exec 3>"$sim/input"

expected=22
lost_waits=0
warm=""
echo "round plays applies rss_kib"
for round in $(seq "$rounds"); do
  for _ in $(seq $((plays / rounds))); do
    echo "06 F4 01" >&3
    echo "06 F4 80" >&3
    expected=$((expected + 3))  # key down, then all buttons up, all keys up
    wait_lines "$expected" || lost_waits=$((lost_waits + 1))
  done
  for _ in $(seq $((applies / rounds))); do
    # shellcheck disable=SC2086
    xdotool mousemove --window "$window" $apply_at click 1
    expected=$((expected + 22))
    wait_lines "$expected" || lost_waits=$((lost_waits + 1))
  done
  rss=$(rss_kib)
  [ -z "$warm" ] && warm=$rss
  echo "$round $((round * plays / rounds)) $((round * applies / rounds)) $rss"
done
exec 3>&-
kill -TERM "$app_pid"
wait "$app_pid" 2>/dev/null
expected=$((expected + 1))  # the host-exit report

actual=$(lines)
malformed=$(grep -cvE '^07( [0-9A-F]{2}){7}$' "$sim/feature.log")
key_downs=$(grep -c '^07 15 04 00 00 00 00 00$' "$sim/feature.log")
echo "resident memory after warm-up ${warm} KiB, at the end ${rss} KiB: growth $((rss - warm)) KiB"
echo "feature reports: expected $expected, sent $actual, lost $((expected - actual)), malformed $malformed"
echo "macro plays seen on the wire: $key_downs of $plays; waits that timed out: $lost_waits"
[ "$actual" -eq "$expected" ] && [ "$malformed" -eq 0 ] && [ "$key_downs" -eq "$plays" ]
