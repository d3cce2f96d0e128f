// SPDX-License-Identifier: GPL-3.0-or-later
// The platform-free parts of capture: frame sizes, the finish limit, the frame
// queue, the movie writer on its own, permissions and display lookup.
#include "capture/FinishWaiter.h"
#include "capture/FrameQueue.h"
#include "capture/Permissions.h"
#include "capture/RecordingError.h"
#include "platform/ffmpeg/MovieWriter.h"
#include "platform/x11/X11DisplayProvider.h"
#include "support/ManualScheduler.h"

#include <QPainter>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable QStrings in failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

using namespace std::chrono_literals;

namespace kelvo {
namespace {

struct SizeCase {
    const char *name;
    QSize display;
    QSize expected;
};

class CaptureSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CaptureSizeTest, ScalesToAtMost3840Wide)
{
    EXPECT_EQ(captureSize(GetParam().display), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, CaptureSizeTest,
    ::testing::Values(SizeCase{"retina5k", {5120, 2880}, {3840, 2160}},
                      SizeCase{"laptop", {1512, 982}, {1512, 982}},
                      SizeCase{"exactly3840", {3840, 2160}, {3840, 2160}},
                      SizeCase{"eightK", {7680, 4320}, {3840, 2160}},
                      // 3840 / 5000 * 1333 = 1023.744 rounds up
                      SizeCase{"roundsToNearest", {5000, 1333}, {3840, 1024}},
                      // 3840 / 7680 * 1001 = 500.5: halves round away from zero
                      SizeCase{"halfAwayFromZero", {7680, 1001}, {3840, 501}},
                      SizeCase{"oneWide", {1, 5000}, {1, 5000}},
                      SizeCase{"empty", {0, 0}, {0, 0}}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(RecordingErrorTest, DisplayNotFoundHasItsText)
{
    EXPECT_EQ(describe(RecordingError::displayNotFound), QStringLiteral("Couldn't find the display to record."));
}

// ---- the finish limit, on a manual clock

struct FinishWaiterTest : ::testing::Test {
    test::ManualScheduler scheduler;
    FinishWaiter waiter{scheduler};
    int doneCount = 0;
    std::function<void()> done = [this] { ++doneCount; };
};

TEST_F(FinishWaiterTest, AlreadyFinishedReturnsAtOnce)
{
    waiter.finish();
    waiter.wait(5000ms, done);
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(FinishWaiterTest, NeverFinishedGivesUpAfterFiveSeconds)
{
    waiter.wait(5000ms, done);
    scheduler.advance(4999ms);
    EXPECT_EQ(doneCount, 0);
    scheduler.advance(1ms);
    EXPECT_EQ(doneCount, 1);
    waiter.finish(); // a late report resumes nobody
    scheduler.advance(10000ms);
    EXPECT_EQ(doneCount, 1);
}

TEST_F(FinishWaiterTest, FinishBeforeTheLimitEndsTheWaitOnceAndCancelsTheTimer)
{
    waiter.wait(5000ms, done);
    scheduler.advance(2000ms);
    waiter.finish();
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    waiter.finish();
    scheduler.advance(5000ms);
    EXPECT_EQ(doneCount, 1);
}

TEST_F(FinishWaiterTest, ResetStartsANewRecording)
{
    waiter.finish();
    waiter.reset();
    EXPECT_FALSE(waiter.isFinished());
    waiter.wait(5000ms, done);
    EXPECT_EQ(doneCount, 0);
    EXPECT_TRUE(waiter.isWaiting());
    scheduler.advance(5000ms);
    EXPECT_EQ(doneCount, 1);
}

TEST_F(FinishWaiterTest, DestroyedWhileWaitingLeavesNoTask)
{
    {
        FinishWaiter shortLived(scheduler);
        shortLived.wait(5000ms, done);
        EXPECT_EQ(scheduler.pendingCount(), 1u);
    }
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(6000ms);
    EXPECT_EQ(doneCount, 0);
}

// ---- the queue in front of the encoder

TEST(FrameQueueTest, DropsAndCountsWhatDoesNotFitAndDrainsAfterClose)
{
    FrameQueue<int> queue(2);
    EXPECT_TRUE(queue.push(1));
    EXPECT_TRUE(queue.push(2));
    EXPECT_FALSE(queue.push(3));
    EXPECT_EQ(queue.dropped(), 1u);
    queue.close();
    EXPECT_FALSE(queue.push(4));
    EXPECT_EQ(queue.dropped(), 2u);
    int v = 0;
    using R = FrameQueue<int>::Result;
    EXPECT_EQ(queue.pop(v, 0ms), R::item);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(queue.pop(v, 0ms), R::item);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(queue.pop(v, 0ms), R::closed);
}

TEST(FrameQueueTest, EmptyOpenQueueTimesOut)
{
    FrameQueue<int> queue(2);
    int v = 0;
    EXPECT_EQ(queue.pop(v, 1ms), FrameQueue<int>::Result::timeout);
}

// ---- the movie writer without a screen

QImage testFrame(QSize size, int n)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    QPainter p(&image);
    p.fillRect((n * 16) % size.width(), 0, 24, size.height(), Qt::white);
    return image;
}

QString ffprobe(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), QStringList{"-v", "error"} + args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

TEST(MovieWriterTest, WritesHevcInAQuickTimeMovieWithCaptureTimes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("video.mov");
    QString error;
    auto writer = MovieWriter::open(path, QSize(320, 240), &error);
    ASSERT_TRUE(writer) << error.toStdString();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(writer->write(testFrame(QSize(320, 240), i), i * 100)) << writer->error().toStdString();
    ASSERT_TRUE(writer->finish(2500)) << writer->error().toStdString();
    EXPECT_EQ(writer->framesWritten(), 20u);

    EXPECT_EQ(ffprobe({"-show_entries", "format=format_name", "-of", "default=nw=1:nk=1", path}),
              QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2"));
    EXPECT_EQ(ffprobe({"-count_frames", "-select_streams", "v:0", "-show_entries",
                       "stream=codec_name,codec_tag_string,width,height,nb_read_frames", "-of", "csv=p=0", path}),
              QStringLiteral("hevc,hvc1,320,240,21")); // 20 frames and the last repeated at the end
    // The movie lasts as long as the recording: 2.5 s.
    const double duration = ffprobe({"-show_entries", "format=duration", "-of", "csv=p=0", path}).toDouble();
    EXPECT_NEAR(duration, 2.5, 0.11);
}

TEST(MovieWriterTest, OddSizesAreEncodedEvenAndWrongFramesRejected)
{
    QTemporaryDir dir;
    QString error;
    auto writer = MovieWriter::open(dir.filePath("odd.mov"), QSize(101, 75), &error);
    ASSERT_TRUE(writer) << error.toStdString();
    EXPECT_EQ(writer->videoSize(), QSize(100, 74));
    EXPECT_TRUE(writer->write(testFrame(QSize(101, 75), 0), 0));
    EXPECT_FALSE(writer->write(testFrame(QSize(64, 64), 1), 40));
    EXPECT_FALSE(writer->error().isEmpty());
}

TEST(MovieWriterTest, UnwritablePlaceIsReportedWithTheSystemsReason)
{
    QString error;
    auto writer = MovieWriter::open(QStringLiteral("/nonexistent-dir/x/video.mov"), QSize(64, 64), &error);
    EXPECT_FALSE(writer);
    EXPECT_EQ(error, QStringLiteral("Couldn't create the video file: No such file or directory"));
}

TEST(MovieWriterTest, FullDiskIsAnErrorNotASuccess)
{
    // /dev/full accepts the open and fails every write with ENOSPC.
    QString error;
    auto writer = MovieWriter::open(QStringLiteral("/dev/full"), QSize(64, 64), &error);
    if (!writer) {
        EXPECT_TRUE(error.contains("No space left on device")) << error.toStdString();
        return;
    }
    bool ok = true;
    for (int i = 0; i < 60 && ok; ++i)
        ok = writer->write(testFrame(QSize(64, 64), i), i * 40);
    if (ok)
        ok = writer->finish(2500);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(writer->error().contains("No space left on device")) << writer->error().toStdString();
}

// ---- permissions

struct FakeProbe final : PermissionProbe {
    bool screen = true;
    bool a11y = false;
    bool grantOnRequest = true;
    int requests = 0;
    bool screenRecording() override { return screen; }
    bool accessibility() override { return a11y; }
    bool requestAccessibility() override
    {
        ++requests;
        if (grantOnRequest)
            a11y = true;
        return a11y;
    }
};

struct PermissionsTest : ::testing::Test {
    QTemporaryDir dir;
    QSettings settings{dir.filePath("kelvo.ini"), QSettings::IniFormat};
    FakeProbe probe;
};

TEST_F(PermissionsTest, ReadsBothGrantsAtCreationAndPublishesOnlyRealChanges)
{
    Permissions permissions(probe, settings);
    EXPECT_TRUE(permissions.screenRecording());
    EXPECT_FALSE(permissions.accessibility());
    QSignalSpy screenSpy(&permissions, &Permissions::screenRecordingChanged);
    QSignalSpy a11ySpy(&permissions, &Permissions::accessibilityChanged);

    permissions.refresh();
    EXPECT_EQ(screenSpy.count(), 0);
    EXPECT_EQ(a11ySpy.count(), 0);

    probe.a11y = true;
    permissions.refresh();
    permissions.refresh();
    EXPECT_EQ(a11ySpy.count(), 1);
    EXPECT_TRUE(permissions.accessibility());

    probe.screen = false;
    permissions.refresh();
    ASSERT_EQ(screenSpy.count(), 1);
    EXPECT_FALSE(screenSpy.front().front().toBool());
    EXPECT_FALSE(permissions.screenRecording());
}

TEST_F(PermissionsTest, RequestStoresTheAnswer)
{
    Permissions permissions(probe, settings);
    QSignalSpy spy(&permissions, &Permissions::accessibilityChanged);
    permissions.requestAccessibility();
    EXPECT_TRUE(permissions.accessibility());
    EXPECT_EQ(spy.count(), 1);
    permissions.requestAccessibility(); // already trusted: same answer, nobody told
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(probe.requests, 2);
}

TEST_F(PermissionsTest, RefusedRequestStaysOff)
{
    probe.grantOnRequest = false;
    Permissions permissions(probe, settings);
    QSignalSpy spy(&permissions, &Permissions::accessibilityChanged);
    permissions.requestAccessibility();
    EXPECT_FALSE(permissions.accessibility());
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(PermissionsTest, AskedAccessibilityIsKeptInTheSettingsFile)
{
    {
        Permissions permissions(probe, settings);
        EXPECT_FALSE(permissions.askedAccessibility());
        permissions.setAskedAccessibility(true);
    }
    QSettings reread(dir.filePath("kelvo.ini"), QSettings::IniFormat);
    EXPECT_TRUE(reread.value("askedAccessibility").toBool());
    Permissions again(probe, reread);
    EXPECT_TRUE(again.askedAccessibility());
}

// ---- display lookup

TEST(DisplayAtTest, LeftAndTopEdgesBelongToTheDisplayRightAndBottomDoNot)
{
    const QList<Display> displays{{"A", QRect(0, 0, 1920, 1080)}, {"B", QRect(1920, 0, 1280, 1024)}};
    struct Case {
        QPoint point;
        const char *expected;
    };
    const Case cases[] = {{{0, 0}, "A"},        {{1919, 1079}, "A"}, {{1920, 0}, "B"},
                          {{3199, 1023}, "B"},  {{3200, 10}, ""},    {{10, 1080}, ""},
                          {{-1, 5}, ""}};
    for (const Case &c : cases) {
        const auto d = displayAt(displays, c.point);
        EXPECT_EQ(d ? d->id : QString(), QString::fromLatin1(c.expected))
            << c.point.x() << "," << c.point.y();
    }
}

} // namespace
} // namespace kelvo

#include "platform/x11/X11RecordingEngine.h"

namespace kelvo {
namespace {

TEST(X11RecordingEngineTest, StopWithoutStartReturnsAtOnceAndHasNoFrame)
{
    test::ManualScheduler scheduler;
    X11RecordingEngine engine(scheduler);
    int stopped = 0;
    engine.stop([&] { ++stopped; });
    engine.stop([&] { ++stopped; });
    EXPECT_EQ(stopped, 2);
    EXPECT_TRUE(engine.latestFrame().isNull());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

} // namespace
} // namespace kelvo
