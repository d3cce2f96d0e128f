// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingSession.h"

#include "model/GuideJson.h"
#include "store/GuideFiles.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/Wait.h"
#include "support/capture/FakeCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QThread>
#include <QThreadPool>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <latch>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class RecordingSessionTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    QThreadPool pool;
    bool granted = true;
    std::optional<QString> frontmost = QStringLiteral("Frontmost App");
    std::function<std::optional<ClickTarget>(QPointF)> inspect = [](QPointF) {
        return ClickTarget{QStringLiteral("AXButton"), QStringLiteral("Save"), QStringLiteral("Doc"),
                           QStringLiteral("Editor")};
    };
    QList<QPointF> inspectedPoints;
    // The top-level windows of the fake desktop, topmost first.
    QList<QRect> windows;
    QList<QThread *> frontmostNotedOn;
    QList<QThread *> frontmostNamedOn;
    QMutex inspectedLock;

    test::FakeRecordingEngine *engine = nullptr;
    test::FakeClickMonitor *monitor = nullptr;
    std::unique_ptr<RecordingSession> session;
    QList<Phase> phases;
    QList<std::optional<Guide>> finished;

    void SetUp() override
    {
        auto ownedEngine = std::make_unique<test::FakeRecordingEngine>();
        auto ownedMonitor = std::make_unique<test::FakeClickMonitor>();
        engine = ownedEngine.get();
        monitor = ownedMonitor.get();
        engine->setFrame(frameOf(1920, 1080));
        pool.setMaxThreadCount(4); // stages that block (inspections) leave room for the others
        RecordingSession::Services services{
            .store = store,
            .scheduler = scheduler,
            .displays = displays,
            .inspectTarget =
                [this](QPointF point) {
                    {
                        QMutexLocker lock(&inspectedLock);
                        inspectedPoints.append(point);
                    }
                    return inspect(point);
                },
            .makeCaption = [](const ClickTarget &target,
                              bool right) { return (right ? "right:" : "left:") + target.label.value_or("-"); },
            .windowFrameAt = [this](QPoint point) -> std::optional<QRect> {
                QMutexLocker lock(&inspectedLock);
                for (const QRect &window : std::as_const(windows)) {
                    if (window.contains(point))
                        return window;
                }
                return std::nullopt;
            },
            .frontmostApplication =
                [this] {
                    frontmostNotedOn.append(QThread::currentThread());
                    return [this, noted = frontmost] {
                        QMutexLocker lock(&inspectedLock);
                        frontmostNamedOn.append(QThread::currentThread());
                        return noted;
                    };
                },
            .screenRecordingGranted = [this] { return granted; },
            .currentDateTime = [] { return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC); },
            .pool = &pool,
        };
        session = std::make_unique<RecordingSession>(std::move(services), std::move(ownedEngine),
                                                     std::move(ownedMonitor));
        session->onPhaseChange = [this](Phase phase) { phases.append(phase); };
        session->onFinished = [this](const std::optional<Guide> &guide) { finished.append(guide); };
    }

    static QImage frameOf(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }

    void startRecording()
    {
        session->start();
        scheduler.advance(3s);
        ASSERT_EQ(session->phase(), Phase::recording());
    }

    Click clickAt(double x, double y, std::chrono::milliseconds after, bool right = false)
    {
        return Click{QPointF(x, y), scheduler.now() + after, right};
    }

    void click(double x, double y, std::chrono::milliseconds advanceFirst = 1000ms, bool right = false)
    {
        scheduler.advance(advanceFirst);
        monitor->click(Click{QPointF(x, y), scheduler.now(), right});
    }

    // Lets every step's background work end and its result reach the session.
    void settle()
    {
        pool.waitForDone();
        QCoreApplication::processEvents();
    }

    Guide stopAndGetGuide()
    {
        session->stop();
        settle();
        EXPECT_EQ(session->phase(), Phase::idle());
        EXPECT_EQ(finished.size(), 1);
        return finished.isEmpty() || !finished.last() ? Guide() : *finished.last();
    }

    QString folderOf(const Guide &guide) { return data.filePath(uuidText(guide.id)); }
};

