#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Click-to-step latency of `kelvo record`: from starting an xdotool click on a real
GTK application to step-N.jpg on disk (xdotool's own start-up, a few ms, included). Run inside scripts/with-desktop.sh:
    scripts/with-desktop.sh bench/capture/click_to_step.py build/src/app/kelvo [CLICKS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

kelvo = sys.argv[1]
clicks = int(sys.argv[2]) if len(sys.argv) > 2 else 30
data = tempfile.mkdtemp(prefix="kelvo-bench-")
env = dict(os.environ, KELVO_DATA_DIR=data)
env.pop("NO_AT_BRIDGE", None)
factory = subprocess.Popen(["gtk3-widget-factory"], env=env)
time.sleep(3)
recorder = subprocess.Popen([kelvo, "record"], env=env, stdout=subprocess.PIPE, text=True)
for line in recorder.stdout:
    if line.startswith("Recording."):
        break
folder = os.path.join(data, next(d for d in os.listdir(data)))
latencies = []
for n in range(1, clicks + 1):
    x, y = 60 + (n * 97) % 1200, 120 + (n * 53) % 500
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
    path = os.path.join(folder, "step-%d.jpg" % n)
    # xdotool sends the press at once but lingers ~100 ms before exiting: poll beside it.
    start = time.monotonic()
    click = subprocess.Popen(["xdotool", "click", "1"])
    while not os.path.exists(path) and time.monotonic() - start < 10:
        time.sleep(0.0005)
    latencies.append((time.monotonic() - start) * 1000)
    click.wait()
    time.sleep(0.5)  # outside the repeat window
recorder.terminate()
recorder.wait()
factory.terminate()
latencies.sort()
print("clicks %d  p50 %.1f ms  p95 %.1f ms  max %.1f ms" % (
    len(latencies), statistics.median(latencies), latencies[int(len(latencies) * 0.95) - 1], latencies[-1]))
