// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualScheduler.h"

#include <algorithm>

namespace kelvo::test {

Scheduler::TaskId ManualScheduler::post(std::function<void()> task)
{
    return postAfter(std::chrono::milliseconds(0), std::move(task));
}

Scheduler::TaskId ManualScheduler::postAfter(std::chrono::milliseconds delay, std::function<void()> task)
{
    const TaskId id = nextId_++;
    tasks_.emplace(Key{now_ + delay, id}, std::move(task));
    return id;
}

void ManualScheduler::cancel(TaskId id)
{
    const auto it = std::find_if(tasks_.begin(), tasks_.end(),
                                 [id](const auto &entry) { return std::get<1>(entry.first) == id; });
    if (it != tasks_.end())
        tasks_.erase(it);
}

void ManualScheduler::advance(std::chrono::milliseconds by)
{
    const Clock::time_point end = now_ + by;
    while (!tasks_.empty() && std::get<0>(tasks_.begin()->first) <= end) {
        auto node = tasks_.extract(tasks_.begin());
        now_ = std::max(now_, std::get<0>(node.key()));
        node.mapped()();
    }
    now_ = end;
}

} // namespace kelvo::test
