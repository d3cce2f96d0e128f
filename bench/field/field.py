#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Caption field evaluation: real applications, targets a person would click,
the caption a careful how-to writer would use. For each target the pointer
rests on it and each given `kelvo` binary is asked (`kelvo inspect X Y`); the
caption is scored right / acceptable / wrong / fallback ("Click in …").
Run inside the virtual desktop, by hand:
  scripts/with-desktop.sh bench/field/field.py OUT_DIR NAME=KELVO [NAME=KELVO…]
Writes OUT_DIR/results.md (a table per application) and OUT_DIR/results.json,
and a snapshot of the tree around each target (OUT_DIR/snapshots/)."""
import json
import os
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

S = Atspi.StateType


class T:
    def __init__(self, name, role, pattern, right, acceptable=(), prepare=None, wrong_ok=False, description=None):
        self.name, self.role, self.pattern, self.description = name, role, pattern, description
        self.right, self.acceptable, self.prepare = list(right), list(acceptable), prepare


def menu(role, pattern):
    return (role, pattern)


APPS = [
    dict(name="Mousepad", cmd=["mousepad"], targets=[
        T("File menu", "menu", r"^File$", ['Open the "File" menu']),
        T("Edit menu", "menu", r"^Edit$", ['Open the "Edit" menu']),
        T("New item", "menu item", r"^New\s*$", ['Choose "New" from the menu'], prepare=menu("menu", r"^File$")),
        T("Save As item", "menu item", r"^Save As", ['Choose "Save As" from the menu'],
          ['Choose "Save As..." from the menu', 'Choose "Save As…" from the menu'], prepare=menu("menu", r"^File$")),
        T("Select All item", "menu item", r"^Select All", ['Choose "Select All" from the menu'], prepare=menu("menu", r"^Edit$")),
        T("text area", "text", r"", ['Click in the text field', 'Click the "Untitled 1" field'],
          ['Click in "Untitled 1 - Mousepad"']),
        T("document tab", "page tab", r"Untitled", ['Switch to the "Untitled 1" tab']),
    ]),
    dict(name="GNOME Calculator (GTK 4)", cmd=["gnome-calculator"], targets=[
        T("7", "push button", r"^7 7$", ['Click "7"']),
        T("5", "push button", r"^5 5$", ['Click "5"']),
        T("divide", "push button", r"^÷", ['Click "÷"'], ['Click "Divide"']),
        T("modulus", "push button", r"^mod", ['Click "mod"'], ['Click "Modulus divide"']),
        T("undo", "push button", r"^Undo$", ['Click "Undo"']),
        T("mode menu", "push button", r"^Basic$", ['Open the "Mode selection" dropdown', 'Click "Basic"', 'Open the "Basic" dropdown'],
          ['Click "Mode selection"']),
        # Both menu buttons are named "GtkMenuButton"; the mode one says "Mode selection".
        T("primary menu", "push button", r"GtkMenuButton", ['Open the "Primary menu" dropdown', 'Click "Primary menu"'],
          description=r"^(?!Mode selection$)"),
        T("equation field", "text", r"GtkSourceView", ['Click in the text field'], ['Click in "Calculator"']),
    ]),
    dict(name="gtk4-widget-factory", cmd=["gtk4-widget-factory"], targets=[
        T("check button", "check box", r"^checkbutton$", ['Toggle "checkbutton"']),
        T("editable combo", "text", r"GtkEntry", ['Click in the text field'], ['Click in "GTK Widget Factory"']),
        T("spin button", "spin button", r"", ['Click in the text field', 'Click the spin button'],
          ['Click in "GTK Widget Factory"']),
        T("combo box", "combo box", r"GtkComboBox$", ['Open the dropdown'], []),
        T("radio button", "radio button", r"", ['Select "radiobutton"'], []),
        T("toggle button", "toggle button", r"", ['Toggle "togglebutton"', 'Click "togglebutton"'], []),
        # GTK 4 names every notebook tab "Tab"; the first one's label reads "Sunset".
        T("page tab", "page tab", r"", ['Switch to the "Sunset" tab']),
    ]),
    dict(name="gtk3-widget-factory", cmd=["gtk3-widget-factory"], targets=[
        T("check button", "check box", r"^checkbutton$", ['Toggle "checkbutton"']),
        T("entry", "text", r"", ['Click in the text field'], []),
        T("page tab 2", "page tab", r"Page _?2", ['Switch to the "Page 2" tab']),
        T("radio button", "radio button", r"^radiobutton$", ['Select "radiobutton"']),
        T("editable combo box", "combo box", r"", ['Click in the text field'], []),
        T("header menu button", "toggle button", r"^Menu$", ['Open the "Menu" dropdown', 'Click "Menu"'], ['Toggle "Menu"']),
        T("spin button", "spin button", r"", ['Click in the text field', 'Click the spin button'], []),
    ]),
    dict(name="FeatherPad (Qt 5)", cmd=["featherpad", "--standalone"], targets=[
        T("File menu", "menu item", r"^File$", ['Open the "File" menu']),
        T("Edit menu", "menu item", r"^Edit$", ['Open the "Edit" menu']),
        T("Save As item", "menu item", r"^Save As$", ['Choose "Save As" from the menu'], prepare=menu("menu item", r"^File$")),
        T("Undo item", "menu item", r"^Undo$", ['Choose "Undo" from the menu'], prepare=menu("menu item", r"^Edit$")),
        T("document tab", "page tab", r"Untitled", ['Switch to the "Untitled" tab']),
        T("text area", "text", r"", ['Click in the text field'], ['Click in "Untitled"']),
    ]),
]


PROFILE = "/tmp/kelvo-field-profile"

# The large set (--large): browsers and an office suite.
APPS_LARGE = [
    dict(name="Firefox ESR", settle=6,
         cmd=["firefox-esr", "--no-remote", "--new-instance", "--profile", PROFILE + "-firefox", "about:blank"], targets=[
        T("new tab button", "push button", r"^Open a new tab", ['Click "Open a new tab"']),
        T("back", "push button", r"^Back$", ['Click "Back"']),
        T("reload", "push button", r"^Reload$", ['Click "Reload"']),
        T("address bar", "combo box", r"^Search or enter address$", ['Click the "Search or enter address" field'],
          ['Click in the text field']),
        T("application menu", "push button", r"^Firefox$", ['Click "Open application menu"',
                                                             'Open the "Open application menu" dropdown']),
        T("tab", "page tab", r"^New Tab$", ['Switch to the "New Tab" tab']),
        T("close tab", "push button", r"^Close tab$", ['Click "Close tab"']),
        T("list all tabs", "push button", r"^List all tabs$", ['Click "List all tabs"']),
    ]),
    # Chromium builds its tree only with --force-renderer-accessibility here.
    dict(name="Chromium", settle=6,
         cmd=["chromium", "--no-sandbox", "--no-first-run", "--password-store=basic", "--force-renderer-accessibility",
              "--user-data-dir=" + PROFILE + "-chromium", "about:blank"], targets=[
        T("back", "push button", r"^Back$", ['Click "Back"']),
        T("reload", "push button", r"^Reload$", ['Click "Reload"']),
        T("address bar", "entry", r"^Address and search bar$", ['Click the "Address and search bar" field'],
          ['Click in the text field']),
        T("site information", "push button", r"^View site information$", ['Click "View site information"']),
        T("new tab", "push button", r"^New Tab$", ['Click "New Tab"']),
        T("application menu", "push button", r"^Chromium$", ['Click "Customize and control Chromium"',
                                                              'Open the "Customize and control Chromium" dropdown']),
        T("tab", "page tab", r"about:blank|Untitled", ['Switch to the "about:blank" tab', 'Switch to the "Untitled" tab']),
    ]),
    dict(name="LibreOffice Writer", settle=8, env={"SAL_USE_VCLPLUGIN": "gtk3"}, bus_name="soffice", start_timeout=120,
         cmd=["lowriter", "--norestore", "--nologo"], targets=[
        T("File menu", "menu", r"^File$", ['Open the "File" menu']),
        T("Format menu", "menu", r"^Format$", ['Open the "Format" menu']),
        T("Save As item", "menu item", r"^Save As", ['Choose "Save As" from the menu'], prepare=menu("menu", r"^File$")),
        T("Bold", "toggle button", r"^Bold$", ['Toggle "Bold"', 'Click "Bold"']),
        T("Italic", "toggle button", r"^Italic$", ['Toggle "Italic"', 'Click "Italic"']),
        T("Undo", "push button", r"^Undo$", ['Click "Undo"']),
        T("Save", "push button", r"^Save$", ['Click "Save"']),
        T("Find and Replace", "toggle button", r"^Find and Replace$", ['Toggle "Find and Replace"',
                                                                      'Click "Find and Replace"']),
        T("document", "document text", r"", ['Click in the text field'], ['Click in "Untitled 1 - LibreOffice Writer"']),
    ]),
]


def sh(*args, check=False):
    return subprocess.run(args, capture_output=True, text=True, check=check).stdout


def application_of(pid, bus_name=None, timeout=30):
    """The process's application on the bus; by its name there when the
    command starts another process (lowriter starts soffice.bin)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is None or app.get_child_count() == 0:
                    continue
                if app.get_process_id() == pid or (bus_name and app.get_name() == bus_name):
                    return app
            except Exception:
                continue  # an application that has just ended
        time.sleep(0.2)
    return None


