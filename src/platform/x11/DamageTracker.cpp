// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DamageTracker.h"

#include "platform/x11/XcbUtil.h"

#include <algorithm>

namespace kelvo::x11 {

std::unique_ptr<DamageTracker> DamageTracker::create(xcb_connection_t *c, xcb_window_t root)
{
    const xcb_query_extension_reply_t *damageExt = xcb_get_extension_data(c, &xcb_damage_id);
    const xcb_query_extension_reply_t *fixesExt = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!damageExt || !damageExt->present || !fixesExt || !fixesExt->present)
        return nullptr;
    Reply<xcb_xfixes_query_version_reply_t> fv(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    Reply<xcb_damage_query_version_reply_t> dv(
        xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    if (!fv || !dv)
        return nullptr;
    return std::unique_ptr<DamageTracker>(
        new DamageTracker(c, uint8_t(damageExt->first_event + XCB_DAMAGE_NOTIFY), root));
}

DamageTracker::DamageTracker(xcb_connection_t *c, uint8_t eventType, xcb_window_t root)
    : c_(c)
    , eventType_(eventType)
{
    screen_ = xcb_generate_id(c_);
    xcb_damage_create(c_, screen_, root, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    parts_ = xcb_generate_id(c_);
    xcb_xfixes_create_region(c_, parts_, 0, nullptr);
    pending_ = xcb_generate_id(c_);
    xcb_xfixes_create_region(c_, pending_, 0, nullptr);
}

DamageTracker::~DamageTracker()
{
    if (xcb_connection_has_error(c_))
        return;
    for (const auto &[window, damage] : watched_)
        xcb_damage_destroy(c_, damage);
    xcb_damage_destroy(c_, screen_);
    xcb_xfixes_destroy_region(c_, parts_);
    xcb_xfixes_destroy_region(c_, pending_);
    xcb_flush(c_);
}

void DamageTracker::discardReports()
{
    xcb_damage_subtract(c_, screen_, XCB_NONE, XCB_NONE);
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    while (Reply<xcb_generic_event_t> ev{xcb_poll_for_event(c_)}) {
    }
}

DamageTracker::Change DamageTracker::take(const xcb_generic_event_t &event)
{
    if (event.response_type != eventType_)
        return Change::none;
    const auto &notify = reinterpret_cast<const xcb_damage_notify_event_t &>(event);
    if (notify.damage == screen_) {
        xcb_damage_subtract(c_, screen_, XCB_NONE, parts_);
        xcb_xfixes_union_region(c_, pending_, parts_, pending_);
        return Change::screen;
    }
    // A window under one of Kelvo's changed: the frame shows it.
    xcb_damage_subtract(c_, notify.damage, XCB_NONE, XCB_NONE);
    return Change::underOwn;
}

bool DamageTracker::pendingChangeOutside(const QRect &frame, const std::vector<QRect> &own)
{
    Reply<xcb_xfixes_fetch_region_reply_t> region(
        xcb_xfixes_fetch_region_reply(c_, xcb_xfixes_fetch_region(c_, pending_), nullptr));
    if (!region)
        return false;
    const xcb_rectangle_t *r = xcb_xfixes_fetch_region_rectangles(region.get());
    for (int i = 0; i < xcb_xfixes_fetch_region_rectangles_length(region.get()); ++i) {
        const QRect changed = QRect(r[i].x, r[i].y, r[i].width, r[i].height) & frame;
        if (!changed.isEmpty()
            && std::none_of(own.begin(), own.end(), [&](const QRect &mine) { return mine.contains(changed); }))
            return true;
    }
    return false;
}

void DamageTracker::clearPending()
{
    xcb_xfixes_set_region(c_, pending_, 0, nullptr);
}

void DamageTracker::watchOnly(const std::vector<xcb_window_t> &windows)
{
    for (auto it = watched_.begin(); it != watched_.end();) {
        if (std::find(windows.begin(), windows.end(), it->first) == windows.end()) {
            xcb_damage_destroy(c_, it->second); // an error if the window is gone; ignored
            it = watched_.erase(it);
        } else {
            ++it;
        }
    }
    for (xcb_window_t window : windows) {
        if (watched_.count(window))
            continue;
        const xcb_damage_damage_t damage = xcb_generate_id(c_);
        xcb_damage_create(c_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        watched_.emplace(window, damage);
    }
}

} // namespace kelvo::x11
