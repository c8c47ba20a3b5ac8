#!/usr/bin/env bash
# End-to-end run of the program as a screen reader sees it: the real program
# on a private X server and a private session bus with the accessibility bus,
# read and driven through AT-SPI (tests/e2e/atspi_probe.py). The controls of
# each page carry their names and roles in both languages; pressing "Apply"
# sends the profile's 22 reports and says so; a function chosen through the
# function menus' items reaches the mouse at the next Apply.
#   atspi_e2e.sh <portable folder>
# Exit status 77 (skipped) when Xvfb, dbus-run-session or Python's pyatspi
# are missing.
set -u

portable=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"
orv_need_tools Xvfb dbus-run-session
python=/usr/bin/python3
if ! "$python" -c 'import pyatspi' 2>/dev/null; then
  echo "SKIP: python3-pyatspi is not installed"
  exit 77
fi
# A session bus of the test's own, never the desktop's (the program does not
# start one itself).
if [ -z "${ORV_E2E_OWN_BUS:-}" ]; then
  ORV_E2E_OWN_BUS=1 exec dbus-run-session -- bash "${BASH_SOURCE[0]}" "$@" 2> >(grep -v 'fd limit' >&2)
fi

orv_work_folder atspi
bus=$DBUS_SESSION_BUS_ADDRESS
orv_private_display
export DBUS_SESSION_BUS_ADDRESS=$bus QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

orv_english_copy "$portable"

probe() { "$python" "$here/atspi_probe.py" "$@"; }
reports() { wc -l <"$sim/feature.log" 2>/dev/null || echo 0; }
painted() { [ -s "$paint" ]; }
# has_controls <page name>: every "role<TAB>name" line of the table below for
# that page is among the window's children.
has_controls() {
  local tree missing
  tree=$(probe tree | cut -f1,2) || return 1
  missing=$(awk -F'|' -v page="$1" '$1 == page { print $2 "\t" $3 }' "$work/expected" | grep -vxFf <(echo "$tree"))
  [ -z "$missing" ] || { echo "# missing on $1:"; echo "$missing"; return 1; }
}
has_controls_named() { probe tree | cut -f2 | grep -qxF "$1"; }
status_is() { [ "$(probe status)" = "$1" ]; }

# (page | role | name) in both languages: page tabs, buttons, check boxes,
# radio buttons and the slider, with names from the skin's texts.
cat >"$work/expected" <<'EOF'
MAIN|page tab|MAIN
MAIN|page tab|ADVANCED
MAIN|radio button|EN
MAIN|push button|Button 4: Forward
MAIN|radio button|Scroll Wheel: Standard
MAIN|check box|LEVEL 3 On
MAIN|radio button|LEVEL 2, 800 DPI
MAIN|push button|LEVEL 1 Color, #FFFF0F
MAIN|radio button|Profile 5
MAIN|push button|Apply
MAIN|push button|Minimise
ADVANCED|push button|Record
ADVANCED|check box|Repeat While Held
ADVANCED|radio button|Pointer Speed 10
ADVANCED|slider|Rapid Fire
ADVANCED|radio button|Polling Rate 1000 Hz
ADVANCED|list|Macros
ADVANCED|list|Events
ADVANCED|text|Macro name
LIGHTING|radio button|Steady
LIGHTING|check box|Cycle color 7
LIGHTING|radio button|CYCLE TIME 1
ANA SAYFA|page tab|ANA SAYFA
ANA SAYFA|push button|Düğme 4: İleri
ANA SAYFA|radio button|Profil 2
ANA SAYFA|push button|Uygula
ANA SAYFA|push button|Simge durumuna küçült
EOF

ORV_SIMULATED_MOUSE=$sim ORV_FIRST_PAINT_FILE=$paint "$app/ORV_ZIduzu" >>"$work/app.log" 2>&1 &
pids+=($!)
check "the program starts" wait_for 20 painted
check "22 reports at start-up" wait_for 10 test "$(reports)" -eq 22

check "the Main page's controls" has_controls MAIN
check "the Advanced tab goes to its page" probe press ADVANCED
check "the Advanced page's controls" wait_for 5 has_controls ADVANCED
check "its change is spoken" status_is ADVANCED
check "the slider takes a value" probe set "Rapid Fire" 123
check "the Lighting tab" probe press LIGHTING
check "the Lighting page's controls" wait_for 5 has_controls LIGHTING
check "back to the Main page" probe press MAIN

check "Apply is pressed" probe press Apply
check "Apply sends the 22 reports" wait_for 10 test "$(reports)" -eq 44
check "Apply is spoken" wait_for 5 status_is "Profile 1 applied"

# Button 1 has the only left click: the warning comes first, read and
# cancelled through its buttons, and the button keeps its function.
warning_read() {
  probe dialog >"$work/dialog" && grep -qxF "No other button has Left Click. Continue?" "$work/dialog" &&
    grep -qxF "push button	Cancel" "$work/dialog"
}
check "Button 1's label asks first" probe press "Button 1: Left Click"
check "the warning is read with its buttons" wait_for 5 warning_read
check "its Cancel is pressed" probe dialog-press Cancel
check "the button keeps its function" wait_for 5 has_controls_named "Button 1: Left Click"

# Button 2's menu, the Multimedia group (row 8), its first row. The seven
# 07 10 reports of an Apply give each button its function.
before=$(grep '^07 10 ' "$sim/feature.log" | tail -7)
menu_open() { probe menu | grep -q "^MainMenuDlg	menu item	Multimedia$"; }
sub_open() { probe menu | grep -q "^SubMenuDlg	menu item	Home Page$"; }
check "a button's label opens its menu" probe press "Button 2: Right Click"
check "the menu's rows are menu items" wait_for 5 menu_open
check "a group's item opens its list" probe menu-press MainMenuDlg 8
check "the list's rows are menu items" wait_for 5 sub_open
check "a row of the list is chosen" probe menu-press SubMenuDlg 1
check "the choice is spoken" wait_for 5 status_is "Button 2: Home Page"
check "the label shows it" wait_for 5 has_controls_named "Button 2: Home Page"
check "Apply after the choice" probe press Apply
check "Apply sends it" wait_for 10 test "$(reports)" -eq 66
after=$(grep '^07 10 ' "$sim/feature.log" | tail -7)
check "the 07 10 report carries the new function" test "$before" != "$after"

check "the Turkish button" probe press TR
check "the controls in Turkish" wait_for 5 has_controls "ANA SAYFA"

orv_summary
