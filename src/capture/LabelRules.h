// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kelvo {

// Toolkits hand out texts a person would not write in a how-to: mnemonic
// underscores ("Page _2"), shortcuts ("Open a new tab (Ctrl+T)"), trailing
// colons ("Name:") and ellipses, object-replacement characters. Returns the
// text without them, trimmed when anything was removed, and untouched when
// nothing matched. role is the "AX…" identifier: rows, cells and text keep their
// underscores, since those are usually file names or typed text.
QString tidyLabel(const QString &text, const std::optional<QString> &role = std::nullopt);

// A toolkit's class name standing in for a missing name ("GtkButton",
// "AdwActionRow", "QLineEdit"): never a label.
bool isToolkitClassName(const QString &text);

// A name a toolkit gives every element of a role ("Tab" for each GTK 4
// notebook tab): it says nothing about this one, whose label child does.
bool isPlaceholderName(const QString &text, const std::optional<QString> &role);

// "7 7" → "7": some toolkits join a name and its label; nothing otherwise.
std::optional<QString> undoubled(const QString &text);

// Full paths in a window title shortened to their file names:
// "/home/ada/notes.txt - Mousepad" → "notes.txt - Mousepad".
QString shortenPathsInTitle(const QString &title);

} // namespace kelvo
