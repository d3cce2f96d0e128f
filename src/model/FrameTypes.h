// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo {

// How a step's screenshot is cut before it is shown or exported.
enum class Framing { wholeScreen, clickedWindow, closeUp };

// A rectangle in fractions of the recorded display: 0..1 from the top-left corner.
struct NormalRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const NormalRect &, const NormalRect &) = default;
};

} // namespace kelvo