TEST_F(RecordingSessionTest, CountsDownThenRecordsOnTheDisplayUnderThePointer)
{
    displays.screens = {{"left", QRect(0, 0, 1920, 1080)}, {"right", QRect(1920, 0, 2560, 1440)}};
    displays.pointer = QPoint(2000, 500);
    session->start();
    EXPECT_EQ(session->phase(), Phase::countdown(3));
    scheduler.advance(999ms);
    EXPECT_EQ(session->phase(), Phase::countdown(3));
    scheduler.advance(1ms);
    EXPECT_EQ(session->phase(), Phase::countdown(2));
    scheduler.advance(1s);
    EXPECT_EQ(session->phase(), Phase::countdown(1));
    EXPECT_EQ(engine->log->starts, 0);
    scheduler.advance(1s);
    EXPECT_EQ(session->phase(), Phase::recording());
    EXPECT_EQ(engine->log->displayId, "right");
    EXPECT_TRUE(engine->log->videoPath.endsWith("/video.mov"));
    EXPECT_TRUE(*monitor->running);
    EXPECT_EQ(phases, (QList<Phase>{Phase::countdown(3), Phase::countdown(2), Phase::countdown(1), Phase::recording()}));
}

TEST_F(RecordingSessionTest, WithoutPermissionNothingStarts)
{
    granted = false;
    session->start();
    EXPECT_EQ(session->phase(), Phase::idle());
    EXPECT_EQ(session->errorMessage(), "Kelvo needs Screen Recording permission before it can record.");
    EXPECT_TRUE(phases.isEmpty());
    scheduler.advance(5s);
    EXPECT_EQ(engine->log->starts, 0);
}

TEST_F(RecordingSessionTest, CancelDuringCountdownLeavesNothingOnDisk)
{
    session->start();
    scheduler.advance(1500ms);
    session->stop();
    EXPECT_EQ(session->phase(), Phase::idle());
    scheduler.advance(5s);
    EXPECT_EQ(session->phase(), Phase::idle());
    EXPECT_EQ(engine->log->starts, 0);
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(finished.isEmpty());
}

TEST_F(RecordingSessionTest, StopWhileTheEngineStartsKeepsNothing)
{
    engine->completeStartAtOnce = false;
    session->start();
    scheduler.advance(3s);
    EXPECT_EQ(session->phase(), Phase::countdown(1));
    session->stop();
    EXPECT_EQ(session->phase(), Phase::idle());
    engine->completeStart();
    EXPECT_EQ(session->phase(), Phase::idle());
    EXPECT_EQ(engine->log->stops, 1) << "the started engine is stopped again";
    EXPECT_FALSE(*monitor->running);
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(finished.isEmpty());
}

// A quick double press of the hot key: stop and start again while the first
// start's engine is still starting. Its late answer must not move the new
// recording on.
TEST_F(RecordingSessionTest, AStartAnsweredAfterStopAndRestartIsDiscarded)
{
    engine->completeStartAtOnce = false;
    session->start();
    scheduler.advance(3s);
    session->stop();
    session->start();
    ASSERT_EQ(session->phase(), Phase::countdown(3));
    engine->completeStart(); // the first start succeeds, late
    EXPECT_EQ(session->phase(), Phase::countdown(3)) << "the new countdown goes on";
    EXPECT_EQ(engine->log->stops, 1) << "the stale capture is stopped again";
    EXPECT_FALSE(*monitor->running);
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << "the stale start's folder is removed";

    scheduler.advance(3s);
    engine->completeStart();
    EXPECT_EQ(session->phase(), Phase::recording());
    EXPECT_EQ(engine->log->refusedStarts, 0);
    EXPECT_FALSE(session->errorMessage());
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    const Guide guide = stopAndGetGuide();
    EXPECT_TRUE(QFileInfo::exists(folderOf(guide) + "/video.mov"));
}

