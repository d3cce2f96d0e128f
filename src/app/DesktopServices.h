// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Displays.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"

#include <memory>

class QSettings;

namespace kelvo {

class GuideStore;
class Permissions;
class PermissionProbe;
class Scheduler;

// The capture backends of an X11 desktop with AT-SPI, wired into one recording
// session. Shared by the application and `kelvo record`.
struct DesktopCapture {
    std::unique_ptr<PermissionProbe> probe;
    std::unique_ptr<Permissions> permissions;
    std::unique_ptr<DisplayProvider> displays;
    std::unique_ptr<RecordingSession> session;
};

DesktopCapture makeDesktopCapture(GuideStore &store, Scheduler &scheduler, QSettings &settings);

} // namespace kelvo
