#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the screen centre "X Y" of the first showing element of a process with
one of the given AT-SPI role names ("menu|menu item") and the given name,
description or name of a child ("*": any; mnemonic marks "_" and "&" ignored); exits 1 when there
is none yet. GTK 4 reports extents relative to its window: its
points are moved by the X window's origin.
usage: locate_element.py PID ROLE NAME"""
import re
import subprocess
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def plain(text):
    return (text or "").replace("_", "").replace("&", "").strip()


def walk(node, depth=0, budget=None):
    budget = budget if budget is not None else [3000]
    if node is None or depth > 40 or budget[0] <= 0:
        return
    budget[0] -= 1
    yield node
    for i in range(min(node.get_child_count(), 200)):
        yield from walk(node.get_child_at_index(i), depth + 1, budget)


def windows_of(pid):
    """(x, y, width, height) of the process's visible X windows, inside their
    client-side frames."""
    found = []
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                         capture_output=True, text=True).stdout.split()
    for wid in ids:
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        numbers = [re.search(pattern + r":\s+(-?\d+)", info) for pattern in
                   ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        if not all(numbers):
            continue
        x, y, w, h = (int(m.group(1)) for m in numbers)
        frame = subprocess.run(["xprop", "-id", wid, "_GTK_FRAME_EXTENTS"], capture_output=True, text=True).stdout
        values = [int(v) for v in re.findall(r"\d+", frame.split("=")[-1])]
        if len(values) == 4:
            x, y, w, h = x + values[0], y + values[2], w - values[0] - values[1], h - values[2] - values[3]
        found.append((x, y, w, h))
    return found


def window_origin(pid, node):
    """Where GTK 4's window-relative extents of node start on the screen: a
    popover's X window when an ancestor has its size (its children count from
    that ancestor's origin), else the largest window."""
    windows = windows_of(pid)
    if not windows:
        return 0, 0
    main_window = max(windows, key=lambda w: w[2] * w[3])
    ancestor = node
    while ancestor is not None and ancestor.get_role_name() not in ("frame", "application"):
        try:
            e = ancestor.get_extents(Atspi.CoordType.WINDOW)
        except Exception:
            e = None
        if e is not None and e.width > 0:
            for w in windows:
                if w != main_window and abs(w[2] - e.width) <= 2 and abs(w[3] - e.height) <= 2:
                    return w[0] - e.x, w[1] - e.y
        ancestor = ancestor.get_parent()
    return main_window[0], main_window[1]


def main():
    pid, roles, name = int(sys.argv[1]), sys.argv[2].split("|"), plain(sys.argv[3])
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_process_id() != pid:
            continue
        gtk4 = (app.get_toolkit_name() or "").upper() == "GTK" and (app.get_toolkit_version() or "").startswith("4")
        for node in walk(app):
            try:
                if node.get_role_name() not in roles:
                    continue
                # GTK 4 names tabs "Tab" and puts the text in a label inside.
                names = [plain(node.get_name()), plain(node.get_description())]
                names += [plain(node.get_child_at_index(c).get_name()) for c in range(min(node.get_child_count(), 4))]
                if name != "*" and name not in names:
                    continue
                states = node.get_state_set()
                if not states.contains(Atspi.StateType.SHOWING) and not (
                        gtk4 and states.contains(Atspi.StateType.VISIBLE)):
                    continue
                e = node.get_extents(Atspi.CoordType.SCREEN)
            except Exception:
                continue
            if e.width <= 0 or e.height <= 0:
                continue
            x, y = e.x + e.width // 2, e.y + e.height // 2
            if gtk4:
                ox, oy = window_origin(pid, node)
                x, y = x + ox, y + oy
            print(x, y)
            return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
