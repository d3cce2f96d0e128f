// SPDX-License-Identifier: GPL-3.0-or-later
// The HUD on a real X11 desktop with a window manager (openbox).
#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "ui/Widgets.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/DesktopWindows.h"
#include "support/TempDataDir.h"
#include "support/Wait.h"
#include "support/capture/FakeCapture.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstring>
#include <functional>
#include <memory>

namespace kelvo {
namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(const char *name)
{
    xcb_connection_t *c = connection();
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

QList<quint32> property(xcb_window_t window, const char *name, xcb_atom_t type)
{
    xcb_connection_t *c = connection();
    std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(name), type, 0, 64), nullptr));
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
        values.append(data[i]);
    return values;
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

xcb_window_t activeWindow()
{
    const QList<quint32> active = property(rootWindow(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    return active.isEmpty() ? xcb_window_t{XCB_WINDOW_NONE} : active.first();
}

// Counts the mouse presses a widget receives.
class PressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

quint32 currentDesktop()
{
    return property(rootWindow(), "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL).value(0, 0xFFFFFFFFu);
}

// Asks the window manager to switch desktops and waits until it has.
::testing::AssertionResult switchToDesktop(quint32 desktop)
{
    if (auto several = test::waitFor([] { return property(rootWindow(), "_NET_NUMBER_OF_DESKTOPS", XCB_ATOM_CARDINAL).value(0) > 1; }); !several)
        return several << "; the window manager offers a single desktop";
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = rootWindow();
    message.type = atom("_NET_CURRENT_DESKTOP");
    message.data.data32[0] = desktop;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection(), 0, rootWindow(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection());
    if (auto switched = test::waitFor([desktop] { return currentDesktop() == desktop; }); !switched)
        return switched << "; still on desktop " << currentDesktop() << ", not " << desktop;
    return ::testing::AssertionSuccess();
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

class HUDDesktopTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    std::unique_ptr<RecordingSession> session;

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        auto services = test::quietServices(store, scheduler, displays);
        session = std::make_unique<RecordingSession>(std::move(services), std::make_unique<test::FakeRecordingEngine>(),
                                                     std::make_unique<test::FakeClickMonitor>());
        ASSERT_TRUE(switchToDesktop(0));
    }

    void TearDown() override { EXPECT_TRUE(switchToDesktop(0)); }
};

TEST_F(HUDDesktopTest, OnEveryWorkspaceAboveOthersAtTheTopCentre)
{
    HUDController hud(*session);
    session->start();
    hud.show();
    QWidget *panel = hud.panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    const auto id = static_cast<xcb_window_t>(panel->winId());

    EXPECT_EQ(property(id, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL), QList<quint32>{0xFFFFFFFFu});
    const QList<quint32> states = property(id, "_NET_WM_STATE", XCB_ATOM_ATOM);
    // _NET_WM_STATE_STICKY is asked for too, but openbox keeps windows on every
    // desktop through _NET_WM_DESKTOP alone and drops the state it does not know.
    EXPECT_TRUE(states.contains(atom("_NET_WM_STATE_ABOVE")));
    EXPECT_TRUE(states.contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));

    const QPoint home = HUDController::topCentre(QGuiApplication::primaryScreen()->availableGeometry(), QSize(340, 54));
    EXPECT_EQ(home, QPoint(790, 12));
    EXPECT_TRUE(test::waitFor([&] { return panel->geometry() == QRect(home, QSize(340, 54)); }));
    EXPECT_EQ(hud.view()->primaryText(), QString::fromUtf8("Starting in 3…"));

    // Still shown on another desktop.
    ASSERT_TRUE(switchToDesktop(1));
    xcb_connection_t *c = connection();
    std::unique_ptr<xcb_get_window_attributes_reply_t, FreeDeleter> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr));
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->map_state, XCB_MAP_STATE_VIEWABLE);
}