TEST_F(RecordingSessionTest, ANewCountdownWaitsForTheEngineToLetGoOfAStaleStart)
{
    engine->completeStartAtOnce = false;
    engine->completeStopAtOnce = false;
    session->start();
    scheduler.advance(3s);
    session->stop();
    session->start();
    scheduler.advance(3s); // the new countdown ends before the old start answers
    EXPECT_EQ(session->phase(), Phase::countdown(1));
    EXPECT_EQ(engine->log->starts, 1);
    engine->completeStart();
    ASSERT_TRUE(engine->stopPending());
    EXPECT_EQ(engine->log->starts, 1) << "no start while the engine still holds the old one";
    engine->completeStop();
    EXPECT_EQ(engine->log->starts, 2);
    engine->completeStart();
    EXPECT_EQ(session->phase(), Phase::recording());
    EXPECT_EQ(engine->log->refusedStarts, 0);
    EXPECT_FALSE(session->errorMessage());
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(RecordingSessionTest, AStaleStartsFailureIsNotTheNewRecordingsError)
{
    engine->completeStartAtOnce = false;
    session->start();
    scheduler.advance(3s);
    session->stop();
    session->start();
    engine->startError = QStringLiteral("Couldn't capture the screen.");
    engine->completeStart();
    EXPECT_EQ(session->phase(), Phase::countdown(3));
    EXPECT_FALSE(session->errorMessage());
    engine->startError.reset();
    scheduler.advance(3s);
    engine->completeStart();
    EXPECT_EQ(session->phase(), Phase::recording());
}

TEST_F(RecordingSessionTest, FailuresToStartAreReportedAndCleanedUp)
{
    engine->startError = QStringLiteral("Couldn't find the display to record.");
    session->start();
    scheduler.advance(3s);
    EXPECT_EQ(session->phase(), Phase::idle());
    EXPECT_EQ(session->errorMessage(), "Couldn't start recording: Couldn't find the display to record.");
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    displays.screens.clear();
    engine->startError.reset();
    session->start();
    EXPECT_FALSE(session->errorMessage()) << "start clears the last error";
    scheduler.advance(3s);
    EXPECT_EQ(session->errorMessage(), "Couldn't find a display to record.");
    EXPECT_EQ(session->phase(), Phase::idle());
}

TEST_F(RecordingSessionTest, FolderThatCannotBeMadeIsReported)
{
    // A file where the data directory should be makes every guide folder fail.
    const QString blocked = data.filePath("blocked");
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    GuideStore blockedStore(scheduler, blocked);
    RecordingSession::Services services{.store = blockedStore,
                                        .scheduler = scheduler,
                                        .displays = displays,
                                        .inspectTarget = {},
                                        .makeCaption = {},
                                        .frontmostApplication = {},
                                        .screenRecordingGranted = [] { return true; },
                                        .pool = &pool};
    auto fakeEngine = std::make_unique<test::FakeRecordingEngine>();
    auto log = fakeEngine->log;
    RecordingSession other(std::move(services), std::move(fakeEngine), std::make_unique<test::FakeClickMonitor>());
    other.start();
    scheduler.advance(3s);
    EXPECT_EQ(other.phase(), Phase::idle());
    ASSERT_TRUE(other.errorMessage());
    EXPECT_TRUE(other.errorMessage()->startsWith("Couldn't start recording: ")) << other.errorMessage()->toStdString();
    EXPECT_EQ(log->starts, 0);
}

TEST_F(RecordingSessionTest, StartWhileRecordingChangesNothing)
{
    startRecording();
    const auto before = phases.size();
    session->start();
    EXPECT_EQ(session->phase(), Phase::recording());
    EXPECT_EQ(phases.size(), before);
    EXPECT_EQ(engine->log->starts, 1);
}

TEST_F(RecordingSessionTest, RepeatedClicksWithinTheWindowGiveOneStep)
{
    startRecording();
    click(500, 500);
    click(505, 505, 100ms);   // double click: repeat
    click(520, 500, 300ms);   // 0.3 s later but 15 px away from the last accepted: a step
    click(520, 500, 400ms);   // same spot, 0.4 s later: a step
    click(531, 500, 100ms);   // 11 px, 0.1 s: repeat
    settle();
    EXPECT_EQ(session->stepCount(), 3);
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 3);
    EXPECT_EQ(guide.steps[0].imageFileName, "step-1.jpg");
    EXPECT_EQ(guide.steps[1].imageFileName, "step-2.jpg");
    EXPECT_EQ(guide.steps[2].imageFileName, "step-3.jpg");
}

