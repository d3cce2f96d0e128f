// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ClickMonitor.h"
#include "capture/Displays.h"
#include "capture/RecordingEngine.h"
#include "capture/RecordingSession.h"

#include <QFile>
#include <QMutex>

namespace kelvo::test {

// A recording engine run by the test: start and stop finish when told to.
class FakeRecordingEngine final : public RecordingEngine {
public:
    struct Log {
        int starts = 0;
        int stops = 0;
        int refusedStarts = 0;
        QString displayId;
        QString videoPath;
    };

    // Shared with the test, which keeps it after the session takes the engine.
    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::optional<QString> startError;  // the next start fails with this
    bool completeStartAtOnce = true;    // else completeStart() must be called
    bool completeStopAtOnce = true;     // else completeStop() must be called
    bool writeVideo = true;             // start creates the video file

    void start(const QString &displayId, const QString &videoPath, StartDone done) override
    {
        ++log->starts;
        if (pendingStart_ || running_) { // as the real engine answers
            ++log->refusedStarts;
            if (done)
                done(QStringLiteral("A recording is already running."));
            return;
        }
        log->displayId = displayId;
        log->videoPath = videoPath;
        pendingStart_ = std::move(done);
        if (completeStartAtOnce)
            completeStart();
    }

    void completeStart()
    {
        auto done = std::exchange(pendingStart_, nullptr);
        if (!done)
            return;
        if (!startError && writeVideo) {
            QFile file(log->videoPath);
            if (file.open(QIODevice::WriteOnly))
                file.write("movie");
        }
        running_ = !startError;
        done(startError);
    }

    void stop(StopDone done) override
    {
        ++log->stops;
        pendingStop_ = std::move(done);
        if (completeStopAtOnce || !running_)
            completeStop();
    }

    bool stopPending() const { return bool(pendingStop_); }

    void completeStop()
    {
        running_ = false;
        setFrame(QImage());
        if (auto done = std::exchange(pendingStop_, nullptr))
            done();
    }

    QImage latestFrame() const override
    {
        QMutexLocker lock(&frameLock_);
        return frame_;
    }

    void setFrame(QImage frame)
    {
        QMutexLocker lock(&frameLock_);
        frame_ = std::move(frame);
    }

    void failUnexpectedly(const QString &error) { reportUnexpectedStop(error); }

private:
    mutable QMutex frameLock_;
    QImage frame_;
    bool running_ = false;
    StartDone pendingStart_;
    StopDone pendingStop_;
};

// Clicks are whatever the test says they are.
class FakeClickMonitor final : public ClickMonitor {
public:
    std::shared_ptr<bool> running = std::make_shared<bool>(false);

    void start() override { *running = true; }
    void stop() override { *running = false; }
    // Reports only while started, as the real monitor does.
    void click(const Click &click) const
    {
        if (*running)
            report(click);
    }
};

class FakeDisplayProvider final : public DisplayProvider {
public:
    QList<Display> screens{{QStringLiteral("primary"), QRect(0, 0, 1920, 1080)}};
    QPoint pointer{100, 100};

    QList<Display> displays() const override { return screens; }
    std::optional<Display> primaryDisplay() const override
    {
        if (screens.isEmpty())
            return std::nullopt;
        return screens.first();
    }
    QPoint pointerPosition() const override { return pointer; }
};

// A session's services with nothing to inspect and screen recording granted:
// for tests whose subject is not the capture itself.
inline RecordingSession::Services quietServices(GuideStore &store, Scheduler &scheduler, DisplayProvider &displays)
{
    return {
        .store = store,
        .scheduler = scheduler,
        .displays = displays,
        .inspectTarget = [](QPointF) { return std::optional<ClickTarget>(); },
        .makeCaption = [](const ClickTarget &, bool) { return QStringLiteral("Click"); },
        .frontmostApplication = [] { return RecordingSession::Services::NameLater(); },
        .screenRecordingGranted = [] { return true; },
    };
}

} // namespace kelvo::test
