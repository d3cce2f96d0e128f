// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/KeyMonitor.h"

#include <xkbcommon/xkbcommon.h>

#include <optional>

namespace kelvo {

// What kind of key a keysym is; nothing for modifier and lock keys, which are
// never reported on their own.
std::optional<KeyPress::Kind> keyKind(xkb_keysym_t keysym);

// A key's name as the desktop writes it in a shortcut: "Enter", "Esc", "F5",
// "Page Up", "Left", a character key in upper case ("S", "Ä", "1").
QString keyLabel(xkb_keysym_t keysym);

} // namespace kelvo
