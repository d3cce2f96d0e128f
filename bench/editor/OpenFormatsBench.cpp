// SPDX-License-Identifier: GPL-3.0-or-later
// HTML and Markdown export of a long guide: time, size against the screenshots,
// and peak memory (which must not grow with the number of steps).
//   pdf_bench generate DIR [COUNT]     makes the guide (COUNT 2200 x 1238 screenshots)
//   open_formats_bench html DIR        exports it as one HTML file (run alone: the
//   open_formats_bench md DIR          process's peak memory is the export's)
#include "editor/export/GuideExport.h"
#include "ProcessMemory.h"
#include "model/GuideJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace kelvo;

namespace {

using bench::peakKiB;

qint64 folderBytes(const QString &dir)
{
    qint64 total = 0;
    for (const QFileInfo &entry : QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        total += entry.isDir() ? folderBytes(entry.filePath()) : entry.size();
    }
    return total;
}

int run(ExportFormat format, const QString &dir)
{
    QFile document(dir + QStringLiteral("/guide.json"));
    if (!document.open(QIODevice::ReadOnly))
        return 1;
    const auto guide = decodeGuide(document.readAll());
    if (!guide)
        return 1;
    qint64 shots = 0;
    for (const Step &step : guide->steps)
        shots += QFileInfo(dir + QLatin1Char('/') + step.imageFileName).size();

    const QString out = dir + (format == ExportFormat::html ? QStringLiteral("/../bench.html")
                                                            : QStringLiteral("/../bench-markdown"));
    QDir(out).removeRecursively();
    QFile::remove(out);
    const qint64 before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    exportGuide(*guide, out, format, [&](const Step &step) -> std::optional<QString> {
        return dir + QLatin1Char('/') + step.imageFileName;
    });
    const qint64 ms = timer.elapsed();
    const qint64 written = format == ExportFormat::html ? QFileInfo(out).size() : folderBytes(out);
    std::printf("%s: %lld steps, %lld ms, peak RSS %.1f MB (%.1f MB before), written %.2f MB / screenshots %.2f MB "
                "= %.3f\n",
                qPrintable(exportFormatTitle(format)), qint64(guide->steps.size()), ms, peakKiB() / 1024.0,
                before / 1024.0, written / 1e6, shots / 1e6, double(written) / double(shots));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: open_formats_bench html|md DIR\n", stderr);
        return 2;
    }
    const auto format = exportFormatFromKey(QString::fromLocal8Bit(argv[1]));
    if (!format || *format == ExportFormat::pdf)
        return 2;
    return run(*format, QString::fromLocal8Bit(argv[2]));
}
