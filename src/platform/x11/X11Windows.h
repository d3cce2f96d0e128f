// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/XcbUtil.h"

#include <QRect>

#include <optional>

namespace kelvo::x11 {

// How deep below a window manager's frame the client window is looked for.
inline constexpr int clientSearchDepth = 3;

// The process of a window by its _NET_WM_PID; nothing when absent or 0.
std::optional<qint64> pidOfWindow(xcb_connection_t *c, xcb_atom_t netWmPid, xcb_window_t window);
// Whether the window manager manages the window as a client (it carries WM_STATE).
bool isClientWindow(xcb_connection_t *c, xcb_atom_t wmState, xcb_window_t window);
// The client inside a top-level (itself when it is one, or carries a pid): a
// window manager's frame carries no _NET_WM_PID, the client inside it does.
xcb_window_t clientOf(xcb_connection_t *c, const AtomCache &atoms, xcb_window_t topLevel);
// Visits the windows below topLevel breadth first, depth levels deep, until
// visit returns true; returns whether it did.
bool anyBelow(xcb_connection_t *c, xcb_window_t topLevel, int depth,
              const std::function<bool(xcb_window_t window)> &visit);

// The top-level windows of the display under a point, read through one private
// connection opened on first use. One thread at a time.
class TopLevelWindows {
public:
    struct Window {
        QRect client;       // the client window on the screen (frame excluded)
        QRect outer;        // the child of the root: the window manager's frame, or the client
        bool popup = false; // override-redirect: a menu, a dropdown list, a tooltip
        std::optional<qint64> pid;
        // _GTK_FRAME_EXTENTS: left, right, top, bottom (client-side shadows).
        int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;
    };

    // The topmost viewable top-level window holding the point.
    std::optional<Window> at(int x, int y);
    // The process of the active window.
    std::optional<qint64> activeProcess();

private:
    std::optional<QRect> screenRect(xcb_connection_t *c, xcb_window_t window);
    SharedDisplay display_;
};

} // namespace kelvo::x11
