// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kelvo {

// The user-facing name of a running application. Implementations are safe to
// call from any thread.
class ApplicationNames {
public:
    virtual ~ApplicationNames();
    // The application that owns process pid; nothing when it cannot be found.
    virtual std::optional<QString> applicationName(qint64 pid) = 0;
    // The application of the active window now; nothing when there is none.
    virtual std::optional<QString> frontmostApplicationName() = 0;
    // The two halves of frontmostApplicationName, for callers that must not
    // block: activeWindow is cheap (one question to the display; 0 = none),
    // applicationOfWindow names that window's application later and may block.
    virtual unsigned activeWindow() { return 0; }
    virtual std::optional<QString> applicationOfWindow(unsigned window)
    {
        static_cast<void>(window);
        return std::nullopt;
    }
};

} // namespace kelvo
