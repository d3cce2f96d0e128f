// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/RecordingSession.h"
#include "model/Scheduler.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace kelvo::cli {

// What `kelvo record` does between start and exit, apart from the process
// itself: the lines it prints, what Ctrl+C / SIGTERM and the hot key do in each
// phase, and the exit status.
class RecordRun : public QObject {
    Q_OBJECT
public:
    struct Output {
        std::function<void(const QString &line)> out;
        std::function<void(const QString &line)> err;
        // Called once with the process's exit status.
        std::function<void(int status)> exit;
    };

    RecordRun(RecordingSession &session, Scheduler &scheduler, std::optional<int> seconds, bool hotKey,
              Output output, QObject *parent = nullptr);

    // Starts the countdown; false when recording is not allowed (then exit is not called).
    bool start();
    // SIGINT or SIGTERM, delivered on the main thread. During the countdown it
    // cancels and exits once nothing is left behind (130 for SIGINT, 0 for
    // SIGTERM); during a recording it stops and keeps the guide; a second one
    // while a cancel is still settling exits at once.
    void signalReceived(int signal);
    // The hot key: Stop.
    void stopRequested();

private:
    void phaseChanged(Phase phase);
    void exitWhenSettled();
    void exitOnce(int status);

    RecordingSession &session_;
    Scheduler &scheduler_;
    std::optional<int> seconds_;
    bool hotKey_;
    Output output_;
    Phase phase_;
    int status_ = 0;
    std::optional<int> cancelStatus_;
    bool exited_ = false;
};

} // namespace kelvo::cli