def walk(node, depth=0, budget=None):
    budget = budget if budget is not None else [4000]
    if node is None or depth > 40 or budget[0] <= 0:
        return
    budget[0] -= 1
    yield node
    try:
        count = node.get_child_count()
    except Exception:
        return
    for i in range(min(count, 200)):
        try:
            child = node.get_child_at_index(i)
        except Exception:
            continue
        yield from walk(child, depth + 1, budget)


def client_origin(pid):
    """Screen origin and _GTK_FRAME_EXTENTS of the process's largest window."""
    best, origin = 0, (0, 0)
    for wid in sh("xdotool", "search", "--onlyvisible", "--pid", str(pid)).split():
        info = sh("xwininfo", "-id", wid)
        x = re.search(r"Absolute upper-left X:\s+(-?\d+)", info)
        y = re.search(r"Absolute upper-left Y:\s+(-?\d+)", info)
        w = re.search(r"Width:\s+(\d+)", info)
        h = re.search(r"Height:\s+(\d+)", info)
        if not (x and y and w and h) or int(w.group(1)) * int(h.group(1)) <= best:
            continue
        best = int(w.group(1)) * int(h.group(1))
        frame = re.findall(r"\d+", sh("xprop", "-id", wid, "_GTK_FRAME_EXTENTS").split("=")[-1])
        left, top = (int(frame[0]), int(frame[2])) if len(frame) == 4 else (0, 0)
        origin = (int(x.group(1)) + left, int(y.group(1)) + top)
    return origin


