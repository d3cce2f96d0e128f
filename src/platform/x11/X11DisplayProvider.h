// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Displays.h"

namespace kelvo {

// The RandR monitors of Qt's X connection, in native pixels; their names are
// the display ids X11RecordingEngine accepts. Without an X connection (other
// Qt platforms) the QScreen list stands in.
class X11DisplayProvider final : public DisplayProvider {
public:
    QList<Display> displays() const override;
    std::optional<Display> primaryDisplay() const override;
    QPoint pointerPosition() const override;
};

// The display whose frame holds point: left and top edges in, right and bottom out.
std::optional<Display> displayAt(const QList<Display> &displays, QPoint point);

} // namespace kelvo
