// On the virtual desktop: a guide's HEVC movie plays in the editor from a step.
#include "editor/GuideEditorView.h"

#include "editor/StepRowView.h"
#include "editor/VideoPlayerView.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/TestGuides.h"

#include <QSignalSpy>
#include <QTest>
#include <QVideoSink>
#include <QVideoWidget>

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(EditorDesktopTest, RecordedVideoPlaysFromAStep)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store(scheduler);
    Guide guide = test::plantGuide(store, QStringLiteral("Playback"), 3, QDateTime::currentDateTimeUtc(), 15);
    ASSERT_TRUE(test::writeTestMovie(store.folderPath(guide.id) + QStringLiteral("/video.mov"), 15));
    guide.videoFileName = QStringLiteral("video.mov");
    store.update(guide);

    QUndoStack undo;
    GuideEditorView editor(store, *store.guideBinding(guide.id), &undo);
    editor.resize(1400, 900);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));

    QMediaPlayer *player = editor.player();
    ASSERT_NE(player, nullptr);
    ASSERT_NE(editor.playerView(), nullptr);
    EXPECT_TRUE(editor.playerView()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->mediaStatus() == QMediaPlayer::LoadedMedia; }, 20000))
        << player->errorString().toStdString();
    EXPECT_NEAR(player->duration(), 15000, 200);

    QSignalSpy frames(editor.playerView()->videoWidget()->videoSink(), &QVideoSink::videoFrameChanged);
    StepRowView *third = editor.stepRows()[2]; // at 6 s: plays from 5 s
    ASSERT_TRUE(third->playButton()->isVisible());
    QTest::mouseClick(third->playButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() >= 5000 && player->position() < 5500; }, 10000))
        << player->position();
    const qint64 started = player->position();
    // It plays: the position advances and frames reach the view.
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() >= started + 700; }, 10000)) << player->position();
    EXPECT_GT(frames.count(), 3);
    EXPECT_NE(editor.playerView()->timeLabel()->text(), QStringLiteral("0:00 / 0:00"));

    // The inline control pauses it.
    QTest::mouseClick(editor.playerView()->playPauseButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PausedState; }, 5000));
}

} // namespace
} // namespace kelvo
