// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ClickTargetFinder.h"

#include <chrono>
#include <functional>
#include <memory>

namespace kelvo {

// Applications answer for a moment after a press with what is left once they
// have handled it: a frame while focus moves (Firefox), nothing while a menu
// closes. So this inspector reads the element under a resting pointer ahead of
// time (rest) and answers a press at that same point with it; and when an
// answer at the press is that weak, it asks once more a little later and keeps
// the better one. inspectTarget blocks, like the inspector it wraps.
class PatientTargetFinder : public ClickTargetFinder {
public:
    using Wait = std::function<void(std::chrono::milliseconds)>;
    using Launch = std::function<void(std::function<void()>)>;
    static constexpr std::chrono::milliseconds secondLookDelay{200};

    // wait stands in for sleeping and launch for a background thread in tests.
    explicit PatientTargetFinder(std::shared_ptr<ClickTargetFinder> inner, Wait wait = {}, Launch launch = {});

    std::optional<ClickTarget> inspectTarget(double x, double y) override;
    // The pointer rests at (x, y): read what is there in the background. Any
    // call forgets the answer of an earlier resting point.
    void rest(double x, double y);

    // Nothing, a window, a document or an application: worth a second look.
    static bool isWeak(const std::optional<ClickTarget> &target);

private:
    struct Ahead;
    std::shared_ptr<ClickTargetFinder> inner;
    Wait wait;
    Launch launch;
    std::shared_ptr<Ahead> ahead; // shared with background readers that outlive a call
};

} // namespace kelvo