TEST_F(HUDDesktopTest, ClickingCancelLeavesTheActiveWindowAlone)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("Some other window"));
    other.setGeometry(200, 300, 400, 300);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const auto otherId = static_cast<xcb_window_t>(other.winId());
    ASSERT_TRUE(test::DesktopWindows().activate(otherId, test::desktopPatienceMs));

    HUDController hud(*session);
    session->onPhaseChange = [&](Phase phase) {
        if (phase.isCountdown())
            hud.show();
        else if (phase.isIdle())
            hud.hide();
    };
    session->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hud.panel()));
    EXPECT_TRUE(test::waitFor([&] { return hud.panel()->pos() == QPoint(790, 12); }));
    EXPECT_EQ(activeWindow(), otherId);

    NeuButton *cancel = hud.view()->cancelButton();
    const QPoint centre = cancel->mapToGlobal(cancel->rect().center());
    ASSERT_TRUE(xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
    EXPECT_TRUE(test::waitFor([&] { return session->phase().isIdle(); }));
    EXPECT_FALSE(hud.panel()->isVisible());
    EXPECT_EQ(activeWindow(), otherId);
}

// A plain click on the time and steps leaves the HUD where it is and the next
// click on Stop stops: no window manager move swallows it.
TEST_F(HUDDesktopTest, AClickOnTheCapsuleLeavesStopWorking)
{
    HUDController hud(*session);
    session->onPhaseChange = [&](Phase phase) {
        if (phase.isCountdown())
            hud.show();
    };
    session->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hud.panel()));
    const QPoint home(790, 12);
    ASSERT_TRUE(test::waitFor([&] { return hud.panel()->pos() == home; }));
    scheduler.advance(std::chrono::seconds(3));
    ASSERT_TRUE(test::waitFor([&] { return session->phase().isRecording() && hud.view()->isStopShown(); }));

    PressCounter counter;
    hud.view()->installEventFilter(&counter);
    int movesStarted = 0;
    QObject::connect(hud.view(), &RecordingHUDView::moveStarted, [&] { ++movesStarted; });
    const QPoint time = hud.panel()->mapToGlobal(QPoint(60, 27));
    ASSERT_TRUE(xdotool({"mousemove", QString::number(time.x()), QString::number(time.y()), "click", "1"}));
    ASSERT_TRUE(test::waitFor([&] { return counter.presses == 1; }));

    NeuButton *stop = hud.view()->stopButton();
    const QPoint centre = stop->mapToGlobal(stop->rect().center());
    ASSERT_TRUE(xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
    EXPECT_TRUE(test::waitFor([&] { return session->phase().isFinishing() || session->phase().isIdle(); }))
        << "Stop did not reach the HUD after a click on the capsule";
    EXPECT_EQ(movesStarted, 0);
    EXPECT_EQ(hud.panel()->pos(), home);
}

TEST_F(HUDDesktopTest, DraggedAwayAndBackAtTheNextRecording)
{
    HUDController hud(*session);
    hud.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hud.panel()));
    EXPECT_TRUE(test::waitFor([&] { return hud.panel()->pos() == QPoint(790, 12); }));
    // Drag by the capsule's background, left of the text.
    // Each step waits for Kelvo to see the last one: xdotool blocks the event loop.
    const QPoint grip = hud.panel()->mapToGlobal(QPoint(8, 27));
    PressCounter counter;
    hud.view()->installEventFilter(&counter);
    ASSERT_TRUE(xdotool({"mousemove", QString::number(grip.x()), QString::number(grip.y()), "mousedown", "1"}));
    ASSERT_TRUE(test::waitFor([&] { return counter.presses == 1; }));
    // The move starts once the pointer has travelled with the button held. The
    // window manager moves the window live but tells Kelvo where it went only
    // when the drag ends.
    int movesStarted = 0;
    QObject::connect(hud.view(), &RecordingHUDView::moveStarted, [&] { ++movesStarted; });
    ASSERT_TRUE(xdotool({"mousemove", QString::number(grip.x() + 20), QString::number(grip.y() + 20)}));
    ASSERT_TRUE(test::waitFor([&] { return movesStarted == 1; }));
    for (int step = 1; step <= 5; ++step)
        ASSERT_TRUE(xdotool({"mousemove", QString::number(grip.x() + 60 * step), QString::number(grip.y() + 100 * step)}));
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    EXPECT_TRUE(test::waitFor([&] { return hud.panel()->pos().y() > 200; }));
    hud.hide();
    hud.show();
    EXPECT_TRUE(test::waitFor([&] { return hud.panel()->pos() == QPoint(790, 12); }));
}

} // namespace
} // namespace kelvo
