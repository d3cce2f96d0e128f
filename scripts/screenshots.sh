#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Photographs the HUD in each phase, the settings dialog, the permission card and
# the style gallery, and the library (empty, with guides, an editor without steps,
# a step being dragged, the update question, a failed save, the Export formats menu)
# on the virtual desktop: scripts/screenshots.sh [folder]
# (default /tmp/kelvo-shots), plus the HUD after a plain click on it, the editor at
# 960 x 600 and fitted at scale 2, keyboard focus rings, a long title and the video
# still before Play, framing (a framed guide, a step's framing menu and Redact mode),
# and the main windows again in German in [folder]/de. Needs a build in build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-/tmp/kelvo-shots}"
showcase="$root/build/tools/kelvo_showcase"
library_showcase="$root/build/tools/kelvo_library_showcase"
[ -x "$showcase" ] && [ -x "$library_showcase" ] || {
  echo "screenshots: build kelvo_showcase and kelvo_library_showcase first" >&2; exit 1; }

if [ -z "${KELVO_IN_DESKTOP:-}" ]; then
  KELVO_IN_DESKTOP=1 exec "$root/scripts/with-desktop.sh" "$0" "$out"
fi

mkdir -p "$out"
xsetroot -solid '#7d8aa6'
export KELVO_NO_UPDATES=1
for mode in hud-countdown hud-recording hud-finishing hud-clicked settings permissions permissions-partial style \
    library-empty library editor-empty editor-drag editor-small editor-fitted editor-focus editor-long-title \
    library-updates-question editor-save-failed editor-export editor-framing editor-framing-menu editor-redact; do
  case "$mode" in
    editor-fitted) QT_SCALE_FACTOR=2 "$library_showcase" "$mode" & ;;
    library*|editor*) "$library_showcase" "$mode" & ;;
    hud-clicked) "$showcase" hud-recording & ;;
    *) "$showcase" "$mode" & ;;
  esac
  pid=$!
  # The library showcases first write their guides and movies: on a busy machine
  # that takes a while.
  for _ in $(seq 1 600); do
    xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.8 # let the window manager map it and the first paint land
  case "$mode" in library*|editor*) sleep 1.2 ;; esac # screenshots decode, the movie's still
  case "$mode" in editor-export|editor-framing-menu|editor-redact) sleep 1 ;; esac # the menu opens, Redact mode starts
  if [ "$mode" = hud-clicked ]; then
    # A plain click on the time, then the pointer away: the HUD must stay put.
    xdotool mousemove 850 39 click 1 mousemove 300 600
    sleep 0.5
  fi
  import -window root "$out/$mode.png"
  case "$mode" in
    hud-*) convert "$out/$mode.png" -crop 420x90+750+0 +repage -scale 200% "$out/$mode-zoom.png" ;;
    editor-focus)
      # Tab on to a step card for a second picture of focus.
      xdotool key Tab Tab Tab Tab Tab
      sleep 0.5
      import -window root "$out/$mode-2.png" ;;
  esac
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done

# The same windows in German, in $out/de: the texts must fit there too.
mkdir -p "$out/de"
for mode in hud-countdown hud-recording hud-finishing settings permissions library-empty library editor-empty \
    editor-small editor-export library-updates-question editor-save-failed; do
  case "$mode" in
    library*|editor*) LC_ALL=de_DE.UTF-8 LANGUAGE=de "$library_showcase" "$mode" & ;;
    *) LC_ALL=de_DE.UTF-8 LANGUAGE=de "$showcase" "$mode" & ;;
  esac
  pid=$!
  for _ in $(seq 1 600); do
    xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.8
  case "$mode" in library*|editor*) sleep 1.2 ;; esac
  case "$mode" in editor-export) sleep 1 ;; esac
  import -window root "$out/de/$mode.png"
  case "$mode" in
    hud-*) convert "$out/de/$mode.png" -crop 420x90+750+0 +repage -scale 200% "$out/de/$mode-zoom.png" ;;
  esac
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
echo "screenshots in $out"
