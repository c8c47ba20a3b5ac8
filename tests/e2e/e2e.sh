#!/usr/bin/env bash
# End-to-end run of ORV_ZIduzu: the real program on a private X server (Xvfb)
# with a minimal desktop, the simulated mouse and a copy of the portable
# folder, driven with xdotool the way a person would use it.
#   e2e.sh <portable folder> <orv_test_desktop> <orv_profile>
# Exit status 77 (skipped) only when Xvfb or xdotool are missing.
set -u

portable=$1
desktop_tool=$2
profile_tool=$3

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool

orv_work_folder e2e

# ---- A private display with a window manager and a tray ----
source "$here/hits.sh"
orv_private_display "$desktop_tool"

app=$work/app
cp -r "$portable" "$app"
sim=$work/sim
mkdir "$sim"
config=$app/skins/config/config.ini
paint=$work/first-paint
title='^KTR-580 GAMING MOUSE$'
orv_failure_details() {
  echo "--- program output"
  cat "$work/app.log"
  echo "--- last reports"
  tail -n 5 "$sim/feature.log" 2>/dev/null
}


reports() { [ -f "$sim/feature.log" ] && wc -l <"$sim/feature.log" || echo 0; }
painted() { [ -s "$paint" ]; }
has_reports() { [ "$(reports)" -ge "$1" ]; }
window() { xdotool search --name "$title" 2>/dev/null | head -1; }
visible() { [ -n "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ]; }
hidden() { ! visible; }
wm_state() { "$desktop_tool" state "$(window)"; }
iconic() { [ "$(wm_state)" = Iconic ]; }
host_has() { grep -qx "$1" "$sim/host.log" 2>/dev/null; }
config_has() { grep -q "^$1\$" "$config"; }
instances() { pgrep -f -c "^$app/ORV_ZIduzu" || true; }

app_pid=""
start_app() { # start_app [args...]
  rm -f "$paint"
  ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" "$@" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for 20 painted
}

# The centre of layout entry i of the Main layout of the stored language.
centre() {
  local layout=$app/skins/INI_EN/skin_main_en.ini
  config_has 'VER_SEL=0' && layout=$app/skins/INI_CN/skin_main.ini
  grep -m1 "^$1=" "$layout" | cut -d= -f2 | awk -F, '{ printf "%d %d", $2 + $4 / 2, $3 + $5 / 2 }'
}
click() { # click <main layout index>
  local wid
  wid=$(window)
  # shellcheck disable=SC2046
  xdotool mousemove --window "$wid" $(centre "$1") sleep 0.05 click 1
}

# ---- Start-up: the whole profile goes to the mouse ----
start_app
check "the window shows" wait_for 10 visible
check "start-up sends the 22 reports of the profile" wait_for 10 has_reports 22
check "start-up sets the pointer speed" wait_for 5 host_has "mouse-speed 8"
check "start-up sets the wheel lines" wait_for 5 host_has "wheel-lines 3"

# ---- Apply, and Apply of another profile ----
click "$(hit main kApply)"
check "Apply sends the 22 reports again" wait_for 10 has_reports 44
click "$(profile_entry 2)"
click "$(hit main kApply)"
check "Apply after choosing profile 2 sends 22 more" wait_for 10 has_reports 66
# The command bytes (id, command, first two values) of profile 2's reports.
"$profile_tool" "$app" 2 | awk '/^ +[0-9]+  [0-9A-F][0-9A-F] /{ print $2, $3, $4, $5 }' >"$work/expected"
tail -n 22 "$sim/feature.log" | cut -d' ' -f1-4 >"$work/sent"
check "they are profile 2's reports" cmp -s "$work/expected" "$work/sent"
head -n 22 "$sim/feature.log" | cut -d' ' -f1-4 >"$work/first"
check "profile 2 differs from profile 1" test "$(md5sum <"$work/first")" != "$(md5sum <"$work/sent")"
check "profile 2 becomes the start-up profile" config_has 'CurConfig=2'

# ---- The command line against the running copy ----
# command_bytes <profile>: what orv_profile says an Apply of it sends.
command_bytes() { "$profile_tool" "$app" "$1" | awk '/^ +[0-9]+  [0-9A-F][0-9A-F] /{ print $2, $3, $4, $5 }'; }
"$app/ORV_ZIduzu" --status >"$work/status" 2>>"$work/app.log"
check "--status answers with the running copy's profile" grep -qx "profile: 2" "$work/status"
check "--status says the mouse is connected" grep -q "^mouse: connected (..*)$" "$work/status"
before=$(reports)
"$app/ORV_ZIduzu" --profile 3 >"$work/answer" 2>>"$work/app.log"
check "--profile 3 through the running copy exits 0" test $? = 0
check "and has sent 22 reports when it ends" has_reports $((before + 22))
command_bytes 3 >"$work/expected"
tail -n 22 "$sim/feature.log" | cut -d' ' -f1-4 >"$work/sent"
check "they are profile 3's reports" cmp -s "$work/expected" "$work/sent"
check "profile 3 becomes the start-up profile" config_has 'CurConfig=3'
"$app/ORV_ZIduzu" --status >"$work/status" 2>>"$work/app.log"
check "--status then says profile 3" grep -qx "profile: 3" "$work/status"
before=$(reports)
"$app/ORV_ZIduzu" --profile 6 2>>"$work/app.log"
check "--profile 6 exits 2" test $? = 2
"$app/ORV_ZIduzu" --profile 2 --list 2>>"$work/app.log"
check "two terminal switches exit 2" test $? = 2
check "and neither sends anything" test "$(reports)" = "$before"
"$app/ORV_ZIduzu" --profile 2 >>"$work/app.log" 2>&1
check "--profile 2 goes back to profile 2" config_has 'CurConfig=2'

# ---- Button functions through the two menus ----
# A popup window of the program by its exact title (visible ones only).
popup() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
popup_shows() { [ -n "$(popup "$1")" ]; }
popup_gone() { [ -z "$(popup "$1")" ]; }
menu_row=26  # row height of the shipped skin's function menus
# row_y <row>: the centre line of a row of a function menu.
row_y() { echo $(( ($1 - 1) * menu_row + menu_row / 2 )); }
last_reports_have() { tail -n 22 "$sim/feature.log" | grep -q "^$1"; }

click "$(button_entry 3)"
check "button 3's label opens the function menu" wait_for 5 popup_shows MainMenuDlg
xdotool mousemove --window "$(popup MainMenuDlg)" 95 "$(row_y 2)" sleep 0.1 click 1
check "a direct choice closes the menu" wait_for 5 popup_gone MainMenuDlg
before=$(reports)
click "$(hit main kApply)"
check "Apply after the choice sends a profile" wait_for 10 has_reports $((before + 22))
check "button 3 now has function 2 (07 10 05 02)" last_reports_have "07 10 05 02"

click "$(button_entry 4)"
check "button 4's label opens the function menu" wait_for 5 popup_shows MainMenuDlg
xdotool mousemove --window "$(popup MainMenuDlg)" 95 "$(row_y 8)"
check "hovering row 8 opens the second-level menu" wait_for 5 popup_shows SubMenuDlg
xdotool mousemove --window "$(popup SubMenuDlg)" 105 "$(row_y 4)" sleep 0.1 click 1
check "a second-level choice closes both menus" wait_for 5 popup_gone MainMenuDlg
check "and the second-level menu" wait_for 5 popup_gone SubMenuDlg
before=$(reports)
click "$(hit main kApply)"
check "Apply after the second-level choice" wait_for 10 has_reports $((before + 22))
check "button 4 is a host function now (07 10 04 00)" last_reports_have "07 10 04 00"
before=$(reports)
timeout 5 sh -c "echo '06 F4 01' > '$sim/input'"
sleep 0.2
timeout 5 sh -c "echo '06 F4 80' > '$sim/input'"
volume_up() { tail -n +$((before + 1)) "$sim/feature.log" | grep -q '^07 17 00 E9'; }
check "pressing button 4 sends Volume Increment (07 17 00 E9)" wait_for 5 volume_up

# Button 0 now holds the only left click: the warning comes first.
click "$(button_entry 0)"
check "the warning shows before the menu" wait_for 5 popup_shows WarningDlg
check "no menu behind the warning" popup_gone MainMenuDlg
# shellcheck disable=SC2046
xdotool mousemove --window "$(popup WarningDlg)" 260 120 sleep 0.1 click 1
check "Cancel closes the warning" wait_for 5 popup_gone WarningDlg
sleep 0.3
check "Cancel opens no menu" popup_gone MainMenuDlg
before=$(reports)
click "$(hit main kApply)"
wait_for 10 has_reports $((before + 22))
check "Cancel leaves button 0 on the left click (07 10 01 01)" last_reports_have "07 10 01 01"
click "$(button_entry 0)"
check "the warning shows again" wait_for 5 popup_shows WarningDlg
xdotool mousemove --window "$(popup WarningDlg)" 120 120 sleep 0.1 click 1
check "Continue opens the menu" wait_for 5 popup_shows MainMenuDlg
click "$(hit main kMainTab)"
check "the next press on the Main page closes the menu" wait_for 5 popup_gone MainMenuDlg

# ---- Language ----
click "$(hit main kTurkish)"
check "Turkish is stored" wait_for 5 config_has 'VER_SEL=0'

# ---- SIGTERM: the host-exit report, status 0 ----
before=$(reports)
kill -TERM "$app_pid"
finish "$app_pid"
check "SIGTERM ends with status 0" test "$status" = 0
check "SIGTERM sends 07 20 00 00" test "$(tail -n1 "$sim/feature.log")" = "07 20 00 00 00 00 00 00"
check "exactly one report at exit" test "$(reports)" = $((before + 1))

# ---- The next start is Turkish; a second start shows a hidden first one ----
start_app
check "the next start is Turkish" grep -q 'language=0' "$paint"
click "$(hit main kHide)"
check "the close button hides the window to the tray" wait_for 5 hidden
# The test desktop shows tray icons 22 pixels square in a strip at the
# bottom-right corner; a right click opens the tray menu there (20-pixel items).
geometry=$(xdotool getdisplaygeometry)
screen_w=${geometry% *}
screen_h=${geometry#* }
# The program's tray icon (docked in the test desktop's tray, 22 x 22) and a
# popup menu of the program, once either shows.
tray_icon() {
  xdotool search --onlyvisible --class '^ORV_ZIduzu$' 2>/dev/null | while read -r w; do
    xdotool getwindowgeometry "$w" | grep -q 'Geometry: 22x22' && echo "$w"
  done | head -1
}
tray_popup() {
  local main
  main=$(window)
  xdotool search --onlyvisible --class '^ORV_ZIduzu$' 2>/dev/null | while read -r w; do
    [ "$w" = "$main" ] || xdotool getwindowgeometry "$w" | grep -q 'Geometry: 22x22' || echo "$w"
  done | head -1
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }
has_tray_popup() { [ -n "$(tray_popup)" ]; }
tray_menu_item() { # tray_menu_item <item>: right-click the icon, choose item 1 or 2
  # The icon is made once the first frame is out; wait for it to be docked.
  wait_for 10 has_tray_icon || return 1
  xdotool mousemove $((screen_w - 13)) $((screen_h - 13)) sleep 0.1 click 3
  # The menu opens at the pointer, pushed up and left to stay on the screen.
  wait_for 10 has_tray_popup || return 1
  sleep 0.2
  xdotool mousemove --window "$(tray_popup)" 30 $((($1 - 1) * 20 + 10)) sleep 0.2 click 1
}
check "the tray menu opens on the icon" tray_menu_item 1
check "its first item (Pencereyi Goster) shows the window" wait_for 5 visible
click "$(hit main kHide)"
wait_for 5 hidden
ORV_SIMULATED_MOUSE=$sim "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
second=$!
finish "$second"
check "a second start ends with status 0" test "$status" = 0
check "the second start shows the first window again" wait_for 5 visible
check "no second copy stays" test "$(instances)" = 1

# ---- Unplugging ends the program without the host-exit report ----
before=$(reports)
timeout 5 sh -c "echo unplug > '$sim/input'"
finish "$app_pid"
check "unplug ends with status 0" test "$status" = 0
check "no report is sent at unplug" test "$(reports)" = "$before"

# ---- A copy that crashed does not block the next; -HIDE starts minimised ----
start_app
kill -KILL "$app_pid"
wait "$app_pid" 2>/dev/null
start_app -HIDE
check "a stale lock does not block the start" painted
check "-HIDE starts minimised" wait_for 5 iconic
kill -TERM "$app_pid"
finish "$app_pid"
check "a minimised copy ends on SIGTERM with status 0" test "$status" = 0

# ---- An automatic start without the mouse: silent, status 0 ----
cp "$config" "$work/config-before"
before=$(reports)
rm -f "$paint"
ORV_SIMULATED_MOUSE=$work/no-mouse ORV_FIRST_PAINT_FILE="$paint" "$app/ORV_ZIduzu" --when-present >>"$work/app.log" 2>&1 &
app_pid=$!
finish "$app_pid"
check "--when-present without the mouse ends with status 0" test "$status" = 0
check "--when-present without the mouse shows no window" test ! -s "$paint"
check "--when-present without the mouse shows no prompt" test -z "$(xdotool search --name '^ORV_ZIduzu$' 2>/dev/null)"
check "--when-present without the mouse sends nothing" test "$(reports)" = "$before"
check "--when-present without the mouse saves nothing" cmp -s "$config" "$work/config-before"

# ---- The mouse plugged in: the service's command line applies the profile, minimised ----
before=$(reports)
start_app --when-present
check "--when-present with the mouse sends the 22 reports" wait_for 10 has_reports $((before + 22))
check "--when-present starts minimised" wait_for 5 iconic
ORV_SIMULATED_MOUSE=$sim "$app/ORV_ZIduzu" --when-present >>"$work/app.log" 2>&1 &
second=$!
finish "$second"
check "a second automatic start ends with status 0" test "$status" = 0
# Requests are handled in their order: once --status is answered, a show
# request of the second start would have been handled before it.
"$app/ORV_ZIduzu" --status >/dev/null 2>>"$work/app.log"
check "and leaves the first window minimised" iconic
kill -TERM "$app_pid"
finish "$app_pid"

# ---- --profile N without a running copy: started minimised, profile N sent ----
cp "$config" "$work/config-before"
before=$(reports)
ORV_SIMULATED_MOUSE=$work/no-mouse "$app/ORV_ZIduzu" --profile 4 >>"$work/app.log" 2>&1
check "--profile 4 without the mouse exits 1" test $? = 1
check "and sends and saves nothing" test "$(reports)" = "$before" -a -z "$(cmp "$config" "$work/config-before")"
start_app --profile 4
check "--profile 4 without a copy sends 22 reports" wait_for 10 has_reports $((before + 22))
command_bytes 4 >"$work/expected"
tail -n 22 "$sim/feature.log" | cut -d' ' -f1-4 >"$work/sent"
check "they are profile 4's reports" cmp -s "$work/expected" "$work/sent"
check "and the program starts minimised" wait_for 5 iconic
check "profile 4 becomes the start-up profile" config_has 'CurConfig=4'
kill -TERM "$app_pid"
finish "$app_pid"

# ---- The tray menu's second item ends the program ----
start_app
before=$(reports)
check "the tray menu opens again" tray_menu_item 2
finish "$app_pid"
check "Sürücüden çık ends with status 0" test "$status" = 0
check "and sends 07 20 00 00" test "$(tail -n1 "$sim/feature.log")" = "07 20 00 00 00 00 00 00"

# ---- Macros: name, New, Record "ab", Stop, Save; played by button 4 ----
advance_layout() {
  if config_has 'VER_SEL=0'; then echo "$app/skins/INI_CN/skin_advance.ini"; else echo "$app/skins/INI_EN/skin_advance_en.ini"; fi
}
# The centre of entry <index> of section <section> of the Advanced layout.
advance_centre() {
  awk -F'[=,]' -v sec="[$1]" -v key="$2" \
    '/^\[/ { inside = ($0 == sec) } inside && $1 == key { printf "%d %d", $3 + $5 / 2, $4 + $6 / 2; exit }' \
    "$(advance_layout)"
}
advance_click() { # advance_click <section> <index>
  # shellcheck disable=SC2046
  xdotool mousemove --window "$(window)" $(advance_centre "$1" "$2") sleep 0.05 click 1
}
macro_file() { if config_has 'VER_SEL=0'; then echo "$app/Macro_CN.dat"; else echo "$app/Macro_EN.dat"; fi; }
macro_count() { sed -n 's/^macroNum=\([0-9]*\).*/\1/p' "$(macro_file)" | head -1 | tr -d '\r'; }
macro_entry() { grep "^$1=" "$(macro_file)" | head -1 | cut -d= -f2 | tr -d '\r'; }
# Fields of a macro entry (three digits each): the event count is field 43,
# then per event its virtual key, its action and its delay's two bytes.
entry_events() {
  local e=$1 out k
  out=${e:129:3}
  for k in 0 1 2 3; do out+=" ${e:$((132 + 12 * k)):6}"; done
  echo "$out"
}

start_app
before_count=$(macro_count)
click "$(hit main kAdvancedTab)"
xdotool windowfocus --sync "$(window)" 2>/dev/null
advance_click EDIT 4
xdotool key ctrl+a BackSpace
xdotool type --delay 60 e2emacro
advance_click BUTTONPOS "$(hit advanced kAddMacro)"
advance_click BUTTONPOS "$(hit advanced kRecord)"
sleep 0.3
xdotool type --delay 150 ab
sleep 0.3
advance_click BUTTONPOS "$(hit advanced kRecord)"
advance_click BUTTONPOS "$(hit advanced kSaveMacros)"
saved() { [ "$(macro_count)" = $((before_count + 1)) ]; }
check "Save stores the new macro in the macro file" wait_for 5 saved
slot=$before_count
entry=$(macro_entry "$slot")
# a press, a release, b press, b release (virtual keys 65 and 66)
check "the recording holds a and b pressed and released" \
  test "$(entry_events "$entry")" = "004 065001 065002 066001 066002"
kill -TERM "$app_pid"
finish "$app_pid"

# Button 4 (wire code 4) gets the macro through its function menu's macro
# group (row 9), then Apply; after a restart the macro is unchanged and the
# button plays it.
start_app
click "$(button_entry 4)"
check "button 4's menu opens for the macro" wait_for 5 popup_shows MainMenuDlg
xdotool mousemove --window "$(popup MainMenuDlg)" 95 "$(row_y 9)"
check "the macro group opens" wait_for 5 popup_shows SubMenuDlg
xdotool mousemove --window "$(popup SubMenuDlg)" 105 "$(row_y $((slot + 1)))" sleep 0.1 click 1
check "choosing the macro closes the menus" wait_for 5 popup_gone SubMenuDlg
before=$(reports)
click "$(hit main kApply)"
check "Apply sends button 4's macro function (none on the mouse)" wait_for 10 has_reports $((before + 22))
kill -TERM "$app_pid"
finish "$app_pid"
check "the profile keeps the macro's function code" grep -q "^K4=$((41 + slot))" "$config"
start_app
check "the macro is unchanged after a restart" test "$(macro_entry "$slot")" = "$entry"
key_reports() { grep -c '^07 15 ' "$sim/feature.log" 2>/dev/null; true; }
before_keys=$(key_reports)
timeout 5 sh -c "echo '06 F4 01' > '$sim/input'"
timeout 5 sh -c "echo '06 F4 80' > '$sim/input'"
played() { [ "$(key_reports)" -ge $((before_keys + 4)) ]; }
check "button 4 plays the macro" wait_for 10 played
grep '^07 15 ' "$sim/feature.log" | tail -n +$((before_keys + 1)) | head -4 | cut -d' ' -f3 >"$work/keys"
printf '%s\n' 04 00 05 00 >"$work/keys-expected"
check "the key reports are a, release, b, release" cmp -s "$work/keys" "$work/keys-expected"
click "$(hit main kAdvancedTab)"
advance_click BUTTONPOS "$(hit advanced kSaveMacros)"
check "a Save after the restart keeps the macro" test "$(macro_entry "$slot")" = "$entry"
kill -TERM "$app_pid"
finish "$app_pid"

# ---- No mouse at all: the prompt, OK, and nothing sent or changed ----
cp "$config" "$work/config-before"
before=$(reports)
rm -f "$paint"
env -u ORV_SIMULATED_MOUSE ORV_FIRST_PAINT_FILE="$paint" "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
app_pid=$!
prompt() { xdotool search --onlyvisible --name '^ORV_ZIduzu$' 2>/dev/null | head -1; }
has_prompt() { [ -n "$(prompt)" ]; }
check "without the mouse the plug-in prompt shows" wait_for 20 has_prompt
xdotool windowfocus --sync "$(prompt)" 2>/dev/null
xdotool key Return
finish "$app_pid"
check "after OK the program ends with status 0" test "$status" = 0
check "the main window never showed" test ! -s "$paint"
check "nothing was sent" test "$(reports)" = "$before"
check "no setting was saved" cmp -s "$config" "$work/config-before"

orv_summary