def find(app, pid, role, pattern, timeout=5, description=None):
    deadline = time.time() + timeout
    gtk4 = (app.get_toolkit_name() or "").upper() == "GTK" and (app.get_toolkit_version() or "").startswith("4")
    while time.time() < deadline:
        for node in walk(app):
            try:
                if node.get_role_name() != role or not re.search(pattern, node.get_name() or ""):
                    continue
                if description is not None and not re.search(description, node.get_description() or ""):
                    continue
                if not gtk4 and not node.get_state_set().contains(S.SHOWING):
                    continue
                e = node.get_extents(Atspi.CoordType.SCREEN)
            except Exception:
                continue
            if e.width <= 0 or e.height <= 0 or e.x < -1000:
                continue
            x, y = e.x + e.width // 2, e.y + e.height // 2
            if gtk4:
                ox, oy = client_origin(pid)
                x, y = x + ox, y + oy
            return x, y
        time.sleep(0.3)
    return None


def inspect(binary, x, y, snapshot=None):
    args = [binary, "inspect", str(x), str(y)]
    if snapshot:
        args += ["--snapshot", snapshot]
    out = sh(*args)
    fields = dict(line.split(":", 1) for line in out.splitlines() if ":" in line)
    return fields.get("caption", "")


def score(target, caption):
    if caption in target.right:
        return "right"
    if caption in target.acceptable:
        return "acceptable"
    if caption.startswith(("Click in ", "Right-click in ")) or caption in ("Click here", "Right-click here"):
        return "fallback"
    return "wrong"


