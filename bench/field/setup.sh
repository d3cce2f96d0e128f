#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the real applications of the caption field evaluation (run by hand,
# not by the test command): GTK 3 and GTK 4 applications, a Qt 5 editor.
# Browsers and an office suite (firefox-esr, chromium, libreoffice-writer) are
# added with --large; they need some hundred megabytes.
set -euo pipefail
packages=(gtk-3-examples gtk-4-examples mousepad gnome-calculator featherpad python3-gi gir1.2-atspi-2.0 xdotool x11-utils)
[ "${1:-}" = --large ] && packages+=(firefox-esr chromium libreoffice-writer libreoffice-gtk3)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}"
