#!/usr/bin/env bash
# End-to-end run of macro recording on keyboard layouts other than US: the
# real program on a private X server with a minimal desktop and the simulated
# mouse. For each layout (us, fr, de, tr, tr f) letters are typed with xdotool
# into a recording; the saved macro must hold the keys where those letters sit
# on the keyboard, and the mouse, playing it, must be sent those keys. One
# recording goes on while the window is hidden. Escape closes the button
# function menus.
#   recording_e2e.sh <portable folder> <orv_test_desktop>
# Exit status 77 (skipped) only when Xvfb, xdotool or setxkbmap are missing.
set -u

portable=$1
desktop_tool=$2

here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool setxkbmap

orv_work_folder recording

source "$here/hits.sh"
orv_private_display "$desktop_tool"

app=$work/app
cp -r "$portable" "$app"
sim=$work/sim
mkdir "$sim"
config=$app/skins/config/config.ini
macros=$app/Macro_EN.dat
paint=$work/first-paint
title='^KTR-580 GAMING MOUSE$'

window() { xdotool search --name "$title" 2>/dev/null | head -1; }
visible() { [ -n "$(xdotool search --onlyvisible --name "$title" 2>/dev/null)" ]; }
hidden() { ! visible; }
painted() { [ -s "$paint" ]; }
layout_centre() { # layout_centre <layout file> <section> <index>
  awk -F'[=,]' -v sec="[$2]" -v key="$3" \
    '/^\[/ { inside = ($0 == sec) } inside && $1 == key { printf "%d %d", $3 + $5 / 2, $4 + $6 / 2; exit }' "$1"
}
click_at() { # click_at <x> <y>
  xdotool mousemove --window "$(window)" "$1" "$2" sleep 0.05 click 1
}
# shellcheck disable=SC2046
main_click() { click_at $(layout_centre "$app/skins/INI_EN/skin_main_en.ini" BUTTONPOS "$1"); }
# shellcheck disable=SC2046
advance_click() { click_at $(layout_centre "$app/skins/INI_EN/skin_advance_en.ini" "$1" "$2"); }

# The recording goes into the last of the shipped macros, which button 4
# (wire code 4) plays.
slot=$(($(sed -n 's/^macroNum=\([0-9]*\).*/\1/p' "$macros" | head -1 | tr -d '\r') - 1))
sed -i "s/^K4=.*/K4=$((41 + slot))/" "$config"
sed -i 's/^VER_SEL=.*/VER_SEL=1/' "$config"

ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
wait_for 20 painted || { not_ok "the program starts"; orv_summary; exit 1; }
main_click "$(hit main kAdvancedTab)"
sleep 0.3