TEST_F(RecordingSessionTest, ClicksOnOtherDisplaysAreIgnoredAndNotRemembered)
{
    displays.screens = {{"main", QRect(0, 0, 1920, 1080)}, {"side", QRect(1920, 0, 1920, 1080)}};
    startRecording();
    click(2500, 500);         // other display
    click(500, 500, 100ms);   // would be a repeat if the ignored click had been remembered: it is a step
    click(2500, 500, 100ms);
    settle();
    EXPECT_EQ(session->stepCount(), 1);
}

TEST_F(RecordingSessionTest, ClickBeforeTheFirstFrameGivesNoStepButCountsAsLastClick)
{
    engine->setFrame(QImage());
    startRecording();
    click(500, 500);
    engine->setFrame(frameOf(1920, 1080));
    click(500, 500, 100ms); // repeat of the frameless click
    click(900, 500, 100ms);
    settle();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 1);
    EXPECT_EQ(guide.steps[0].imageFileName, "step-1.jpg") << "no number was used by the frameless click";
}

TEST_F(RecordingSessionTest, ClickFractionsCoverTheLeftAndTopEdgesOnly)
{
    // A display left of and above the primary one.
    displays.screens = {{"primary", QRect(0, 0, 1920, 1080)}, {"upper-left", QRect(-1280, -1024, 1280, 1024)}};
    displays.pointer = QPoint(-10, -10);
    startRecording();
    click(-1280, -1024);          // top-left corner: (0, 0)
    click(0, -512);               // right edge: outside
    click(-640, 0);               // bottom edge: outside
    click(-1, -1);                // last pixel: just below 1
    settle();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 2);
    EXPECT_EQ(guide.steps[0].clickX, 0.0);
    EXPECT_EQ(guide.steps[0].clickY, 0.0);
    EXPECT_DOUBLE_EQ(guide.steps[1].clickX, 1279.0 / 1280.0);
    EXPECT_DOUBLE_EQ(guide.steps[1].clickY, 1023.0 / 1024.0);
    QMutexLocker lock(&inspectedLock);
    std::sort(inspectedPoints.begin(), inspectedPoints.end(),
              [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); }); // steps run in parallel
    EXPECT_EQ(inspectedPoints, (QList<QPointF>{QPointF(-1280, -1024), QPointF(-1, -1)}))
        << "the inspection point is the click itself";
}

TEST_F(RecordingSessionTest, StepsCarryCaptionAppNameTimeAndMarkedScreenshot)
{
    startRecording();
    click(960, 540, 2500ms, true);
    settle();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 1);
    const Step &step = guide.steps[0];
    EXPECT_EQ(step.caption, "right:Save");
    EXPECT_EQ(step.appName, "Editor");
    EXPECT_TRUE(step.isRightClick);
    EXPECT_DOUBLE_EQ(step.timestamp, 2.5);
    EXPECT_DOUBLE_EQ(step.clickX, 0.5);
    EXPECT_DOUBLE_EQ(step.clickY, 0.5);
    const QImage shot(folderOf(guide) + "/step-1.jpg");
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(1920, 1080));
    const QColor ring = shot.pixelColor(960 + 25, 540); // on the red ring (r = 25)
    EXPECT_GT(ring.red(), 200);
    EXPECT_LT(ring.green(), 120);
}

