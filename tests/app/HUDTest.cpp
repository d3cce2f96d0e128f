// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "ui/Widgets.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/capture/FakeCapture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

struct ElapsedCase {
    const char *name;
    double seconds;
    const char *expected;
};

class ElapsedTextTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTextTest, MinutesAndSecondsTruncated)
{
    EXPECT_EQ(elapsedText(GetParam().seconds), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, ElapsedTextTest,
                         ::testing::Values(ElapsedCase{"start", 0, "00:00"}, ElapsedCase{"almostMinute", 59.9, "00:59"},
                                           ElapsedCase{"minute", 60.0, "01:00"}, ElapsedCase{"hour", 3600, "60:00"},
                                           ElapsedCase{"longer", 75 * 60 + 3.7, "75:03"},
                                           ElapsedCase{"threeDigits", 6000, "100:00"},
                                           ElapsedCase{"negative", -4, "00:00"}),
                         [](const auto &testInfo) { return std::string(testInfo.param.name); });

TEST(HUDTexts, StepCountAndCountdown)
{
    EXPECT_EQ(stepCountText(0), "0 steps");
    EXPECT_EQ(stepCountText(1), "1 step");
    EXPECT_EQ(stepCountText(2), "2 steps");
    EXPECT_EQ(stepCountText(11), "11 steps");
    EXPECT_EQ(countdownText(3), QString::fromUtf8("Starting in 3…"));
    EXPECT_EQ(countdownText(1), QString::fromUtf8("Starting in 1…"));
}

TEST(RecordingHUDView, ContentFollowsThePhase)
{
    RecordingHUDView view;
    EXPECT_EQ(view.size(), QSize(340, 54));

    view.setPhase(Phase::countdown(3));
    EXPECT_EQ(view.primaryText(), QString::fromUtf8("Starting in 3…"));
    EXPECT_TRUE(view.isCancelShown());
    EXPECT_FALSE(view.isStopShown());
    EXPECT_EQ(view.stepText(), "");
    EXPECT_FALSE(view.dot()->isVisibleTo(&view));

    view.setPhase(Phase::countdown(2));
    EXPECT_EQ(view.primaryText(), QString::fromUtf8("Starting in 2…"));

    view.setPhase(Phase::recording());
    EXPECT_EQ(view.primaryText(), "00:00");
    EXPECT_EQ(view.stepText(), "0 steps");
    view.setElapsed(59.9);
    EXPECT_EQ(view.primaryText(), "00:59");
    view.setElapsed(60.0);
    EXPECT_EQ(view.primaryText(), "01:00");
    view.setElapsed(3600);
    EXPECT_EQ(view.primaryText(), "60:00");
    view.setStepCount(1);
    EXPECT_EQ(view.stepText(), "1 step");
    EXPECT_TRUE(view.isStopShown());
    EXPECT_FALSE(view.isCancelShown());
    EXPECT_TRUE(view.dot()->isVisibleTo(&view));
    EXPECT_FALSE(view.spinner()->isVisibleTo(&view));

    view.setPhase(Phase::finishing());
    EXPECT_EQ(view.primaryText(), QString::fromUtf8("Saving guide…"));
    EXPECT_FALSE(view.isStopShown());
    EXPECT_FALSE(view.isCancelShown());
    EXPECT_EQ(view.stepText(), "");
    EXPECT_TRUE(view.spinner()->isVisibleTo(&view));

    view.setPhase(Phase::idle());
    EXPECT_EQ(view.primaryText(), QString::fromUtf8("Saving guide…"));
}

TEST(RecordingHUDView, BothButtonsAskForStop)
{
    RecordingHUDView view;
    QSignalSpy stops(&view, &RecordingHUDView::stopRequested);
    view.setPhase(Phase::countdown(3));
    view.cancelButton()->click();
    view.setPhase(Phase::recording());
    view.stopButton()->click();
    EXPECT_EQ(stops.count(), 2);
}

// A press alone never starts a move (the window manager would swallow the next
// click); the pointer must travel the drag distance with the button held.
TEST(RecordingHUDView, OnlyADragPastTheDragDistanceMovesTheHUD)
{
    RecordingHUDView view;
    view.setPhase(Phase::recording());
    view.move(100, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy moves(&view, &RecordingHUDView::moveStarted);
    const QPoint grip(8, 27);
    const int distance = QApplication::startDragDistance();

    QTest::mouseClick(&view, Qt::LeftButton, {}, grip);
    EXPECT_EQ(moves.count(), 0);

    QTest::mousePress(&view, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&view, grip + QPoint(distance - 1, 0));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, grip + QPoint(distance - 1, 0));
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(view.pos(), QPoint(100, 100));

    // A move without the button held (after a release elsewhere) does nothing.
    QTest::mouseMove(&view, grip + QPoint(40, 40));
    EXPECT_EQ(moves.count(), 0);

    QTest::mousePress(&view, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&view, grip + QPoint(distance + 20, 30));
    EXPECT_EQ(moves.count(), 1);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, grip + QPoint(distance + 20, 30));
}

