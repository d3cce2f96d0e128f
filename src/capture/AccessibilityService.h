// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/AccessibleElement.h"

namespace kelvo {

// The accessibility service as the inspection needs it. Called on one thread
// per inspection; backends that need a particular thread arrange it themselves.
class AccessibilityService {
public:
    virtual ~AccessibilityService() = default;
    // Whether the service may be used; never prompts.
    virtual bool isTrusted() = 0;
    virtual void setMessagingTimeout(float seconds) = 0;
    // The deepest element at the point, or nothing.
    virtual ElementPtr elementAtPosition(float x, float y) = 0;
};

} // namespace kelvo
