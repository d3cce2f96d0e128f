#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Kelvo needs, builds it, and runs every test: the unit tests and the
# tests that need a display or the accessibility bus (inside a private virtual
# desktop), then a short fuzzing run of the guide.json reader.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

status=0
# Unit tests side by side; the desktop tests one at a time, alone, since real
# applications and the accessibility bus answer slowly on a loaded machine, and
# in random order, so that none leans on what an earlier one left behind.
scripts/with-desktop.sh ctest --test-dir build --output-on-failure -j2 -L unit || status=1
scripts/with-desktop.sh ctest --test-dir build --output-on-failure -L desktop --schedule-random || status=1

# The fuzzer wants clang's libFuzzer: a build of its own.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKELVO_FUZZ=ON -DKELVO_BUILD_TESTS=OFF -DKELVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_guide_json
ctest --test-dir build-fuzz --output-on-failure || status=1
exit $status
