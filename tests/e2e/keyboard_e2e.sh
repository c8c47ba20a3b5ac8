#!/usr/bin/env bash
# End-to-end run of the program from the keyboard alone: the real program on
# a private X server with a minimal desktop and the simulated mouse, keys
# typed with xdotool. Tab reaches Apply and Space sends the profile; a
# button's label opens its function menu, whose rows are chosen with the
# arrows and Enter; Escape closes the menu and the focus stays on the label.
#   keyboard_e2e.sh <portable folder> <orv_test_desktop>
# Exit status 77 (skipped) only when Xvfb or xdotool are missing.
set -u

portable=$1
desktop_tool=$2
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
orv_need_tools Xvfb xdotool

orv_work_folder keyboard
orv_private_display "$desktop_tool"

orv_english_copy "$portable"
title='^KTR-580 GAMING MOUSE$'

window() { xdotool search --name "$title" 2>/dev/null | head -1; }
painted() { [ -s "$paint" ]; }
reports() { wc -l <"$sim/feature.log" 2>/dev/null || echo 0; }
menu_shown() { [ -n "$(xdotool search --onlyvisible --name '^MainMenuDlg$' 2>/dev/null)" ]; }
menu_gone() { ! menu_shown; }
keys() { xdotool key --delay 30 "$@"; }
tabs() { # tabs <n>
  local k=()
  for ((i = 0; i < $1; i++)); do k+=(Tab); done
  keys "${k[@]}"
}

ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
pids+=($!)
check "the program starts" wait_for 20 painted
check "22 reports at start-up" wait_for 10 test "$(reports)" -eq 22
xdotool windowfocus --sync "$(window)" 2>/dev/null

# The Main page's Tab stops: the page tabs, the languages, Minimise, Close,
# the button labels, the wheel, the active level, the levels' switches, their
# colours, the DPI cells, the profiles, Import, Export, Reset, Save, Cancel, Apply.
tabs 17
keys space
check "Tab to Apply and Space sends the 22 reports" wait_for 10 test "$(reports)" -eq 44

# Around to the labels (the fifth stop), then Button 2's label.
tabs 5
keys Right Return
check "Enter on a label opens its function menu" wait_for 5 menu_shown
keys Escape
check "Escape closes it" wait_for 5 menu_gone
# The focus stayed on the label: Enter opens the menu again.
keys Return
check "the focus came back to the label" wait_for 5 menu_shown
# The Multimedia group (row 8), into its list, its first row.
before=$(grep '^07 10 ' "$sim/feature.log" | tail -7)
keys Down Down Down Down Down Down Down Down Right Return
check "Enter on a row of the list chooses it and closes the menus" wait_for 5 menu_gone
tabs 12
keys space
check "Apply sends the profile" wait_for 10 test "$(reports)" -eq 66
after=$(grep '^07 10 ' "$sim/feature.log" | tail -7)
check "the 07 10 report carries the chosen function" test "$before" != "$after"

orv_summary
