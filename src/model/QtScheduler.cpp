// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QtScheduler.h"

#include <QTimer>

namespace kelvo {

QtScheduler::QtScheduler(QObject *parent)
    : QObject(parent)
{
}

QtScheduler::~QtScheduler() = default;

Scheduler::TaskId QtScheduler::post(std::function<void()> task)
{
    return postAfter(std::chrono::milliseconds(0), std::move(task));
}

Scheduler::TaskId QtScheduler::postAfter(std::chrono::milliseconds delay, std::function<void()> task)
{
    const TaskId id = nextId_++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id, timer, task = std::move(task)]() {
        timers_.erase(id);
        timer->deleteLater();
        task();
    });
    timers_.emplace(id, timer);
    timer->start(delay);
    return id;
}

void QtScheduler::cancel(TaskId id)
{
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

Scheduler::Clock::time_point QtScheduler::now() const
{
    return Clock::now();
}

} // namespace kelvo
