#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the capture benchmark inside a private virtual desktop
# (Xvfb 1920x1080, openbox). Never part of the test command.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --build build -j2 --target capture_bench capture_bench_window
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
scripts/with-desktop.sh build/bench/capture_bench
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
