// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace kelvo {

// Asks an EWMH window manager to show an unmapped window on every workspace, above
// others, and to leave it out of task bars and pagers. Nothing on other platforms.
// Returns whether the hints were set.
bool setOnAllWorkspaces(QWindow *window);

} // namespace kelvo

namespace kelvo {

// Whether a compositing manager owns _NET_WM_CM_Sn for the default screen. Without
// one, transparent pixels of a window show as black, so shaped windows need a mask.
// True on platforms other than X11.
bool compositingManagerRunning();

} // namespace kelvo
