// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FinishWaiter.h"

namespace kelvo {

FinishWaiter::~FinishWaiter()
{
    if (timeout_)
        scheduler_.cancel(timeout_);
}

void FinishWaiter::reset()
{
    if (timeout_)
        scheduler_.cancel(timeout_);
    timeout_ = 0;
    done_ = nullptr;
    finished_ = false;
}

void FinishWaiter::finish()
{
    finished_ = true;
    resume();
}

void FinishWaiter::wait(std::chrono::milliseconds limit, std::function<void()> done)
{
    resume();
    if (finished_) {
        if (done)
            done();
        return;
    }
    done_ = std::move(done);
    timeout_ = scheduler_.postAfter(limit, [this] {
        timeout_ = 0;
        resume();
    });
}

void FinishWaiter::resume()
{
    if (timeout_) {
        scheduler_.cancel(timeout_);
        timeout_ = 0;
    }
    // Taken before it runs, so it runs at most once whichever path comes first.
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done();
}

} // namespace kelvo
