// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopServices.h"

#include "app/settings/TypingSetting.h"
#include "capture/ApplicationNames.h"
#include "capture/CaptionWriter.h"
#include "capture/PatientTargetFinder.h"
#include "capture/Permissions.h"
#include "platform/atspi/AtspiClickTargetFinder.h"
#include "platform/atspi/AtspiFieldWatcher.h"
#include "platform/atspi/DesktopPermissionProbe.h"
#include "platform/atspi/WindowFrames.h"
#include "platform/x11/X11ClickMonitor.h"
#include "platform/x11/X11DisplayProvider.h"
#include "platform/x11/X11KeyMonitor.h"
#include "platform/x11/X11RecordingEngine.h"

namespace kelvo {

DesktopCapture makeDesktopCapture(GuideStore &store, Scheduler &scheduler, QSettings &settings)
{
    DesktopCapture capture;
    capture.probe = std::make_unique<DesktopPermissionProbe>();
    capture.permissions = std::make_unique<Permissions>(*capture.probe, settings);
    capture.displays = std::make_unique<X11DisplayProvider>();

    const atspi::DesktopAccessibility accessibility = atspi::makeDesktopAccessibility();
    Permissions *permissions = capture.permissions.get();
    auto patient = std::make_shared<PatientTargetFinder>(accessibility.inspector);
    RecordingSession::Services services{
        .store = store,
        .scheduler = scheduler,
        .displays = *capture.displays,
        .inspectTarget = [inspector = patient](QPointF point) {
            return inspector->inspectTarget(point.x(), point.y());
        },
        .makeCaption = [](const ClickTarget &target, bool isRightClick) { return makeCaption(target, isRightClick); },
        .windowFrameAt = [frames = makeDesktopWindowFrameFinder()](QPoint point) { return frames->frameAt(point); },
        .frontmostApplication =
            [names = accessibility.names] {
                // Only the window is read at the click; the name (desktop entries,
                // perhaps the accessibility bus) is looked up in the step's work.
                return [names, window = names->activeWindow()] { return names->applicationOfWindow(window); };
            },
        .screenRecordingGranted = [permissions] { return permissions->screenRecording(); },
    };
    auto clickMonitor = std::make_unique<X11ClickMonitor>(scheduler);
    clickMonitor->setOnRest([patient](QPointF point) { patient->rest(point.x(), point.y()); });
    capture.session = std::make_unique<RecordingSession>(std::move(services),
                                                         std::make_unique<X11RecordingEngine>(scheduler),
                                                         std::move(clickMonitor));
    capture.session->setTypingCapture(std::make_unique<X11KeyMonitor>(),
                                      std::make_unique<atspi::AtspiFieldWatcher>(accessibility.names));
    capture.session->setRecordTyping(recordTypingSetting(settings));
    return capture;
}

} // namespace kelvo
