// SPDX-License-Identifier: GPL-3.0-or-later
// Records a display with X11RecordingEngine from a process of its own, for the
// tests that kill a recorder and for the benchmark.
//   kelvo_test_recorder --out FILE [--monitor ID] [--seconds N]
// Prints "recording" once frames flow; with --seconds, stops after N seconds and
// prints "cpu=<s> grabbed=<n> written=<n> dropped=<n>".
#include "platform/x11/X11DisplayProvider.h"
#include "platform/x11/X11RecordingEngine.h"
#include "model/QtScheduler.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"out", "movie file", "file"});
    parser.addOption({"monitor", "display id (default: primary); --display is Qt's own", "id"});
    parser.addOption({"seconds", "stop after this long", "seconds"});
    parser.process(app);

    kelvo::QtScheduler scheduler;
    kelvo::X11RecordingEngine engine(scheduler);
    engine.setOnUnexpectedStop([](const QString &error) {
        std::fprintf(stderr, "unexpected stop: %s\n", qPrintable(error));
    });
    QString display = parser.value("monitor");
    if (display.isEmpty()) {
        const auto primary = kelvo::X11DisplayProvider().primaryDisplay();
        display = primary ? primary->id : QString();
    }
    const double seconds = parser.value("seconds").toDouble();
    double cpuAtStart = 0;
    engine.start(display, parser.value("out"), [&](std::optional<QString> error) {
        if (error) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            app.exit(1);
            return;
        }
        cpuAtStart = cpuSeconds();
        std::printf("recording\n");
        std::fflush(stdout);
        if (seconds > 0) {
            QTimer::singleShot(int(seconds * 1000), &app, [&] {
                engine.stop([&] {
                    const auto s = engine.statistics();
                    std::printf("cpu=%.3f grabbed=%llu written=%llu dropped=%llu\n", cpuSeconds() - cpuAtStart,
                                (unsigned long long)s.framesGrabbed, (unsigned long long)s.framesWritten,
                                (unsigned long long)s.framesDropped);
                    std::fflush(stdout);
                    app.exit(0);
                });
            });
        }
    });
    return app.exec();
}
