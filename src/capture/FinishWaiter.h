// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Scheduler.h"

#include <chrono>
#include <functional>

namespace kelvo {

// Waits for a movie file to be finished, but never longer than a limit. Main
// thread only: the writer's "finished" report must be brought there first.
class FinishWaiter {
public:
    explicit FinishWaiter(Scheduler &scheduler) : scheduler_(scheduler) {}
    ~FinishWaiter();
    FinishWaiter(const FinishWaiter &) = delete;
    FinishWaiter &operator=(const FinishWaiter &) = delete;

    // A new recording: not finished, nobody waiting.
    void reset();
    // The file is finished: resumes the waiter, if any.
    void finish();
    // done runs exactly once: at once when already finished, else on finish()
    // or when limit has passed, whichever comes first. A newer wait replaces an
    // older one, which then runs at once.
    void wait(std::chrono::milliseconds limit, std::function<void()> done);
    bool isFinished() const { return finished_; }
    bool isWaiting() const { return bool(done_); }

private:
    void resume();
    Scheduler &scheduler_;
    bool finished_ = false;
    std::function<void()> done_;
    Scheduler::TaskId timeout_ = 0;
};

} // namespace kelvo
