// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/PatientTargetFinder.h"

#include <QPointF>
#include <QSet>

#include <mutex>
#include <thread>

namespace kelvo {

struct PatientTargetFinder::Ahead {
    std::mutex mutex;
    quint64 generation = 0;
    std::optional<QPointF> point;         // the resting point read
    std::optional<ClickTarget> target;    // what was there, once read
};

PatientTargetFinder::PatientTargetFinder(std::shared_ptr<ClickTargetFinder> wrapped, Wait waiter, Launch launcher)
    : inner(std::move(wrapped))
    , wait(waiter ? std::move(waiter) : Wait([](std::chrono::milliseconds delay) { std::this_thread::sleep_for(delay); }))
    , launch(launcher ? std::move(launcher) : Launch([](std::function<void()> job) { std::thread(std::move(job)).detach(); }))
    , ahead(std::make_shared<Ahead>())
{
}

void PatientTargetFinder::rest(double x, double y)
{
    quint64 generation = 0;
    {
        std::lock_guard lock(ahead->mutex);
        generation = ++ahead->generation;
        ahead->point.reset();
        ahead->target.reset();
    }
    launch([state = ahead, finder = inner, generation, x, y] {
        std::optional<ClickTarget> found = finder->inspectTarget(x, y);
        std::lock_guard lock(state->mutex);
        if (state->generation != generation)
            return; // the pointer has moved on
        state->point = QPointF(x, y);
        state->target = std::move(found);
    });
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
    {
        // Read while the pointer rested here, before the press changed anything.
        std::lock_guard lock(ahead->mutex);
        if (ahead->point && *ahead->point == QPointF(x, y) && !isWeak(ahead->target))
            return ahead->target;
    }
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
