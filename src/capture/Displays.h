// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

namespace kelvo {

struct Display {
    QString id;  // stable while the display is connected (RandR monitor / output name)
    QRect frame; // global pixels, top-left origin
};

// The screens of the desktop. Main thread only.
class DisplayProvider {
public:
    virtual ~DisplayProvider() = default;
    // In the desktop's order; the primary display first.
    virtual QList<Display> displays() const = 0;
    virtual std::optional<Display> primaryDisplay() const = 0;
    virtual QPoint pointerPosition() const = 0;
};

} // namespace kelvo
