// SPDX-License-Identifier: GPL-3.0-or-later
// Capture costs on the virtual desktop (run it through run-capture-bench.sh):
//  (a) 20 s of an unchanging screen: CPU seconds of the recorder;
//  (b) 20 s of a window animating at 30 fps: frames written out of 600 and CPU
//      seconds, next to ffmpeg's own x11grab + libx265 ultrafast recording the
//      same animation for 20 s;
//  (c) the time to take the newest frame under the lock while recording.
#include "platform/x11/X11DisplayProvider.h"
#include "platform/x11/X11RecordingEngine.h"
#include "model/QtScheduler.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

double seconds(const rusage &u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double cpu(int who)
{
    rusage u{};
    getrusage(who, &u);
    return seconds(u);
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Recording {
    double cpuSeconds = 0;
    kelvo::X11RecordingEngine::Statistics stats;
};

Recording record(kelvo::X11RecordingEngine &engine, const QString &display, const QString &path, int ms,
                 const std::function<void()> &during = {})
{
    bool started = false;
    engine.start(display, path, [&](std::optional<QString> error) {
        if (error) {
            std::fprintf(stderr, "start failed: %s\n", qPrintable(*error));
            std::exit(1);
        }
        started = true;
    });
    while (!started)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double before = cpu(RUSAGE_SELF);
    if (during)
        during();
    else
        runFor(ms);
    bool stopped = false;
    engine.stop([&] { stopped = true; });
    while (!stopped)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return {cpu(RUSAGE_SELF) - before, engine.statistics()};
}

int probeFrames(const QString &path)
{
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                        "stream=nb_read_frames", "-of", "default=nw=1:nk=1", path});
    p.waitForFinished(300000);
    return p.readAllStandardOutput().trimmed().toInt();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    kelvo::QtScheduler scheduler;
    kelvo::X11RecordingEngine engine(scheduler);
    const auto primary = kelvo::X11DisplayProvider().primaryDisplay();
    if (!primary)
        return 1;
    QTemporaryDir dir;
    constexpr int durationMs = 20000;
    std::printf("display %s %dx%d\n", qPrintable(primary->id), primary->frame.width(), primary->frame.height());

    // (a) static screen
    QProcess::execute("xdotool", {"mousemove", "1900", "1060"});
    const Recording still = record(engine, primary->id, dir.filePath("static.mov"), durationMs);
    std::printf("(a) static 20 s: recorder CPU %.3f s = %.2f %% of one core; frames grabbed %llu\n", still.cpuSeconds,
                100.0 * still.cpuSeconds / (durationMs / 1000.0), (unsigned long long)still.stats.framesGrabbed);

    // (b) a window animating at 30 fps, in a process of its own
    QProcess animation;
    animation.start(QStringLiteral(KELVO_BENCH_WINDOW), {"--rect", "0,0,1920,1080", "--animate"});
    animation.waitForReadyRead(20000);
    runFor(1000);
    const Recording moving = record(engine, primary->id, dir.filePath("moving.mov"), durationMs);
    const int ourFrames = probeFrames(dir.filePath("moving.mov"));
    std::printf("(b) animation 20 s, Kelvo: CPU %.3f s (%.1f %% of one core); grabbed %llu, written %llu "
                "(%.1f %% of 600), dropped %llu; frames in the file %d\n",
                moving.cpuSeconds, 100.0 * moving.cpuSeconds / 20.0, (unsigned long long)moving.stats.framesGrabbed,
                (unsigned long long)moving.stats.framesWritten, 100.0 * double(moving.stats.framesWritten) / 600.0,
                (unsigned long long)moving.stats.framesDropped, ourFrames);

    const double childrenBefore = cpu(RUSAGE_CHILDREN);
    const QString ffmpegOut = dir.filePath("ffmpeg.mov");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "x11grab", "-framerate", "30", "-video_size",
                            QStringLiteral("%1x%2").arg(primary->frame.width()).arg(primary->frame.height()), "-i",
                            qEnvironmentVariable("DISPLAY") + "+0,0", "-t", "20", "-c:v", "libx265", "-preset",
                            "ultrafast", "-x265-params", "log-level=error", ffmpegOut});
    ffmpeg.waitForFinished(120000);
    const double ffmpegCpu = cpu(RUSAGE_CHILDREN) - childrenBefore;
    const int ffmpegFrames = probeFrames(ffmpegOut);
    std::printf("(b) animation 20 s, ffmpeg x11grab + libx265 ultrafast: CPU %.3f s (%.1f %% of one core); "
                "frames in the file %d\n",
                ffmpegCpu, 100.0 * ffmpegCpu / 20.0, ffmpegFrames);
    std::printf("(b) CPU ratio Kelvo / ffmpeg = %.2f\n", ffmpegCpu > 0 ? moving.cpuSeconds / ffmpegCpu : 0.0);

    // (c) the newest frame under the lock, while frames keep arriving
    std::vector<double> ns;
    record(engine, primary->id, dir.filePath("lock.mov"), 0, [&] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 3000) {
            for (int i = 0; i < 1000; ++i) {
                const auto a = std::chrono::steady_clock::now();
                const QImage frame = engine.latestFrame();
                const auto b = std::chrono::steady_clock::now();
                ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(b - a).count()));
            }
            QCoreApplication::processEvents();
        }
    });
    std::sort(ns.begin(), ns.end());
    double sum = 0;
    for (double v : ns)
        sum += v;
    std::printf("(c) latestFrame over %zu calls: mean %.0f ns, median %.0f ns, p99 %.0f ns, max %.0f ns\n", ns.size(),
                sum / double(ns.size()), ns[ns.size() / 2], ns[ns.size() * 99 / 100], ns.back());

    animation.kill();
    animation.waitForFinished(5000);
    return 0;
}