TEST_F(RecordingSessionTest, StepsKeepTheClickedWindowsFrameNormalisedToTheDisplay)
{
    displays.screens = {{"primary", QRect(0, 0, 1920, 1080)}, {"upper-left", QRect(-1280, -1024, 1280, 1024)}};
    displays.pointer = QPoint(-10, -10);
    windows = {QRect(-1000, -900, 640, 512), QRect(-1200, -1000, 1400, 900)};
    startRecording();
    click(-700, -700);   // the small window on top
    click(-1100, -300);  // the large one, reaching past the display's right edge
    click(-100, -50);    // the bare desktop
    settle();
    const Guide guide = stopAndGetGuide();
    EXPECT_EQ(guide.framing, Framing::clickedWindow) << "new recordings frame the clicked window";
    ASSERT_EQ(guide.steps.size(), 3);
    EXPECT_EQ(guide.steps[0].windowFrame, (NormalRect{280.0 / 1280, 124.0 / 1024, 0.5, 0.5}));
    EXPECT_EQ(guide.steps[1].windowFrame, (NormalRect{80.0 / 1280, 24.0 / 1024, 1400.0 / 1280, 900.0 / 1024}));
    EXPECT_EQ(guide.steps[2].windowFrame, std::nullopt);
    EXPECT_EQ(guide.steps[0].framing, std::nullopt);
    EXPECT_TRUE(guide.steps[0].redactions.isEmpty());
}

TEST_F(RecordingSessionTest, WithoutAnElementTheFrontmostApplicationNamesTheStep)
{
    inspect = [](QPointF) { return std::optional<ClickTarget>(); };
    startRecording();
    click(10, 10);
    frontmost.reset();
    inspect = [](QPointF) { return std::optional<ClickTarget>(ClickTarget{"AXButton", {}, {}, {}}); };
    click(900, 10);
    settle();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 2);
    EXPECT_EQ(guide.steps[0].appName, "Frontmost App");
    EXPECT_EQ(guide.steps[0].caption, "left:-");
    EXPECT_FALSE(guide.steps[1].appName) << "both sources absent";
}

// Naming an application can block (desktop files, the accessibility bus): only
// the noting happens on the main thread, at the click.
TEST_F(RecordingSessionTest, TheFrontmostApplicationIsNotedAtTheClickAndNamedInTheBackground)
{
    inspect = [](QPointF) { return std::optional<ClickTarget>(); };
    startRecording();
    click(10, 10);
    frontmost = QStringLiteral("Came to the front later");
    settle();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 1);
    EXPECT_EQ(guide.steps[0].appName, "Frontmost App");
    EXPECT_EQ(frontmostNotedOn, QList<QThread *>{QThread::currentThread()});
    QMutexLocker lock(&inspectedLock);
    ASSERT_EQ(frontmostNamedOn.size(), 1);
    EXPECT_NE(frontmostNamedOn.first(), QThread::currentThread());
}

TEST_F(RecordingSessionTest, StepsFinishingOutOfOrderAreSortedByTime)
{
    std::latch secondDone(1);
    std::atomic<int> calls = 0;
    inspect = [&](QPointF) {
        if (calls++ == 0)
            secondDone.wait(); // the first click's work ends after the second's
        return std::optional<ClickTarget>(ClickTarget{{}, "x", {}, {}});
    };
    startRecording();
    click(100, 100);
    click(800, 800);
    // Wait for the second step's result to reach the session, then release the first.
    while (session->stepCount() < 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    secondDone.count_down();
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), 2);
    EXPECT_EQ(guide.steps[0].imageFileName, "step-1.jpg");
    EXPECT_EQ(guide.steps[1].imageFileName, "step-2.jpg");
}

// Frames whose pixels say when they are let go.
struct FrameCounter {
    std::atomic<int> alive = 0;
    static void release(void *info)
    {
        auto *counter = static_cast<FrameCounter *>(info);
        --counter->alive;
    }
    QImage frame(std::vector<std::unique_ptr<uchar[]>> &buffers, int width, int height)
    {
        buffers.push_back(std::make_unique<uchar[]>(std::size_t(width) * height * 4));
        std::memset(buffers.back().get(), 0x60, std::size_t(width) * height * 4);
        ++alive;
        return QImage(buffers.back().get(), width, height, width * 4, QImage::Format_RGB32, &FrameCounter::release, this);
    }
};

