#pragma once

#include "capture/Permissions.h"

namespace kelvo {

// Screen recording: an X11 display with MIT-SHM answers (a Wayland session
// without X11 access does not). Accessibility: IsEnabled of org.a11y.Status on
// the session bus's org.a11y.Bus /org/a11y/bus; while it is on, the root
// window's AT_SPI_BUS names the bus, so that Qt applications started later join.
class DesktopPermissionProbe final : public PermissionProbe {
public:
    bool screenRecording() override;
    bool accessibility() override;
    bool requestAccessibility() override;
};

} // namespace kelvo
