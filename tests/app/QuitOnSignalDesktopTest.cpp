// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop application ended by a signal during a recording: it finishes and
// saves the guide, then exits normally. Real capture on the virtual desktop.
#include "model/GuideJson.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include "support/Wait.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace kelvo {
namespace {

using test::waitFor;

bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return false;
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::optional<double> videoDuration(const QString &video)
{
    QByteArray out;
    if (!run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                          QStringLiteral("format=duration"), QStringLiteral("-of"),
                                          QStringLiteral("csv=p=0"), video},
             &out))
        return std::nullopt;
    bool ok = false;
    const double seconds = out.toDouble(&ok);
    return ok ? std::optional(seconds) : std::nullopt;
}

int videoFrames(const QString &video)
{
    QByteArray out;
    run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
                                     QStringLiteral("-select_streams"), QStringLiteral("v"), QStringLiteral("-show_entries"),
                                     QStringLiteral("stream=nb_read_packets"), QStringLiteral("-of"),
                                     QStringLiteral("csv=p=0"), video},
        &out);
    return out.toInt();
}

class QuitOnSignal : public ::testing::TestWithParam<int> {
protected:
    test::TempDataDir data;
    QTemporaryDir config;
    QProcess kelvo;

    void TearDown() override
    {
        if (kelvo.state() != QProcess::NotRunning) {
            kelvo.kill();
            kelvo.waitForFinished(10000);
        }
    }

    QString guideFolder() const
    {
        const QStringList folders = QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return folders.size() == 1 ? data.filePath(folders.first()) : QString();
    }

    std::optional<Guide> guideOnDisk() const
    {
        QFile file(guideFolder() + QStringLiteral("/guide.json"));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return decodeGuide(file.readAll());
    }
};

TEST_P(QuitOnSignal, ARecordingFinishesAndSavesBeforeExit)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("KELVO_NO_UPDATES"), QStringLiteral("1"));
    kelvo.setProcessEnvironment(env);
    kelvo.start(QStringLiteral(KELVO_BINARY), {});
    ASSERT_TRUE(kelvo.waitForStarted(10000));
    const QString pid = QString::number(kelvo.processId());
    ASSERT_TRUE(waitFor([&] { return run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", pid}); }))
        << "no window of Kelvo's showed";

    // The hot key starts a recording; its guide is on disk from the first moment.
    ASSERT_TRUE(run(QStringLiteral("xdotool"), {"key", "ctrl+alt+super+r"}));
    ASSERT_TRUE(waitFor([&] { return guideOnDisk().has_value(); }, 60000)) << "the recording did not start";
    // The guide is written as the engine starts; clicks count once its first
    // picture is on disk.
    const QString video = guideFolder() + QStringLiteral("/video.mov");
    ASSERT_TRUE(waitFor([&] { return videoFrames(video) >= 1; }, 60000)) << "the movie has no picture";
    QElapsedTimer recording; // from a moment after the start
    recording.start();
    // Something moves on screen, so the movie gets pictures; a click on the
    // desktop's background is a step.
    QProcess animation;
    animation.start(QStringLiteral(KELVO_TEST_WINDOW),
                    {"--rect", "1200,200,400,300", "--color", "#3060c0", "--animate"});
    ASSERT_TRUE(animation.waitForStarted(10000));
    ASSERT_TRUE(run(QStringLiteral("xdotool"), {"mousemove", "300", "700", "click", "1"}));
    ASSERT_TRUE(waitFor([&] { return guideOnDisk() && guideOnDisk()->steps.size() == 1; }));
    ASSERT_TRUE(waitFor([&] { return videoFrames(video) >= 20; }, 60000)) << "the movie does not grow";

    const double recordedAtLeast = recording.nsecsElapsed() / 1e9;
    ASSERT_EQ(::kill(pid_t(kelvo.processId()), GetParam()), 0);
    ASSERT_TRUE(kelvo.waitForFinished(60000)) << "Kelvo did not exit";
    animation.kill();
    animation.waitForFinished(10000);
    EXPECT_EQ(kelvo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kelvo.exitCode(), 0);

    const auto guide = guideOnDisk();
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->steps.size(), 1);
    const auto seconds = videoDuration(video);
    ASSERT_TRUE(seconds) << "the movie is not readable";
    EXPECT_GT(*seconds, 0.3);
    // The guide's length runs to the signal (the movie may end a little earlier:
    // a still screen adds no pictures).
    EXPECT_GE(guide->duration, recordedAtLeast);
    EXPECT_GE(guide->duration + 0.5, *seconds);
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitOnSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int> &signal) {
                             return std::string(signal.param == SIGTERM ? "Term" : signal.param == SIGINT ? "Int" : "Hup");
                         });

} // namespace
} // namespace kelvo
