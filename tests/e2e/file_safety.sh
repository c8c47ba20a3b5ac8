#!/usr/bin/env bash
# The real program with files that went wrong under it: a damaged macro file
# is made anew from the copy the configuration keeps, an odd lock file does
# not stop the start (one that cannot be opened is named), and a flood of
# idle connections to the instance socket under the usual limit of 1024
# descriptors neither hangs the program nor makes it spin, and it still
# applies and ends with the host-exit report last.
#   file_safety.sh <portable folder> <orv_socket_flood>
# Exit status 77 (skipped) only when Xvfb, xdotool or prlimit are missing.
set -u

portable=$1
flood_tool=$2
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
source "$here/hits.sh"
orv_need_tools Xvfb xdotool prlimit
orv_work_folder files

orv_private_display

app=$work/app
sim=$work/sim
cp -r "$portable" "$app"
mkdir "$sim"
title='^KTR-580 GAMING MOUSE$'

reports() { if [ -f "$sim/feature.log" ]; then wc -l <"$sim/feature.log"; else echo 0; fi; }
has() { [ "$(reports)" -ge "$1" ]; }
box() { xdotool search --onlyvisible --name '^ORV_ZIduzu$' 2>/dev/null | head -1; }
box_shown() { [ -n "$(box)" ]; }
window_shown() { [ -n "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ]; }
ok_box() { xdotool windowfocus --sync "$(box)" key Return; }
pid=""
start() { # start <log> [prlimit args...]: the program in the background
  local log=$1
  shift
  ORV_SIMULATED_MOUSE=$sim "$@" "$app/ORV_ZIduzu" >"$work/$log" 2>&1 &
  pid=$!
  pids+=("$pid")
}
stop() {
  kill -TERM "$pid"
  finish "$pid"
}

# ---- A damaged macro file comes back from the profile's copy ----
start first.log
check "the first start sends its 22 reports" wait_for 20 has 22
stop
check "and ends cleanly" test "$status" = 0
check "the profile keeps a copy of the macros" grep -q '^macroNum=3' "$app/skins/config/config.ini"
printf '\x13\x37 junk' >"$work/junk"
cp "$work/junk" "$app/Macro_EN.dat"
rm -f "$sim/feature.log"
start damaged.log
check "a damaged macro file is told in a box" wait_for 20 box_shown
ok_box
check "the start goes on after OK" wait_for 20 has 22
check "the damaged bytes are kept beside it" cmp -s "$app/Macro_EN.dat.damaged" "$work/junk"
check "the macro file holds the profile's macros again" grep -q '^macroNum=3' "$app/Macro_EN.dat"
check "the box's text is in the log" grep -q 'Macro_EN.dat was damaged' "$work/damaged.log"
stop
check "and it ends cleanly" test "$status" = 0

# ---- The lock file ----
lock=$XDG_RUNTIME_DIR/CORV_ZIduzuApp.lock
printf 'garbage \x01\xff' >"$lock"
start garbage-lock.log
check "a garbled lock file does not stop the start" wait_for 20 window_shown
stop
rm -f "$lock"
ln -s "$work/no/such/folder/lock" "$lock"
start unusable-lock.log
check "a lock file that cannot be opened is told in a box" wait_for 20 box_shown
ok_box
finish "$pid"
check "and the program ends with a failure status" test "$status" = 1
check "naming the lock file and the reason" grep -q "CORV_ZIduzuApp.lock: No such file or directory" \
  "$work/unusable-lock.log"
rm -f "$lock"

# ---- A flood of idle connections to the instance socket ----
rm -f "$sim/feature.log"
start flood.log prlimit --nofile=1024:4096
check "the program starts under a limit of 1024 descriptors" wait_for 20 has 22
check "its socket listens" wait_for 20 test -S "$XDG_RUNTIME_DIR/CORV_ZIduzuApp"
exec {hold}> >("$flood_tool" "$XDG_RUNTIME_DIR/CORV_ZIduzuApp" 3000 3 >"$work/flood.out" 2>&1)
pids+=($!)
wait_for 20 grep -q '^open' "$work/flood.out"
echo "# flood: $(cat "$work/flood.out")"
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
sleep 2
used=$(($(ticks) - before))
echo "# CPU time used in 2 s of the flood: $used ticks"
check "it does not spin under the flood" test "$used" -lt 40
descriptors=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
echo "# descriptors open: $descriptors"
check "it holds only a few of the flood's connections" test "$descriptors" -lt 200
window=$(xdotool search --name "$title" | head -1)
layout=$app/skins/INI_EN/skin_main_en.ini
apply_at=$(grep -m1 "^$(hit main kApply)=" "$layout" | cut -d= -f2 | awk -F, '{ printf "%d %d", $2 + $4 / 2, $3 + $5 / 2 }')
# shellcheck disable=SC2086
xdotool mousemove --window "$window" $apply_at click 1
check "Apply still reaches the mouse" wait_for 20 has 44
exec {hold}>&-
stop
check "it ends cleanly" test "$status" = 0
check "the host-exit report is sent last" test "$(tail -n1 "$sim/feature.log")" = "07 20 00 00 00 00 00 00"
check "nothing aborted" bash -c "! grep -q 'Too many open files' '$work/flood.log'"

orv_summary
