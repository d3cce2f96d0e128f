// SPDX-License-Identifier: GPL-3.0-or-later
// The whole application on the virtual desktop: the real capture backends,
// the global hot key pressed through the X server, the HUD and the main window.
#include "app/KelvoApplication.h"

#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "app/state/AppModel.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"
#include "support/QtPrinters.h"
#include "support/TempDataDir.h"
#include "support/Wait.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using test::waitFor;

// xdotool runs beside the event loop, which must go on to receive the key.
void pressHotKey()
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+super+r")});
    waitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 10000);
}

TEST(KelvoOnTheDesktop, HotKeyRecordsAGuideAndBringsTheWindowBackWithIt)
{
    test::TempDataDir data;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    KelvoApplication kelvo(*qApp);
    AppModel &model = kelvo.model();
    ASSERT_TRUE(model.hasHotKey()) << "the hot key could not be registered";
    ASSERT_TRUE(waitFor([&] { return !model.mainWindows().isEmpty() && model.mainWindows().first()->isVisible(); }));
    QWidget *window = model.mainWindows().first();
    EXPECT_FALSE(model.selectedGuideID());

    pressHotKey();
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isCountdown(); }));
    ASSERT_TRUE(waitFor([&] { return model.hud().panel() && model.hud().panel()->isVisible(); }));
    EXPECT_FALSE(window->isVisible()) << "the main window hides during the countdown";
    EXPECT_EQ(model.hud().panel()->geometry().top(), HUDController::topMargin);
    EXPECT_EQ(model.hud().panel()->geometry().left(), (1920 - 340) / 2);

    ASSERT_TRUE(waitFor([&] { return model.session().phase().isRecording(); }));
    EXPECT_TRUE(model.hud().panel()->isVisible());
    pressHotKey();
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isIdle(); }));
    EXPECT_TRUE(waitFor([&] { return window->isVisible(); })) << "the main window comes back";
    EXPECT_FALSE(model.hud().panel()->isVisible());
    ASSERT_EQ(model.store().guides().size(), 1);
    EXPECT_EQ(model.selectedGuideID(), model.store().guides().first().id) << "with the new guide selected";
    EXPECT_EQ(model.store().guides().first().videoFileName, "video.mov");

    // A second launch finds this instance, which brings its window forward.
    kelvo.listenForOtherInstances();
    window->hide();
    EXPECT_TRUE(KelvoApplication::handOverToRunningInstance());
    EXPECT_TRUE(waitFor([&] { return window->isVisible(); }));
    EXPECT_EQ(model.mainWindows().size(), 1) << "no second window";
}

TEST(KelvoOnTheDesktop, NewRecordingFromASecondLaunchRecordsInTheRunningInstance)
{
    test::TempDataDir data;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    KelvoApplication kelvo(*qApp);
    AppModel &model = kelvo.model();
    kelvo.listenForOtherInstances();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral(KELVO_APP_ID));
    EXPECT_FALSE(QApplication::windowIcon().isNull()) << "the built-in icon stands in for the theme's";
    ASSERT_TRUE(waitFor([&] { return !model.mainWindows().isEmpty() && model.mainWindows().first()->isVisible(); }));

    EXPECT_TRUE(KelvoApplication::handOverToRunningInstance(KelvoApplication::Request::NewRecording));
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isCountdown(); }));
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isRecording(); }));
    model.session().stop();
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isIdle(); }));
    EXPECT_EQ(model.store().guides().size(), 1);
}

TEST(KelvoOnTheDesktop, ASecondLaunchDuringARecordingShowsNothingAndFlashesTheHUD)
{
    test::TempDataDir data;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    KelvoApplication kelvo(*qApp);
    AppModel &model = kelvo.model();
    kelvo.listenForOtherInstances();
    ASSERT_TRUE(waitFor([&] { return !model.mainWindows().isEmpty() && model.mainWindows().first()->isVisible(); }));
    QWidget *window = model.mainWindows().first();
    model.startRecording();
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isRecording(); }));
    ASSERT_TRUE(model.hud().view());
    EXPECT_FALSE(window->isVisible());

    // A real second process, as from the launcher: it hands over and leaves.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KELVO_NO_UPDATES", "1");
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(KELVO_BINARY), QStringList());
    ASSERT_TRUE(waitFor([&] { return second.state() == QProcess::NotRunning; })) << "the second launch stays";
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(waitFor([&] { return model.hud().view()->flashCount() == 1; })) << "the HUD flashes";
    EXPECT_FALSE(window->isVisible()) << "nothing comes over the application being recorded";
    EXPECT_TRUE(model.session().phase().isRecording());

    model.session().stop();
    ASSERT_TRUE(waitFor([&] { return model.session().phase().isIdle(); }));
    EXPECT_TRUE(waitFor([&] { return window->isVisible(); }));
}

TEST(KelvoOnTheDesktop, NewRecordingOptionStartsKelvoAndRecordsOnce)
{
    test::TempDataDir data;
    QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    environment.insert("KELVO_NO_UPDATES", "1");
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(KELVO_BINARY), {QStringLiteral("--new-recording")});
    ASSERT_TRUE(first.waitForStarted());

    // The recording has begun when the guide's folder exists.
    const auto folders = [&] { return QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    ASSERT_TRUE(waitFor([&] { return !folders().isEmpty(); }, 60000))
        << "no recording began: " << first.readAllStandardError().toStdString();

    // A second launch hands its request over and leaves; the recording goes on alone.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(KELVO_BINARY), {QStringLiteral("--new-recording")});
    ASSERT_TRUE(waitFor([&] { return second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    pressHotKey();
    const QString saved = data.filePath(folders().first() + "/guide.json");
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(saved); }, 60000)) << "Stop saves the guide";
    EXPECT_EQ(folders().size(), 1) << "one recording, not two";
    first.terminate();
    EXPECT_TRUE(waitFor([&] { return first.state() == QProcess::NotRunning; }));
    EXPECT_FALSE(QFileInfo::exists(config.filePath("Unknown Organization"))) << "settings go under Kelvo/";
}

} // namespace
} // namespace kelvo
