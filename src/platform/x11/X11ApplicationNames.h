// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ApplicationNames.h"
#include "platform/x11/DesktopEntries.h"

#include <functional>
#include <memory>
#include <mutex>

struct xcb_connection_t;

namespace kelvo::x11 {

class SharedDisplay;

// Application names on an X11 desktop: the Name of the application's desktop
// entry (found through GIO's launch record, its windows' application id and
// WM_CLASS, or its executable), else the AT-SPI application name, else the
// process name. Thread-safe.
class X11ApplicationNames : public ApplicationNames {
public:
    using AccessibleNameSource = std::function<std::optional<QString>(qint64 pid)>;

    explicit X11ApplicationNames(AccessibleNameSource accessibleName = {});
    // For tests: fixed desktop entries and /proc root.
    X11ApplicationNames(AccessibleNameSource accessibleName, DesktopEntries entries, QString procRoot);
    ~X11ApplicationNames() override;

    std::optional<QString> applicationName(qint64 pid) override;
    std::optional<QString> frontmostApplicationName() override;
    unsigned activeWindow() override;
    std::optional<QString> applicationOfWindow(unsigned window) override;

private:
    struct WindowHints {
        QString applicationId;
        QString instance;
        QString className;
    };

    const DesktopEntries &entries();
    xcb_connection_t *display();
    std::optional<QString> nameFromHints(const WindowHints &hints);
    std::optional<QString> nameOfProcess(qint64 pid, const std::optional<WindowHints> &knownHints);
    std::optional<WindowHints> hintsOf(unsigned window);
    QList<unsigned> windowsOf(qint64 pid);
    std::optional<qint64> pidOfWindow(unsigned window);
    unsigned atom(const char *name);

    AccessibleNameSource accessibleName;
    QString procRoot;

    std::once_flag entriesOnce;
    std::unique_ptr<DesktopEntries> desktopEntries;

    std::unique_ptr<SharedDisplay> display_;
};

} // namespace kelvo::x11
