// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/WindowFrames.h"

#include "platform/atspi/AtspiNode.h"

namespace kelvo {

QRect visibleWindowFrame(const atspi::TopLevel &top)
{
    const atspi::Rect outer = top.outer.isEmpty() ? top.client : top.outer;
    QRect frame(outer.x, outer.y, outer.width, outer.height);
    if (top.outer.isEmpty() || top.outer == top.client) {
        // Client-side decorations: the shadows GTK draws around the window are not part of it.
        const QRect inner = frame.adjusted(top.frameLeft, top.frameTop, -top.frameRight, -top.frameBottom);
        if (inner.isValid() && !inner.isEmpty())
            frame = inner;
    }
    return frame;
}

WindowFrameFinder::WindowFrameFinder(std::unique_ptr<atspi::DesktopTree> desktop)
    : desktop_(std::move(desktop))
{
}

WindowFrameFinder::~WindowFrameFinder() = default;

std::optional<QRect> WindowFrameFinder::frameAt(QPoint point)
{
    std::lock_guard guard(lock_);
    if (!desktop_)
        return std::nullopt;
    const std::optional<atspi::TopLevel> top = desktop_->topLevelAt(point.x(), point.y());
    if (!top)
        return std::nullopt;
    const QRect frame = visibleWindowFrame(*top);
    if (frame.isEmpty())
        return std::nullopt;
    return frame;
}

std::shared_ptr<WindowFrameFinder> makeDesktopWindowFrameFinder()
{
    // Only the X11 half of the desktop is used here, on a connection of its own,
    // so the accessibility thread is never involved.
    return std::make_shared<WindowFrameFinder>(std::make_unique<atspi::AtspiDesktop>());
}

} // namespace kelvo
