// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowHints.h"

#include "platform/x11/XcbUtil.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace kelvo {

bool setOnAllWorkspaces(QWindow *window)
{
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    xcb_connection_t *connection = x11::qtConnection();
    if (!connection)
        return false;
    const auto id = static_cast<xcb_window_t>(window->winId());

    const xcb_atom_t desktop = x11::internAtom(connection, "_NET_WM_DESKTOP");
    const xcb_atom_t state = x11::internAtom(connection, "_NET_WM_STATE");
    if (desktop == XCB_ATOM_NONE || state == XCB_ATOM_NONE)
        return false;

    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);

    // Keep the states Qt has set (it merges ours in when it maps the window).
    std::vector<xcb_atom_t> states;
    const x11::Reply<xcb_get_property_reply_t> current(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr));
    if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(current.get()));
        states.assign(atoms, atoms + xcb_get_property_value_length(current.get()) / 4);
    }
    for (const char *name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                             "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = x11::internAtom(connection, name);
        if (atom != XCB_ATOM_NONE && std::find(states.begin(), states.end(), atom) == states.end())
            states.push_back(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(connection);
    return true;
}

bool compositingManagerRunning()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    xcb_connection_t *connection = x11::qtConnection();
    return !connection || x11::compositingManagerRunning(connection, x11::displayScreenNumber());
}

} // namespace kelvo
