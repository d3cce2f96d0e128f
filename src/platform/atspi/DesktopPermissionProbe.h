// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Permissions.h"
#include "platform/atspi/AccessibilityBus.h"

#include <memory>

namespace kelvo {

// Screen recording: an X11 display with MIT-SHM answers (a Wayland session
// without X11 access does not). Accessibility: the accessibility bus's IsEnabled,
// whose changes the bus announces; while it is on, the root window's AT_SPI_BUS
// names the bus, so that Qt applications started later join.
class DesktopPermissionProbe final : public PermissionProbe {
public:
    DesktopPermissionProbe();
    ~DesktopPermissionProbe() override;

    bool screenRecording() override;
    bool accessibility() override;
    bool requestAccessibility() override;
    void watchAccessibility(std::function<void(bool enabled)> changed) override;

private:
    std::unique_ptr<atspi::AccessibilityBus> bus_;
};

} // namespace kelvo
