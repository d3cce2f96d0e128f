// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo record` end to end on the virtual desktop: real capture, real clicks
// (xdotool) on a real GTK application, real accessibility.
#include "model/GuideJson.h"
#include "support/TempDataDir.h"
#include "support/capture/WidgetFactoryApp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QThread>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <csignal>
#include <signal.h>

namespace kelvo {
namespace {

struct Target {
    QPoint centre;
    QString name;
};

void xdotoolClick(QPoint point, int button = 1)
{
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(point.x()),
                                                     QString::number(point.y()), QStringLiteral("click"),
                                                     QString::number(button)});
}

// A recorder process whose output is read line by line as it comes.
class Recorder {
public:
    explicit Recorder(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(KELVO_BINARY), QStringList{QStringLiteral("record")} + arguments);
    }
    ~Recorder()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // Waits (up to the timeout) until a line of standard output equals line.
    bool waitForLine(const QString &line, int timeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            buffer += process.readAllStandardOutput();
            qsizetype end;
            while ((end = buffer.indexOf('\n')) >= 0) {
                lines << QString::fromUtf8(buffer.left(end));
                buffer.remove(0, end + 1);
            }
            if (lines.contains(line))
                break;
            if (timer.elapsed() > timeoutMs || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(200);
        }
        return true;
    }

    QProcess process;
    QStringList lines;
    QByteArray buffer;
};

QByteArray ffprobe(const QStringList &arguments)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), QStringList{QStringLiteral("-v"), QStringLiteral("error")} + arguments);
    probe.waitForFinished(60000);
    return probe.readAllStandardOutput().trimmed();
}

std::optional<int> countFrames(const QString &video)
{
    bool ok = false;
    const int frames = ffprobe({QStringLiteral("-count_frames"), QStringLiteral("-select_streams"), QStringLiteral("v"),
                                QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames"),
                                QStringLiteral("-of"), QStringLiteral("csv=p=0"), video})
                           .toInt(&ok);
    return ok ? std::optional(frames) : std::nullopt;
}

class RecordCommand : public ::testing::Test {
protected:
    static inline test::WidgetFactoryApp *factory = nullptr;
    static inline QHash<QString, Target> targets;
    test::TempDataDir data;

    static void SetUpTestSuite()
    {
        factory = new test::WidgetFactoryApp;
        ASSERT_TRUE(factory->ready()) << factory->error().toStdString();
        for (auto it = factory->widgets().begin(); it != factory->widgets().end(); ++it)
            targets.insert(it.key(), Target{it->centre, it->name});
    }

    static void TearDownTestSuite()
    {
        delete factory;
        factory = nullptr;
    }

    std::optional<Guide> guideOnDisk(const QString &id)
    {
        QFile file(data.filePath(id + "/guide.json"));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return decodeGuide(file.readAll());
    }
};

TEST_F(RecordCommand, ClicksOnRealWidgetsBecomeCaptionedMarkedSteps)
{
    struct Click {
        const char *kind;
        QString caption;
    };
    // The button last: the first named one opens a dialog, which must not cover the others.
    const QList<Click> clicks{
        {"checkbox", QStringLiteral("Toggle \"%1\"").arg(targets.value("checkbox").name)},
        {"slider", targets.value("slider").name.isEmpty() ? QStringLiteral("Adjust the slider")
                                                           : QStringLiteral("Adjust \"%1\"").arg(targets.value("slider").name)},
        {"tab", QStringLiteral("Switch to the \"%1\" tab").arg(targets.value("tab").name)},
        {"button", QStringLiteral("Click \"%1\"").arg(targets.value("button").name)},
    };
    for (const Click &click : clicks)
        ASSERT_TRUE(targets.contains(QLatin1String(click.kind))) << click.kind;

    Recorder recorder({});
    ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Starting in 3…")));
    ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")))
        << recorder.process.readAllStandardError().toStdString();
    int count = 0;
    for (const Click &click : clicks) {
        xdotoolClick(targets.value(QLatin1String(click.kind)).centre);
        ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Steps: %1").arg(++count))) << click.kind;
    }
    ::kill(pid_t(recorder.process.processId()), SIGINT); // Ctrl+C keeps the guide
    ASSERT_TRUE(recorder.process.waitForFinished(30000));
    recorder.waitForLine(QStringLiteral("never"), 0);
    EXPECT_EQ(recorder.process.exitCode(), 0) << recorder.process.readAllStandardError().toStdString();
    const QString id = recorder.lines.isEmpty() ? QString() : recorder.lines.last();

    const auto guide = guideOnDisk(id);
    ASSERT_TRUE(guide) << id.toStdString();
    ASSERT_EQ(guide->steps.size(), clicks.size());
    EXPECT_EQ(guide->videoFileName, "video.mov");
    for (qsizetype i = 0; i < clicks.size(); ++i) {
        SCOPED_TRACE(clicks[i].kind);
        const Step &step = guide->steps[i];
        const QPoint at = targets.value(QLatin1String(clicks[i].kind)).centre;
        EXPECT_EQ(step.caption, clicks[i].caption);
        EXPECT_EQ(step.appName, "Widget Factory");
        EXPECT_NEAR(step.clickX * 1920, at.x(), 1.0);
        EXPECT_NEAR(step.clickY * 1080, at.y(), 1.0);
        EXPECT_FALSE(step.isRightClick);
        // The red ring of the marker, radius 24.96 at 1920 wide, right of the click.
        const QImage shot(data.filePath(id + "/" + step.imageFileName));
        ASSERT_EQ(shot.size(), QSize(1920, 1080));
        const QColor ring = shot.pixelColor(at.x() + 25, at.y());
        EXPECT_GT(ring.red(), 190);
        EXPECT_LT(ring.green(), 130);
    }
    for (qsizetype i = 1; i < guide->steps.size(); ++i)
        EXPECT_LT(guide->steps[i - 1].timestamp, guide->steps[i].timestamp);

    const QString video = data.filePath(id + "/video.mov");
    EXPECT_EQ(ffprobe({QStringLiteral("-select_streams"), QStringLiteral("v"), QStringLiteral("-show_entries"),
                       QStringLiteral("stream=codec_name,width,height"), QStringLiteral("-of"),
                       QStringLiteral("csv=p=0"), video}),
              "hevc,1920,1080");
    EXPECT_TRUE(ffprobe({QStringLiteral("-show_entries"), QStringLiteral("format=format_name"), QStringLiteral("-of"),
                         QStringLiteral("csv=p=0"), video})
                    .contains("mov"));
}

