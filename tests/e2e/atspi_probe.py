#!/usr/bin/env python3
"""Reads and drives the program's windows through the accessibility bus, as a
screen reader does. Used by atspi_e2e.sh.

  atspi_probe.py tree                     the main window's children: role<TAB>name<TAB>states
  atspi_probe.py press <name>             the main window's control <name>: its first action
  atspi_probe.py status                   the status line's text
  atspi_probe.py menu                     the open function menus' rows: window<TAB>role<TAB>name
  atspi_probe.py menu-press <window> <n>  row <n> (from 1) of the menu window <window>: its action
  atspi_probe.py set <name> <value>       a slider's value
  atspi_probe.py dialog                   the open dialog: its name, then role<TAB>name of its buttons
  atspi_probe.py dialog-press <name>      the open dialog's button <name>: its action
Exit status 1 when what was asked for is not found.
"""
import sys
import time

import pyatspi

APP = "KTR-580 GAMING MOUSE"


def windows():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None:
                yield window


def find_window(name, limit=10.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        for window in windows():
            if window.name == name and window.childCount > 0:
                return window
        time.sleep(0.05)
    return None


def states(node):
    names = []
    state = node.getState()
    for s, word in ((pyatspi.STATE_CHECKED, "checked"), (pyatspi.STATE_SELECTED, "selected"),
                    (pyatspi.STATE_FOCUSED, "focused"), (pyatspi.STATE_PRESSED, "pressed")):
        if state.contains(s):
            names.append(word)
    if not state.contains(pyatspi.STATE_ENABLED):
        names.append("disabled")
    return ",".join(names)


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def act(node):
    action = node.queryAction()
    action.doAction(0)


def main(argv):
    command = argv[1] if len(argv) > 1 else "tree"
    if command.startswith("menu"):
        menus = {}
        end = time.monotonic() + 10.0
        while time.monotonic() < end and not menus:
            for window in windows():
                if window.name in ("MainMenuDlg", "SubMenuDlg") and window.childCount > 0:
                    menus[window.name] = window
            if not menus:
                time.sleep(0.05)
        if command == "menu":
            for name, window in menus.items():
                for row in children(window):
                    print(f"{name}\t{row.getRoleName()}\t{row.name}")
            return 0 if menus else 1
        window = menus.get(argv[2])
        if window is None:
            return 1
        act(window.getChildAtIndex(int(argv[3]) - 1))
        return 0
    if command.startswith("dialog"):
        end = time.monotonic() + 10.0
        while time.monotonic() < end:
            for window in windows():
                if window.getRoleName() == "dialog" and window.childCount > 0:
                    if command == "dialog":
                        print(window.name)
                        for button in children(window):
                            print(f"{button.getRoleName()}\t{button.name}")
                        return 0
                    for button in children(window):
                        if button.name == argv[2]:
                            act(button)
                            return 0
                    return 1
            time.sleep(0.05)
        return 1
    main_window = find_window(APP)
    if main_window is None:
        print("no main window on the accessibility bus", file=sys.stderr)
        return 1
    nodes = children(main_window)
    if command == "tree":
        for node in nodes:
            print(f"{node.getRoleName()}\t{node.name}\t{states(node)}")
        return 0
    if command == "status":
        for node in nodes:
            if node.getRoleName() == "status bar":
                print(node.name)
                return 0
        return 1
    for node in nodes:
        if node.name == argv[2]:
            if command == "press":
                act(node)
            elif command == "set":
                node.queryValue().currentValue = float(argv[3])
            return 0
    print(f"no control named {argv[2]!r}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
