// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace kelvo {

// A bounded queue between the capture thread and the encoder: push never
// waits; an item that does not fit is dropped and counted.
template <typename T>
class FrameQueue {
public:
    explicit FrameQueue(std::size_t capacity) : capacity_(capacity) {}

    // False when the item was dropped (queue full or closed).
    bool push(T item)
    {
        {
            std::lock_guard lock(mutex_);
            if (closed_ || items_.size() >= capacity_) {
                ++dropped_;
                return false;
            }
            items_.push_back(std::move(item));
        }
        ready_.notify_one();
        return true;
    }

    // No more items will come; pop drains what is left, then returns nothing.
    void close()
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    enum class Result { item, timeout, closed };
    // Waits up to timeout for an item.
    Result pop(T &out, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, timeout, [this] { return !items_.empty() || closed_; }))
            return Result::timeout;
        if (items_.empty())
            return Result::closed;
        out = std::move(items_.front());
        items_.pop_front();
        return Result::item;
    }

    std::uint64_t dropped() const
    {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<T> items_;
    std::size_t capacity_;
    std::uint64_t dropped_ = 0;
    bool closed_ = false;
};

} // namespace kelvo
