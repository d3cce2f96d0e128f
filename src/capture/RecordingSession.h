// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Click.h"
#include "capture/ClickTarget.h"
#include "capture/Phase.h"
#include "model/Guide.h"
#include "model/Scheduler.h"

#include <QHash>
#include <QImage>
#include <QLockFile>
#include <QObject>
#include <QPointF>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThreadPool;

namespace kelvo {

class ClickMonitor;
class DisplayProvider;
class FieldWatcher;
class KeyMonitor;
class TypingTracker;
struct KeyStepRequest;
class GuideStore;
class RecordingEngine;

// Turns Record → countdown → clicks → Stop into a saved guide. One per
// application; all of its state lives on the main thread.
class RecordingSession : public QObject {
    Q_OBJECT
public:
    // What the session needs of the rest of the system.
    struct Services {
        GuideStore &store;
        Scheduler &scheduler;
        DisplayProvider &displays;
        // Blocking, called on background threads: the element at a global pixel point.
        std::function<std::optional<ClickTarget>(QPointF point)> inspectTarget;
        // Pure, called on background threads.
        std::function<QString(const ClickTarget &target, bool isRightClick)> makeCaption;
        // Blocking, called on background threads: the frame of the top-level window
        // under a global pixel point; nothing on the bare desktop or when unknown.
        std::function<std::optional<QRect>(QPoint point)> windowFrameAt = {};
        // Main thread, cheap: takes note of the frontmost application now (its
        // window, not yet its name); the function returned names it later, in the
        // step's background work, where it may block.
        using NameLater = std::function<std::optional<QString>()>;
        std::function<NameLater()> frontmostApplication;
        // Main thread, never prompts.
        std::function<bool()> screenRecordingGranted;
        // Wall clock for the guide's creation time; the monotonic clock is the scheduler's.
        std::function<QDateTime()> currentDateTime = [] { return QDateTime::currentDateTimeUtc(); };
        // Where step work runs; nullptr = the global pool.
        QThreadPool *pool = nullptr;
    };

    static constexpr std::chrono::milliseconds countdownTick{1000};
    static constexpr std::chrono::milliseconds elapsedRefresh{500};
    static constexpr std::chrono::milliseconds repeatWindow{400};
    static constexpr double repeatDistance = 12;
    static constexpr int widestStepImage = 2200;
    // Steps whose pictures may wait for a background thread with their frame;
    // beyond, a click's JPEG is made at once.
    static constexpr int maxImageBacklog = 8;
    // After Stop, how long accessibility queries still waiting may take.
    static constexpr std::chrono::milliseconds inspectionGraceAfterStop{2000};
    // Steps finished within this time of the last save go to disk together.
    static constexpr std::chrono::milliseconds progressSaveInterval{250};

    RecordingSession(Services services, std::unique_ptr<RecordingEngine> engine,
                     std::unique_ptr<ClickMonitor> clickMonitor, QObject *parent = nullptr);
    ~RecordingSession() override;

    Phase phase() const { return phase_; }
    int stepCount() const { return stepCount_; }
    double elapsed() const { return elapsed_; } // seconds since capture began
    const std::optional<QString> &errorMessage() const { return errorMessage_; }
    // The last recording's guide could not be written; it is still handed to onFinished.
    bool finalSaveFailed() const { return finalSaveFailed_; }
    void clearErrorMessage();

    // Called once per saved guide, after the phase is back to idle.
    std::function<void(const std::optional<Guide> &guide)> onFinished;
    // Called after every phase assignment, changed or not.
    std::function<void(Phase phase)> onPhaseChange;

    void start();
    // Cancels a countdown or ends a recording; nothing in idle and finishing.
    void stop();

    // Keys and the focused field, for typing and shortcut steps. Without them
    // (or with recordTyping off) only clicks make steps.
    void setTypingCapture(std::unique_ptr<KeyMonitor> keys, std::unique_ptr<FieldWatcher> fields);
    bool recordTyping() const { return recordTyping_; }
    // Takes effect at the next start of capture.
    void setRecordTyping(bool on);
    // Whether the recording under way sees keys.
    bool capturesTyping() const { return capturingTyping_; }

