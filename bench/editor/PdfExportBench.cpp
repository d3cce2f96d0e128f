// SPDX-License-Identifier: GPL-3.0-or-later
// Export of a long guide: time, peak memory and size against the screenshots.
//   pdf_bench generate DIR [COUNT]   writes a guide of COUNT (100) 2200 x 1238 screenshots
//   pdf_bench export DIR             exports it with Kelvo's writer (run alone: the
//                                    process's peak memory is the export's)
//   pdf_bench qt DIR                 the same images through QPdfWriter, for comparison
#include "editor/pdf/PdfExport.h"
#include "ProcessMemory.h"
#include "model/GuideJson.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

#include <cstdio>

using namespace kelvo;

namespace {

// Something like a desktop: windows, title bars and lines of text-like marks,
// so the JPEGs have the size of real screenshots.
QImage screenLike(int seed)
{
    QImage image(2200, 1238, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed + 1));
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 70, 110));
    for (int w = 0; w < 4; ++w) {
        const QRect frame(random.bounded(0, 1400), random.bounded(0, 600), random.bounded(500, 900), random.bounded(400, 650));
        painter.fillRect(frame, QColor(245, 245, 245));
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 36)), QColor(220, 220, 225));
        for (int y = frame.top() + 50; y < frame.bottom() - 20; y += 22) {
            int x = frame.left() + 16;
            while (x < frame.right() - 60) {
                const int word = random.bounded(15, 70);
                painter.fillRect(QRect(x, y, word, 10), QColor(60, 60, 60));
                x += word + 8;
            }
        }
    }
    painter.setBrush(Qt::red);
    painter.drawEllipse(QPoint(random.bounded(100, 2100), random.bounded(100, 1100)), 18, 18);
    return image;
}

using bench::peakKiB;

std::optional<Guide> readGuide(const QString &dir)
{
    QFile file(dir + QStringLiteral("/guide.json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decodeGuide(file.readAll());
}

qint64 screenshotBytes(const QString &dir, const Guide &guide)
{
    qint64 total = 0;
    for (const Step &step : guide.steps)
        total += QFileInfo(dir + QLatin1Char('/') + step.imageFileName).size();
    return total;
}

int generate(const QString &dir, int count)
{
    QDir().mkpath(dir);
    Guide guide;
    guide.title = QStringLiteral("Benchmark guide");
    guide.createdAt = QDateTime::currentDateTimeUtc();
    for (int i = 1; i <= count; ++i) {
        Step step;
        step.caption = QStringLiteral("Click the button “Continue” in the window “Setup assistant” (step %1)").arg(i);
        step.appName = QStringLiteral("Setup Assistant");
        step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
        if (!screenLike(i).save(dir + QLatin1Char('/') + step.imageFileName, "jpeg", 85))
            return 1;
        guide.steps << step;
    }
    QFile file(dir + QStringLiteral("/guide.json"));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(*encodeGuide(guide));
    return 0;
}

int exportKelvo(const QString &dir)
{
    const auto guide = readGuide(dir);
    if (!guide)
        return 1;
    const qint64 before = peakKiB();
    const QString out = dir + QStringLiteral("/../kelvo-bench.pdf");
    QElapsedTimer timer;
    timer.start();
    writePDF(*guide, out, letterPageSize,
             [&](const Step &step) { return loadPdfImage(dir + QLatin1Char('/') + step.imageFileName); });
    const qint64 ms = timer.elapsed();
    const qint64 pdf = QFileInfo(out).size();
    const qint64 shots = screenshotBytes(dir, *guide);
    std::printf("kelvo/cairo: %lld steps, %lld ms, peak RSS %.1f MB (%.1f MB before the export), "
                "PDF %.2f MB / screenshots %.2f MB = %.3f\n",
                qint64(guide->steps.size()), ms, peakKiB() / 1024.0, before / 1024.0, pdf / 1e6, shots / 1e6,
                double(pdf) / double(shots));
    return 0;
}

int exportQt(const QString &dir)
{
    const auto guide = readGuide(dir);
    if (!guide)
        return 1;
    const QString out = dir + QStringLiteral("/../qt-bench.pdf");
    QElapsedTimer timer;
    timer.start();
    {
        QPdfWriter writer(out);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        double y = 54;
        for (const Step &step : guide->steps) {
            if (y + 300 > 708) {
                writer.newPage();
                y = 54;
            }
            painter.drawText(QPointF(94, y + 14), step.caption);
            painter.drawImage(QRectF(94, y + 30, 464, 261), QImage(dir + QLatin1Char('/') + step.imageFileName));
            y += 330;
        }
    }
    const qint64 ms = timer.elapsed();
    const qint64 pdf = QFileInfo(out).size();
    const qint64 shots = screenshotBytes(dir, *guide);
    std::printf("QPdfWriter: %lld steps, %lld ms, peak RSS %.1f MB, PDF %.2f MB / screenshots %.2f MB = %.3f\n",
                qint64(guide->steps.size()), ms, peakKiB() / 1024.0, pdf / 1e6, shots / 1e6,
                double(pdf) / double(shots));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fputs("usage: pdf_bench generate|export|qt DIR [COUNT]\n", stderr);
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    if (mode == QLatin1String("qt")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return exportQt(dir);
    }
    QCoreApplication app(argc, argv);
    if (mode == QLatin1String("generate"))
        return generate(dir, argc > 3 ? std::atoi(argv[3]) : 100);
    if (mode == QLatin1String("export"))
        return exportKelvo(dir);
    return 2;
}
