// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Scheduler.h"

#include <map>
#include <tuple>

namespace kelvo::test {

// A scheduler on a manual clock: nothing runs until the test advances time.
class ManualScheduler final : public Scheduler {
public:
    TaskId post(std::function<void()> task) override;
    TaskId postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    void cancel(TaskId id) override;
    Clock::time_point now() const override { return now_; }

    // Moves the clock forward, running every task that falls due on the way, in
    // order of due time (then of posting). Tasks posted while advancing run too
    // when they fall within the advance.
    void advance(std::chrono::milliseconds by);
    // Runs the tasks due now.
    void runDue() { advance(std::chrono::milliseconds(0)); }
    std::size_t pendingCount() const { return tasks_.size(); }

private:
    using Key = std::tuple<Clock::time_point, TaskId>;
    Clock::time_point now_{};
    TaskId nextId_ = 1;
    std::map<Key, std::function<void()>> tasks_;
};

} // namespace kelvo::test
