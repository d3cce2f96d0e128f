// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingSession.h"

#include "capture/ClickMonitor.h"
#include "capture/Displays.h"
#include "capture/FieldWatcher.h"
#include "capture/FrameMemory.h"
#include "capture/KeyCaptions.h"
#include "capture/KeyMonitor.h"
#include "capture/RecordingEngine.h"
#include "capture/TypingTracker.h"
#include "store/GuideFiles.h"
#include "model/Dates.h"
#include "store/GuideStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QRunnable>
#include <QSaveFile>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <mutex>
#include <utility>

namespace kelvo {

namespace {

constexpr auto videoFileName = "video.mov";

bool isEditableRole(const std::optional<QString> &role)
{
    return role
        && (*role == u"AXTextField" || *role == u"AXTextArea" || *role == u"AXSearchField" || *role == u"AXComboBox");
}

double secondsBetween(Scheduler::Clock::time_point from, Scheduler::Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// Left and top edges belong to the display, right and bottom ones to its neighbours.
bool frameContains(const QRect &frame, const QPointF &point)
{
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() && point.y() >= frame.top()
        && point.y() < frame.top() + frame.height();
}

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

// One click's background work, in two stages that run apart: the picture (the
// frame is let go as soon as its JPEG is on disk) and the accessibility query
// (slow, queued behind others, never holding a frame). Whichever ends last
// assembles the step.
struct RecordingSession::StepJob {
    QPointF inspectionPoint;
    Services::NameLater fallbackApp;
    QImage frame;                   // until the image stage has used it
    std::optional<QByteArray> jpeg; // made on the main thread when the image stages were backed up
    double clickX;
    double clickY;
    int number;
    QString folder;
    bool isRightClick;
    double timestamp;
    std::function<std::optional<ClickTarget>(QPointF)> inspectTarget;
    std::function<QString(const ClickTarget &, bool)> makeCaption;
    std::function<std::optional<QRect>(QPoint)> windowFrameAt;
    QRect display;
    std::optional<NormalRect> windowFrame; // found in the image stage

    std::mutex lock;
    bool imageDone = false;
    bool written = false;
    bool inspectionDone = false;
    std::optional<ClickTarget> found;
    std::optional<QString> fallbackName;
    bool reported = false;
    std::atomic<bool> pastDeadline{false};

    QString fileName() const { return QStringLiteral("step-%1.jpg").arg(number); }

    void runImage()
    {
        // First thing, while the clicked window is most likely still where it was.
        std::optional<NormalRect> clickedWindow;
        if (windowFrameAt) {
            const QPoint at(int(std::floor(inspectionPoint.x())), int(std::floor(inspectionPoint.y())));
            if (const auto window = windowFrameAt(at))
                clickedWindow = normalisedWindowFrame(*window, display);
        }
        {
            std::lock_guard guard(lock);
            windowFrame = clickedWindow;
        }
        std::optional<QByteArray> data = std::move(jpeg);
        if (!data)
            data = renderStepImage(clickX, clickY, frame, widestStepImage);
        frame = QImage();
        const bool ok = data && writeAtomically(folder + QLatin1Char('/') + fileName(), *data);
        data.reset();
        // Named here, not behind the element's query: it is what the step falls
        // back to when the element cannot be asked in time.
        std::optional<QString> name = ok && fallbackApp ? fallbackApp() : std::nullopt;
        std::lock_guard guard(lock);
        written = ok;
        fallbackName = std::move(name);
        imageDone = true;
    }

    void runInspection()
    {
        std::optional<ClickTarget> target;
        if (inspectTarget && !pastDeadline)
            target = inspectTarget(inspectionPoint);
        std::lock_guard guard(lock);
        if (inspectionDone)
            return; // given up on at the deadline
        found = std::move(target);
        inspectionDone = true;
    }

    // Stops waiting for the element: the frontmost application stands in.
    void giveUpInspection()
    {
        pastDeadline = true;
        std::lock_guard guard(lock);
        inspectionDone = true;
    }

    // Under lock: the step once both stages are done, exactly once.
    bool takeResult(std::optional<Step> &step)
    {
        if (!imageDone || !inspectionDone || reported)
            return false;
        reported = true;
        if (!written)
            return true; // no step
        const std::optional<QString> appName = found && found->appName ? found->appName : fallbackName;
        ClickTarget target = found.value_or(ClickTarget{});
        target.appName = appName;
        Step made;
        made.caption = makeCaption(target, isRightClick);
        made.appName = appName;
        made.timestamp = timestamp;
        made.imageFileName = fileName();
        made.clickX = clickX;
        made.clickY = clickY;
        made.isRightClick = isRightClick;
        made.windowFrame = windowFrame;
        step = std::move(made);
        return true;
    }
};

RecordingSession::RecordingSession(Services services, std::unique_ptr<RecordingEngine> engine,
                                   std::unique_ptr<ClickMonitor> clickMonitor, QObject *parent)
    : QObject(parent)
    , services_(std::move(services))
    , engine_(std::move(engine))
    , clickMonitor_(std::move(clickMonitor))
{
    QPointer<RecordingSession> self(this);
    engine_->setOnUnexpectedStop([self](const QString &error) {
        // Reported on any thread: hop to the session's.
        QMetaObject::invokeMethod(
            self.data(),
            [self, error] {
                if (self)
                    self->handleUnexpectedStop(error);
            },
            Qt::QueuedConnection);
    });
    clickMonitor_->setOnClick([self](const Click &click) {
        if (self)
            self->handleClick(click);
    });
}

RecordingSession::~RecordingSession()
{
    *alive_ = false;
    if (inspectionDeadline_)
        services_.scheduler.cancel(*inspectionDeadline_);
    if (saveTask_)
        services_.scheduler.cancel(*saveTask_);
    for (const std::shared_ptr<StepJob> &job : jobs_)
        job->pastDeadline = true; // nobody waits for their answers any more
    if (runTask_)
        services_.scheduler.cancel(*runTask_);
    if (tickTask_)
        services_.scheduler.cancel(*tickTask_);
    clickMonitor_->stop();
    if (keyMonitor_)
        keyMonitor_->stop();
    if (fieldWatcher_)
        fieldWatcher_->stop();
}

void RecordingSession::setPhase(Phase phase)
{
    if (!(phase_ == phase)) {
        phase_ = phase;
        emit phaseChanged(phase);
    }
    if (onPhaseChange)
        onPhaseChange(phase);
}

void RecordingSession::setErrorMessage(std::optional<QString> message)
{
    if (errorMessage_ == message)
        return;
    errorMessage_ = std::move(message);
    emit errorMessageChanged();
}

void RecordingSession::clearErrorMessage()
{
    setErrorMessage(std::nullopt);
}

void RecordingSession::setElapsed(double seconds)
{
    if (elapsed_ == seconds)
        return;
    elapsed_ = seconds;
    emit elapsedChanged(seconds);
}

void RecordingSession::start()
{
    if (!phase_.isIdle())
        return;
    setErrorMessage(std::nullopt);
    if (!services_.screenRecordingGranted || !services_.screenRecordingGranted()) {
        setErrorMessage(QCoreApplication::translate("kelvo::RecordingSession", "Kelvo needs Screen Recording permission before it can record."));
        return;
    }
    ++generation_;
    countdown(3);
}

void RecordingSession::countdown(int secondsLeft)
{
    setPhase(Phase::countdown(secondsLeft));
    runTask_ = services_.scheduler.postAfter(countdownTick, [this, secondsLeft] {
        runTask_.reset();
        if (secondsLeft > 1)
            countdown(secondsLeft - 1);
        else
            beginCapture();
    });
}

void RecordingSession::beginCapture()
{
    if (engineBusy_) {
        // An earlier start, stopped while the engine was starting, still holds
        // the engine: capture begins once it has let go.
        captureWaiting_ = true;
        return;
    }
    const QPoint pointer = services_.displays.pointerPosition();
    std::optional<Display> target;
    for (const Display &display : services_.displays.displays()) {
        if (frameContains(display.frame, pointer)) {
            target = display;
            break;
        }
    }
    if (!target)
        target = services_.displays.primaryDisplay();
    if (!target || target->id.isEmpty()) {
        setErrorMessage(QCoreApplication::translate("kelvo::RecordingSession", "Couldn't find a display to record."));
        setPhase(Phase::idle());
        return;
    }

    guideID_ = QUuid::createUuid();
    steps_.clear();
    stepNumber_ = 0;
    stepCount_ = 0;
    emit stepCountChanged(0);
    setElapsed(0);
    lastClick_.reset();
    pending_ = 0;
    jobs_.clear();
    unsavedSteps_ = false;
    lastSave_.reset();
    if (saveTask_) {
        services_.scheduler.cancel(*saveTask_);
        saveTask_.reset();
    }
    startedAt_.reset();
    targetFrame_ = target->frame;

    const QString guideFolder = services_.store.rootPath() + QLatin1Char('/') + uuidText(guideID_);
    QString error;
    folder_ = services_.store.createFolder(guideID_, &error);
    if (folder_.isEmpty()) {
        engineStarted(generation_, guideFolder, {}, error);
        return;
    }
    // Held until the final save: other Kelvo processes leave the folder alone.
    folderLock_ = GuideStore::lockForRecording(folder_, &error);
    if (!folderLock_) {
        engineStarted(generation_, guideFolder, {}, error);
        return;
    }
    // Every recording folder holds a guide from the start, even if Kelvo is
    // killed before the first frame.
    Guide initial = assembleGuide();
    initial.videoFileName = QString::fromLatin1(videoFileName);
    if (Error saveError; !services_.store.save(initial, &saveError)) {
        engineStarted(generation_, guideFolder, folderLock_, saveError.message());
        return;
    }
    QPointer<RecordingSession> self(this);
    const std::uint64_t generation = generation_;
    setEngineBusy(true);
    engine_->start(target->id, folder_ + QLatin1Char('/') + QLatin1String(videoFileName),
                   [self, generation, guideFolder, lock = folderLock_](std::optional<QString> startError) {
                       if (self)
                           self->engineStarted(generation, guideFolder, lock, std::move(startError));
                   });
}

void RecordingSession::engineStarted(std::uint64_t generation, const QString &guideFolder,
                                     std::shared_ptr<QLockFile> lock, std::optional<QString> error)
{
    const bool current = generation == generation_;
    if (error) {
        if (current) {
            folderLock_.reset();
            folder_.clear();
            setErrorMessage(QCoreApplication::translate("kelvo::RecordingSession", "Couldn't start recording: %1").arg(*error));
            setPhase(Phase::idle());
        }
        lock.reset();
        guideFiles::removeGuideFolder(guideFolder);
        setEngineBusy(false);
        engineReleased();
        return;
    }
    if (!current) {
        // Stopped while the engine was starting (and perhaps started again since):
        // nothing was recorded worth keeping. The folder goes once the engine has
        // let go of the movie file.
        QPointer<RecordingSession> self(this);
        engine_->stop([self, guideFolder, lock]() mutable {
            lock.reset();
            guideFiles::removeGuideFolder(guideFolder);
            if (self) {
                self->setEngineBusy(false);
                self->engineReleased();
            }
        });
        return;
    }
    startedAt_ = services_.scheduler.now();
    startedAtDate_ = services_.currentDateTime();
    clickMonitor_->start();
    startTypingCapture();
    setPhase(Phase::recording());
    saveProgress();
    tick();
}

void RecordingSession::setEngineBusy(bool busy)
{
    if (engineBusy_ == busy)
        return;
    engineBusy_ = busy;
    emit engineBusyChanged(busy);
}

void RecordingSession::engineReleased()
{
    if (std::exchange(captureWaiting_, false))
        beginCapture();
}

void RecordingSession::tick()
{
    if (startedAt_)
        setElapsed(secondsBetween(*startedAt_, services_.scheduler.now()));
    tickTask_ = services_.scheduler.postAfter(elapsedRefresh, [this] { tick(); });
}

void RecordingSession::handleClick(const Click &click)
{
    if (!phase_.isRecording() || !targetFrame_ || !startedAt_)
        return;
    const QRect frame = *targetFrame_;
    if (!frameContains(frame, click.location))
        return;
    if (lastClick_ && click.time - lastClick_->time < repeatWindow) {
        const QPointF d = click.location - lastClick_->location;
        if (std::hypot(d.x(), d.y()) < repeatDistance)
            return;
    }
    lastClick_ = click;

    QImage frameImage = engine_->latestFrame();
    if (frameImage.isNull() || folder_.isEmpty())
        return;

    auto job = std::make_shared<StepJob>();
    job->inspectionPoint = click.location;
    job->fallbackApp = services_.frontmostApplication ? services_.frontmostApplication() : nullptr;
    job->clickX = (click.location.x() - frame.left()) / frame.width();
    job->clickY = (click.location.y() - frame.top()) / frame.height();
    job->number = ++stepNumber_;
    job->folder = folder_;
    job->isRightClick = click.isRightClick;
    job->timestamp = secondsBetween(*startedAt_, click.time);
    job->inspectTarget = services_.inspectTarget;
    job->makeCaption = services_.makeCaption;
    job->windowFrameAt = services_.windowFrameAt;
    job->display = frame;
    if (typingTracker_)
        typingTracker_->clicked(click.location, click.time, job->number);
    if (imageBacklog_->load() >= maxImageBacklog) {
        // The picture stages are behind: rather than keep one more frame waiting
        // (8 MB at 1080p, 33 MB at 4K), make its JPEG now.
        job->jpeg = renderStepImage(job->clickX, job->clickY, frameImage, widestStepImage);
    } else {
        job->frame = std::move(frameImage);
    }
    launchStepJob(job, inspectionPool());
}

void RecordingSession::launchStepJob(const std::shared_ptr<StepJob> &job, QThreadPool *inspectionPool)
{
    ++pending_;
    jobs_.push_back(job);

    QPointer<RecordingSession> self(this);
    // Whichever stage ends last hands the step to the main thread.
    auto reportIfDone = [self](const std::shared_ptr<StepJob> &done) {
        std::optional<Step> step;
        {
            std::lock_guard guard(done->lock);
            if (!done->takeResult(step))
                return;
        }
        QMetaObject::invokeMethod(
            self.data(),
            [self, done, step = std::move(step)] {
                if (self)
                    self->stepDone(done, step);
            },
            Qt::QueuedConnection);
    };
    ++*imageBacklog_;
    imagePool()->start([job, reportIfDone, backlog = imageBacklog_] {
        job->runImage();
        --*backlog;
        reportIfDone(job);
    });
    inspectionPool->start([job, reportIfDone] {
        job->runInspection();
        reportIfDone(job);
    });
}

QThreadPool *RecordingSession::imagePool() const
{
    return services_.pool ? services_.pool : QThreadPool::globalInstance();
}

QThreadPool *RecordingSession::inspectionPool()
{
    if (services_.pool)
        return services_.pool;
    if (!ownInspectionPool_) {
        // Queries go one by one to the accessibility thread anyway; one caller
        // keeps the queue here, where a deadline can still drop what waits.
        ownInspectionPool_ = std::make_unique<QThreadPool>();
        ownInspectionPool_->setMaxThreadCount(1);
    }
    return ownInspectionPool_.get();
}

void RecordingSession::giveUpWaitingInspections()
{
    inspectionDeadline_.reset();
    const std::vector<std::shared_ptr<StepJob>> waiting = jobs_; // stepDone takes them off jobs_
    for (const std::shared_ptr<StepJob> &job : waiting) {
        job->giveUpInspection();
        std::optional<Step> step;
        bool done = false;
        {
            std::lock_guard guard(job->lock);
            done = job->takeResult(step);
        }
        if (done)
            stepDone(job, step);
    }
}

void RecordingSession::stepDone(const std::shared_ptr<StepJob> &job, std::optional<Step> step)
{
    const auto it = std::find(jobs_.begin(), jobs_.end(), job);
    if (it == jobs_.end())
        return; // already taken in at the deadline
    jobs_.erase(it);
    --pending_;
    if (step && droppedClicks_.contains(job->number)) {
        const bool onlyIfEditable = droppedClicks_.take(job->number);
        if (!onlyIfEditable || isEditableRole(job->found ? job->found->role : std::nullopt)) {
            QFile::remove(job->folder + QLatin1Char('/') + job->fileName());
            step.reset();
        }
    }
    if (step && job->found && job->found->role)
        clickRoles_.insert(job->number, *job->found->role);
    if (step) {
        steps_.append(std::move(*step));
        unsavedSteps_ = true;
    }
    saveStepsSoon();
    finishIfDone();
}

void RecordingSession::saveStepsSoon()
{
    if (!unsavedSteps_)
        return;
    // guide.json holds every step: saving it once per step of a burst would
    // write the whole list again and again. Steps that arrive within the
    // interval go to disk together; the last one waiting never waits.
    const auto now = services_.scheduler.now();
    const auto sinceSave = lastSave_ ? now - *lastSave_ : progressSaveInterval;
    if (pending_ == 0 || sinceSave >= progressSaveInterval) {
        saveSteps();
        return;
    }
    if (saveTask_)
        return; // already due
    saveTask_ = services_.scheduler.postAfter(
        std::chrono::ceil<std::chrono::milliseconds>(progressSaveInterval - sinceSave), [this] {
            saveTask_.reset();
            saveSteps();
        });
}

void RecordingSession::saveSteps()
{
    if (saveTask_) {
        services_.scheduler.cancel(*saveTask_);
        saveTask_.reset();
    }
    unsavedSteps_ = false;
    // On disk before anyone is told, while finishing too: a kill then keeps
    // every step already made.
    if (phase_.isRecording() || phase_.isFinishing())
        saveProgress();
    stepCount_ = int(steps_.size());
    emit stepCountChanged(stepCount_);
}

void RecordingSession::stop()
{
    if (phase_.isCountdown()) {
        if (runTask_) {
            services_.scheduler.cancel(*runTask_);
            runTask_.reset();
        }
        // An engine start in flight now belongs to no recording.
        ++generation_;
        captureWaiting_ = false;
        folder_.clear();
        folderLock_.reset(); // the engine's start callback keeps it until the folder goes
        setPhase(Phase::idle());
    } else if (phase_.isRecording()) {
        setPhase(Phase::finishing());
        finish();
    }
}

void RecordingSession::finish()
{
    if (tickTask_) {
        services_.scheduler.cancel(*tickTask_);
        tickTask_.reset();
    }
    clickMonitor_->stop();
    stopTypingCapture();
    engineStopped_ = false;
    // Accessibility queries still waiting get a short grace; then the frontmost
    // application names their steps, so a burst of clicks cannot hold the guide.
    if (!jobs_.empty())
        inspectionDeadline_ = services_.scheduler.postAfter(inspectionGraceAfterStop, [this] { giveUpWaitingInspections(); });
    QPointer<RecordingSession> self(this);
    engine_->stop([self] {
        if (!self)
            return;
        self->engineStopped_ = true;
        self->setEngineBusy(false);
        self->finishIfDone();
    });
}

Guide RecordingSession::assembleGuide() const
{
    const QDateTime createdAt = startedAt_ ? startedAtDate_ : services_.currentDateTime();
    Guide guide;
    guide.id = guideID_;
    guide.title = defaultGuideTitle(createdAt, QLocale());
    guide.createdAt = createdAt;
    guide.duration = startedAt_ ? secondsBetween(*startedAt_, services_.scheduler.now()) : 0;
    guide.steps = steps_;
    // Recordings from now on show the clicked window; older guides keep the whole screen.
    guide.framing = Framing::clickedWindow;
    std::stable_sort(guide.steps.begin(), guide.steps.end(),
                     [](const Step &a, const Step &b) { return a.timestamp < b.timestamp; });
    return guide;
}

void RecordingSession::saveProgress()
{
    lastSave_ = services_.scheduler.now();
    // A crash or kill mid-recording must not lose what was captured: the folder
    // always holds a readable guide that the next start loads.
    Guide guide = assembleGuide();
    guide.videoFileName = QString::fromLatin1(videoFileName);
    services_.store.save(guide);
}

void RecordingSession::finishIfDone()
{
    if (!phase_.isFinishing() || !engineStopped_ || pending_ > 0)
        return;
    engineStopped_ = false;
    if (inspectionDeadline_) {
        services_.scheduler.cancel(*inspectionDeadline_);
        inspectionDeadline_.reset();
    }
    if (saveTask_) {
        services_.scheduler.cancel(*saveTask_);
        saveTask_.reset();
    }

    Guide guide = assembleGuide();
    if (!folder_.isEmpty() && QFileInfo(folder_ + QLatin1Char('/') + QLatin1String(videoFileName)).isFile())
        guide.videoFileName = QString::fromLatin1(videoFileName);
    finalSaveFailed_ = false;
    if (Error error; !services_.store.add(guide, &error)) { // saves every step
        finalSaveFailed_ = true;
        setErrorMessage(QCoreApplication::translate("kelvo::RecordingSession", "Couldn't save the guide: %1").arg(error.why()));
    }
    folderLock_.reset();
    if (std::exchange(unsavedSteps_, false)) {
        stepCount_ = int(steps_.size());
        emit stepCountChanged(stepCount_);
    }
    // The recording's frames are gone by now; don't keep their memory.
    returnFreedMemory();
    setPhase(Phase::idle());
    if (onFinished)
        onFinished(guide);
}

void RecordingSession::handleUnexpectedStop(const QString &error)
{
    if (!phase_.isRecording())
        return;
    setErrorMessage(QCoreApplication::translate("kelvo::RecordingSession", "Recording stopped unexpectedly: %1").arg(error));
    setPhase(Phase::finishing());
    finish();
}

// ---- typing and shortcuts --------------------------------------------------------

void RecordingSession::setTypingCapture(std::unique_ptr<KeyMonitor> keys, std::unique_ptr<FieldWatcher> fields)
{
    stopTypingCapture();
    keyMonitor_ = std::move(keys);
    fieldWatcher_ = std::move(fields);
    if (!keyMonitor_ || !fieldWatcher_) {
        keyMonitor_.reset();
        fieldWatcher_.reset();
        typingTracker_.reset();
        return;
    }
    typingTracker_ = std::make_unique<TypingTracker>([this](const KeyStepRequest &request) { makeKeyStep(request); });
    keyMonitor_->setOnKey([this](const KeyPress &press) {
        if (capturingTyping_)
            typingTracker_->keyPressed(press);
    });
    fieldWatcher_->setOnFocus([this](const std::optional<FocusedField> &field) {
        if (capturingTyping_)
            typingTracker_->focusChanged(field, services_.scheduler.now());
    });
}

void RecordingSession::setRecordTyping(bool on)
{
    if (recordTyping_ == on)
        return;
    recordTyping_ = on;
    emit recordTypingChanged(on);
}

void RecordingSession::startTypingCapture()
{
    droppedClicks_.clear();
    clickRoles_.clear();
    if (!recordTyping_ || !typingTracker_)
        return;
    typingTracker_->reset();
    capturingTyping_ = true;
    fieldWatcher_->start();
    keyMonitor_->start();
}

void RecordingSession::stopTypingCapture()
{
    if (!std::exchange(capturingTyping_, false))
        return;
    // Typing under way when the recording stops is a step too.
    typingTracker_->finish(services_.scheduler.now());
    keyMonitor_->stop();
    fieldWatcher_->stop();
    typingTracker_->reset();
}

void RecordingSession::makeKeyStep(const KeyStepRequest &request)
{
    if (!targetFrame_ || !startedAt_ || folder_.isEmpty())
        return;
    const QRect frame = *targetFrame_;
    const bool typing = request.kind == KeyStepRequest::Kind::Typing;
    // The marker sits on the field; a shortcut outside any field points at the pointer.
    QPointF point = request.field ? QRectF(request.field->bounds).center() : QPointF(services_.displays.pointerPosition());
    // A click known to be on the field that the toolkit places elsewhere (GTK 3
    // windows with client-side decorations may report shifted extents): the
    // click knows better where the field is.
    if (request.mergedClick && request.mergedClickPoint && !QRectF(request.field->bounds).contains(*request.mergedClickPoint)
        && isEditableRole(clickRoles_.value(*request.mergedClick)))
        point = *request.mergedClickPoint;
    if (!frameContains(frame, point))
        return; // off the recorded display, like a click there
    QImage frameImage = engine_->latestFrame();
    if (frameImage.isNull())
        return;

    auto job = std::make_shared<StepJob>();
    job->inspectionPoint = point;
    job->fallbackApp = services_.frontmostApplication ? services_.frontmostApplication() : nullptr;
    job->clickX = (point.x() - frame.left()) / frame.width();
    job->clickY = (point.y() - frame.top()) / frame.height();
    job->number = ++stepNumber_;
    job->folder = folder_;
    job->isRightClick = false;
    job->timestamp = std::max(0.0, secondsBetween(*startedAt_, request.time));
    job->windowFrameAt = services_.windowFrameAt;
    job->display = frame;
    // The caption is written in the query stage and travels as the target's label.
    const std::optional<QString> appName = request.field ? request.field->appName : std::nullopt;
    if (typing) {
        const FocusedField field = *request.field;
        const bool enter = request.pressedEnter;
        std::shared_ptr<FieldWatcher> watcher = fieldWatcher_;
        job->inspectTarget = [field, enter, watcher, appName](QPointF) -> std::optional<ClickTarget> {
            bool password = field.isPassword;
            std::optional<QString> text;
            // A password field's text is never asked for.
            if (!password && watcher)
                text = watcher->readText(field.id);
            if (text && looksMasked(*text)) {
                password = true;
                text.reset();
            }
            return ClickTarget{QStringLiteral("typing"), typingCaption(text, password, field.label, enter),
                               std::nullopt, appName};
        };
        const QString fallback = typingCaption(std::nullopt, field.isPassword, field.label, enter);
        job->makeCaption = [fallback](const ClickTarget &target, bool) { return target.label.value_or(fallback); };
    } else {
        const QString caption = shortcutCaption(request.keys);
        job->inspectTarget = [caption, appName](QPointF) -> std::optional<ClickTarget> {
            return ClickTarget{QStringLiteral("shortcut"), caption, std::nullopt, appName};
        };
        job->makeCaption = [caption](const ClickTarget &, bool) { return caption; };
    }
    if (imageBacklog_->load() >= maxImageBacklog)
        job->jpeg = renderStepImage(job->clickX, job->clickY, frameImage, widestStepImage);
    else
        job->frame = std::move(frameImage);
    if (request.mergedClick) {
        // A click inside the field was on it; one that only came just before the
        // field took the focus counts when it was on an editable field too (a
        // button that moves the focus keeps its step).
        dropClickStep(*request.mergedClick, !request.mergedClickOnField);
    }
    // Text is read at once, not behind the clicks still waiting for their queries.
    launchStepJob(job, imagePool());
}

// The click's step gives way to the typing that followed it: its picture goes too.
void RecordingSession::dropClickStep(int number, bool onlyIfEditable)
{
    const QString fileName = QStringLiteral("step-%1.jpg").arg(number);
    for (qsizetype i = 0; i < steps_.size(); ++i) {
        if (steps_[i].imageFileName == fileName) {
            if (onlyIfEditable && !isEditableRole(clickRoles_.value(number)))
                return;
            steps_.removeAt(i);
            QFile::remove(folder_ + QLatin1Char('/') + fileName);
            unsavedSteps_ = true;
            saveStepsSoon();
            return;
        }
    }
    for (const std::shared_ptr<StepJob> &job : jobs_) {
        if (job->number == number) {
            droppedClicks_.insert(number, onlyIfEditable);
            return;
        }
    }
}

// Some locales (the C locale among them) put seconds into their short time.
static QString shortTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QLatin1String(":ss"));
    return format;
}

NormalRect normalisedWindowFrame(const QRect &window, const QRect &display)
{
    return {double(window.x() - display.x()) / display.width(), double(window.y() - display.y()) / display.height(),
            double(window.width()) / display.width(), double(window.height()) / display.height()};
}

QString defaultGuideTitle(const QDateTime &createdAt, const QLocale &locale)
{
    // Qt has no medium date style: the long one with abbreviated month and no weekday.
    const QDateTime local = createdAt.toLocalTime();
    //: The title of a new guide; %1 is the date and time it was recorded.
    return QCoreApplication::translate("kelvo::RecordingSession", "Guide – %1")
        .arg(longDateWithoutWeekday(local.date(), locale, MonthStyle::abbreviated) + QStringLiteral(", ")
             + locale.toString(local.time(), shortTimeFormat(locale)));
}

} // namespace kelvo
