#!/usr/bin/env bash
# Screenshots of the program's three pages in English and Turkish, taken from
# the real window under Xvfb with the simulated mouse, on a copy of the
# portable folder (nothing of the build is changed).
#   tools/screenshots.sh [build folder] [output folder]
# Defaults: build/ and <build folder>/screenshots/. Needs Xvfb and xdotool.
# Writes, for en and tr: main_*.png, advanced_*.png, color_*.png, and the popups
# menu_*.png (function menu, row 3 hovered), submenu_*.png (second-level menu
# of the media keys), warning_*.png (the last-left-click warning) and
# context_*.png (the event list's context menu with two submenus open) and
# tray_*.png (the tray menu, first item selected, over the test desktop's tray).
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
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/hits.sh"
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

# geometry <window>: its x y width height on the screen.
geometry() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  echo "$X $Y $WIDTH $HEIGHT"
}
popup() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
wait_popup() { for _ in $(seq 100); do [ -n "$(popup "$1")" ] && return 0; sleep 0.05; done; return 1; }
# grab_area <out> <x> <y> <width> <height>: a part of the screen.
grab_area() { "$grab" 0 "$1" "$2" "$3" "$4" "$5"; }

popups() { # popups <window> <suffix> <main layout>
  local wid=$1 layout=$3 mx my mw mh menu
  read -r mx my mw mh < <(geometry "$wid")
  local row=26
  # shellcheck disable=SC2046
  xdotool mousemove --window "$wid" $(centre "$layout" "$(button_entry 4)") click 1
  wait_popup MainMenuDlg
  menu=$(popup MainMenuDlg)
  xdotool mousemove --window "$menu" 95 $((2 * row + 13))
  sleep 0.3
  local x y w h
  read -r x y w h < <(geometry "$menu")
  grab_area "$out/menu_$2.png" $((x - 40)) $((y - 60)) $((w + 80)) $((h + 80))
  xdotool mousemove --window "$menu" 95 $((7 * row + 13))
  wait_popup SubMenuDlg
  xdotool mousemove --window "$(popup SubMenuDlg)" 105 $((3 * row + 13))
  sleep 0.3
  grab_area "$out/submenu_$2.png" $((x - 40)) $((y - 3 * row)) $((w + 260)) $((h + 4 * row))
  # A press elsewhere on the page closes the menus.
  # shellcheck disable=SC2046
  xdotool mousemove --window "$wid" $(centre "$layout" "$(hit main kMainTab)") click 1 sleep 0.2
  # Button 0 holds the only left click of the first profile: the warning shows.
  # shellcheck disable=SC2046
  xdotool mousemove --window "$wid" $(centre "$layout" "$(button_entry 0)") click 1
  wait_popup WarningDlg
  xdotool mousemove --window "$(popup WarningDlg)" 120 120
  sleep 0.3
  read -r x y w h < <(geometry "$(popup WarningDlg)")
  grab_area "$out/warning_$2.png" $((x - 40)) $((y - 60)) $((w + 80)) $((h + 80))
  xdotool mousemove --window "$(popup WarningDlg)" 260 120 click 1 sleep 0.2
  xdotool mousemove 1270 1010
  sleep 0.2
}

context_menu() { # context_menu <window> <suffix>: on the Advanced page
  local wid=$1 x y w h
  read -r x y w h < <(geometry "$wid")
  local px=$((x + 300)) py=$((y + 200))
  xdotool mousemove "$px" "$py" click 3 sleep 0.4
  xdotool mousemove $((px + 20)) $((py + 10)) sleep 0.6
  xdotool mousemove $((px + 96 + 20)) $((py + 10)) sleep 0.6
  xdotool mousemove $((px + 96 + 104 + 20)) $((py + 10)) sleep 0.4
  grab_area "$out/context_$2.png" $((px - 30)) $((py - 30)) 420 160
  xdotool key Escape sleep 0.1 key Escape sleep 0.1 key Escape sleep 0.1
  xdotool mousemove 1270 1010 sleep 0.2
}

tray_menu() { # tray_menu <suffix>: the test desktop's tray is at the bottom-right
  local w h
  read -r w h < <(xdotool getdisplaygeometry)
  xdotool mousemove $((w - 13)) $((h - 13)) click 3 sleep 0.5
  xdotool mousemove $((w - 40)) $((h - 13 - 40 + 10)) sleep 0.3
  grab_area "$out/tray_$1.png" $((w - 240)) $((h - 100)) 240 100
  xdotool key Escape sleep 0.1 mousemove 1270 1010 sleep 0.1
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
  popups "$wid" "$2" "$layout"
  tray_menu "$2"
  local page
  for page in "advanced:$(hit main kAdvancedTab)" "color:$(hit main kColorTab)"; do
    # shellcheck disable=SC2046
    xdotool mousemove --window "$wid" $(centre "$layout" "${page#*:}") click 1 sleep 0.1 mousemove $rest
    sleep 0.4
    "$grab" "$wid" "$out/${page%:*}_$2$suffix.png"
    [ "${page%:*}" = advanced ] && context_menu "$wid" "$2"
  done
  kill -TERM "$pid"
  wait "$pid" || true
}

shoot 1 en INI_EN/skin_main_en.ini
shoot 0 tr INI_CN/skin_main.ini
ls "$out"/*.png
