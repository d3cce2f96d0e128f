// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DesktopWindows.h"

#include "support/Wait.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace kelvo::test {

namespace {
struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;
} // namespace

struct DesktopWindows::Private {
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
};

DesktopWindows::DesktopWindows() : d(new Private)
{
    int screenNumber = 0;
    d->connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(d->connection))
        return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(d->connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (screens.rem)
        d->root = screens.data->root;
}

DesktopWindows::~DesktopWindows()
{
    xcb_disconnect(d->connection);
    delete d;
}

bool DesktopWindows::connected() const
{
    return !xcb_connection_has_error(d->connection) && d->root != XCB_WINDOW_NONE;
}

std::uint32_t DesktopWindows::root() const
{
    return d->root;
}

std::uint32_t DesktopWindows::atom(const char *name) const
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        d->connection, xcb_intern_atom(d->connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

QList<std::uint32_t> DesktopWindows::property(std::uint32_t window, const char *name) const
{
    QList<std::uint32_t> values;
    if (!connected())
        return values;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        d->connection, xcb_get_property(d->connection, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply || reply->format != 32)
        return values;
    const auto *data = static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
        values.append(data[i]);
    return values;
}

std::uint32_t DesktopWindows::activeWindow() const
{
    return property(d->root, "_NET_ACTIVE_WINDOW").value(0, XCB_WINDOW_NONE);
}

std::optional<std::uint32_t> DesktopWindows::currentDesktop() const
{
    const QList<std::uint32_t> value = property(d->root, "_NET_CURRENT_DESKTOP");
    return value.isEmpty() ? std::nullopt : std::optional(value.first());
}

QList<std::uint32_t> DesktopWindows::windowsOf(qint64 pid) const
{
    QList<std::uint32_t> windows;
    for (std::uint32_t window : property(d->root, "_NET_CLIENT_LIST")) {
        if (property(window, "_NET_WM_PID").value(0) == std::uint32_t(pid))
            windows.append(window);
    }
    return windows;
}

::testing::AssertionResult DesktopWindows::activate(std::uint32_t window, int timeoutMs) const
{
    if (!connected())
        return ::testing::AssertionFailure() << "no X display";
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 2; // source: a pager
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(d->connection, 0, d->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(d->connection);
    ::testing::AssertionResult active = waitFor([&] { return activeWindow() == window; }, timeoutMs);
    if (!active)
        return active << "; window 0x" << std::hex << window << " never became the active window (active: 0x"
                      << activeWindow() << ")";
    return active;
}

::testing::AssertionResult DesktopWindows::activateWindowOf(qint64 pid, int timeoutMs) const
{
    QList<std::uint32_t> windows;
    ::testing::AssertionResult managed = waitFor(
        [&] {
            windows = windowsOf(pid);
            return !windows.isEmpty();
        },
        timeoutMs);
    if (!managed)
        return managed << "; the window manager never managed a window of process " << pid;
    return activate(windows.first(), timeoutMs);
}

} // namespace kelvo::test
