// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/RecordRun.h"

#include <csignal>
#include <utility>

namespace kelvo::cli {

RecordRun::RecordRun(RecordingSession &session, Scheduler &scheduler, std::optional<int> seconds, bool hotKey,
                     Output output, QObject *parent)
    : QObject(parent)
    , session_(session)
    , scheduler_(scheduler)
    , seconds_(seconds)
    , hotKey_(hotKey)
    , output_(std::move(output))
{
    connect(&session_, &RecordingSession::phaseChanged, this, &RecordRun::phaseChanged);
    connect(&session_, &RecordingSession::stepCountChanged, this,
            [this](int count) { output_.out(tr("Steps: %1").arg(count)); });
    connect(&session_, &RecordingSession::errorMessageChanged, this, [this] {
        if (session_.errorMessage())
            output_.err(QStringLiteral("kelvo: ") + *session_.errorMessage());
    });
    connect(&session_, &RecordingSession::engineBusyChanged, this, [this] { exitWhenSettled(); });
    session_.onFinished = [this](const std::optional<Guide> &guide) {
        if (guide)
            output_.out(uuidText(guide->id));
        exitOnce(session_.finalSaveFailed() ? 1 : 0);
    };
}

bool RecordRun::start()
{
    session_.start();
    return !session_.phase().isIdle();
}

void RecordRun::phaseChanged(Phase phase)
{
    const Phase previous = std::exchange(phase_, phase);
    if (phase.isCountdown()) {
        output_.out(tr("Starting in %1…").arg(phase.secondsLeft));
    } else if (phase.isRecording()) {
        output_.out(hotKey_ ? tr("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")
                            : tr("Recording. Press Ctrl+C to stop."));
        if (seconds_)
            scheduler_.postAfter(std::chrono::seconds(*seconds_), [this] { session_.stop(); });
    } else if (phase.isFinishing()) {
        output_.out(tr("Finishing…"));
    } else if (phase.isIdle()) {
        // A failed start returns to idle without a guide; a finished recording's
        // guide comes next, through onFinished.
        if (previous.isCountdown() && session_.errorMessage())
            status_ = 1;
        exitWhenSettled();
    }
}

void RecordRun::signalReceived(int signal)
{
    const int status = signal == SIGINT ? 130 : 0;
    if (cancelStatus_) {
        exitOnce(*cancelStatus_); // asked twice: don't wait any longer
        return;
    }
    if (session_.phase().isCountdown()) {
        cancelStatus_ = status;
        session_.stop();
        exitWhenSettled();
    } else {
        session_.stop(); // a recording ends as Stop ends it, and its guide is kept
    }
}

void RecordRun::stopRequested()
{
    if (session_.phase().isCountdown())
        cancelStatus_ = 0;
    session_.stop();
    exitWhenSettled();
}

void RecordRun::exitWhenSettled()
{
    // Idle with an engine start still in flight: its folder goes once the engine
    // lets go, and only then may the process end.
    if (!session_.phase().isIdle() || session_.engineBusy())
        return;
    if (cancelStatus_)
        exitOnce(*cancelStatus_);
    else if (status_ != 0)
        exitOnce(status_);
}

void RecordRun::exitOnce(int status)
{
    if (std::exchange(exited_, true))
        return;
    if (output_.exit)
        output_.exit(status);
}

} // namespace kelvo::cli
