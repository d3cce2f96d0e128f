// SPDX-License-Identifier: GPL-3.0-or-later
// A 200-pixel thumbnail of a 2200 x 1238 screenshot: decoding at size (libjpeg's
// DCT scaling) against a full decode followed by a smooth scale.
#include "store/ImageCache.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// KELVO_BENCH_JPEG names a real screenshot to use instead of the drawn one.
QString screenshotPath()
{
    if (qEnvironmentVariableIsSet("KELVO_BENCH_JPEG"))
        return qEnvironmentVariable("KELVO_BENCH_JPEG");
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage image(2200, 1238, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(40, 70, 110));
        for (int y = 0; y < 1238; y += 22)
            for (int x = (y * 7) % 90; x < 2200; x += 80)
                painter.fillRect(QRect(x, y, 50, 10), QColor(240, 240, 240));
        painter.end();
        const QString p = dir.filePath(QStringLiteral("step-1.jpg"));
        image.save(p, "jpeg", 85);
        return p;
    }();
    return path;
}

void BM_DecodeAtSize(benchmark::State &state)
{
    const QString path = screenshotPath();
    for (auto _ : state) {
        auto image = kelvo::ImageCache::downsample(path, int(state.range(0)));
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_DecodeAtSize)->Arg(200)->Arg(1600)->Unit(benchmark::kMillisecond);

void BM_FullDecodeThenScale(benchmark::State &state)
{
    const QString path = screenshotPath();
    const int size = int(state.range(0));
    for (auto _ : state) {
        QImage image(path);
        auto scaled = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled);
    }
}
BENCHMARK(BM_FullDecodeThenScale)->Arg(200)->Arg(1600)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
