#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a private virtual desktop: Xvfb (1920x1080, Composite and
# RandR), a session D-Bus, the AT-SPI bus with accessibility switched on, and
# openbox. Everything started here is ended by process id when the command ends.
#   KELVO_A11Y=off  leaves accessibility switched off.
set -u

here=$(cd "$(dirname "$0")" && pwd)
pids=()
cleanup() {
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; gives up
# loudly (and ends everything) when SECONDS have passed.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    if ((SECONDS >= deadline)); then
      echo "with-desktop: gave up after ${seconds}s waiting for $what" >&2
      exit 1
    fi
    sleep 0.1
  done
}

# Xvfb picks a free display number itself and writes it to the pipe (-displayfd),
# so desktops started side by side never collide.
fifo=$(mktemp -u /tmp/kelvo-display.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 +extension Composite +extension RANDR -nolisten tcp \
  3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r -t 30 display <"$fifo" || display=""
rm -f "$fifo"
[ -n "$display" ] || { echo "with-desktop: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
wait_for 30 "Xvfb to answer" xdpyinfo

runtime_dir=$(mktemp -d /tmp/kelvo-runtime.XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"

eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
wait_for 30 "the accessibility bus" \
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress
if [ "${KELVO_A11Y:-on}" != off ]; then
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true \
    >/dev/null 2>&1
  a11y_on() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled | grep -q 'boolean true'
  }
  wait_for 10 "accessibility to be switched on" a11y_on
fi

# The project's own configuration, not the user's or the system's: openbox's
# default bindings turn clicks and scrolls on the bare desktop into menus and
# desktop switches. openbox announces itself before it has read it; the
# current desktop is published only afterwards.
openbox --config-file "$here/with-desktop-openbox.xml" >/dev/null 2>&1 &
pids+=($!)
wm_ready() {
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' &&
    xprop -root _NET_NUMBER_OF_DESKTOPS | grep -q '= 4$' &&
    xprop -root _NET_CURRENT_DESKTOP | grep -q '= 0$'
}
wait_for 30 "openbox to manage the desktop" wm_ready

"$@"
