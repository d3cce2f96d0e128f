#pragma once

#include "capture/ClickTargetFinder.h"

#include <chrono>
#include <functional>
#include <memory>

namespace kelvo {

// Applications answer for a moment after a press with what is left once they
// have handled it: a frame while focus moves (Firefox), nothing while a menu
// closes. When the first answer is that weak, this inspector asks once more a
// little later and keeps the better answer. Blocking, like the inspector it wraps.
class PatientTargetFinder : public ClickTargetFinder {
public:
    using Wait = std::function<void(std::chrono::milliseconds)>;
    static constexpr std::chrono::milliseconds secondLookDelay{200};

    // wait stands in for sleeping in tests.
    explicit PatientTargetFinder(std::shared_ptr<ClickTargetFinder> inner, Wait wait = {});

    std::optional<ClickTarget> inspectTarget(double x, double y) override;

    // Nothing, a window, a document or an application: worth a second look.
    static bool isWeak(const std::optional<ClickTarget> &target);

private:
    std::shared_ptr<ClickTargetFinder> inner;
    Wait wait;
};

} // namespace kelvo
