// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <xcb/xcb.h>

#include <vector>

namespace kelvo::x11 {

// Composite redirection of the top-level windows lets a recording leave Kelvo's
// own windows out: every top-level keeps a picture of its own, composed again
// under Kelvo's windows. It costs the whole desktop (every window drawn off
// screen, then copied), so it is held only while a recording runs.

// Whether the X server offers Composite 0.4 and Render, so that redirection can work.
bool compositeAvailable();

// Redirects the root's child windows (automatic mode) for as long as connection
// c stays open: the server undoes it when the connection closes. True when in place.
bool redirectTopLevels(xcb_connection_t *c, xcb_window_t root);

// A window redirected just now holds a copy of what the screen showed at its
// place (Kelvo's own windows above it included) until its owner paints again.
// Asks each of the top-levels, and the windows inside them, to paint the parts
// that lie under rects (global pixels) again. Does not wait.
void askToRepaint(xcb_connection_t *c, const std::vector<xcb_window_t> &topLevels, const std::vector<QRect> &rects);

} // namespace kelvo::x11
