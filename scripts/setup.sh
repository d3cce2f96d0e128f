#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package Kelvo needs to build, run and test. Idempotent:
# packages already present are left alone, so a second run costs one dpkg query.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimediawidgets6
  qt6-svg-dev qt6-image-formats-plugins libgl-dev
  # translations: lupdate/lrelease with their CMake functions, and Qt's own German texts
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  # video: FFmpeg libraries, and gstreamer for Qt Multimedia playback
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  # X11 capture and input
  libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-composite0-dev
  libxcb-render0-dev libxcb-damage0-dev libxcb-xinput-dev libxcb-xfixes0-dev
  libxcb-keysyms1-dev libxcb-image0-dev libxcb-render-util0-dev libx11-dev libx11-xcb-dev
  libxkbcommon-dev libxkbcommon-x11-dev libxcb-xkb-dev
  # accessibility
  libatspi2.0-dev at-spi2-core libatk-adaptor libglib2.0-dev dbus dbus-x11
  # PDF
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
  # fast JSON reading
  libsimdjson-dev
  # the virtual desktop for tests
  xvfb openbox xdotool x11-utils x11-xserver-utils gtk-3-examples poppler-utils
  python3 python3-gi gir1.2-atspi-2.0 imagemagick
  # packaging: the .deb and the checks of the installed files
  dpkg-dev file desktop-file-utils appstream man-db
  # checks of the HTML and Markdown exports: a real browser and a CommonMark/GFM renderer
  firefox-esr cmark-gfm
  # toolkits the caption tests meet for real: GTK 4, Qt 5
  gtk-4-examples featherpad
  # the caption fixture applications (tests/fixtures/captions-gtk3, captions-gtk4)
  gir1.2-gtk-3.0 gir1.2-gtk-4.0
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
