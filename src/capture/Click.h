// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

#include <chrono>

namespace kelvo {

// One observed mouse press.
struct Click {
    QPointF location; // global pixels, origin at the top-left of the screen space, y downwards
    std::chrono::steady_clock::time_point time; // when the press was handled (monotonic)
    bool isRightClick = false;
};

} // namespace kelvo
