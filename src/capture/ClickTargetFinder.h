// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ClickTarget.h"

#include <optional>

namespace kelvo {

// Describes the element under a point. Blocking; callable from any thread.
class ClickTargetFinder {
public:
    virtual ~ClickTargetFinder();
    // x, y: global pixels, origin at the top-left of the screen space. Nothing
    // when accessibility is off or no element is there; never prompts.
    virtual std::optional<ClickTarget> inspectTarget(double x, double y) = 0;
};

} // namespace kelvo
