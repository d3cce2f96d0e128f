// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a large library and saving one guide.
//   reload of 1,000 guides x 30 steps, against merely reading the same files;
//   encoding plus atomic save of one 30-step guide.
#include "model/GuideJson.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace kelvo;

Guide sampleGuide(int index, int steps)
{
    Guide guide;
    guide.title = QStringLiteral("Guide – Mar %1, 2026 at 9:41 AM").arg(index % 28 + 1);
    guide.createdAt = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(index * 3600);
    guide.duration = 95.5;
    guide.videoFileName = QStringLiteral("video.mov");
    for (int i = 1; i <= steps; ++i) {
        Step step;
        step.caption = QStringLiteral("Click \"Save changes\" in the toolbar");
        step.appName = QStringLiteral("Text Editor");
        step.timestamp = i * 2.37;
        step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
        step.clickX = 0.123456789 * (i % 7);
        step.clickY = 0.987654321 / i;
        guide.steps.append(step);
    }
    return guide;
}

QTemporaryDir &library()
{
    static QTemporaryDir dir;
    static bool filled = false;
    if (!filled) {
        for (int i = 0; i < 1000; ++i) {
            const Guide guide = sampleGuide(i, 30);
            const QString folder = dir.filePath(uuidText(guide.id));
            makePrivateDirectories(folder);
            QFile file(folder + "/guide.json");
            file.open(QIODevice::WriteOnly);
            file.write(*encodeGuide(guide));
        }
        filled = true;
    }
    return dir;
}

void BM_ReadFilesOnly(benchmark::State &state)
{
    const QString root = library().path();
    for (auto _ : state) {
        qint64 bytes = 0;
        QDirIterator entries(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            QFile file(entries.next() + "/guide.json");
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadFilesOnly)->Unit(benchmark::kMillisecond);

void BM_Reload1000Guides(benchmark::State &state)
{
    const QString root = library().path();
    QtScheduler scheduler;
    for (auto _ : state) {
        GuideStore store(scheduler, root);
        benchmark::DoNotOptimize(store.guides().size());
    }
}
BENCHMARK(BM_Reload1000Guides)->Unit(benchmark::kMillisecond);

// The loading step alone, without creating the store and removing orphans.
void BM_LoadGuidesOnly(benchmark::State &state)
{
    const QString root = library().path();
    for (auto _ : state)
        benchmark::DoNotOptimize(GuideStore::loadGuides(root).size());
}
BENCHMARK(BM_LoadGuidesOnly)->Unit(benchmark::kMillisecond);

void BM_EncodeAndSave30Steps(benchmark::State &state)
{
    QTemporaryDir dir;
    QtScheduler scheduler;
    GuideStore store(scheduler, dir.path());
    Guide guide = sampleGuide(1, 30);
    for (auto _ : state) {
        guide.duration += 1;
        benchmark::DoNotOptimize(store.save(guide));
    }
}
BENCHMARK(BM_EncodeAndSave30Steps)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
