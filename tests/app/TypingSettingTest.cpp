// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "app/settings/TypingSetting.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/capture/FakeCapture.h"
#include "support/capture/FakeTyping.h"

#include <QCheckBox>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class TypingSettingTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    QTemporaryDir settingsDir;
    QSettings settings{settingsDir.filePath("kelvo.conf"), QSettings::IniFormat};
    RecordingSession session{test::quietServices(store, scheduler, displays),
                             std::make_unique<test::FakeRecordingEngine>(), std::make_unique<test::FakeClickMonitor>()};
};

TEST_F(TypingSettingTest, OnByDefaultAndKeptInTheSettings)
{
    EXPECT_TRUE(recordTypingSetting(settings));
    QWidget parent;
    QCheckBox *box = makeRecordTypingCheckBox(session, settings, &parent);
    EXPECT_EQ(box->text(), "Record typing and shortcuts");
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
    EXPECT_FALSE(session.recordTyping());
    EXPECT_FALSE(recordTypingSetting(settings));
    QSettings reread(settings.fileName(), QSettings::IniFormat);
    EXPECT_FALSE(recordTypingSetting(reread)) << "written to the file at once";

    session.setRecordTyping(true); // changed elsewhere: the box follows without writing
    EXPECT_TRUE(box->isChecked());
    EXPECT_FALSE(recordTypingSetting(settings));
}

TEST_F(TypingSettingTest, TheHUDShowsTheKeyboardOnlyWhileTypingIsRecorded)
{
    session.setTypingCapture(std::make_unique<test::FakeKeyMonitor>(), std::make_unique<test::FakeFieldWatcher>());
    HUDController hud(session);
    hud.primaryScreen = [] { return nullptr; };
    hud.show(); // makes the panel; without a screen it stays hidden
    RecordingHUDView *view = hud.view();
    ASSERT_TRUE(view);
    session.start();
    EXPECT_FALSE(view->isTypingSymbolShown()) << "not in the countdown";
    scheduler.advance(3s);
    ASSERT_TRUE(session.phase().isRecording());
    EXPECT_TRUE(view->isTypingSymbolShown());
    session.stop();
    EXPECT_FALSE(view->isTypingSymbolShown());

    session.setRecordTyping(false);
    session.start();
    scheduler.advance(3s);
    ASSERT_TRUE(session.phase().isRecording());
    EXPECT_FALSE(view->isTypingSymbolShown());
    session.stop();
}

TEST_F(TypingSettingTest, WithoutAKeyMonitorNoKeyboardIsShown)
{
    HUDController hud(session);
    hud.primaryScreen = [] { return nullptr; };
    hud.show();
    session.start();
    scheduler.advance(3s);
    EXPECT_FALSE(hud.view()->isTypingSymbolShown());
    session.stop();
}

} // namespace
} // namespace kelvo
