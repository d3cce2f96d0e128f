// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/atspi/TreeNode.h"

#include <QPoint>
#include <QRect>

#include <memory>
#include <mutex>
#include <optional>

namespace kelvo {

// The visible frame of a top-level window: the window manager's frame with its
// title bar, or, for a window that draws its own (no frame around the client),
// the client without its invisible shadow margins.
QRect visibleWindowFrame(const atspi::TopLevel &top);

// The frame of the top-level window under a global pixel point: nothing on the
// bare desktop. Any thread; calls are taken one at a time.
class WindowFrameFinder {
public:
    explicit WindowFrameFinder(std::unique_ptr<atspi::DesktopTree> desktop);
    ~WindowFrameFinder();
    std::optional<QRect> frameAt(QPoint point);

private:
    std::mutex lock_;
    std::unique_ptr<atspi::DesktopTree> desktop_;
};

// One on the X display, with its own connection.
std::shared_ptr<WindowFrameFinder> makeDesktopWindowFrameFinder();

} // namespace kelvo
