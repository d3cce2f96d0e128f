// SPDX-License-Identifier: GPL-3.0-or-later
// The application model and the menu commands, with fakes for the session's
// backends and the desktop's grants.
#include "app/menus/AppMenus.h"
#include "app/state/AppModel.h"

#include "app/TerminationSignals.h"
#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "app/updates/Updater.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"
#include "model/GuideJson.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/QtPrinters.h"
#include "support/TempDataDir.h"
#include "support/capture/FakeCapture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class FakeProbe final : public PermissionProbe {
public:
    bool screen = true;
    bool accessible = false;
    int requests = 0;
    bool screenRecording() override { return screen; }
    bool accessibility() override { return accessible; }
    bool requestAccessibility() override
    {
        ++requests;
        return accessible;
    }
};

// Everything one run of the application needs, on a manual clock.
class AppModelTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir settingsDir;
    test::ManualScheduler scheduler;
    FakeProbe probe;
    test::FakeDisplayProvider displays;
    QThreadPool pool;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<AppModel> model;
    GlobalHotKey::Action hotKey;
    std::vector<std::unique_ptr<QMainWindow>> windows;
    test::FakeRecordingEngine *engine = nullptr;

    void SetUp() override { launch(); }

    void TearDown() override
    {
        windows.clear();
        model.reset();
    }

    // A hot key that records its action, so the test can "press" it.
    class RecordedHotKey final : public GlobalHotKey {};

    void launch()
    {
        windows.clear();
        model.reset();
        settings = std::make_unique<QSettings>(settingsDir.filePath("kelvo.conf"), QSettings::IniFormat);
        auto store = std::make_unique<GuideStore>(scheduler, data.path());
        auto permissions = std::make_unique<Permissions>(probe, *settings);
        Permissions *grants = permissions.get();
        auto fakeEngine = std::make_unique<test::FakeRecordingEngine>();
        engine = fakeEngine.get();
        engine->setFrame(QImage(64, 64, QImage::Format_RGB32));
        RecordingSession::Services services{
            .store = *store,
            .scheduler = scheduler,
            .displays = displays,
            .inspectTarget = [](QPointF) { return std::optional<ClickTarget>(); },
            .makeCaption = [](const ClickTarget &, bool) { return QStringLiteral("Click here"); },
            .frontmostApplication = [] { return RecordingSession::Services::NameLater(); },
            .screenRecordingGranted = [grants] { return grants->screenRecording(); },
            .pool = &pool,
        };
        auto session = std::make_unique<RecordingSession>(std::move(services), std::move(fakeEngine),
                                                          std::make_unique<test::FakeClickMonitor>());
        AppModel::Parts parts;
        parts.store = std::move(store);
        parts.permissions = std::move(permissions);
        parts.session = std::move(session);
        parts.registerHotKey = [this](GlobalHotKey::Action action) {
            hotKey = std::move(action);
            return std::make_unique<RecordedHotKey>();
        };
        model = std::make_unique<AppModel>(std::move(parts));
        model->openMainWindow = [this] { openWindow(); };
        model->hud().primaryScreen = [] { return static_cast<QScreen *>(nullptr); };
    }

    QMainWindow *openWindow()
    {
        windows.push_back(std::make_unique<QMainWindow>());
        AppModel::markAsMainWindow(windows.back().get());
        windows.back()->show();
        return windows.back().get();
    }

    void pressHotKey()
    {
        ASSERT_TRUE(hotKey);
        hotKey();
    }

    void settle()
    {
        pool.waitForDone();
        QCoreApplication::processEvents();
    }

    void plantGuide(const QString &title, int day)
    {
        Guide guide;
        guide.title = title;
        guide.createdAt = QDateTime(QDate(2026, 5, day), QTime(10, 0), Qt::UTC);
        GuideStore(scheduler, data.path()).save(guide);
    }
};

