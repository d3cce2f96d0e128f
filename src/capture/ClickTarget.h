// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kelvo {

// What the accessibility service says about a clicked element. Every field may
// be absent; `label` is never empty when present.
struct ClickTarget {
    std::optional<QString> role;        // "AX…" identifier, e.g. "AXButton"
    std::optional<QString> label;
    std::optional<QString> windowTitle; // untrimmed, may be empty
    std::optional<QString> appName;

    friend bool operator==(const ClickTarget &, const ClickTarget &) = default;
};

} // namespace kelvo
