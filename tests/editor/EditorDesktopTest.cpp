// SPDX-License-Identifier: GPL-3.0-or-later
// On the virtual desktop: a guide's HEVC movie plays in the editor from a step.
#include "editor/GuideEditorView.h"

#include "editor/StepRowView.h"
#include "platform/ffmpeg/VideoFrameReader.h"
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

    ASSERT_NE(editor.playerView(), nullptr);
    EXPECT_TRUE(editor.playerView()->isVisible());
    EXPECT_EQ(editor.player(), nullptr) << "no media pipeline before Play";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editor.playerView()->poster()->image().isNull(); }, 20000));

    QSignalSpy frames(editor.playerView()->videoWidget()->videoSink(), &QVideoSink::videoFrameChanged);
    StepRowView *third = editor.stepRows()[2]; // at 6 s: plays from 5 s
    ASSERT_TRUE(third->playButton()->isVisible());
    QTest::mouseClick(third->playButton(), Qt::LeftButton);
    QMediaPlayer *player = editor.player();
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() >= 5000 && player->position() < 5500; }, 10000))
        << player->position();
    const qint64 started = player->position();
    // It plays: the position advances and frames reach the view.
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->position() >= started + 700; }, 10000)) << player->position();
    EXPECT_GT(frames.count(), 3);
    EXPECT_NE(editor.playerView()->timeLabel()->text(), QStringLiteral("0:00 / 0:00"));

    EXPECT_NEAR(player->duration(), 15000, 200);
    EXPECT_FALSE(editor.playerView()->isShowingPoster());

    // The inline control pauses it.
    QTest::mouseClick(editor.playerView()->playPauseButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PausedState; }, 5000));
    const qint64 pausedAt = player->position();

    // Away and back (a recording, a second launch): the still of where it stood
    // shows, never what the video window held before.
    editor.hide();
    EXPECT_EQ(editor.player(), nullptr);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    EXPECT_TRUE(editor.playerView()->isShowingPoster());
    const QImage expected = readVideoFrame(store.folderPath(guide.id) + QStringLiteral("/video.mov"),
                                           pausedAt / 1000.0, QSize(640, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.playerView()->poster()->image() == expected; }, 20000));
    // On screen: the still's pixels, through the real window system.
    QWidget *poster = editor.playerView()->poster();
    const QImage shown = poster->grab().toImage();
    const QSize fitted = expected.size().scaled(poster->size(), Qt::KeepAspectRatio);
    const QPoint centre(poster->width() / 2, poster->height() / 2);
    const QColor want = expected.pixelColor(expected.width() / 2, expected.height() / 2);
    const QColor got = shown.pixelColor(centre * shown.devicePixelRatio());
    EXPECT_FALSE(fitted.isEmpty());
    EXPECT_LE(std::abs(want.red() - got.red()) + std::abs(want.green() - got.green()) + std::abs(want.blue() - got.blue()),
              60);
}

} // namespace
} // namespace kelvo
