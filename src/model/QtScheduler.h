// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Scheduler.h"

#include <QObject>

#include <unordered_map>

class QTimer;

namespace kelvo {

// Runs tasks on the event loop of the thread that owns it.
class QtScheduler final : public QObject, public Scheduler {
public:
    explicit QtScheduler(QObject *parent = nullptr);
    ~QtScheduler() override;

    TaskId post(std::function<void()> task) override;
    TaskId postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
    void cancel(TaskId id) override;
    Clock::time_point now() const override;

private:
    TaskId nextId_ = 1;
    std::unordered_map<TaskId, QTimer *> timers_;
};

} // namespace kelvo
