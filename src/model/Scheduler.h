// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace kelvo {

// Main-thread task queue: the one place timing enters the logic, so tests can
// run debounces, countdowns and repeat windows on a manual clock.
class Scheduler {
public:
    using TaskId = std::uint64_t;
    using Clock = std::chrono::steady_clock;

    virtual ~Scheduler() = default;

    // Runs task on the main thread as soon as possible.
    virtual TaskId post(std::function<void()> task) = 0;
    // Runs task on the main thread once delay has passed on the monotonic clock.
    virtual TaskId postAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;
    // A cancelled task never runs; cancelling a finished or unknown task does nothing.
    virtual void cancel(TaskId id) = 0;
    // The monotonic clock that delays are measured on.
    virtual Clock::time_point now() const = 0;
};

} // namespace kelvo
