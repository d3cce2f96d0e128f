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
};

} // namespace kelvo