TEST_F(AppModelTest, HotKeyCountsDownAndCancelsWithTheMainWindowBack)
{
    QMainWindow *window = openWindow();
    pressHotKey();
    EXPECT_EQ(model->session().phase(), Phase::countdown(3));
    EXPECT_FALSE(window->isVisible()) << "main windows hide during the countdown";
    scheduler.advance(1s);
    EXPECT_EQ(model->session().phase(), Phase::countdown(2));
    pressHotKey();
    EXPECT_EQ(model->session().phase(), Phase::idle());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(engine->log->starts, 0);
}

// A second launch during a recording leaves the recorded desktop alone: no main
// window, only the HUD lights up. Idle, the main window comes forward.
TEST_F(AppModelTest, AnotherLaunchFlashesTheHUDWhileRecording)
{
    model->hud().primaryScreen = [] { return QGuiApplication::primaryScreen(); };
    QMainWindow *window = openWindow();
    window->hide();
    model->anotherLaunchArrived();
    EXPECT_TRUE(window->isVisible());

    pressHotKey();
    scheduler.advance(3s);
    ASSERT_EQ(model->session().phase(), Phase::recording());
    ASSERT_TRUE(model->hud().panel() && model->hud().panel()->isVisible());
    model->anotherLaunchArrived();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(model->mainWindows().size(), 1);
    EXPECT_EQ(model->hud().view()->flashCount(), 1);
    EXPECT_TRUE(model->hud().panel()->isVisible());
}

TEST_F(AppModelTest, HotKeyFinishesARecordingAndSelectsTheNewGuide)
{
    QMainWindow *window = openWindow();
    pressHotKey();
    scheduler.advance(3s);
    ASSERT_EQ(model->session().phase(), Phase::recording());
    EXPECT_FALSE(window->isVisible());
    engine->completeStopAtOnce = false;
    pressHotKey();
    EXPECT_EQ(model->session().phase(), Phase::finishing());
    pressHotKey(); // while finishing: nothing
    EXPECT_EQ(model->session().phase(), Phase::finishing());
    engine->completeStop();
    settle();
    EXPECT_EQ(model->session().phase(), Phase::idle());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(model->store().guides().size(), 1);
    EXPECT_EQ(model->selectedGuideID(), model->store().guides().first().id);
}

TEST_F(AppModelTest, WithoutScreenRecordingNothingCountsDown)
{
    probe.screen = false;
    model->permissions().refresh();
    model->startRecording();
    EXPECT_EQ(model->session().phase(), Phase::idle());
    ASSERT_EQ(model->mainWindows().size(), 1) << "the main window comes forward";
    EXPECT_TRUE(model->mainWindows().first()->isVisible());
    scheduler.advance(5s);
    EXPECT_EQ(engine->log->starts, 0);
}

TEST_F(AppModelTest, AccessibilityIsAskedForOnlyOnceAcrossRestarts)
{
    model->startRecording();
    EXPECT_EQ(probe.requests, 1);
    EXPECT_EQ(model->session().phase(), Phase::countdown(3)) << "recording goes on without it";
    model->session().stop();
    model->startRecording();
    EXPECT_EQ(probe.requests, 1);
    model->session().stop();

    launch(); // the next run of Kelvo, same settings
    model->startRecording();
    EXPECT_EQ(probe.requests, 1);
    model->session().stop();
}

TEST_F(AppModelTest, TheNewestGuideIsSelectedAtLaunch)
{
    EXPECT_FALSE(model->selectedGuideID()) << "empty store";
    plantGuide("older", 1);
    plantGuide("newer", 2);
    launch();
    ASSERT_TRUE(model->selectedGuideID());
    EXPECT_EQ(model->store().guideWithID(*model->selectedGuideID())->title, "newer");
}