TEST_F(RecordingSessionTest, ABurstOfClicksKeepsOnlyAFewFramesWaiting)
{
    FrameCounter counter;
    std::vector<std::unique_ptr<uchar[]>> buffers;
    startRecording();
    // The picture stages cannot run: every worker is busy.
    std::latch unblock(1);
    std::atomic<int> blocked = 0;
    for (int i = 0; i < pool.maxThreadCount(); ++i) {
        pool.start([&] {
            ++blocked;
            unblock.wait();
        });
    }
    const int clicks = 3 * RecordingSession::maxImageBacklog;
    for (int i = 0; i < clicks; ++i) {
        engine->setFrame(counter.frame(buffers, 1280, 720)); // the screen changes at every click
        click(20 + 40 * i, 300, 500ms);
    }
    engine->setFrame(QImage());
    EXPECT_LE(counter.alive.load(), RecordingSession::maxImageBacklog)
        << "frames beyond the backlog became JPEGs at once";
    unblock.count_down();
    settle();
    EXPECT_EQ(counter.alive.load(), 0) << "every frame let go once its picture is written";
    const Guide guide = stopAndGetGuide();
    ASSERT_EQ(guide.steps.size(), clicks) << "every click still makes its step";
    for (const Step &step : guide.steps)
        EXPECT_TRUE(QImageReader(folderOf(guide) + "/" + step.imageFileName).canRead()) << step.imageFileName.toStdString();
}

TEST_F(RecordingSessionTest, AfterStopWaitingQueriesGetAGraceThenTheFrontmostApplicationNamesTheStep)
{
    std::latch release(1);
    inspect = [&](QPointF) {
        release.wait(); // an application that does not answer
        return std::optional<ClickTarget>(ClickTarget{"AXButton", "Late", {}, "Late App"});
    };
    startRecording();
    click(100, 100);
    click(900, 100);
    // Both pictures are on disk; both queries still wait.
    const QString folder = data.filePath(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0));
    ASSERT_TRUE(test::waitFor(
        [&] { return QFileInfo::exists(folder + "/step-1.jpg") && QFileInfo::exists(folder + "/step-2.jpg"); }))
        << "the pictures were never written";

    session->stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(session->phase(), Phase::finishing());
    scheduler.advance(RecordingSession::inspectionGraceAfterStop - 1ms);
    EXPECT_EQ(session->phase(), Phase::finishing());
    scheduler.advance(1ms);
    EXPECT_EQ(session->phase(), Phase::idle()) << "the finish does not wait for the accessibility bus";
    ASSERT_EQ(finished.size(), 1);
    const Guide guide = *finished.first();
    ASSERT_EQ(guide.steps.size(), 2);
    for (const Step &step : guide.steps) {
        EXPECT_EQ(step.appName, "Frontmost App");
        EXPECT_EQ(step.caption, "left:-");
    }
    release.count_down(); // the late answers change nothing
    settle();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(store.guides().first(), guide);
}

TEST_F(RecordingSessionTest, StepsMadeWhileFinishingAreSavedAsTheyCome)
{
    std::latch release(1);
    std::atomic<int> calls = 0;
    inspect = [&](QPointF) {
        if (calls++ == 1)
            release.wait(); // the second click's query is slow
        return std::optional<ClickTarget>(ClickTarget{"AXButton", "Save", {}, "Editor"});
    };
    engine->completeStopAtOnce = false; // the video takes its time to finish
    startRecording();
    click(100, 100);
    click(900, 100);
    ASSERT_TRUE(test::waitFor([&] { return session->stepCount() == 1; }));
    session->stop();
    release.count_down();
    ASSERT_TRUE(test::waitFor([&] { return session->stepCount() == 2; }));
    ASSERT_EQ(session->phase(), Phase::finishing());
    // Were the process killed now, the guide on disk would hold both steps.
    const QString folder = data.filePath(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0));
    QFile document(folder + "/guide.json");
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    const std::optional<Guide> onDisk = decodeGuide(document.readAll());
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->steps.size(), 2);
    engine->completeStop();
    EXPECT_EQ(session->phase(), Phase::idle());
}

