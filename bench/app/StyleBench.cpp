// SPDX-License-Identifier: GPL-3.0-or-later
// What a repaint of Kelvo's soft surfaces costs: a raised card whose blurred
// shadows come from the cache, the same card when every paint blurs anew, a
// pressed-in well, and a whole permission card.
#include "app/permissions/PermissionsCard.h"
#include "ui/Style.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void RaisedCardCached(benchmark::State &state)
{
    QImage canvas(600, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    for (auto _ : state)
        kelvo::paintRaised(painter, QRectF(50, 50, 500, 300), 26, 1, false);
}
BENCHMARK(RaisedCardCached)->Unit(benchmark::kMicrosecond);

void RaisedCardUncached(benchmark::State &state)
{
    QImage canvas(600, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    int n = 0;
    for (auto _ : state) {
        // A new size each time, so nothing is found in the cache.
        kelvo::paintRaised(painter, QRectF(50, 50, 500 - (n % 200) * 0.5, 300), 26, 1, false);
        ++n;
    }
}
BENCHMARK(RaisedCardUncached)->Unit(benchmark::kMicrosecond);

void InsetWellCached(benchmark::State &state)
{
    QImage canvas(600, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    for (auto _ : state)
        kelvo::paintInset(painter, QRectF(20, 20, 400, 44), 12, false);
}
BENCHMARK(InsetWellCached)->Unit(benchmark::kMicrosecond);

void PermissionsCardRepaint(benchmark::State &state)
{
    kelvo::NeuSurface surface;
    auto *card = new kelvo::PermissionsCard(&surface);
    card->setGeometry(40, 40, 500, 360);
    surface.resize(580, 440);
    QImage canvas(surface.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        surface.render(&canvas);
}
BENCHMARK(PermissionsCardRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
