#include "capture/RecordingSession.h"

#include "capture/ClickMonitor.h"
#include "capture/Displays.h"
#include "capture/RecordingEngine.h"
#include "store/GuideFiles.h"
#include "store/GuideStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QRunnable>
#include <QSaveFile>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <future>

namespace kelvo {

namespace {

constexpr auto videoFileName = "video.mov";

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

// Everything one click's background work needs; copied into the task.
struct RecordingSession::StepJob {
    QPointF inspectionPoint;
    std::optional<QString> fallbackApp;
    QImage frame;
    double clickX;
    double clickY;
    int number;
    QString folder;
    bool isRightClick;
    double timestamp;
    std::function<std::optional<ClickTarget>(QPointF)> inspectTarget;
    std::function<QString(const ClickTarget &, bool)> makeCaption;

    std::optional<Step> run() const
    {
        // The accessibility query waits on the clicked application, which is busy
        // handling the click; the screenshot is made and written meanwhile.
        auto inspection = std::async(std::launch::async, [this] {
            return inspectTarget ? inspectTarget(inspectionPoint) : std::optional<ClickTarget>();
        });
        const QString fileName = QStringLiteral("step-%1.jpg").arg(number);
        const auto jpeg = renderStepImage(clickX, clickY, frame, widestStepImage);
        const bool written = jpeg && writeAtomically(folder + QLatin1Char('/') + fileName, *jpeg);
        const std::optional<ClickTarget> found = inspection.get();
        if (!written)
            return std::nullopt;

        const std::optional<QString> appName = found && found->appName ? found->appName : fallbackApp;
        ClickTarget target = found.value_or(ClickTarget{});
        target.appName = appName;

        Step step;
        step.caption = makeCaption(target, isRightClick);
        step.appName = appName;
        step.timestamp = timestamp;
        step.imageFileName = fileName;
        step.clickX = clickX;
        step.clickY = clickY;
        step.isRightClick = isRightClick;
        return step;
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
    if (runTask_)
        services_.scheduler.cancel(*runTask_);
    if (tickTask_)
        services_.scheduler.cancel(*tickTask_);
    clickMonitor_->stop();
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
        setErrorMessage(QStringLiteral("Kelvo needs Screen Recording permission before it can record."));
        return;
    }
    startCancelled_ = false;
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
        setErrorMessage(QStringLiteral("Couldn't find a display to record."));
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
    startedAt_.reset();
    targetFrame_ = target->frame;

    QString error;
    folder_ = services_.store.createFolder(guideID_, &error);
    if (folder_.isEmpty()) {
        engineStarted(error);
        return;
    }
    // Held until the final save: other Kelvo processes leave the folder alone.
    folderLock_ = GuideStore::lockForRecording(folder_, &error);
    if (!folderLock_) {
        engineStarted(error);
        return;
    }
    // Every recording folder holds a guide from the start, even if Kelvo is
    // killed before the first frame.
    Guide initial = assembleGuide();
    initial.videoFileName = QString::fromLatin1(videoFileName);
    if (Error saveError; !services_.store.save(initial, &saveError)) {
        engineStarted(saveError.message());
        return;
    }
    QPointer<RecordingSession> self(this);
    engine_->start(target->id, folder_ + QLatin1Char('/') + QLatin1String(videoFileName),
                   [self](std::optional<QString> startError) {
                       if (self)
                           self->engineStarted(std::move(startError));
                   });
}

void RecordingSession::engineStarted(std::optional<QString> error)
{
    const QString guideFolder = services_.store.rootPath() + QLatin1Char('/') + uuidText(guideID_);
    if (error) {
        folderLock_.reset();
        guideFiles::removeGuideFolder(guideFolder);
        folder_.clear();
        setErrorMessage(QStringLiteral("Couldn't start recording: ") + *error);
        setPhase(Phase::idle());
        return;
    }
    if (startCancelled_) {
        // Stopped while the engine was starting: nothing was recorded worth keeping.
        // The folder goes once the engine has let go of the movie file.
        folder_.clear();
        std::shared_ptr<QLockFile> lock = std::move(folderLock_);
        engine_->stop([guideFolder, lock]() mutable {
            lock.reset();
            guideFiles::removeGuideFolder(guideFolder);
        });
        return;
    }
    startedAt_ = services_.scheduler.now();
    startedAtDate_ = services_.currentDateTime();
    clickMonitor_->start();
    setPhase(Phase::recording());
    saveProgress();
    tick();
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

    StepJob job{
        .inspectionPoint = click.location,
        .fallbackApp = services_.frontmostApplicationName ? services_.frontmostApplicationName() : std::nullopt,
        .frame = std::move(frameImage),
        .clickX = (click.location.x() - frame.left()) / frame.width(),
        .clickY = (click.location.y() - frame.top()) / frame.height(),
        .number = ++stepNumber_,
        .folder = folder_,
        .isRightClick = click.isRightClick,
        .timestamp = secondsBetween(*startedAt_, click.time),
        .inspectTarget = services_.inspectTarget,
        .makeCaption = services_.makeCaption,
    };
    ++pending_;
    QPointer<RecordingSession> self(this);
    std::weak_ptr<bool> alive = alive_;
    QThreadPool *pool = services_.pool ? services_.pool : QThreadPool::globalInstance();
    pool->start([job = std::move(job), self, alive] {
        std::optional<Step> step = job.run();
        if (alive.expired())
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, step = std::move(step)] {
                if (self)
                    self->stepDone(step);
            },
            Qt::QueuedConnection);
    });
}

