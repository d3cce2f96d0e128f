#!/usr/bin/env bash
# Runs a command inside a private virtual desktop: Xvfb (1920x1080, Composite and
# RandR), a session D-Bus, the AT-SPI bus with accessibility switched on, and
# openbox. Everything started here is ended by process id when the command ends.
#   KELVO_A11Y=off  leaves accessibility switched off.
set -u

pids=()
cleanup() {
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

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
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "with-desktop: Xvfb did not answer" >&2; exit 1; }

runtime_dir=$(mktemp -d /tmp/kelvo-runtime.XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"

eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done
if [ "${KELVO_A11Y:-on}" != off ]; then
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true \
    >/dev/null 2>&1 || echo "with-desktop: could not switch accessibility on" >&2
fi

openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

"$@"