TEST_F(RecordingSessionTest, AFailedStepKeepsItsNumberUsed)
{
    startRecording();
    // The third step's file cannot be written: a folder stands in its place.
    const QString folder = QFileInfo(engine->log->videoPath).path();
    ASSERT_TRUE(QDir().mkpath(folder + "/step-3.jpg"));
    for (int i = 0; i < 4; ++i)
        click(100 + i * 100, 100);
    settle();
    const Guide guide = stopAndGetGuide();
    QStringList names;
    for (const Step &step : guide.steps)
        names << step.imageFileName;
    EXPECT_EQ(names, (QStringList{"step-1.jpg", "step-2.jpg", "step-4.jpg"}));
}

TEST_F(RecordingSessionTest, StopWaitsForTheEngineAndPendingSteps)
{
    engine->completeStopAtOnce = false;
    startRecording();
    click(100, 100);
    session->stop();
    EXPECT_EQ(session->phase(), Phase::finishing());
    EXPECT_FALSE(*monitor->running);
    click(300, 300); // too late: the monitor has stopped
    settle();
    EXPECT_EQ(session->phase(), Phase::finishing()) << "the engine has not finished the file";
    EXPECT_TRUE(finished.isEmpty());
    scheduler.advance(2s);
    engine->completeStop();
    EXPECT_EQ(session->phase(), Phase::idle());
    ASSERT_EQ(finished.size(), 1);
    const Guide &guide = *finished[0];
    EXPECT_EQ(guide.steps.size(), 1);
    EXPECT_DOUBLE_EQ(guide.duration, 4.0); // the late click moved the clock too
    EXPECT_EQ(phases.last(), Phase::idle());
    // Saved at once through the store.
    EXPECT_EQ(store.guides().first(), guide);
    QFile document(folderOf(guide) + "/guide.json");
    ASSERT_TRUE(document.open(QIODevice::ReadOnly));
    EXPECT_EQ(decodeGuide(document.readAll()), guide);
}

TEST_F(RecordingSessionTest, ARecordingWithoutClicksKeepsItsVideo)
{
    startRecording();
    scheduler.advance(1500ms);
    EXPECT_DOUBLE_EQ(session->elapsed(), 1.5);
    const Guide guide = stopAndGetGuide();
    EXPECT_TRUE(guide.steps.isEmpty());
    EXPECT_EQ(guide.videoFileName, "video.mov");
    EXPECT_EQ(guide.createdAt, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC));
    EXPECT_TRUE(guide.title.startsWith(QStringLiteral("Guide – ")));
    EXPECT_EQ(session->stepCount(), 0);
}

TEST_F(RecordingSessionTest, AMissingVideoFileIsLeftOut)
{
    engine->writeVideo = false;
    startRecording();
    EXPECT_FALSE(stopAndGetGuide().videoFileName);
}

TEST_F(RecordingSessionTest, UnexpectedStopSavesWhatWasCaptured)
{
    startRecording();
    click(100, 100);
    settle();
    engine->failUnexpectedly(QStringLiteral("The X connection was lost."));
    QCoreApplication::processEvents();
    settle();
    EXPECT_EQ(session->phase(), Phase::idle());
    EXPECT_EQ(session->errorMessage(), "Recording stopped unexpectedly: The X connection was lost.");
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0]->steps.size(), 1);

    engine->failUnexpectedly(QStringLiteral("late report"));
    QCoreApplication::processEvents();
    EXPECT_EQ(session->errorMessage(), "Recording stopped unexpectedly: The X connection was lost.")
        << "ignored outside a recording";
}

TEST_F(RecordingSessionTest, AnInterruptedRecordingLeavesAReadableGuide)
{
    startRecording();
    const QString folder = QFileInfo(engine->log->videoPath).path();
    const auto onDisk = [&] {
        QFile file(folder + "/guide.json");
        return file.open(QIODevice::ReadOnly) ? decodeGuide(file.readAll()) : std::nullopt;
    };
    ASSERT_TRUE(onDisk()) << "written as soon as capture starts";
    EXPECT_TRUE(onDisk()->steps.isEmpty());
    EXPECT_EQ(onDisk()->videoFileName, "video.mov");
    click(700, 100, 2000ms);
    click(100, 100, 1000ms);
    settle();
    ASSERT_EQ(onDisk()->steps.size(), 2);
    EXPECT_DOUBLE_EQ(onDisk()->steps[0].timestamp, 2.0);
    EXPECT_DOUBLE_EQ(onDisk()->duration, 3.0);
    // What the next start of Kelvo sees if this one is killed now.
    GuideStore nextRun(scheduler, data.path());
    ASSERT_EQ(nextRun.guides().size(), 1);
    EXPECT_EQ(nextRun.guides()[0].steps.size(), 2);
    EXPECT_TRUE(QFile::exists(folder + "/step-1.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/step-2.jpg"));
    EXPECT_TRUE(store.guides().isEmpty()) << "the library gets the guide at Stop";
}

