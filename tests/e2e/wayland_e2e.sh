#!/usr/bin/env bash
# The window's outline on every window system, checked by screenshots:
#  1. X11 (Xvfb, no compositor): the X shape cuts the window; its grab is the
#     reference rendering.
#  2. Native Wayland under a headless weston: start, the 22 reports, pixels
#     outside the mask show the desktop and those inside match the X11
#     rendering, SIGTERM ends with status 0 and the host-exit report last.
#  3. XWayland (X11 client of the same weston), when Xwayland is installed.
#   wayland_e2e.sh <portable folder> <orv_screen_grab> <orv_shape_check>
# Exit status 77 (skipped) only when weston, its screenshooter, Qt's Wayland
# platform or Xvfb are missing.
set -u

portable=$1
grab=$2
shape_check=$3

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
orv_need_tools weston weston-screenshooter Xvfb xdotool
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
if ! ls "$qt_plugins"/platforms/libqwayland-*.so >/dev/null 2>&1; then
  echo "SKIP: Qt's Wayland platform is not installed (package qt6-wayland)"
  exit 77
fi

orv_work_folder wl
orv_failure_details() {
  echo "--- program output"
  cat "$work/app.log" 2>/dev/null
  echo "--- weston"
  tail -20 "$work/weston.log" 2>/dev/null
}

export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
app=$work/app
cp -r "$portable" "$app"
sim=$work/sim
mkdir "$sim"
mask=$app/skins/main_mask.jpg
paint=$work/first-paint

reports() { [ -f "$sim/feature.log" ] && wc -l <"$sim/feature.log" || echo 0; }
has_reports() { [ "$(reports)" -ge "$1" ]; }
painted() { [ -s "$paint" ]; }
app_pid=""
start_app() { # start_app <platform>
  rm -f "$paint"
  QT_QPA_PLATFORM=$1 ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for 20 painted
}
stop_app() { # SIGTERM: status 0, one more report, the host-exit report last
  local before
  before=$(reports)
  kill -TERM "$app_pid"
  finish "$app_pid"
  check "$1: SIGTERM ends with status 0" test "$status" = 0
  check "$1: the host-exit report is sent last" test "$(tail -n1 "$sim/feature.log")" = "07 20 00 00 00 00 00 00"
  check "$1: exactly one report at exit" test "$(reports)" = $((before + 1))
}

# ---- 1. X11 without a compositor: the reference ----
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb.sh"
orv_start_xvfb "$work/xvfb.log" || exit 1
pids+=("$ORV_XVFB_PID")
xvfb_pid=$ORV_XVFB_PID
QT_QPA_PLATFORM=xcb "$grab" 0 "$work/x11-desktop.png"
start_app xcb
check "X11: the window paints" painted
wid=$(xdotool search --onlyvisible --name '^KTR-580 GAMING MOUSE$' | head -1)
xdotool mousemove 1270 1010
x11_shot() {
  QT_QPA_PLATFORM=xcb "$grab" "$wid" "$work/reference.png" &&
    QT_QPA_PLATFORM=xcb "$grab" 0 "$work/x11.png" &&
    "$shape_check" "$work/x11.png" "$work/x11-desktop.png" "$mask" >"$work/x11-check.txt"
}
check "X11: the outline is the mask's" wait_for 5 x11_shot
cat "$work/x11-check.txt"
stop_app X11
kill "$xvfb_pid" 2>/dev/null
unset DISPLAY

# ---- 2. Native Wayland under a headless weston ----
background='#2060a0'
cat >"$work/weston.ini" <<EOF
[core]
idle-time=0
[shell]
background-color=0xff2060a0
panel-position=none
locking=false
animation=none
startup-animation=none
EOF
xwayland=()
command -v Xwayland >/dev/null 2>&1 && xwayland=(--xwayland)
socket=orv-wl-$$
weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 --socket="$socket" --debug \
  --config="$work/weston.ini" "${xwayland[@]}" >"$work/weston.log" 2>&1 &
pids+=($!)
weston_up() { [ -S "$XDG_RUNTIME_DIR/$socket" ] && grep -q "launching '.*weston-desktop-shell'" "$work/weston.log"; }
if ! wait_for 10 weston_up; then
  not_ok "weston starts"
fi
export WAYLAND_DISPLAY=$socket

# weston's screenshooter writes wayland-screenshot-<time>.png into its folder.
shoot() { # shoot <out.png>
  rm -f "$work"/shots/*.png
  mkdir -p "$work/shots"
  (cd "$work/shots" && timeout 5 weston-screenshooter >/dev/null 2>&1) || return 1
  local file
  file=$(ls "$work"/shots/*.png 2>/dev/null | head -1)
  [ -n "$file" ] && mv "$file" "$1"
}
wayland_shape() { # wayland_shape [--shadow] <name> [reference]: the latest frame's outline
  local options=()
  [ "$1" = --shadow ] && options=(--shadow) && shift
  shoot "$work/$1.png" &&
    "$shape_check" "${options[@]}" "$work/$1.png" "$background" "$mask" "${@:2}" >"$work/$1-check.txt"
}

before=$(reports)
start_app wayland
check "Wayland: the window paints" painted
check "Wayland: start-up sends the 22 reports" wait_for 10 has_reports $((before + 22))
check "Wayland: outside the mask the desktop shows, inside the X11 rendering" \
  wait_for 5 wayland_shape wayland "$work/reference.png"
cat "$work/wayland-check.txt"
stop_app Wayland

# ---- 3. XWayland ----
if ((${#xwayland[@]} > 0)); then
  display=$(grep -o "xserver listening on display :[0-9]*" "$work/weston.log" | tail -1 | grep -o ':[0-9]*')
  if [ -z "$display" ]; then
    # weston starts Xwayland on demand and names the display in its log
    display=$(grep -oE 'display :[0-9]+' "$work/weston.log" | tail -1 | grep -oE ':[0-9]+')
  fi
  if [ -n "$display" ]; then
    export DISPLAY=$display
    start_app xcb
    check "XWayland: the window paints" painted
    # weston draws a drop shadow under X11 windows, also under their cut corners.
    check "XWayland: outside the mask the desktop shows" \
      wait_for 5 wayland_shape --shadow xwayland "$work/reference.png"
    cat "$work/xwayland-check.txt"
    stop_app XWayland
  else
    not_ok "XWayland: weston names its X display"
  fi
else
  echo "# XWayland not checked: Xwayland is not installed (package xwayland)"
fi

orv_summary
