// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace kelvo {

// Reads the two grants recording needs from the desktop.
class PermissionProbe {
public:
    virtual ~PermissionProbe() = default;
    // An X11 display with shared memory is reachable (no prompt).
    virtual bool screenRecording() = 0;
    // The accessibility bus says assistive technologies are enabled (no prompt).
    virtual bool accessibility() = 0;
    // Switches accessibility on, then answers as accessibility() does.
    virtual bool requestAccessibility() = 0;
    // From now on, calls changed (on this thread) whenever the desktop switches
    // accessibility on or off. Probes that cannot listen do nothing.
    virtual void watchAccessibility(std::function<void(bool enabled)> changed) { static_cast<void>(changed); }
};

} // namespace kelvo
