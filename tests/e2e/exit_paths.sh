#!/usr/bin/env bash
# How the real program ends when things go wrong: a signal while a start-up
# message box waits for OK, a skin that cannot be used, and the display's
# connection breaking under it (as at a logout that sends no signal first).
# Runs on its own private X server, since the last case ends that server.
#   exit_paths.sh <portable folder>
# Exit status 77 (skipped) only when Xvfb or xdotool are missing.
set -u

portable=$1
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool
orv_work_folder exit

orv_private_display
xvfb_pid=$ORV_XVFB_PID

# Printed when a check fails: each run's log and the last reports the mouse got.
orv_failure_details() {
  local log
  for log in "$work"/*.log; do echo "--- $log"; tail -n 20 "$log"; done
  [ -f "$work/run-sim/feature.log" ] && { echo "--- last reports"; tail -n 5 "$work/run-sim/feature.log"; }
}

message_box() { [ -n "$(xdotool search --name '^ORV_ZIduzu$' 2>/dev/null)" ]; }

fresh_copy() { # fresh_copy <name>: a portable folder of its own and a simulated mouse
  rm -rf "$work/$1"
  cp -r "$portable" "$work/$1/"
  mkdir -p "$work/$1-sim"
}

# ---- A signal while the start-up's message box waits ----
fresh_copy layout
rm "$work/layout/skins/INI_EN/skin_main_en.ini"
ORV_SIMULATED_MOUSE=$work/layout-sim "$work/layout/ORV_ZIduzu" >"$work/layout.log" 2>&1 &
pid=$!
check "a missing layout shows its message box" wait_for 20 message_box
kill -TERM "$pid"
finish "$pid"
check "SIGTERM ends the program while the box is open" test "$status" != timeout
check "an unusable skin ends with a failure status" test "$status" = 1
check "the box's reason names the file on standard error" grep -q 'skin_main_en.ini: missing' "$work/layout.log"
check "no box is left" wait_for 5 bash -c '! [ -n "$(xdotool search --name "^ORV_ZIduzu$" 2>/dev/null)" ]'

fresh_copy mask
echo "this is no picture" >"$work/mask/skins/main_mask.jpg"
ORV_SIMULATED_MOUSE=$work/mask-sim "$work/mask/ORV_ZIduzu" >"$work/mask.log" 2>&1 &
pid=$!
check "an undecodable mask shows its message box" wait_for 20 message_box
kill -INT "$pid"
finish "$pid"
check "SIGINT ends the program while the box is open" test "$status" = 1
check "the reason says it is not a picture" grep -q 'main_mask.jpg: not a picture' "$work/mask.log"

# ---- The display goes away: the mouse is still told ----
fresh_copy run
sim=$work/run-sim
ORV_SIMULATED_MOUSE=$sim "$work/run/ORV_ZIduzu" >"$work/run.log" 2>&1 &
pid=$!
has_22() { [ -f "$sim/feature.log" ] && [ "$(wc -l <"$sim/feature.log")" -ge 22 ]; }
check "start-up sends its 22 reports" wait_for 20 has_22
kill -TERM "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
finish "$pid"
check "the program ends when the display is gone" test "$status" != timeout
check "with a failure status (not killed by a signal)" test "$status" = 1
check "the host-exit report is sent last" test "$(tail -n1 "$sim/feature.log")" = "07 20 00 00 00 00 00 00"
check "and only once" test "$(grep -c '^07 20 ' "$sim/feature.log")" = 1

orv_summary
