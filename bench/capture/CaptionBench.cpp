// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one caption: the common labelled button, a label that must be
// shortened by grapheme clusters, and the fallback chain.
#include "capture/CaptionWriter.h"

#include <benchmark/benchmark.h>

namespace {

using kelvo::ClickTarget;

void run(benchmark::State &state, const ClickTarget &target)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kelvo::makeCaption(target, false));
}

void BM_ButtonCaption(benchmark::State &state)
{
    run(state, ClickTarget{QStringLiteral("AXButton"), QStringLiteral("Save"), QStringLiteral("Report"), QStringLiteral("Writer")});
}

void BM_LongLabelCaption(benchmark::State &state)
{
    run(state, ClickTarget{QStringLiteral("AXTextField"), QString(200, QLatin1Char('x')), {}, {}});
}

void BM_EmojiLabelCaption(benchmark::State &state)
{
    run(state, ClickTarget{QStringLiteral("AXCheckBox"), QString::fromUtf8("\xF0\x9F\x98\x80").repeated(61), {}, {}});
}

void BM_FallbackCaption(benchmark::State &state)
{
    run(state, ClickTarget{QStringLiteral("AXGroup"), QStringLiteral("  \n "), QStringLiteral(" Inbox "), QStringLiteral("Mail")});
}

BENCHMARK(BM_ButtonCaption);
BENCHMARK(BM_LongLabelCaption);
BENCHMARK(BM_EmojiLabelCaption);
BENCHMARK(BM_FallbackCaption);

} // namespace

BENCHMARK_MAIN();
