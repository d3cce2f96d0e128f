#include "capture/PatientTargetFinder.h"

#include <QSet>

#include <thread>

namespace kelvo {

PatientTargetFinder::PatientTargetFinder(std::shared_ptr<ClickTargetFinder> wrapped, Wait waiter)
    : inner(std::move(wrapped))
    , wait(waiter ? std::move(waiter) : Wait([](std::chrono::milliseconds delay) { std::this_thread::sleep_for(delay); }))
{
}

bool PatientTargetFinder::isWeak(const std::optional<ClickTarget> &target)
{
    static const QSet<QString> weakRoles{
        QStringLiteral("AXWindow"), QStringLiteral("AXDocumentFrame"), QStringLiteral("AXDocumentWeb"),
        QStringLiteral("AXApplication"),
    };
    return !target || !target->role || weakRoles.contains(*target->role);
}

std::optional<ClickTarget> PatientTargetFinder::inspectTarget(double x, double y)
{
    std::optional<ClickTarget> first = inner->inspectTarget(x, y);
    if (!isWeak(first))
        return first;
    wait(secondLookDelay);
    std::optional<ClickTarget> second = inner->inspectTarget(x, y);
    if (!isWeak(second) || (!first && second))
        return second;
    return first;
}

} // namespace kelvo
