// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace kelvo {

// Records one display, without Kelvo's own windows, into a movie file while
// keeping the newest complete frame at hand for screenshots.
class RecordingEngine {
public:
    // nothing = started; otherwise the text for the user ("Couldn't find the display to record.", ...)
    using StartDone = std::function<void(std::optional<QString> error)>;
    using StopDone = std::function<void()>;
    using UnexpectedStop = std::function<void(const QString &error)>;

    virtual ~RecordingEngine() = default;

    // Main thread. done runs on the main thread once frames flow and the file is being
    // written, or with the reason it could not start (then nothing is running).
    virtual void start(const QString &displayId, const QString &videoPath, StartDone done) = 0;
    // Main thread. done runs on the main thread when the movie file is finished, or at the
    // latest 5 seconds after capture stopped; at once when nothing is running.
    virtual void stop(StopDone done) = 0;
    // Any thread. The newest complete frame as an immutable image that callers may keep;
    // null before the first frame and after stop. Taken under the engine's frame lock.
    virtual QImage latestFrame() const = 0;

    // Called on any thread when capture or the movie writer fails during a recording.
    void setOnUnexpectedStop(UnexpectedStop handler) { onUnexpectedStop_ = std::move(handler); }

protected:
    void reportUnexpectedStop(const QString &error) const
    {
        if (onUnexpectedStop_)
            onUnexpectedStop_(error);
    }

private:
    UnexpectedStop onUnexpectedStop_;
};

} // namespace kelvo
