// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/KeyMonitor.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

namespace kelvo {

// Raw XInput 2 key presses selected on the root window through a private X
// connection, read on a thread of its own: every application's keys arrive
// without grabbing the keyboard from anyone, and the main thread only sees the
// presses that matter. The modifiers and the layout come from XKB state
// notifications, the key's label from xkbcommon. Key codes live only as long
// as the event being read.
class X11KeyMonitor final : public KeyMonitor {
public:
    X11KeyMonitor();
    ~X11KeyMonitor() override;

    void start() override;
    void stop() override;
    bool isRunning() const { return reader_.joinable(); }

private:
    struct Reader;

    std::thread reader_;
    int wakeFd_[2] = {-1, -1};
    // Presses queued to the main thread by an earlier start are dropped.
    std::shared_ptr<std::atomic<bool>> current_;
    std::unique_ptr<QObject> receiver_; // main-thread context for delivered presses
};

} // namespace kelvo
