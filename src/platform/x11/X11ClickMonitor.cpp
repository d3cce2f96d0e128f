// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ClickMonitor.h"

#include "model/Scheduler.h"

#include <QSocketNotifier>

#include <xcb/xinput.h>

#include <unistd.h>

namespace kelvo {

namespace {
constexpr uint32_t leftButton = 1;
constexpr uint32_t rightButton = 3;
} // namespace

X11ClickMonitor::X11ClickMonitor(Scheduler &scheduler) : scheduler_(scheduler) {}

X11ClickMonitor::~X11ClickMonitor()
{
    stop();
}

void X11ClickMonitor::start()
{
    stop();
    auto open = x11::connectToDisplay();
    if (!open)
        return;
    xcb_connection_t *c = open->connection.get();
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present)
        return;
    x11::Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2)
        return;
    // Presses from the master pointer; motion from every device (the server
    // sends raw motion of the physical devices only).
    struct Mask {
        xcb_input_event_mask_t head;
        uint32_t bits;
    };
    const Mask masks[2]{{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS)},
        {{XCB_INPUT_DEVICE_ALL, 1}, uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION)}};
    x11::Reply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_input_xi_select_events_checked(c, open->screen->root, wantsRest() ? 2 : 1, &masks[0].head)));
    if (error)
        return;
    xinputOpcode_ = ext->major_opcode;
    screen_ = open->screen;
    ownership_ = std::make_unique<x11::OwnershipCache>(c, unsigned(getpid()));
    // Map and unmap of the root's children arrive in order with the presses, so a
    // menu that closes on the press is still known as open when the press is read.
    const uint32_t structure = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen_->root, XCB_CW_EVENT_MASK, &structure);
    connection_ = std::move(open->connection);
    ownPopups_.clear();
    if (x11::Reply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, screen_->root), nullptr)}) {
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            x11::Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
            if (attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                notePopup(children[i]);
        }
    }
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
}

void X11ClickMonitor::stop()
{
    if (restTask_) {
        scheduler_.cancel(*restTask_);
        restTask_.reset();
    }
    if (notifier_) {
        // May run inside the notifier's own signal: let the event loop delete it.
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    ownership_.reset();
    ownPopups_.clear();
    connection_.reset();
    screen_ = nullptr;
}

void X11ClickMonitor::notePopup(xcb_window_t window)
{
    xcb_connection_t *c = connection_ ? connection_.get() : nullptr;
    if (!c || !ownership_ || !ownership_->carriesOwnPid(window))
        return;
    x11::Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (geometry)
        ownPopups_[window] = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
}

void X11ClickMonitor::trackPopups(const xcb_generic_event_t *event)
{
    switch (event->response_type & 0x7f) {
    case XCB_MAP_NOTIFY: {
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (map->event == screen_->root && map->override_redirect)
            notePopup(map->window);
        break;
    }
    case XCB_UNMAP_NOTIFY:
        ownPopups_.erase(reinterpret_cast<const xcb_unmap_notify_event_t *>(event)->window);
        break;
    case XCB_DESTROY_NOTIFY:
        ownPopups_.erase(reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window);
        break;
    case XCB_CONFIGURE_NOTIFY: {
        const auto *configure = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        if (auto it = ownPopups_.find(configure->window); it != ownPopups_.end())
            it->second = QRect(configure->x, configure->y, configure->width, configure->height);
        break;
    }
    default:
        break;
    }
}

bool X11ClickMonitor::isOwnPress(const xcb_query_pointer_reply_t &pointer)
{
    const QPoint at(pointer.root_x, pointer.root_y);
    for (const auto &[window, frame] : ownPopups_) {
        if (frame.contains(at))
            return true;
    }
    if (pointer.child == XCB_NONE)
        return false;
    if (ownership_->isOwn(pointer.child))
        return true; // a top-level of Kelvo's (the HUD, the main window)
    // A window of Kelvo's inside another client's, such as the tray icon in a panel.
    xcb_connection_t *c = connection_.get();
    xcb_window_t window = pointer.child;
    for (int depth = 0; depth < 8; ++depth) {
        x11::Reply<xcb_query_pointer_reply_t> inner(xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr));
        if (!inner || inner->child == XCB_NONE)
            return false;
        window = inner->child;
        if (ownership_->carriesOwnPid(window))
            return true;
    }
    return false;
}

void X11ClickMonitor::readEvents()
{
    xcb_connection_t *c = connection_.get();
    // The pointer queries below may queue more events; the loop takes them too.
    while (c) {
        x11::Reply<xcb_generic_event_t> ev(xcb_poll_for_event(c));
        if (!ev)
            break;
        if ((ev->response_type & 0x7f) != XCB_GE_GENERIC) {
            trackPopups(ev.get());
            continue;
        }
        auto *ge = reinterpret_cast<xcb_ge_generic_event_t *>(ev.get());
        if (ge->extension == xinputOpcode_ && ge->event_type == XCB_INPUT_RAW_MOTION) {
            pointerMoved();
            continue;
        }
        if (ge->extension != xinputOpcode_ || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
            continue;
        const uint32_t button = reinterpret_cast<xcb_input_raw_button_press_event_t *>(ev.get())->detail;
        if (button != leftButton && button != rightButton)
            continue;
        x11::Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, screen_->root), nullptr));
        if (!pointer)
            continue;
        if (isOwnPress(*pointer))
            continue;
        const Click click{QPointF(pointer->root_x, pointer->root_y), scheduler_.now(), button == rightButton};
        report(click);
        // The callback may have stopped or restarted the monitor.
        if (connection_.get() != c)
            return;
    }
    if (c && xcb_connection_has_error(c))
        stop(); // the server went away: no more clicks
}

// Each motion restarts the wait; only a pointer still for restDelay is read,
// so a moving pointer costs one timer restart per event and no query.
void X11ClickMonitor::pointerMoved()
{
    if (restTask_)
        scheduler_.cancel(*restTask_);
    restTask_ = scheduler_.postAfter(restDelay, [this] {
        restTask_.reset();
        xcb_connection_t *c = connection_.get();
        if (!c)
            return;
        x11::Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, screen_->root), nullptr));
        if (!pointer || (pointer->child != XCB_NONE && ownership_->isOwn(pointer->child)))
            return;
        reportRest(QPointF(pointer->root_x, pointer->root_y));
    });
}

} // namespace kelvo
