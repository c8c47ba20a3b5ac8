#!/usr/bin/env bash
# End-to-end run of ORV_ZIduzu against the emulated mouse (umockdev): the real
# program with its hidraw backend, no simulated mouse, on a private X server.
# The emulated kernel shows the KTR-580's nodes in /sys and /dev; the program
# runs under umockdev's preload library, which routes its libudev, open, ioctl
# and read calls there.
#   e2e_emulated.sh <portable folder> <orv_emulated_mouse> <orv_profile>
# Exit status 77 (skipped) only when Xvfb, xdotool or umockdev are missing.
set -u

portable=$1
mouse_tool=$2
profile_tool=$3

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool umockdev-wrapper

orv_work_folder e2e-emulated
orv_failure_details() {
  echo "--- program output"
  cat "$work/app.log" 2>/dev/null
  echo "--- emulated mouse output"
  cat "$work/mock.log" 2>/dev/null
  echo "--- reports sent"
  cat "$work/mock/feature.log" 2>/dev/null
  echo "--- reports expected"
  cat "$work/expected" 2>/dev/null
}
orv_before_cleanup() {
  [ -p "$work/mock/control" ] && timeout 5 sh -c "echo quit > '$work/mock/control'"
}

# ---- A private display ----
source "$(dirname "${BASH_SOURCE[0]}")/hits.sh"
orv_private_display
unset ORV_SIMULATED_MOUSE
# In the AddressSanitizer build the emulation's preload library comes before
# the sanitizer's runtime.
export ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0

# ---- The emulated mouse ----
mkdir "$work/mock"
umockdev-wrapper "$mouse_tool" "$work/mock" >"$work/mock.log" 2>&1 &
pids+=($!)
if ! wait_for 20 test -s "$work/mock/umockdev_dir"; then
  echo "not ok - the emulated mouse did not start"
  cat "$work/mock.log"
  exit 1
fi
testbed=$(cat "$work/mock/umockdev_dir")

app=$work/app
cp -r "$portable" "$app"
paint=$work/first-paint
reports() { [ -f "$work/mock/feature.log" ] && wc -l <"$work/mock/feature.log" || echo 0; }
painted() { [ -s "$paint" ]; }
has_reports() { [ "$(reports)" -ge "$1" ]; }
control() { timeout 5 sh -c "echo '$1' > '$work/mock/control'"; }

# ---- Start-up: the profile's 22 reports reach the emulated write node ----
UMOCKDEV_DIR=$testbed LD_PRELOAD=libumockdev-preload.so ORV_FIRST_PAINT_FILE=$paint \
  "$app/ORV_ZIduzu" >"$work/app.log" 2>&1 &
app_pid=$!
check "the window shows" wait_for 20 painted
check "start-up sends 22 reports to the write node" wait_for 10 has_reports 22
sleep 0.5
check "and no more" test "$(reports)" = 22
"$profile_tool" "$app" | awk '/^ +[0-9]+  [0-9A-F][0-9A-F] /{ $1 = ""; sub(/^ /, ""); print }' >"$work/expected"
check "they are the current profile's reports, byte for byte" cmp -s "$work/expected" "$work/mock/feature.log"

# ---- Input reports on the read node reach the program ----
# The centre of layout entry i of the Main layout (English, the default).
centre() {
  grep -m1 "^$1=" "$app/skins/INI_EN/skin_main_en.ini" | cut -d= -f2 |
    awk -F, '{ printf "%d %d", $2 + $4 / 2, $3 + $5 / 2 }'
}
click() { # click <main layout index>
  local wid
  wid=$(xdotool search --name '^KTR-580 GAMING MOUSE$' 2>/dev/null | head -1)
  # shellcheck disable=SC2046
  xdotool mousemove --window "$wid" $(centre "$1") sleep 0.05 click 1
}
# A left-button press and release: the mouse does that itself, the program nothing.
control "input 06 F1 01 00 00 00 00 00"
control "input 06 F1 80 00 00 00 00 00"
# The DPI buttons announce the mouse's new active level (index 3) with the press.
for wire in F8 F6; do
  control "input 06 $wire 03 00 00 00 00 00"
  control "input 06 $wire 80 00 00 00 00 00"
done
sleep 0.5
check "button reports leave the program running" kill -0 "$app_pid"
click "$(hit main kApply)"
check "Apply sends 22 more reports" wait_for 10 has_reports 44
check "with the active level the mouse announced" grep -q '^07 09 43 ' <(tail -n 22 "$work/mock/feature.log")
sent=$(reports)

# ---- Unplugging ends the program with status 0 and no host-exit report ----
control unplug
if wait_for 10 gone "$app_pid"; then
  wait "$app_pid"
  status=$?
else
  kill -KILL "$app_pid" 2>/dev/null
  status=timeout
fi
check "unplug ends the program with status 0" test "$status" = 0
check "no report is sent at unplug" test "$(reports)" = "$sent"

orv_summary
