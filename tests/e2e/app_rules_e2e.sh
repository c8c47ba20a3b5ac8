#!/usr/bin/env bash
# Profiles chosen by the focused application, with the real program under a
# real EWMH window manager (openbox) on a private X server and the simulated
# mouse: three xmessage windows of different names, our own window, and a
# burst of focus changes.
#   app_rules_e2e.sh <portable folder> <orv_profile>
# Exit status 77 (skipped) when Xvfb, xdotool, xprop, xmessage or openbox are missing.
set -u

portable=$1
profile_tool=$2

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool xprop xmessage openbox

orv_work_folder app-rules
orv_private_display

app=$work/app
cp -r "$portable" "$app"
sim=$work/sim
mkdir "$sim"
paint=$work/first-paint
orv_failure_details() {
  echo "--- program output"
  cat "$work/app.log"
  echo "--- status"
  "$app/ORV_ZIduzu" --status 2>&1
  echo "--- last reports"
  tail -n 5 "$sim/feature.log" 2>/dev/null
}

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
check "openbox runs" wait_for 10 wm_running

cat >"$app/skins/config/app_profiles.ini" <<'RULES'
[Applications]
alpha=2
BETA=3
[Init]
Default=4
RULES

reports() { [ -f "$sim/feature.log" ] && wc -l <"$sim/feature.log" || echo 0; }
has_reports() { [ "$(reports)" -ge "$1" ]; }
painted() { [ -s "$paint" ]; }
status_has() { "$app/ORV_ZIduzu" --status 2>/dev/null | grep -qx "$1"; }
# command_bytes <profile>: the id, command and first two values of each report an Apply of it sends.
command_bytes() { "$profile_tool" "$app" "$1" | awk '/^ +[0-9]+  [0-9A-F][0-9A-F] /{ print $2, $3, $4, $5 }'; }
last_apply_is() { # last_apply_is <profile>
  command_bytes "$1" >"$work/expected"
  tail -n 22 "$sim/feature.log" | cut -d' ' -f1-4 >"$work/sent"
  cmp -s "$work/expected" "$work/sent"
}
active_window() { xprop -root _NET_ACTIVE_WINDOW | awk '{ print $NF }'; }
is_active() { [ "$(printf '%d' "$(active_window)")" = "$1" ]; }
# focus <window>: activate it through the window manager and wait until it is the active one.
focus() { xdotool windowactivate "$1" 2>/dev/null; wait_for 5 is_active "$1"; }
# settled <rule> <profile>: the program names the rule, holds the profile, and its last Apply was that profile's.
settled() { status_has "application rule: $1" && status_has "profile: $2" && last_apply_is "$2"; }

ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" --verbose >>"$work/app.log" 2>&1 &
check "the program starts" wait_for 20 painted
check "start-up sends profile 1" wait_for 10 has_reports 22
ours=$(xdotool search --sync --name '^KTR-580 GAMING MOUSE$' | head -1)

window_of() { xdotool search --sync --classname "^$1\$" 2>/dev/null | head -1; }
# Each window is started once the one before it has the focus, so that the
# window manager has placed and focused it before the checks focus others.
for name in alpha beta gamma; do
  xmessage -name "$name" "$name" >/dev/null 2>&1 &
  pids+=($!)
  declare "$name=$(window_of "$name")"
  wait_for 5 is_active "${!name}"
done
check "three xmessage windows" test -n "$alpha" -a -n "$beta" -a -n "$gamma"

focus "$gamma"
check "a window without a rule gets Default" wait_for 10 settled "Default=4" 4
focus "$alpha"
check "alpha (instance, rule in lower case) gets profile 2" wait_for 10 settled "alpha=2" 2
focus "$beta"
check "beta (rule spelt BETA) gets profile 3" wait_for 10 settled "BETA=3" 3

before=$(reports)
focus "$ours"
# Nothing is to come: give a switch more than its settling time to show up.
sleep 0.5
check "our own window changes nothing" test "$(reports)" = "$before"
check "and the rule stays" status_has "application rule: BETA=3"

# ---- 100 focus changes within about a second ----
before=$(reports)
burst_start=$(date +%s%N)
for i in $(seq 50); do
  xdotool windowactivate "$beta" windowactivate "$alpha" 2>/dev/null
done
echo "# 100 focus changes took $((($(date +%s%N) - burst_start) / 1000000)) ms"
# The window manager takes the requests in its own time: the last one it
# honoured may be beta's. Ask once more, so that alpha is the last focus.
focus "$alpha"
check "100 focus changes end on alpha's profile" wait_for 10 settled "alpha=2" 2
tail -n +$((before + 1)) "$sim/feature.log" | cut -d' ' -f1-2 >"$work/burst"
check "the burst sends whole Applies only" test $(($(wc -l <"$work/burst") % 22)) = 0
command_bytes 2 | cut -d' ' -f1-2 >"$work/one-apply"
contiguous() {
  local n blocks
  blocks=$(($(wc -l <"$work/burst") / 22))
  for ((n = 0; n < blocks; n++)); do
    tail -n +$((n * 22 + 1)) "$work/burst" | head -n 22 | cmp -s - "$work/one-apply" || return 1
  done
}
check "every Apply's 22 reports are contiguous" contiguous
echo "# the burst sent $(($(wc -l <"$work/burst") / 22)) Applies"

orv_summary