TEST_F(AppModelTest, TheHUDIsNeverAMainWindow)
{
    pressHotKey();
    ASSERT_NE(model->hud().panel(), nullptr);
    EXPECT_TRUE(model->mainWindows().isEmpty());
    model->session().stop();
    ASSERT_EQ(model->mainWindows().size(), 1) << "idle opens a main window when only the HUD was there";
    EXPECT_FALSE(model->mainWindows().contains(model->hud().panel()));
    EXPECT_FALSE(model->hud().panel()->isVisible());
}

TEST_F(AppModelTest, ShowMainWindowIfNoneVisibleLeavesAVisibleOneAlone)
{
    QMainWindow *window = openWindow();
    model->showMainWindowIfNoneVisible();
    EXPECT_EQ(model->mainWindows().size(), 1);
    window->hide();
    model->showMainWindowIfNoneVisible();
    EXPECT_EQ(model->mainWindows().size(), 1) << "the hidden window comes back; no new one";
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AppModelTest, QuittingFinishesARecordingFirst)
{
    int quits = 0;
    model->quitWhenSafe([&] { ++quits; });
    EXPECT_EQ(quits, 1) << "idle: at once";

    pressHotKey();
    scheduler.advance(3s);
    ASSERT_EQ(model->session().phase(), Phase::recording());
    engine->completeStopAtOnce = false;
    model->quitWhenSafe([&] { ++quits; });
    EXPECT_EQ(model->session().phase(), Phase::finishing());
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 1) << "not before the guide is saved";
    engine->completeStop();
    settle();
    EXPECT_EQ(quits, 2);
    EXPECT_EQ(model->store().guides().size(), 1);

    pressHotKey(); // a countdown is simply cancelled
    model->quitWhenSafe([&] { ++quits; });
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 3);
    EXPECT_EQ(model->store().guides().size(), 1);
}

// An exit already under way (end of the session, the event loop stopped)
// waits for the recording's guide before it goes on.
TEST_F(AppModelTest, FinishingNowSavesTheRecordingBeforeReturning)
{
    model->finishRecordingNow(); // idle: nothing
    pressHotKey();
    scheduler.advance(3s);
    ASSERT_EQ(model->session().phase(), Phase::recording());
    scheduler.advance(2s);
    model->finishRecordingNow();
    EXPECT_EQ(model->session().phase(), Phase::idle());
    ASSERT_EQ(model->store().guides().size(), 1);
    EXPECT_NEAR(model->store().guides().first().duration, 2.0, 0.01);

    // A countdown is cancelled without a guide.
    pressHotKey();
    model->finishRecordingNow();
    EXPECT_EQ(model->session().phase(), Phase::idle());
    EXPECT_EQ(model->store().guides().size(), 1);
}