    RecordingEngine &engine() { return *engine_; }
    // True from an engine start until the engine has failed to start or been
    // stopped again: a stop in the countdown may leave a start in flight, whose
    // folder goes only once the engine lets go.
    bool engineBusy() const { return engineBusy_; }

signals:
    void phaseChanged(kelvo::Phase phase);
    void stepCountChanged(int stepCount);
    void elapsedChanged(double elapsed);
    void errorMessageChanged();
    void engineBusyChanged(bool busy);
    void recordTypingChanged(bool on);

private:
    struct StepJob;

    void setPhase(Phase phase);
    void setErrorMessage(std::optional<QString> message);
    void setElapsed(double seconds);
    void countdown(int secondsLeft);
    void beginCapture();
    void engineStarted(std::uint64_t generation, const QString &guideFolder, std::shared_ptr<QLockFile> lock,
                       std::optional<QString> error);
    void engineReleased();
    void setEngineBusy(bool busy);
    void tick();
    void handleClick(const Click &click);
    void stepDone(const std::shared_ptr<StepJob> &job, std::optional<Step> step);
    void giveUpWaitingInspections();
    void saveStepsSoon();
    void saveSteps();
    QThreadPool *imagePool() const;
    QThreadPool *inspectionPool();
    void finish();
    void finishIfDone();
    Guide assembleGuide() const;
    void saveProgress();
    void handleUnexpectedStop(const QString &error);
    void launchStepJob(const std::shared_ptr<StepJob> &job, QThreadPool *inspectionPool);
    void startTypingCapture();
    void stopTypingCapture();
    void makeKeyStep(const KeyStepRequest &request);
    void dropClickStep(int number, bool onlyIfEditable);

    Services services_;
    std::unique_ptr<RecordingEngine> engine_;
    std::unique_ptr<ClickMonitor> clickMonitor_;

    Phase phase_;
    int stepCount_ = 0;
    double elapsed_ = 0;
    std::optional<QString> errorMessage_;
    bool finalSaveFailed_ = false;

    std::optional<Scheduler::TaskId> runTask_;
    std::optional<Scheduler::TaskId> tickTask_;
    // Each start gets a new generation; engine answers for older ones are stale.
    std::uint64_t generation_ = 0;
    bool engineBusy_ = false;     // from an engine start until it failed or was stopped again
    bool captureWaiting_ = false; // the countdown ended while engineBusy_
    int pending_ = 0;
    std::vector<std::shared_ptr<StepJob>> jobs_; // pending, in click order
    std::shared_ptr<std::atomic<int>> imageBacklog_ = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<QThreadPool> ownInspectionPool_;
    std::optional<Scheduler::TaskId> inspectionDeadline_;
    bool unsavedSteps_ = false;
    std::optional<Scheduler::Clock::time_point> lastSave_;
    std::optional<Scheduler::TaskId> saveTask_;
    bool engineStopped_ = false;
    QUuid guideID_;
    QString folder_;
    std::shared_ptr<QLockFile> folderLock_; // from the folder's creation to the final save
    std::optional<Scheduler::Clock::time_point> startedAt_;
    QDateTime startedAtDate_;
    std::optional<QRect> targetFrame_;
    QList<Step> steps_;
    int stepNumber_ = 0;
    std::optional<Click> lastClick_;
    std::unique_ptr<KeyMonitor> keyMonitor_;
    std::shared_ptr<FieldWatcher> fieldWatcher_; // shared with step work reading text
    std::unique_ptr<TypingTracker> typingTracker_;
    bool recordTyping_ = true;
    bool capturingTyping_ = false;
    // Click steps merged into typing before they were done; true: only if the
    // click turns out to have been on an editable field.
    QHash<int, bool> droppedClicks_;
    QHash<int, QString> clickRoles_; // roles of the finished click steps, by number
    // Guards callbacks from background work against a session that is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The screenshot of a step: the frame scaled to at most maxWidth pixels wide with
// the click marker drawn at (clickX, clickY), as JPEG at quality 85. Any thread.
std::optional<QByteArray> renderStepImage(double clickX, double clickY, const QImage &image, int maxWidth);

// A window's frame in fractions of the recorded display (it may reach past its edges).
NormalRect normalisedWindowFrame(const QRect &window, const QRect &display);

// "Guide – " + the medium date and short time of the locale.
QString defaultGuideTitle(const QDateTime &createdAt, const QLocale &locale);

} // namespace kelvo