TEST(PulsingDot, PulsesUnlessMotionIsReduced)
{
    {
        PulsingDot dot;
        dot.show();
        EXPECT_TRUE(dot.isAnimating());
        EXPECT_LT(dot.opacity(), 1.0);
        dot.hide();
        EXPECT_FALSE(dot.isAnimating());
    }
    qputenv("KELVO_REDUCED_MOTION", "1");
    PulsingDot dot;
    dot.show();
    EXPECT_FALSE(dot.isAnimating());
    EXPECT_EQ(dot.opacity(), 1.0);
    qunsetenv("KELVO_REDUCED_MOTION");
    EXPECT_EQ(dot.accessibleName(), "Recording");
}

TEST(HUDController, TopCentreOfTheAvailableArea)
{
    EXPECT_EQ(HUDController::topCentre(QRect(0, 0, 1920, 1080), QSize(340, 54)), QPoint(790, 12));
    EXPECT_EQ(HUDController::topCentre(QRect(0, 27, 1920, 1053), QSize(340, 54)), QPoint(790, 39));
    EXPECT_EQ(HUDController::topCentre(QRect(1920, -200, 1280, 1024), QSize(340, 54)), QPoint(2390, -188));
}

class HUDControllerTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    std::unique_ptr<RecordingSession> session;

    void SetUp() override
    {
        auto services = test::quietServices(store, scheduler, displays);
        session = std::make_unique<RecordingSession>(std::move(services), std::make_unique<test::FakeRecordingEngine>(),
                                                     std::make_unique<test::FakeClickMonitor>());
    }
};

TEST_F(HUDControllerTest, NoPanelBeforeTheFirstShow)
{
    HUDController hud(*session);
    EXPECT_EQ(hud.panel(), nullptr);
    hud.hide(); // nothing to hide
    EXPECT_EQ(hud.panel(), nullptr);
}

TEST_F(HUDControllerTest, CountdownShowsAndCancelStopsTheSession)
{
    HUDController hud(*session);
    session->onPhaseChange = [&](Phase phase) {
        if (phase.isCountdown())
            hud.show();
        else if (phase.isIdle())
            hud.hide();
    };
    session->start();
    ASSERT_NE(hud.panel(), nullptr);
    EXPECT_TRUE(hud.panel()->isVisible());
    EXPECT_EQ(hud.view()->primaryText(), QString::fromUtf8("Starting in 3…"));
    scheduler.advance(1000ms);
    EXPECT_EQ(hud.view()->primaryText(), QString::fromUtf8("Starting in 2…"));
    scheduler.advance(1000ms);
    EXPECT_EQ(hud.view()->primaryText(), QString::fromUtf8("Starting in 1…"));

    QWidget *panel = hud.panel();
    hud.view()->cancelButton()->click();
    EXPECT_TRUE(session->phase().isIdle());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(hud.panel(), panel); // kept for the next recording
}

TEST_F(HUDControllerTest, RecordingShowsTimeAndStepsAndStopFinishes)
{
    HUDController hud(*session);
    session->start();
    hud.show();
    scheduler.advance(3000ms);
    ASSERT_TRUE(session->phase().isRecording());
    EXPECT_EQ(hud.view()->primaryText(), "00:00");
    EXPECT_EQ(hud.view()->stepText(), "0 steps");
    scheduler.advance(61000ms);
    EXPECT_EQ(hud.view()->primaryText(), "01:01");
    hud.view()->stopButton()->click();
    EXPECT_FALSE(session->phase().isRecording());
}

TEST_F(HUDControllerTest, PanelIsAFocuslessFloatingToolWindow)
{
    HUDController hud(*session);
    hud.show();
    QWidget *panel = hud.panel();
    ASSERT_NE(panel, nullptr);
    const Qt::WindowFlags flags = panel->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(panel->windowType(), Qt::Tool);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(panel->size(), QSize(340, 54));
}

TEST_F(HUDControllerTest, EveryShowRecentresADraggedPanel)
{
    HUDController hud(*session);
    hud.show();
    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QPoint home = HUDController::topCentre(screen->availableGeometry(), QSize(340, 54));
    EXPECT_EQ(hud.panel()->pos(), home);
    hud.panel()->move(home + QPoint(-300, 400));
    hud.show();
    EXPECT_EQ(hud.panel()->pos(), home);
    hud.hide();
    hud.panel()->move(5, 5);
    hud.show();
    EXPECT_EQ(hud.panel()->pos(), home);
}

TEST_F(HUDControllerTest, WithoutAScreenNothingIsShown)
{
    HUDController hud(*session);
    hud.primaryScreen = [] { return static_cast<QScreen *>(nullptr); };
    hud.show();
    ASSERT_NE(hud.panel(), nullptr);
    EXPECT_FALSE(hud.panel()->isVisible());
}

} // namespace
} // namespace kelvo
