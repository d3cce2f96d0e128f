#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Kelvo and its Debian package: scripts/package.sh [folder] (default
# build/package). Install it with: sudo apt install ./build/package/kelvo_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/package}"
scripts/setup.sh
scripts/build.sh
out=$(mkdir -p "$out" && cd "$out" && pwd)
(cd build && cpack -G DEB -B "$out")
rm -rf "$out/_CPack_Packages"
ls "$out"/kelvo_*.deb
