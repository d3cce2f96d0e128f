#pragma once

#include "capture/Click.h"

#include <functional>

namespace kelvo {

// System-wide left and right mouse presses, delivered on the main thread.
// Presses on Kelvo's own windows, middle clicks and wheel turns are never reported.
class ClickMonitor {
public:
    using Handler = std::function<void(const Click &)>;

    virtual ~ClickMonitor() = default;

    void setOnClick(Handler handler) { onClick_ = std::move(handler); }

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

private:
    Handler onClick_;
};

} // namespace kelvo
