// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QtGlobal>

#include <cstdint>
#include <optional>

namespace kelvo::test {

// Reads and asks the window manager on the test desktop, through a connection
// of its own (works beside Qt's offscreen platform too).
class DesktopWindows {
public:
    DesktopWindows();
    ~DesktopWindows();
    DesktopWindows(const DesktopWindows &) = delete;
    DesktopWindows &operator=(const DesktopWindows &) = delete;

    bool connected() const;
    std::uint32_t root() const;
    // A 32-bit property (CARDINAL, WINDOW, ATOM...) of a window; empty when unset.
    QList<std::uint32_t> property(std::uint32_t window, const char *name) const;
    std::uint32_t activeWindow() const;
    std::optional<std::uint32_t> currentDesktop() const;
    // The managed top-level windows (_NET_CLIENT_LIST) whose _NET_WM_PID is pid.
    QList<std::uint32_t> windowsOf(qint64 pid) const;

    // Asks the window manager to activate window as a pager would (always
    // honoured, unlike an application's own request) and waits until it is the
    // active window.
    ::testing::AssertionResult activate(std::uint32_t window, int timeoutMs) const;
    // Waits for a managed window of the process, then activates it.
    ::testing::AssertionResult activateWindowOf(qint64 pid, int timeoutMs) const;

private:
    std::uint32_t atom(const char *name) const;
    struct Private;
    Private *d;
};

} // namespace kelvo::test
