// SPDX-License-Identifier: GPL-3.0-or-later
// A burst of clicks through a whole recording, and many recordings in a row:
// peak and resident memory, steps saved, and how long Stop takes to finish.
//   burst_bench [--clicks N] [--seconds S] [--recordings R] [--query-ms Q]
// Fakes stand in for the screen and the accessibility bus, with real costs:
// a new 1920x1080 frame whenever 33 ms have passed (a busy screen at 30 fps),
// and accessibility queries answered one at a time, Q ms each (a slow
// application). Steps, JPEGs and guide.json are real, in a temporary folder.
// Reports numbers; asserts nothing.
#include "capture/RecordingSession.h"
#include "ProcessMemory.h"

#include "capture/FrameMemory.h"

#include "model/GuideJson.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"
#include "support/capture/FakeCapture.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <mutex>


namespace {

using namespace kelvo;

QImage busyFrame(int n)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(236, 239, 244));
    QPainter painter(&image);
    for (int y = 0; y < 1080; y += 24) {
        for (int x = 0; x < 1920; x += 160)
            painter.fillRect(x + 8, y + 6, 120 - (x + y + n) % 50, 10, QColor((x * 7 + n) % 200, (y * 3) % 200, 90));
    }
    return image;
}

struct Run {
    double stopToFinishSeconds = 0;
    int stepsInGuide = 0;
    int stepsOnDisk = 0;
};

Run record(GuideStore &store, QtScheduler &scheduler, int clicks, int seconds, int queryMs)
{
    test::FakeDisplayProvider displays;
    auto engine = std::make_unique<test::FakeRecordingEngine>();
    test::FakeRecordingEngine *frames = engine.get();
    auto monitor = std::make_unique<test::FakeClickMonitor>();
    test::FakeClickMonitor *mouse = monitor.get();
    std::mutex accessibilityThread; // one query at a time, like the AT-SPI thread
    RecordingSession session(
        {.store = store,
         .scheduler = scheduler,
         .displays = displays,
         .inspectTarget =
             [&accessibilityThread, queryMs](QPointF) {
                 std::lock_guard lock(accessibilityThread);
                 QThread::msleep(queryMs);
                 return std::optional<ClickTarget>(ClickTarget{"AXButton", "OK", "Window", "App"});
             },
         .makeCaption = [](const ClickTarget &, bool) { return QStringLiteral("Click \"OK\""); },
         .frontmostApplication = [] { return [] { return std::optional<QString>(QStringLiteral("App")); }; },
         .screenRecordingGranted = [] { return true; }},
        std::move(engine), std::move(monitor));

    Run run;
    std::optional<Guide> saved;
    QElapsedTimer sinceStop;
    session.onFinished = [&](const std::optional<Guide> &guide) {
        run.stopToFinishSeconds = sinceStop.elapsed() / 1000.0;
        saved = guide;
    };
    frames->setFrame(busyFrame(0));
    session.start();
    while (!session.phase().isRecording())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    QElapsedTimer clock;
    clock.start();
    qint64 lastFrameMs = 0;
    int sent = 0;
    QTimer clicker;
    clicker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        const qint64 due = clock.elapsed() * clicks / (seconds * 1000);
        while (sent < clicks && sent <= due) {
            if (clock.elapsed() - lastFrameMs >= 33) {
                lastFrameMs = clock.elapsed();
                frames->setFrame(busyFrame(sent));
            }
            // Distinct places, never a repeat.
            mouse->click(Click{QPointF(20 + (sent * 37) % 1880, 20 + (sent * 53) % 1040), scheduler.now(), false});
            ++sent;
        }
        if (sent >= clicks)
            clicker.stop();
    });
    clicker.start(1);
    while (sent < clicks)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    sinceStop.start();
    session.stop();
    while (!saved)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    run.stepsInGuide = int(saved->steps.size());
    QFile document(store.rootPath() + QLatin1Char('/') + uuidText(saved->id) + QStringLiteral("/guide.json"));
    if (document.open(QIODevice::ReadOnly)) {
        if (const auto onDisk = decodeGuide(document.readAll()))
            run.stepsOnDisk = int(onDisk->steps.size());
    }
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    kelvo::tuneAllocatorForFrames(); // as the application does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"clicks", "clicks per recording", "n", "1000"});
    parser.addOption({"seconds", "over how many seconds", "s", "10"});
    parser.addOption({"recordings", "recordings in a row", "r", "1"});
    parser.addOption({"query-ms", "time per accessibility query", "ms", "40"});
    parser.process(app);
    const int clicks = parser.value("clicks").toInt();
    const int seconds = std::max(1, parser.value("seconds").toInt());
    const int recordings = std::max(1, parser.value("recordings").toInt());
    const int queryMs = parser.value("query-ms").toInt();

    QTemporaryDir data;
    QtScheduler scheduler;
    GuideStore store(scheduler, data.path());
    std::printf("clicks %d over %d s, accessibility %d ms a query, %d recording(s)\n", clicks, seconds, queryMs,
                recordings);
    std::printf("start: resident %ld MB\n", bench::processStatusKiB("VmRSS:") / 1024);
    for (int i = 1; i <= recordings; ++i) {
        const Run run = record(store, scheduler, clicks, seconds, queryMs);
        std::printf("recording %d: steps %d in the guide, %d in guide.json; Stop to saved %.2f s; "
                    "resident %ld MB, peak %ld MB\n",
                    i, run.stepsInGuide, run.stepsOnDisk, run.stopToFinishSeconds, bench::processStatusKiB("VmRSS:") / 1024,
                    bench::processStatusKiB("VmHWM:") / 1024);
        std::fflush(stdout);
    }
    return 0;
}
