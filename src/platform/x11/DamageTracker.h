// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kelvo::x11 {

// Damage reports of the whole screen, and of the windows Kelvo's own windows
// cover (changes there are hidden from the screen's damage but show in a frame
// that leaves Kelvo out), with the region the screen's reports changed.
// Everything it creates on the server goes with it.
class DamageTracker {
public:
    // Nothing where DAMAGE 1.1 or XFIXES 5 is missing.
    static std::unique_ptr<DamageTracker> create(xcb_connection_t *c, xcb_window_t root);
    ~DamageTracker();
    DamageTracker(const DamageTracker &) = delete;
    DamageTracker &operator=(const DamageTracker &) = delete;

    // The response type of a damage notification.
    uint8_t eventType() const { return eventType_; }
    // A new damage object starts out covering the whole screen: forgets what
    // was reported so far (the next grab shows all of it) and the events.
    void discardReports();

    enum class Change { none, screen, underOwn };
    // Takes one event: a report of the screen's adds to the pending region, one
    // of a watched window is acknowledged.
    Change take(const xcb_generic_event_t &event);
    // Whether the pending region holds a change within frame that no rect of
    // own contains whole.
    bool pendingChangeOutside(const QRect &frame, const std::vector<QRect> &own);
    void clearPending();
    // Damage on exactly these windows from now on.
    void watchOnly(const std::vector<xcb_window_t> &windows);

private:
    DamageTracker(xcb_connection_t *c, uint8_t eventType, xcb_window_t root);

    xcb_connection_t *c_;
    uint8_t eventType_;
    xcb_damage_damage_t screen_ = 0;
    xcb_xfixes_region_t parts_ = 0;
    xcb_xfixes_region_t pending_ = 0;
    std::unordered_map<xcb_window_t, xcb_damage_damage_t> watched_;
};

} // namespace kelvo::x11
