// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XcbUtil.h"

#include "platform/x11/X11Windows.h"

#include <QGuiApplication>

#include <xcb/randr.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstring>

namespace kelvo::x11 {

std::optional<OpenConnection> connectToDisplay()
{
    int screenNumber = 0;
    Connection c(xcb_connect(nullptr, &screenNumber));
    if (!c || xcb_connection_has_error(c.get()))
        return std::nullopt;
    xcb_screen_t *screen = screenOf(c.get(), screenNumber);
    if (!screen)
        return std::nullopt;
    return OpenConnection{std::move(c), screen};
}

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_screen_t *screenOf(xcb_connection_t *connection, int screenNumber)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber)
            return it.data;
    }
    return nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name, bool onlyIfExists)
{
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, uint8_t(onlyIfExists ? 1 : 0), static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString atomName(xcb_connection_t *c, xcb_atom_t atom)
{
    Reply<xcb_get_atom_name_reply_t> r(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr));
    if (!r)
        return {};
    return QString::fromUtf8(xcb_get_atom_name_name(r.get()), xcb_get_atom_name_name_length(r.get()));
}

xcb_atom_t AtomCache::get(const char *name) const
{
    if (!c_)
        return XCB_ATOM_NONE;
    {
        std::lock_guard lock(mutex_);
        if (const auto found = atoms_.find(name); found != atoms_.end())
            return found->second;
    }
    const xcb_atom_t atom = internAtom(c_, name, true);
    if (atom != XCB_ATOM_NONE) {
        std::lock_guard lock(mutex_);
        atoms_.emplace(name, atom);
    }
    return atom;
}

xcb_connection_t *SharedDisplay::connection()
{
    std::lock_guard lock(mutex_);
    if (open_ || failed_)
        return open_ ? open_->connection.get() : nullptr;
    open_ = connectToDisplay();
    if (!open_) {
        failed_ = true;
        return nullptr;
    }
    root_ = open_->screen->root;
    atoms_.setConnection(open_->connection.get());
    return open_->connection.get();
}

std::vector<uint32_t> cardinals(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                uint32_t count)
{
    if (property == XCB_ATOM_NONE)
        return {};
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, count), nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const int length = xcb_get_property_value_length(reply.get()) / 4;
    const auto *values = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + length);
}

std::optional<uint32_t> cardinal(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    const std::vector<uint32_t> values = cardinals(c, window, property, type, 1);
    return values.empty() ? std::nullopt : std::optional<uint32_t>(values.front());
}

QByteArray textProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, uint32_t limit)
{
    if (property == XCB_ATOM_NONE)
        return {};
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, limit), nullptr));
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

int displayScreenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (const qsizetype dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        return display.mid(dot + 1).toInt();
    return 0;
}

bool compositingManagerRunning(xcb_connection_t *c, int screenNumber)
{
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    const xcb_atom_t atom = internAtom(c, name.constData());
    if (atom == XCB_ATOM_NONE)
        return false;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool sharedMemoryAvailable()
{
    auto open = connectToDisplay();
    if (!open)
        return false;
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(open->connection.get(), &xcb_shm_id);
    return shm && shm->present;
}

void setRootTextPropertyOnce(const char *name, const std::function<QByteArray()> &value)
{
    auto open = connectToDisplay();
    if (!open)
        return;
    xcb_connection_t *c = open->connection.get();
    const xcb_atom_t property = internAtom(c, name);
    if (property == XCB_ATOM_NONE)
        return;
    Reply<xcb_get_property_reply_t> present(xcb_get_property_reply(
        c, xcb_get_property(c, 0, open->screen->root, property, XCB_ATOM_STRING, 0, 0), nullptr));
    if (present && present->type == XCB_ATOM_STRING)
        return;
    const QByteArray text = value();
    if (text.isEmpty())
        return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, open->screen->root, property, XCB_ATOM_STRING, 8,
                        uint32_t(text.size()), text.constData());
    xcb_flush(c);
    // A round trip, so the property is set before the connection closes.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

std::vector<Monitor> monitors(xcb_connection_t *c, xcb_screen_t *screen)
{
    std::vector<Monitor> list;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_randr_id);
    if (ext && ext->present) {
        Reply<xcb_randr_query_version_reply_t> version(
            xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
        if (version && (version->major_version > 1 || version->minor_version >= 5)) {
            Reply<xcb_randr_get_monitors_reply_t> r(
                xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, screen->root, 1), nullptr));
            if (r) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const xcb_randr_monitor_info_t *m = it.data;
                    list.push_back({atomName(c, m->name), QRect(m->x, m->y, m->width, m->height),
                                    m->primary != 0});
                }
            }
        }
    }
    if (list.empty()) {
        // No RandR 1.5: the whole screen is one display.
        list.push_back({QStringLiteral("screen"),
                        QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels), true});
    }
    if (std::none_of(list.begin(), list.end(), [](const Monitor &m) { return m.primary; }))
        list.front().primary = true;
    std::stable_partition(list.begin(), list.end(), [](const Monitor &m) { return m.primary; });
    return list;
}

std::optional<Monitor> findMonitor(xcb_connection_t *c, xcb_screen_t *screen, const QString &name)
{
    for (Monitor &m : monitors(c, screen)) {
        if (m.name == name)
            return std::move(m);
    }
    return std::nullopt;
}

OwnershipCache::OwnershipCache(xcb_connection_t *c, unsigned pid)
    : c_(c), pid_(pid), pidAtom_(internAtom(c, "_NET_WM_PID"))
{
}

std::optional<unsigned> OwnershipCache::pidOf(xcb_window_t window)
{
    const std::optional<qint64> pid = pidOfWindow(c_, pidAtom_, window);
    return pid ? std::optional<unsigned>(unsigned(*pid)) : std::nullopt;
}

bool OwnershipCache::isOwn(xcb_window_t topLevel)
{
    if (auto it = known_.find(topLevel); it != known_.end())
        return it->second;
    bool own = false;
    if (auto pid = pidOf(topLevel)) {
        own = *pid == pid_;
    } else {
        // A window manager frame: look at the clients inside it, two levels deep.
        own = anyBelow(c_, topLevel, 2, [this](xcb_window_t window) { return pidOf(window) == pid_; });
    }
    known_.emplace(topLevel, own);
    return own;
}

void OwnershipCache::retainOnly(const std::vector<xcb_window_t> &present)
{
    for (auto it = known_.begin(); it != known_.end();) {
        if (std::find(present.begin(), present.end(), it->first) == present.end())
            it = known_.erase(it);
        else
            ++it;
    }
}

} // namespace kelvo::x11