def main():
    out_dir = sys.argv[1]
    apps = APPS
    if "--large" in sys.argv:
        sys.argv.remove("--large")
        apps = APPS_LARGE
    binaries = [arg.split("=", 1) for arg in sys.argv[2:]]
    os.makedirs(os.path.join(out_dir, "snapshots"), exist_ok=True)
    env = dict(os.environ, GSK_RENDERER="cairo", HOME=os.path.join(out_dir, "home"))
    env.pop("NO_AT_BRIDGE", None)
    os.makedirs(env["HOME"], exist_ok=True)
    # As Kelvo does once accessibility is on: name the bus on the root window, so
    # Qt 5 applications join it.
    address = sh("dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                 "org.a11y.Bus.GetAddress").split('"')[1]
    sh("xprop", "-root", "-f", "AT_SPI_BUS", "8s", "-set", "AT_SPI_BUS", address)
    results = []
    only = re.compile(os.environ.get("FIELD_ONLY", ""))
    for entry in apps:
        if not only.search(entry["name"]):
            continue
        process = subprocess.Popen(entry["cmd"], env=dict(env, **entry.get("env", {})),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            app = application_of(process.pid, entry.get("bus_name"), entry.get("start_timeout", 30))
            if app is None:
                print(f"{entry['name']}: not on the accessibility bus", file=sys.stderr)
                continue
            time.sleep(entry.get("settle", 1.0))  # first paint
            # LibreOffice reports toolbar positions off until the pointer has been over its window.
            sh("xdotool", "mousemove", "960", "540")
            time.sleep(0.5)
            for target in entry["targets"]:
                if target.prepare:
                    opener = find(app, process.pid, *target.prepare)
                    if opener:
                        sh("xdotool", "mousemove", str(opener[0]), str(opener[1]), "click", "1")
                point = find(app, process.pid, target.role, target.pattern, description=target.description)
                row = dict(app=entry["name"], target=target.name, point=point)
                if point:
                    for label, binary in binaries:
                        # Each binary gets the same fresh rest: a tooltip that opened
                        # while an earlier one was asked must not cover the target.
                        sh("xdotool", "mousemove", str(point[0]), str(point[1] + 40))
                        sh("xdotool", "mousemove", str(point[0]), str(point[1]))
                        time.sleep(0.3)
                        snap = None
                        if label == binaries[-1][0]:
                            snap = os.path.join(out_dir, "snapshots",
                                                re.sub(r"\W+", "-", f"{entry['name']}-{target.name}").strip("-") + ".json")
                        caption = inspect(binary, point[0], point[1], snap)
                        row[label] = dict(caption=caption, score=score(target, caption))
                        if snap and os.path.exists(snap):
                            with open(snap) as f:
                                data = json.load(f)
                            data["expectedCaption"] = target.right[0]
                            data["target"] = f"{entry['name']}: {target.name}"
                            with open(snap, "w") as f:
                                json.dump(data, f, indent=1)
                else:
                    for label, _ in binaries:
                        row[label] = dict(caption="(target not found)", score="not found")
                results.append(row)
                print(json.dumps(row, ensure_ascii=False), flush=True)
                if target.prepare:
                    sh("xdotool", "key", "Escape")
                    time.sleep(0.2)
                    sh("xdotool", "key", "Escape")
        finally:
            process.kill()
            process.wait()
    with open(os.path.join(out_dir, "results.json"), "w") as f:
        json.dump(results, f, indent=1, ensure_ascii=False)
    lines = []
    for entry in apps:
        rows = [r for r in results if r["app"] == entry["name"]]
        if not rows:
            continue
        lines.append(f"\n### {entry['name']}\n")
        lines.append("| target | " + " | ".join(f"{label}" for label, _ in binaries) + " |")
        lines.append("|---|" + "---|" * len(binaries))
        for r in rows:
            cells = [f"{r[label]['score']}: {r[label]['caption']}" for label, _ in binaries]
            lines.append(f"| {r['target']} | " + " | ".join(cells) + " |")
        for label, _ in binaries:
            counts = {k: sum(1 for r in rows if r[label]["score"] == k) for k in ("right", "acceptable", "wrong", "fallback")}
            value = (counts["right"] + counts["acceptable"] / 2) / max(1, len(rows))
            lines.append(f"\n{label}: " + ", ".join(f"{k} {v}" for k, v in counts.items()) + f" — score {value:.2f}")
    with open(os.path.join(out_dir, "results.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
