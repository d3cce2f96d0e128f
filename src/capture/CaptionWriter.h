// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ClickTarget.h"

#include <QString>

#include <optional>

namespace kelvo {

// Longest cleaned label, in user-perceived characters (grapheme clusters).
inline constexpr int captionLabelLimit = 60;

// Trims white space and line breaks at both ends, turns inner line feeds into
// spaces and shortens to 60 grapheme clusters (59 + "…"). Blank or absent
// input gives nothing. Pure; callable from any thread.
std::optional<QString> cleanLabel(const std::optional<QString> &text);

// The one-line instruction for a click on target. Never empty; pure; callable
// from any thread.
QString makeCaption(const ClickTarget &target, bool isRightClick);
// No target at all reads as an empty one ("Click here").
QString makeCaption(const std::optional<ClickTarget> &target, bool isRightClick);

} // namespace kelvo