TEST_F(RecordingSessionTest, TheFolderHoldsAGuideAndALockFromItsCreationToTheFinalSave)
{
    engine->completeStartAtOnce = false;
    session->start();
    scheduler.advance(3s);
    ASSERT_EQ(engine->log->starts, 1);
    const QString folder = QFileInfo(engine->log->videoPath).path();
    // Before the engine has started: killed now, the folder is still a guide.
    QFile document(folder + "/guide.json");
    ASSERT_TRUE(document.open(QIODevice::ReadOnly)) << "guide.json before the engine starts";
    const auto early = decodeGuide(document.readAll());
    ASSERT_TRUE(early);
    EXPECT_TRUE(early->steps.isEmpty());
    EXPECT_TRUE(guideFiles::isHeldByRecording(folder));

    engine->completeStart();
    ASSERT_EQ(session->phase(), Phase::recording());
    click(700, 100, 2000ms);
    settle();
    // Another Kelvo tidying up meanwhile leaves the recording's screenshots alone.
    QFile::copy(folder + "/step-1.jpg", folder + "/step-2.jpg"); // written, not yet named
    GuideStore other(scheduler, data.path());
    other.removeOrphanImages();
    EXPECT_TRUE(QFile::exists(folder + "/step-2.jpg"));

    stopAndGetGuide();
    EXPECT_FALSE(guideFiles::isHeldByRecording(folder));
    EXPECT_FALSE(QFile::exists(folder + "/recording.lock"));
}

TEST_F(RecordingSessionTest, AFinalSaveThatFailsIsSaidAndTheGuideStillReported)
{
    startRecording();
    click(700, 100, 2000ms);
    settle();
    const QString folder = QFileInfo(engine->log->videoPath).path();
    // A folder in guide.json's place: the final save cannot replace it.
    ASSERT_TRUE(QFile::remove(folder + "/guide.json"));
    ASSERT_TRUE(QDir().mkdir(folder + "/guide.json"));
    const Guide guide = stopAndGetGuide();
    ASSERT_TRUE(session->errorMessage());
    EXPECT_TRUE(session->errorMessage()->startsWith("Couldn't save the guide: ")) << session->errorMessage()->toStdString();
    EXPECT_EQ(guide.steps.size(), 1) << "the guide is still handed over";
    EXPECT_TRUE(store.guideWithID(guide.id)) << "and kept in memory, where the editor can retry";
}

TEST_F(RecordingSessionTest, TheSessionIsReusable)
{
    startRecording();
    click(100, 100);
    settle();
    const Guide first = stopAndGetGuide();
    startRecording();
    engine->setFrame(frameOf(1920, 1080)); // frames flow again
    click(100, 100, 100ms); // not a repeat of the last recording's click
    settle();
    session->stop();
    settle();
    ASSERT_EQ(finished.size(), 2);
    EXPECT_NE(finished[1]->id, first.id);
    EXPECT_EQ(finished[1]->steps.size(), 1);
    EXPECT_EQ(store.guides().size(), 2);
}

TEST(DefaultGuideTitle, UsesTheMediumDateAndShortTimeOfTheLocale)
{
    const QDateTime at(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::LocalTime);
    EXPECT_EQ(defaultGuideTitle(at, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("Guide – Mar 14, 2025, 9:26 AM"));
    const QString german = defaultGuideTitle(at, QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(german.startsWith(QStringLiteral("Guide – 14. März 2025"))) << german.toStdString();
    EXPECT_TRUE(german.endsWith(QStringLiteral("09:26"))) << german.toStdString();
}

} // namespace
} // namespace kelvo
