// SPDX-License-Identifier: GPL-3.0-or-later
// Step screenshots and the main thread's share of a click.
//   renderStepImage for a 1920x1080 and a 5120x2880 frame;
//   handleClick on the main thread (filter, frame lock, arithmetic, hand-off), measured
//   by pushing clicks through a recording with fakes and a pool that holds the work.
#include "capture/RecordingSession.h"

#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/capture/FakeCapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QThreadPool>

#include <benchmark/benchmark.h>

namespace {

using namespace kelvo;

// Something like a desktop: text-like detail compresses like a real screen.
QImage desktopLikeFrame(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(236, 239, 244));
    QPainter painter(&image);
    for (int y = 0; y < height; y += 24) {
        for (int x = 0; x < width; x += 160) {
            painter.fillRect(x + 8, y + 6, 120 - (x + y) % 50, 10, QColor((x * 7) % 200, (y * 3) % 200, 90));
        }
    }
    return image;
}

void BM_RenderStepImage(benchmark::State &state)
{
    const QImage frame = desktopLikeFrame(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(renderStepImage(0.4, 0.6, frame, RecordingSession::widestStepImage));
}
BENCHMARK(BM_RenderStepImage)->Args({1920, 1080})->Args({5120, 2880})->Unit(benchmark::kMillisecond);

void BM_MainThreadPerClick(benchmark::State &state)
{
    QTemporaryDir dir;
    test::ManualScheduler scheduler;
    GuideStore store(scheduler, dir.path());
    test::FakeDisplayProvider displays;
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    auto engine = std::make_unique<test::FakeRecordingEngine>();
    engine->setFrame(desktopLikeFrame(1920, 1080));
    auto monitor = std::make_unique<test::FakeClickMonitor>();
    test::FakeClickMonitor *clicks = monitor.get();
    std::atomic<bool> release = false;
    RecordingSession session(
        {.store = store,
         .scheduler = scheduler,
         .displays = displays,
         // Background work waits, so only the main thread's part is timed.
         .inspectTarget = [&](QPointF) { while (!release) std::this_thread::yield(); return std::optional<ClickTarget>(); },
         .makeCaption = [](const ClickTarget &, bool) { return QStringLiteral("Click"); },
         .frontmostApplication =
             [] { return [] { return std::optional<QString>(QStringLiteral("App")); }; },
         .screenRecordingGranted = [] { return true; },
         .pool = &pool},
        std::move(engine), std::move(monitor));
    session.start();
    scheduler.advance(std::chrono::seconds(3));
    int i = 0;
    for (auto _ : state) {
        scheduler.advance(std::chrono::milliseconds(500));
        clicks->click(Click{QPointF(100 + (i++ % 1000), 200), scheduler.now(), false});
    }
    release = true;
    pool.waitForDone();
    if (!session.phase().isRecording())
        state.SkipWithError("not recording");
    QCoreApplication::processEvents();
    state.counters["steps"] = session.stepCount();
}
BENCHMARK(BM_MainThreadPerClick)->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