// The signals that end a process arrive on the event loop, one report each.
TEST(TerminationSignalsTest, TermIntAndHupReachTheEventLoop)
{
    TerminationSignals terminations;
    ASSERT_TRUE(terminations.isListening());
    QList<int> received;
    QObject::connect(&terminations, &TerminationSignals::received, [&](int n) { received.append(n); });
    ::raise(SIGTERM);
    ::raise(SIGINT);
    ::raise(SIGHUP);
    QDeadlineTimer deadline(10000);
    while (received.size() < 3 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(received, (QList<int>{SIGTERM, SIGINT, SIGHUP}));
}

TEST_F(AppModelTest, MenuTitlesFollowThePhase)
{
    AppMenus menus(*model, {});
    EXPECT_EQ(menus.newRecordingAction()->text(), "New Recording");
    EXPECT_EQ(menus.trayRecordingAction()->text(), "Start Recording  (Ctrl+Alt+Super+R)");
    EXPECT_EQ(menus.newRecordingAction()->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+R")));
    menus.newRecordingAction()->trigger();
    EXPECT_EQ(model->session().phase(), Phase::countdown(3));
    EXPECT_EQ(menus.newRecordingAction()->text(), "Stop Recording");
    EXPECT_EQ(menus.trayRecordingAction()->text(), "Stop Recording  (Ctrl+Alt+Super+R)");
    EXPECT_EQ(trayIconName(model->session().phase()), "list.number");
    menus.trayRecordingAction()->trigger(); // cancels the countdown
    EXPECT_EQ(model->session().phase(), Phase::idle());
    menus.newRecordingAction()->trigger();
    scheduler.advance(3s);
    EXPECT_EQ(trayIconName(model->session().phase()), "record.circle.fill");
    menus.newRecordingAction()->trigger();
    settle();
    EXPECT_EQ(trayIconName(model->session().phase()), "list.number");
}

TEST_F(AppModelTest, GuideCommandsFollowTheFocusedEditor)
{
    AppMenus menus(*model, {});
    EXPECT_FALSE(menus.exportAction()->isEnabled());
    EXPECT_FALSE(menus.shareAction()->isEnabled());
    EXPECT_FALSE(menus.revealAction()->isEnabled());

    int exported = 0, revealed = 0;
    GuideActions actions{.canExport = false, .exportPDF = [&] { ++exported; }, .sharePDF = {}, .reveal = [&] { ++revealed; },
                         .exportHTML = {}, .exportMarkdown = {}};
    QUndoStack stack;
    menus.setFocusedEditor(actions, &stack);
    EXPECT_FALSE(menus.exportAction()->isEnabled());
    EXPECT_FALSE(menus.exportHTMLAction()->isEnabled());
    EXPECT_FALSE(menus.exportMarkdownAction()->isEnabled());
    EXPECT_FALSE(menus.shareAction()->isEnabled());
    EXPECT_TRUE(menus.revealAction()->isEnabled());
    menus.revealAction()->trigger();
    EXPECT_EQ(revealed, 1);

    actions.canExport = true;
    menus.setFocusedEditor(actions, &stack);
    EXPECT_TRUE(menus.exportAction()->isEnabled());
    menus.exportAction()->trigger();
    EXPECT_EQ(exported, 1);
    EXPECT_EQ(menus.exportAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
    // HTML and Markdown beside it, under the same condition.
    int html = 0, markdown = 0;
    actions.exportHTML = [&] { ++html; };
    actions.exportMarkdown = [&] { ++markdown; };
    menus.setFocusedEditor(actions, &stack);
    ASSERT_TRUE(menus.exportHTMLAction()->isEnabled());
    ASSERT_TRUE(menus.exportMarkdownAction()->isEnabled());
    menus.exportHTMLAction()->trigger();
    menus.exportMarkdownAction()->trigger();
    EXPECT_EQ(html, 1);
    EXPECT_EQ(markdown, 1);
    EXPECT_EQ(exported, 1);
    EXPECT_EQ(menus.shareAction()->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+E")));
    EXPECT_EQ(menus.revealAction()->shortcut(), QKeySequence(QStringLiteral("Alt+Ctrl+R")));

    // Undo and Redo follow the focused editor's stack and name its action.
    EXPECT_FALSE(menus.undoAction()->isEnabled());
    int value = 0;
    struct Step final : QUndoCommand {
        int &value;
        explicit Step(int &v) : QUndoCommand(QStringLiteral("Move Step")), value(v) {}
        void redo() override { ++value; }
        void undo() override { --value; }
    };
    stack.push(new Step(value));
    EXPECT_TRUE(menus.undoAction()->isEnabled());
    EXPECT_EQ(menus.undoAction()->text(), "Undo Move Step");
    menus.undoAction()->trigger();
    EXPECT_EQ(value, 0);
    EXPECT_EQ(menus.redoAction()->text(), "Redo Move Step");

    menus.setFocusedEditor(std::nullopt, nullptr);
    EXPECT_FALSE(menus.exportAction()->isEnabled());
    EXPECT_FALSE(menus.revealAction()->isEnabled());
    EXPECT_FALSE(menus.undoAction()->isEnabled());
    EXPECT_FALSE(menus.redoAction()->isEnabled());
}

} // namespace
} // namespace kelvo