# The events of macro entry <slot> as "vk:action" words (fields of three
# digits: the event count is field 43, then per event the virtual key, the
# action and the delay's two bytes).
entry_events() {
  local e n k out=""
  e=$(grep "^$slot=" "$macros" | head -1 | cut -d= -f2 | tr -d '\r')
  n=$((10#${e:129:3}))
  for ((k = 0; k < n; k++)); do out+="$((10#${e:$((132 + 12 * k)):3})):$((10#${e:$((135 + 12 * k)):3})) "; done
  echo "${out% }"
}
key_reports() { grep -c '^07 15 ' "$sim/feature.log" 2>/dev/null; true; }

# record_on <label> <setxkbmap arguments> -- <text typed> <virtual keys> <usages (hex)>
# The virtual keys are those of the keys' US names, as the macro file holds
# them; the usages are what the mouse is sent.
record_on() {
  local label=$1 layout=$2 text=$3 vks=$4 usages=$5 expected="" vk usage
  # shellcheck disable=SC2086
  setxkbmap $layout
  for vk in $vks; do expected+="$vk:1 $vk:2 "; done
  expected=${expected% }
  advance_click BUTTONPOS "$(hit advanced kRecord)"
  sleep 0.3
  if [ "$label" = "fr, hidden halfway" ]; then
    # Two letters, the window hidden to the tray, two more, the window back
    # (a second start brings it), the last key: all of them are recorded.
    xdotool type --delay 120 "${text:0:2}"
    main_click "$(hit main kHide)"
    check "the window hides during the recording" wait_for 5 hidden
    xdotool type --delay 120 "${text:2:2}"
    ORV_SIMULATED_MOUSE=$sim "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1
    check "a second start shows it again" wait_for 5 visible
    sleep 0.3
    xdotool type --delay 120 "${text:4}"
  else
    xdotool type --delay 120 "$text"
  fi
  sleep 0.3
  advance_click BUTTONPOS "$(hit advanced kRecord)"
  advance_click BUTTONPOS "$(hit advanced kSaveMacros)"
  saved() { [ "$(entry_events)" = "$expected" ]; }
  check "$label: typing '$text' records the keys where it sits ($vks)" wait_for 5 saved
  [ "$(entry_events)" = "$expected" ] || echo "  recorded: $(entry_events)"

  local before
  before=$(key_reports)
  timeout 5 sh -c "echo '06 F4 01' > '$sim/input'"
  timeout 5 sh -c "echo '06 F4 80' > '$sim/input'"
  local count
  count=$(($(wc -w <<<"$usages") * 2))
  played() { [ "$(key_reports)" -ge $((before + count)) ]; }
  wait_for 10 played
  grep '^07 15 ' "$sim/feature.log" | tail -n +$((before + 1)) | head -n "$count" | cut -d' ' -f3 | tr '\n' ' ' >"$work/keys"
  expected=""
  for usage in $usages; do expected+="$usage 00 "; done
  check "$label: button 4 plays them to the mouse ($usages)" test "$(cat "$work/keys")" = "$expected"
  [ "$(cat "$work/keys")" = "$expected" ] || echo "  played: $(cat "$work/keys")"
}

record_on "us" "-layout us" "qa" "81 65" "14 04"
# AZERTY: a and z sit on the US Q and W keys, q and w on A and Z; ² is the key
# left of 1, which US keyboards give the grave accent.
record_on "fr, hidden halfway" "-layout fr" "aqzw²" "81 65 87 90 223" "14 04 1A 1D 35"
# QWERTZ: y and z change places; ö sits on the US semicolon key.
record_on "de" "-layout de" "yzö" "90 89 186" "1D 1C 33"
# Turkish Q: dotless ı on I, dotted i on the apostrophe key, ş on semicolon.
record_on "tr" "-layout tr" "ıiş" "73 222 186" "0C 34 33"
# Turkish F: f, u, j, a on the US Q, A, Z and F keys.
record_on "tr f" "-layout tr -variant f" "fuja" "81 65 90 70" "14 04 1D 09"
setxkbmap -layout us

# ---- Escape closes the function menus without a choice ----
popup() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
popup_shows() { [ -n "$(popup "$1")" ]; }
popup_gone() { [ -z "$(popup "$1")" ]; }
menu_row=26  # row height of the shipped skin's function menus
main_click "$(hit main kMainTab)"
sleep 0.3
grep '^K3=' "$config" | head -1 >"$work/k3-before"
main_click "$(button_entry 3)"
check "button 3's label opens the function menu" wait_for 5 popup_shows MainMenuDlg
xdotool mousemove --window "$(popup MainMenuDlg)" 95 $((7 * menu_row + menu_row / 2))
check "row 8 opens the second-level menu" wait_for 5 popup_shows SubMenuDlg
xdotool key Escape
check "Escape closes the second-level menu" wait_for 5 popup_gone SubMenuDlg
check "and the first-level menu" wait_for 5 popup_gone MainMenuDlg
main_click "$(hit main kSave)"
sleep 0.5
check "button 3 keeps its function" test "$(grep '^K3=' "$config" | head -1)" = "$(cat "$work/k3-before")"

kill -TERM "$app_pid"
finish "$app_pid"
check "the program ends with status 0" test "$status" = 0
grep -i 'error\|warning' "$work/app.log" | head -5
orv_summary
