#!/usr/bin/env bash
# Photographs the HUD in each phase, the settings dialog, the permission card and
# the style gallery, and the library (empty, with guides, an editor without steps,
# a step being dragged, the update question, a failed save, the Export formats menu) on the virtual desktop: scripts/screenshots.sh [folder]
# (default /tmp/kelvo-shots). Needs a build in build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-/tmp/kelvo-shots}"
showcase="$root/build/tests/app/kelvo_showcase"
library_showcase="$root/build/tests/app/kelvo_library_showcase"
[ -x "$showcase" ] && [ -x "$library_showcase" ] || {
  echo "screenshots: build kelvo_showcase and kelvo_library_showcase first" >&2; exit 1; }

if [ -z "${KELVO_IN_DESKTOP:-}" ]; then
  KELVO_IN_DESKTOP=1 exec "$root/scripts/with-desktop.sh" "$0" "$out"
fi

mkdir -p "$out"
xsetroot -solid '#7d8aa6'
export KELVO_NO_UPDATES=1
for mode in hud-countdown hud-recording hud-finishing settings permissions permissions-partial style \
    library-empty library library-updates-question editor-empty editor-drag editor-save-failed editor-export; do
  case "$mode" in
    library*|editor*) "$library_showcase" "$mode" & ;;
    *) "$showcase" "$mode" & ;;
  esac
  pid=$!
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.8 # let the window manager map it and the first paint land
  case "$mode" in library*|editor*) sleep 1.2 ;; esac # screenshots decode, the movie loads
  case "$mode" in editor-export) sleep 1 ;; esac # the formats menu opens
  import -window root "$out/$mode.png"
  case "$mode" in
    hud-*) convert "$out/$mode.png" -crop 420x90+750+0 +repage -scale 200% "$out/$mode-zoom.png" ;;
  esac
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
echo "screenshots in $out"
