// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Click.h"

#include <QPointF>

#include <chrono>
#include <functional>

namespace kelvo {

// System-wide left and right mouse presses, delivered on the main thread.
// Presses on Kelvo's own windows, middle clicks and wheel turns are never reported.
class ClickMonitor {
public:
    using Handler = std::function<void(const Click &)>;

    virtual ~ClickMonitor() = default;

    using RestHandler = std::function<void(QPointF)>;
    // How long the pointer stays still before it counts as resting.
    static constexpr std::chrono::milliseconds restDelay{100};

    void setOnClick(Handler handler) { onClick_ = std::move(handler); }
    // Called on the main thread when the pointer has come to rest (global
    // pixels), so that what lies under it can be read before a press changes it.
    void setOnRest(RestHandler handler) { onRest_ = std::move(handler); }

    // Starts listening; a second start leaves one monitor installed.
    virtual void start() = 0;
    // Stops listening; harmless when already stopped.
    virtual void stop() = 0;

protected:
    void report(const Click &click) const
    {
        if (onClick_)
            onClick_(click);
    }

    void reportRest(QPointF point) const
    {
        if (onRest_)
            onRest_(point);
    }
    bool wantsRest() const { return bool(onRest_); }

private:
    Handler onClick_;
    RestHandler onRest_;
};

} // namespace kelvo
