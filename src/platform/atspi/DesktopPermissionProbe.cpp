// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/DesktopPermissionProbe.h"

#include "platform/x11/XcbUtil.h"

namespace kelvo {

DesktopPermissionProbe::DesktopPermissionProbe() = default;
DesktopPermissionProbe::~DesktopPermissionProbe() = default;

bool DesktopPermissionProbe::screenRecording()
{
    return x11::sharedMemoryAvailable();
}

namespace {

// Qt 5 and Qt 6 applications join the accessibility bus only when a screen
// reader is said to run or when the root window's AT_SPI_BUS names the bus, as a
// desktop session's bus launcher sets it. The latter changes nothing for
// applications already on the bus, so Kelvo sets it when it is missing.
void publishBusAddress()
{
    x11::setRootTextPropertyOnce("AT_SPI_BUS", [] { return atspi::AccessibilityBus::address(); });
}

} // namespace

bool DesktopPermissionProbe::accessibility()
{
    const bool enabled = atspi::AccessibilityBus::isEnabled();
    if (enabled)
        publishBusAddress();
    return enabled;
}

bool DesktopPermissionProbe::requestAccessibility()
{
    atspi::AccessibilityBus::enable();
    return accessibility();
}

void DesktopPermissionProbe::watchAccessibility(std::function<void(bool enabled)> changed)
{
    auto bus = std::make_unique<atspi::AccessibilityBus>();
    if (!bus->watch([changed = std::move(changed)](bool enabled) {
            if (enabled)
                publishBusAddress();
            changed(enabled);
        }))
        return; // no session bus: accessibility is read when asked, as before
    bus_ = std::move(bus);
}

} // namespace kelvo