TEST_F(RecordCommand, AKilledRecordingIsStillListedWithItsStepsAndVideo)
{
    Recorder recorder({});
    ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")));
    xdotoolClick(targets.value("slider").centre);
    ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Steps: 1")));
    xdotoolClick(targets.value("checkbox").centre);
    ASSERT_TRUE(recorder.waitForLine(QStringLiteral("Steps: 2")));
    // The kill comes once the movie holds a picture (the writer puts the first one on
    // disk at once; under load the encoder may take a moment to produce it).
    const QString folder = data.filePath(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0));
    QElapsedTimer waited;
    waited.start();
    while (countFrames(folder + "/video.mov").value_or(0) < 1 && waited.elapsed() < 30000)
        QThread::msleep(100);
    recorder.process.kill(); // SIGKILL: no chance to finish anything
    ASSERT_TRUE(recorder.process.waitForFinished(10000));

    QProcess list;
    list.start(QStringLiteral(KELVO_BINARY), {QStringLiteral("list")});
    ASSERT_TRUE(list.waitForFinished(30000));
    const QList<QByteArray> fields = list.readAllStandardOutput().trimmed().split('\t');
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields[2], "2");
    const QString video = data.filePath(QString::fromUtf8(fields[0]) + "/video.mov");
    EXPECT_GE(countFrames(video).value_or(0), 1);
}

TEST_F(RecordCommand, ASecondsLimitEndsTheRecordingAndBadArgumentsAreRefused)
{
    Recorder recorder({QStringLiteral("--seconds"), QStringLiteral("1")});
    ASSERT_TRUE(recorder.process.waitForFinished(30000));
    recorder.waitForLine(QStringLiteral("never"), 0);
    EXPECT_EQ(recorder.process.exitCode(), 0);
    ASSERT_FALSE(recorder.lines.isEmpty());
    const auto guide = guideOnDisk(recorder.lines.last());
    ASSERT_TRUE(guide);
    EXPECT_TRUE(guide->steps.isEmpty());
    EXPECT_GE(guide->duration, 1.0);

    for (const QStringList &bad : {QStringList{"--seconds"}, QStringList{"--seconds", "0"}, QStringList{"--loud"}}) {
        Recorder refused(bad);
        ASSERT_TRUE(refused.process.waitForFinished(30000));
        EXPECT_EQ(refused.process.exitCode(), 2);
    }
}

TEST_F(RecordCommand, CtrlCOrSigtermInTheCountdownEndsItLeavingNothing)
{
    for (const auto &[signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 0}}) {
        SCOPED_TRACE(signal);
        Recorder recorder({});
        ASSERT_TRUE(recorder.waitForLine(QString::fromUtf8("Starting in 3…")));
        ASSERT_EQ(::kill(pid_t(recorder.process.processId()), signal), 0);
        ASSERT_TRUE(recorder.process.waitForFinished(30000)) << "the countdown ignored the signal";
        EXPECT_EQ(recorder.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(recorder.process.exitCode(), status);
        EXPECT_TRUE(QDir(data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
}

} // namespace
} // namespace kelvo
