// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kelvo {

// Longest typed text shown in a caption, in user-perceived characters.
inline constexpr int typedTextLimit = 80;

// The caption of typing into a field. text: the field's text when the typing
// ended (nothing when it could not be read, and always nothing for a password
// field). Pure; any thread.
QString typingCaption(const std::optional<QString> &text, bool isPassword, const std::optional<QString> &label,
                      bool pressedEnter);

// "Press Ctrl+S".
QString shortcutCaption(const QString &keys);

// A field whose text reads back as mask characters only hides a password.
bool looksMasked(const QString &text);

} // namespace kelvo
