// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo record` between start and exit, on the manual clock with a fake engine:
// what Ctrl+C / SIGTERM do in each phase and the status the process ends with.
#include "app/cli/RecordRun.h"

#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/capture/FakeCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class RecordRunTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    QThreadPool pool;
    test::FakeRecordingEngine *engine = nullptr;
    std::unique_ptr<RecordingSession> session;
    std::unique_ptr<cli::RecordRun> run;
    QStringList out;
    QStringList err;
    QList<int> exits;

    void SetUp() override
    {
        auto services = test::quietServices(store, scheduler, displays);
        services.pool = &pool;
        auto ownedEngine = std::make_unique<test::FakeRecordingEngine>();
        engine = ownedEngine.get();
        session = std::make_unique<RecordingSession>(std::move(services), std::move(ownedEngine),
                                                     std::make_unique<test::FakeClickMonitor>());
        run = std::make_unique<cli::RecordRun>(
            *session, scheduler, std::nullopt, true,
            cli::RecordRun::Output{.out = [this](const QString &line) { out << line; },
                                   .err = [this](const QString &line) { err << line; },
                                   .exit = [this](int status) { exits << status; }});
    }

    QStringList leftOnDisk() const { return QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
};

class SignalInTheCountdown : public RecordRunTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(SignalInTheCountdown, CancelsAndExitsLeavingNothing)
{
    const auto [signal, status] = GetParam();
    ASSERT_TRUE(run->start());
    scheduler.advance(1500ms);
    run->signalReceived(signal);
    EXPECT_EQ(exits, QList<int>{status});
    EXPECT_TRUE(session->phase().isIdle());
    scheduler.advance(5s);
    EXPECT_EQ(engine->log->starts, 0);
    EXPECT_TRUE(leftOnDisk().isEmpty());
    EXPECT_EQ(exits.size(), 1) << "exits once";
}

INSTANTIATE_TEST_SUITE_P(SigintAndSigterm, SignalInTheCountdown,
                         ::testing::Values(std::pair{SIGINT, 130}, std::pair{SIGTERM, 0}));

TEST_F(RecordRunTest, ASignalWhileTheEngineStartsExitsOnceItsFolderIsGone)
{
    engine->completeStartAtOnce = false;
    engine->completeStopAtOnce = false;
    ASSERT_TRUE(run->start());
    scheduler.advance(3s);
    ASSERT_EQ(engine->log->starts, 1);
    run->signalReceived(SIGINT);
    EXPECT_TRUE(exits.isEmpty()) << "the engine still holds the video file";
    engine->completeStart();
    EXPECT_TRUE(exits.isEmpty());
    ASSERT_TRUE(engine->stopPending());
    engine->completeStop();
    EXPECT_EQ(exits, QList<int>{130});
    EXPECT_TRUE(leftOnDisk().isEmpty());
    EXPECT_TRUE(err.isEmpty());
}

TEST_F(RecordRunTest, ASecondSignalDoesNotWaitForTheEngine)
{
    engine->completeStartAtOnce = false;
    ASSERT_TRUE(run->start());
    scheduler.advance(3s);
    run->signalReceived(SIGTERM);
    EXPECT_TRUE(exits.isEmpty());
    run->signalReceived(SIGINT);
    EXPECT_EQ(exits, QList<int>{0}) << "the first signal's status";
}

TEST_F(RecordRunTest, ASignalWhileRecordingKeepsTheGuide)
{
    ASSERT_TRUE(run->start());
    scheduler.advance(3s);
    ASSERT_TRUE(session->phase().isRecording());
    run->signalReceived(SIGINT);
    pool.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, QList<int>{0});
    ASSERT_EQ(store.guides().size(), 1);
    EXPECT_EQ(out.last(), uuidText(store.guides().first().id));
    out.removeAll(QStringLiteral("Steps: 0"));
    EXPECT_EQ(out.mid(0, 5), (QStringList{QString::fromUtf8("Starting in 3…"), QString::fromUtf8("Starting in 2…"),
                                          QString::fromUtf8("Starting in 1…"),
                                          QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop."),
                                          QString::fromUtf8("Finishing…")}));
}

TEST_F(RecordRunTest, TheHotKeyInTheCountdownCancelsToo)
{
    ASSERT_TRUE(run->start());
    run->stopRequested();
    EXPECT_EQ(exits, QList<int>{0});
    EXPECT_TRUE(leftOnDisk().isEmpty());
}

TEST_F(RecordRunTest, AFailedStartExitsWithOne)
{
    engine->startError = QStringLiteral("Couldn't capture the screen.");
    ASSERT_TRUE(run->start());
    scheduler.advance(3s);
    EXPECT_EQ(exits, QList<int>{1});
    EXPECT_EQ(err, QStringList{QStringLiteral("kelvo: Couldn't start recording: Couldn't capture the screen.")});
    EXPECT_TRUE(leftOnDisk().isEmpty());
}

} // namespace
} // namespace kelvo
