#pragma once

class QWindow;

namespace kelvo {

// Asks an EWMH window manager to show an unmapped window on every workspace, above
// others, and to leave it out of task bars and pagers. Nothing on other platforms.
// Returns whether the hints were set.
bool setOnAllWorkspaces(QWindow *window);

} // namespace kelvo
