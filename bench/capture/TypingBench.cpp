// SPDX-License-Identifier: GPL-3.0-or-later
// Typing while recording, on the virtual desktop: 2,000 characters at 20 a
// second into a GTK form (100 fields' worth: 19 characters and Tab), through the
// real key monitor, focus watcher and session. Reports steps lost, and the main
// thread's CPU time per key and the process's CPU that watching the keys adds,
// against the same recording and typing with "Record typing" off (the screen
// changes alike in both, so the video's share cancels out).
//   scripts/with-desktop.sh build/bench/typing_bench
#include "app/DesktopServices.h"
#include "capture/RecordingSession.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <functional>

using namespace kelvo;

namespace {

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop until done() holds or limitMs pass.
bool spin(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Usage {
    double wall, mainThread, process;
};

// CPU used while the event loop runs until done() (or for ms when done is empty).
Usage measure(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    const double thread0 = threadCpuSeconds();
    const double process0 = processCpuSeconds();
    spin(done ? done : std::function<bool()>([&] { return timer.elapsed() >= ms; }), done ? ms : ms + 1000);
    return {timer.elapsed() / 1000.0, threadCpuSeconds() - thread0, processCpuSeconds() - process0};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir data;
    QTemporaryDir config;
    QtScheduler scheduler;
    GuideStore store(scheduler, data.path());
    QSettings settings(config.filePath("kelvo.conf"), QSettings::IniFormat);

    QProcess form;
    QStringList lines;
    QObject::connect(&form, &QProcess::readyReadStandardOutput, [&] {
        for (const QByteArray &line : form.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                lines << QString::fromUtf8(line);
    });
    form.start("/usr/bin/python3", {QStringLiteral(KELVO_SOURCE_DIR "/tests/fixtures/typing-form/typing_form.py")});
    if (!spin([&] { return lines.contains("ready"); }, 30000)) {
        std::fprintf(stderr, "the form did not show\n");
        return 1;
    }

    form.write("where\n");
    spin([&] { return lines.contains("done"); }, 10000);
    QPoint name;
    for (const QString &line : lines) {
        const QStringList parts = line.split(' ');
        if (parts.size() == 4 && parts[0] == "field" && parts[1] == "name")
            name = QPoint(parts[2].toInt(), parts[3].toInt());
    }
    constexpr int fields = 100;
    QString text;
    for (int i = 0; i < fields; ++i)
        text += QStringLiteral("abcdefghijklmnopqr%1\t").arg(i % 10); // 19 characters and Tab
    const int keys = int(text.size());

    struct Run {
        Usage usage;
        int typingSteps = 0;
    };
    // One recording with the same typing, capture of keys on or off.
    auto record = [&](bool typingOn) -> std::optional<Run> {
        DesktopCapture capture = makeDesktopCapture(store, scheduler, settings);
        RecordingSession &session = *capture.session;
        session.setRecordTyping(typingOn);
        std::optional<Guide> guide;
        session.onFinished = [&](const std::optional<Guide> &g) { guide = g; };
        session.start();
        if (!spin([&] { return session.phase().isRecording(); }, 30000))
            return std::nullopt;
        QProcess::execute("xdotool", {"mousemove", QString::number(name.x()), QString::number(name.y()), "click", "1"});
        spin([&] { return session.stepCount() > 0; }, 10000);
        QProcess typist;
        typist.start("xdotool", {"type", "--delay", "50", text});
        Run run;
        run.usage = measure([&] { return typist.state() == QProcess::NotRunning; }, 600000);
        session.stop();
        spin([&] { return guide.has_value(); }, 60000);
        if (guide) {
            for (const Step &step : guide->steps)
                run.typingSteps += step.caption.startsWith("Type") ? 1 : 0;
        }
        return run;
    };
    const std::optional<Run> off = record(false);
    const std::optional<Run> on = record(true);
    form.kill();
    form.waitForFinished(5000);
    if (!on || !off) {
        std::fprintf(stderr, "recording did not start\n");
        return 1;
    }
    const int typingSteps = on->typingSteps;
    const double threadOn = on->usage.mainThread / on->usage.wall, threadOff = off->usage.mainThread / off->usage.wall;
    const double processOn = on->usage.process / on->usage.wall, processOff = off->usage.process / off->usage.wall;
    std::printf("keys typed                      %d in %.1f s (%.1f keys/s)\n", keys, on->usage.wall,
                keys / on->usage.wall);
    std::printf("typing steps                    %d of %d expected (%d lost)\n", typingSteps, fields,
                fields - typingSteps);
    std::printf("main thread, typing not watched %.3f%% of a core\n", 100 * threadOff);
    std::printf("main thread, typing watched     %.3f%% of a core\n", 100 * threadOn);
    std::printf("main thread added per key       %.4f ms\n", 1000 * (threadOn - threadOff) * on->usage.wall / keys);
    std::printf("process CPU, typing not watched %.2f%% of a core\n", 100 * processOff);
    std::printf("process CPU, typing watched     %.2f%% of a core\n", 100 * processOn);
    std::printf("process CPU added by watching   %.2f%% of a core\n", 100 * (processOn - processOff));
    return typingSteps == fields ? 0 : 2;
}
