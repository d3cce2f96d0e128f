#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory of one running Kelvo across many recordings: the real application in
# a private virtual desktop, recordings started and stopped with the hot key,
# a few clicks on a moving window in each. Prints the resident size after each
# recording. A benchmark: it reports, it asserts nothing.
#   bench/app/run-memory-bench.sh [RECORDINGS] [SECONDS_EACH]
set -euo pipefail
cd "$(dirname "$0")/../.."
recordings=${1:-40}
seconds=${2:-3}
cmake --build build --target kelvo capture_bench_window >/dev/null
exec scripts/with-desktop.sh bash -c '
set -euo pipefail
recordings=$1 seconds=$2
work=$(mktemp -d /tmp/kelvo-memory-bench.XXXXXX)
export KELVO_DATA_DIR=$work/guides XDG_CONFIG_HOME=$work/config
build/bench/capture_bench_window --rect 200,200,800,500 --color "#3060c0" --animate >/dev/null &
window=$!
build/src/app/kelvo >/dev/null 2>&1 &
kelvo=$!
trap "kill $kelvo $window 2>/dev/null; wait $kelvo $window 2>/dev/null; rm -rf $work" EXIT
until xdotool search --pid "$kelvo" >/dev/null 2>&1; do sleep 0.2; done
rss() { awk "/^VmRSS:/ {print int(\$2/1024)}" /proc/$kelvo/status; }
hwm() { awk "/^VmHWM:/ {print int(\$2/1024)}" /proc/$kelvo/status; }
# Where the resident memory sits: the main heap, nameless mappings (thread
# heaps, big blocks, stacks) and everything else (libraries, shared memory).
parts() {
  awk "/^[0-9a-f]+-[0-9a-f]+ / {name = \$6} /^Rss:/ {
         if (name == \"[heap]\") h += \$2; else if (name == \"\") a += \$2; else o += \$2 }
       END {printf \"heap %d, anonymous %d, other %d MB\", h/1024, a/1024, o/1024}" /proc/$kelvo/smaps
}
main_window_back() {
  for w in $(xdotool search --onlyvisible --pid "$kelvo" --name "^Kelvo\$" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry "$w" | awk "/Geometry/ {split(\$2, g, \"x\"); print g[2]}")" -gt 100 ] && return 0
  done
  return 1
}
guides() { find "$KELVO_DATA_DIR" -mindepth 2 -maxdepth 2 -name guide.json 2>/dev/null | wc -l; }
echo "before any recording: resident $(rss) MB"
for ((i = 1; i <= recordings; i++)); do
  xdotool key ctrl+alt+super+r
  sleep $((3 + 1))
  for ((c = 0; c < seconds; c++)); do
    xdotool mousemove $((300 + 37 * c)) $((300 + 23 * i % 300)) click 1
    sleep 1
  done
  xdotool key ctrl+alt+super+r
  # Saved once the main window is back (the HUD, also "Kelvo", is 54 px high).
  for _ in $(seq 1 600); do
    main_window_back && break
    sleep 0.1
  done
  echo "after recording $i: resident $(rss) MB ($(parts)), peak $(hwm) MB, guides $(guides)"
done
' memory-bench "$recordings" "$seconds"
