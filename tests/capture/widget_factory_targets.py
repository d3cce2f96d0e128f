#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Finds one widget of each kind in a running gtk3-widget-factory through AT-SPI
and prints, per line: kind, centre x, centre y, AT-SPI role name, name
(tab-separated, screen pixels); first a line "window x y width height" for the
showing main window. Waits up to 30 s for the tree to appear.
usage: widget_factory_targets.py PID"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

S = Atspi.StateType


def application_of(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def showing(node):
    return node.get_state_set().contains(S.SHOWING)


def extents(node):
    return node.get_extents(Atspi.CoordType.SCREEN)


def walk(node, depth=0):
    if depth > 40 or not showing(node):
        return
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def attributes(node):
    try:
        return node.get_attributes() or {}
    except Exception:
        return {}


def unlabelled(node):
    attrs = attributes(node)
    return (not node.get_name() and not node.get_description()
            and not any(k in attrs for k in ("tooltip", "help-text", "placeholder-text")))


def role(node):
    return node.get_role()


R = Atspi.Role
KINDS = {
    # kind: test on a node
    # Not the title bar's window controls: clicking those hides the window.
    "button": lambda n: (role(n) == R.PUSH_BUTTON and n.get_name()
                         and n.get_name() not in ("Minimize", "Maximize", "Restore", "Close")),
    "checkbox": lambda n: role(n) == R.CHECK_BOX and n.get_name(),
    "radio": lambda n: role(n) == R.RADIO_BUTTON and n.get_name(),
    "tab": lambda n: role(n) == R.PAGE_TAB and n.get_name(),
    "slider": lambda n: role(n) == R.SLIDER,
    "entry": lambda n: (role(n) == R.TEXT and n.get_state_set().contains(S.SINGLE_LINE)
                        and n.get_state_set().contains(S.EDITABLE) and n.get_child_count() == 0
                        and role(n.get_parent()) != R.COMBO_BOX and unlabelled(n)),
    "combo": lambda n: role(n) == R.COMBO_BOX and n.get_name() and all(
        role(n.get_child_at_index(i)) not in (R.TEXT, R.ENTRY) for i in range(n.get_child_count())),
}


def find(app):
    found = {}
    for window in [app.get_child_at_index(i) for i in range(app.get_child_count())]:
        if window is not None and showing(window) and "window" not in found:
            e = extents(window)
            found["window"] = (e.x, e.y, e.width, e.height)
    for window in [app.get_child_at_index(i) for i in range(app.get_child_count())]:
        if window is None:
            continue
        for node in walk(window):
            e = extents(node)
            if e.width < 8 or e.height < 8:
                continue
            for kind, test in KINDS.items():
                if kind not in found and test(node):
                    found[kind] = (e.x + e.width // 2, e.y + e.height // 2, node.get_role_name(), node.get_name())
    return found


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + 30
    found = {}
    while time.monotonic() < deadline:
        app = application_of(pid)
        if app is not None:
            try:
                found = find(app)
            except Exception:
                found = {}
            if len(found) == len(KINDS) + 1:
                break
        time.sleep(0.2)
    if "window" in found:
        print("window\t%d\t%d\t%d\t%d" % found["window"])
    for kind in KINDS:
        if kind in found:
            x, y, role_name, name = found[kind]
            print(f"{kind}\t{x}\t{y}\t{role_name}\t{name}")
    return 0 if len(found) == len(KINDS) + 1 else 1


if __name__ == "__main__":
    sys.exit(main())
