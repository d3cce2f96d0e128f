// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FinishWaiter.h"
#include "capture/RecordingEngine.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kelvo {

class Scheduler;
namespace x11 {
struct RecordingRun;
}

// Records one RandR monitor with MIT-SHM grabs, driven by Damage (no change, no
// frame; at most 30 a second), without this process's own windows, into an
// HEVC QuickTime movie encoded on a thread of its own behind a bounded queue.
class X11RecordingEngine final : public QObject, public RecordingEngine {
    Q_OBJECT
public:
    // scheduler: main-thread timing for the finish limit.
    explicit X11RecordingEngine(Scheduler &scheduler, QObject *parent = nullptr);
    ~X11RecordingEngine() override;

    void start(const QString &displayId, const QString &videoPath, StartDone done) override;
    void stop(StopDone done) override;
    QImage latestFrame() const override;

    struct Statistics {
        std::uint64_t framesGrabbed = 0;
        std::uint64_t framesWritten = 0;
        std::uint64_t framesDropped = 0; // the encoder could not keep up
    };
    // Of the running recording, or of the last one.
    Statistics statistics() const;
    // False where Composite is missing: then Kelvo's own windows may show.
    bool excludesOwnWindows() const;

    static constexpr std::chrono::milliseconds finishLimit{5000};

private:
    void captureMain(std::shared_ptr<x11::RecordingRun> run, StartDone done);
    void encoderMain(std::shared_ptr<x11::RecordingRun> run);
    void runFinished(const std::shared_ptr<x11::RecordingRun> &run);
    void fail(x11::RecordingRun &run, const QString &error);
    void publish(const QImage &frame);

    FinishWaiter finishWaiter_;
    std::shared_ptr<x11::RecordingRun> run_;     // capturing
    std::shared_ptr<x11::RecordingRun> current_; // from start until stop is done
    std::shared_ptr<x11::RecordingRun> last_;    // for statistics
    std::vector<std::shared_ptr<x11::RecordingRun>> retired_; // stopped; encoder still busy

    mutable std::mutex frameLock_;
    QImage latestFrame_;
};

} // namespace kelvo
