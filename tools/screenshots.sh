#!/usr/bin/env bash
# Screenshots of the program's three pages in English and Turkish, taken from
# the real window under Xvfb with the simulated mouse, on a copy of the
# portable folder (nothing of the build is changed).
#   tools/screenshots.sh [build folder] [output folder]
# Defaults: build/ and <build folder>/screenshots/. Needs Xvfb and xdotool.
# Writes main_en.png, advanced_en.png, color_en.png, main_tr.png, advanced_tr.png, color_tr.png.
# With ORV_SCREENSHOT_SCALE=2 the window is shown at twice the size (the 2x
# pictures, as on a dense screen) and the names end in @2x.png.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-$build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

desktop=$build/tests/e2e/orv_test_desktop
grab=$build/tests/e2e/orv_screen_grab
for f in "$build/portable/ORV_ZIduzu" "$desktop" "$grab"; do
  [ -x "$f" ] || { echo "missing $f: build the project (with tests) first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/orv-shots.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

scale=${ORV_SCREENSHOT_SCALE:-1}
case $scale in
  1) suffix="" screen=1280x1024 ;;
  2) suffix="@2x" screen=2560x2048 ;;
  *) echo "ORV_SCREENSHOT_SCALE must be 1 or 2" >&2; exit 2 ;;
esac
rest="$(( ${screen%x*} - 10 )) $(( ${screen#*x} - 14 ))"  # where the pointer rests, off the window
export QT_SCALE_FACTOR=$scale

source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
ORV_XVFB_SCREEN=${screen}x24 orv_start_xvfb /dev/null
pids+=("$ORV_XVFB_PID")
"$desktop" >"$work/desktop.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/desktop.log" 2>/dev/null && break; sleep 0.05; done

export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
cp -r "$build/portable" "$work/app"
mkdir "$work/sim"
config=$work/app/skins/config/config.ini

centre() { # centre <layout file> <index>, in screen pixels
  grep -m1 "^$2=" "$1" | cut -d= -f2 | awk -F, -v s="$scale" '{ printf "%d %d", ($2 + $4 / 2) * s, ($3 + $5 / 2) * s }'
}

shoot() { # shoot <VER_SEL> <suffix> <main layout>
  local layout=$work/app/skins/$3
  sed -i "s/^VER_SEL=.*/VER_SEL=$1/" "$config"
  rm -f "$work/paint"
  ORV_SIMULATED_MOUSE=$work/sim ORV_FIRST_PAINT_FILE=$work/paint "$work/app/ORV_ZIduzu" >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 400); do [ -s "$work/paint" ] && break; sleep 0.05; done
  local wid
  wid=$(xdotool search --onlyvisible --name '^KTR-580 GAMING MOUSE$' | head -1)
  # The pointer rests outside the window, so no element shows its hover look.
  # shellcheck disable=SC2086
  xdotool mousemove $rest
  sleep 0.3
  "$grab" "$wid" "$out/main_$2$suffix.png"
  local page
  for page in advanced:10 color:11; do
    # shellcheck disable=SC2046
    xdotool mousemove --window "$wid" $(centre "$layout" "${page#*:}") click 1 sleep 0.1 mousemove $rest
    sleep 0.4
    "$grab" "$wid" "$out/${page%:*}_$2$suffix.png"
  done
  kill -TERM "$pid"
  wait "$pid" || true
}

shoot 1 en INI_EN/skin_main_en.ini
shoot 0 tr INI_CN/skin_main.ini
ls "$out"/*.png
