#pragma once

#include <QString>

#include <optional>

namespace kelvo {

// What was clicked, as the accessibility service describes it.
struct ClickTarget {
    std::optional<QString> role;
    std::optional<QString> label;
    std::optional<QString> windowTitle;
    std::optional<QString> appName;

    friend bool operator==(const ClickTarget &, const ClickTarget &) = default;
};

} // namespace kelvo