void RecordingSession::stepDone(std::optional<Step> step)
{
    --pending_;
    if (step) {
        steps_.append(std::move(*step));
        if (phase_.isRecording())
            saveProgress(); // on disk before anyone is told
        stepCount_ = int(steps_.size());
        emit stepCountChanged(stepCount_);
    }
    finishIfDone();
}

void RecordingSession::stop()
{
    if (phase_.isCountdown()) {
        if (runTask_) {
            services_.scheduler.cancel(*runTask_);
            runTask_.reset();
        } else {
            startCancelled_ = true; // the engine is starting
        }
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
    engineStopped_ = false;
    QPointer<RecordingSession> self(this);
    engine_->stop([self] {
        if (!self)
            return;
        self->engineStopped_ = true;
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
    std::stable_sort(guide.steps.begin(), guide.steps.end(),
                     [](const Step &a, const Step &b) { return a.timestamp < b.timestamp; });
    return guide;
}

void RecordingSession::saveProgress()
{
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

    Guide guide = assembleGuide();
    if (!folder_.isEmpty() && QFileInfo(folder_ + QLatin1Char('/') + QLatin1String(videoFileName)).isFile())
        guide.videoFileName = QString::fromLatin1(videoFileName);
    if (Error error; !services_.store.add(guide, &error))
        setErrorMessage(QStringLiteral("Couldn't save the guide: ") + error.why());
    folderLock_.reset();
    setPhase(Phase::idle());
    if (onFinished)
        onFinished(guide);
}

void RecordingSession::handleUnexpectedStop(const QString &error)
{
    if (!phase_.isRecording())
        return;
    setErrorMessage(QStringLiteral("Recording stopped unexpectedly: ") + error);
    setPhase(Phase::finishing());
    finish();
}

// Some locales (the C locale among them) put seconds into their short time.
static QString shortTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QLatin1String(":ss"));
    return format;
}

QString defaultGuideTitle(const QDateTime &createdAt, const QLocale &locale)
{
    // Qt has no medium date style: the long one with abbreviated month and no weekday.
    QString dateFormat = locale.dateFormat(QLocale::LongFormat);
    dateFormat.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    static const QRegularExpression weekday(QStringLiteral("dddd[,.]?\\s*"));
    dateFormat.remove(weekday);
    const QDateTime local = createdAt.toLocalTime();
    return QStringLiteral("Guide – ") + locale.toString(local.date(), dateFormat.trimmed()) + QStringLiteral(", ")
        + locale.toString(local.time(), shortTimeFormat(locale));
}

} // namespace kelvo
