// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ClickMonitor.h"
#include "platform/x11/XcbUtil.h"

#include <QRect>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

class QSocketNotifier;

namespace kelvo {

class Scheduler;

// Raw XInput 2 button presses selected on the root window through a private X
// connection that the Qt event loop watches: every application's clicks arrive
// without grabbing the pointer from anyone. Button 1 is a left click, button 3
// a right click; others (middle, wheel) are never clicks. The location is the
// pointer position when the press is handled; presses over this process's own
// windows are not reported: its top-levels, its windows inside another client's
// (the tray icon inside the panel), and its menus and popups as they were at the
// moment of the press, even when they closed before the press is handled.
// With a rest handler it also follows raw pointer motion and reports where the
// pointer comes to rest.
class X11ClickMonitor final : public ClickMonitor {
public:
    // scheduler.now() stamps each click.
    explicit X11ClickMonitor(Scheduler &scheduler);
    ~X11ClickMonitor() override;

    void start() override;
    void stop() override;
    bool isRunning() const { return bool(connection_); }

private:
    void readEvents();
    bool isOwnPress(const xcb_query_pointer_reply_t &pointer);
    void trackPopups(const xcb_generic_event_t *event);
    void notePopup(xcb_window_t window);
    void pointerMoved();

    Scheduler &scheduler_;
    x11::Connection connection_;
    xcb_screen_t *screen_ = nullptr;
    uint8_t xinputOpcode_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<x11::OwnershipCache> ownership_;
    // This process's override-redirect top-levels (menus, popups) mapped at the
    // point of the event stream being handled, with their frames.
    std::unordered_map<xcb_window_t, QRect> ownPopups_;
    std::optional<std::uint64_t> restTask_;
};

} // namespace kelvo
