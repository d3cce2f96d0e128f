// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ApplicationNames.h"
#include "capture/ClickTargetFinder.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace kelvo::atspi {

// The inspector of an X11 desktop with AT-SPI 2. Every libatspi call runs on
// one dedicated thread shared by all instances; inspectTarget hops there and
// blocks until the answer is ready, so it may be called from any thread.
class AtspiClickTargetFinder : public ClickTargetFinder {
public:
    // names gives the application name of the clicked element's process; it is
    // called on the AT-SPI thread.
    explicit AtspiClickTargetFinder(std::shared_ptr<ApplicationNames> names);
    ~AtspiClickTargetFinder() override;

    std::optional<ClickTarget> inspectTarget(double x, double y) override;

    // Whether the accessibility bus says accessibility is on (IsEnabled).
    static bool accessibilityEnabled();
    // The AT-SPI name of the application with process pid; nothing when
    // accessibility is off or no such application is registered.
    static std::optional<QString> accessibleApplicationName(qint64 pid);
    // The tree around (x, y) as a snapshot (Snapshot.h); an empty object when
    // accessibility is off.
    static QJsonObject snapshot(int x, int y);

private:
    std::shared_ptr<ApplicationNames> names;
};

// Application names and the inspector of this desktop, wired together: names
// fall back to the AT-SPI application name.
struct DesktopAccessibility {
    std::shared_ptr<ApplicationNames> names;
    std::shared_ptr<ClickTargetFinder> inspector;
};
DesktopAccessibility makeDesktopAccessibility();

// The thread that owns every libatspi call, for others that listen there.
// Runs job on it without waiting.
void postToAtspiThread(std::function<void()> job);
// Runs job on it and waits at most limit; false when it did not end in time.
bool runOnAtspiThread(std::function<void()> job, std::chrono::milliseconds limit);
// On that thread: libatspi is initialised and dispatches there.
bool atspiReadyOnThread();

} // namespace kelvo::atspi
