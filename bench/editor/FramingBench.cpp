// SPDX-License-Identifier: GPL-3.0-or-later
// Framing and redaction of step screenshots: the cost of one step and of a long guide's PDF.
//   framing_bench step                 framing + redaction + encode of one 2200 x 1238 step
//   framing_bench generate DIR [COUNT] writes a guide of COUNT (100) framed, redacted 2200-px steps
//   framing_bench export DIR           its PDF (run alone: the process's peak memory is the export's)
#include "ProcessMemory.h"
#include "editor/StepImagePipeline.h"
#include "editor/export/GuideExport.h"
#include "model/GuideJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kelvo;

namespace {

// Windows with title bars and lines of text-like marks: the JPEGs get the size of real screenshots.
QImage screenLike(int seed)
{
    QImage image(2200, 1238, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed + 1));
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 70, 110));
    for (int w = 0; w < 4; ++w) {
        const QRect frame(random.bounded(0, 1400), random.bounded(0, 600), random.bounded(500, 900),
                          random.bounded(400, 650));
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
    return image;
}

// A click in a 1100 x 760 window near the middle, with one area redacted.
Step framedStep(int i)
{
    Step step;
    step.caption = QStringLiteral("Click the button “Continue” in the window “Setup assistant” (step %1)").arg(i);
    step.appName = QStringLiteral("Setup Assistant");
    step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
    step.clickX = 0.52;
    step.clickY = 0.48;
    step.windowFrame = NormalRect{0.25, 0.2, 0.5, 0.614};
    step.redactions = {NormalRect{0.3, 0.3, 0.2, 0.05}};
    return step;
}

// CPU time of this thread in ms: the machine may be shared, wall time then says little.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int benchStep()
{
    const QString path = QDir::tempPath() + QStringLiteral("/kelvo-framing-bench.jpg");
    if (!screenLike(7).save(path, "jpeg", 85))
        return 1;
    const Step step = framedStep(1);
    constexpr int runs = 40;
    for (const Framing framing : {Framing::clickedWindow, Framing::closeUp, Framing::wholeScreen}) {
        StepImageRecipe recipe{framing, step.clickX, step.clickY, step.windowFrame, step.redactions};
        std::vector<double> file, pixels, fileCpu, pixelsCpu;
        QSize size;
        const QImage decoded(path);
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            double cpu = threadCpuMs();
            const auto rendered = renderStepImageFile(path, recipe); // read, decode the frame, cut, fill, encode
            file.push_back(timer.nsecsElapsed() / 1e6);
            fileCpu.push_back(threadCpuMs() - cpu);
            size = rendered ? rendered->size : QSize();
            timer.restart();
            cpu = threadCpuMs();
            const QImage shown = applyStepImageRecipe(decoded, recipe, decoded.size());
            const auto jpeg = encodeJpeg(shown);
            pixels.push_back(timer.nsecsElapsed() / 1e6);
            pixelsCpu.push_back(threadCpuMs() - cpu);
            if (!jpeg)
                return 1;
        }
        std::printf("%-15s %4dx%-4d  from the file (decode included): median %.1f ms (CPU %.1f ms);  "
                    "cut + fill + encode of decoded pixels: median %.1f ms (CPU %.1f ms)\n",
                    qPrintable(QString::fromLatin1(framing == Framing::clickedWindow ? "clicked window"
                                                   : framing == Framing::closeUp  ? "close-up"
                                                                                  : "whole screen")),
                    size.width(), size.height(), median(file), median(fileCpu), median(pixels), median(pixelsCpu));
    }
    QFile::remove(path);
    return 0;
}

int generate(const QString &dir, int count)
{
    QDir().mkpath(dir);
    Guide guide;
    guide.title = QStringLiteral("Framing benchmark");
    guide.createdAt = QDateTime::currentDateTimeUtc();
    guide.framing = Framing::clickedWindow;
    for (int i = 1; i <= count; ++i) {
        const Step step = framedStep(i);
        if (!screenLike(i).save(dir + QLatin1Char('/') + step.imageFileName, "jpeg", 85))
            return 1;
        guide.steps << step;
    }
    QFile file(dir + QStringLiteral("/guide.json"));
    return file.open(QIODevice::WriteOnly) && file.write(*encodeGuide(guide)) > 0 ? 0 : 1;
}

int exportPdf(const QString &dir)
{
    QFile file(dir + QStringLiteral("/guide.json"));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const auto guide = decodeGuide(file.readAll());
    if (!guide)
        return 1;
    const long before = bench::peakKiB();
    timespec cpuStart{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    const QString out = dir + QStringLiteral("/../framing-bench.pdf");
    QElapsedTimer timer;
    timer.start();
    exportGuide(*guide, out, ExportFormat::pdf,
                [&](const Step &step) -> std::optional<QString> { return dir + QLatin1Char('/') + step.imageFileName; });
    const qint64 ms = timer.elapsed();
    timespec cpuEnd{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    const double cpuMs = double(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3 + double(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6;
    const long peak = bench::peakKiB();
    // The images the PDF needs, each encoded once.
    qint64 images = 0;
    for (const Step &step : guide->steps) {
        if (const auto rendered = renderStepImageFile(dir + QLatin1Char('/') + step.imageFileName,
                                                      stepImageRecipe(*guide, step)))
            images += rendered->jpeg.size();
    }
    const qint64 pdf = QFileInfo(out).size();
    std::printf("PDF of %lld framed, redacted steps: %lld ms (CPU %.0f ms on all threads), peak RSS %.1f MB (%.1f MB before), "
                "PDF %.2f MB / re-encoded images %.2f MB = %.3f\n",
                qint64(guide->steps.size()), ms, cpuMs, peak / 1024.0, before / 1024.0, pdf / 1e6, images / 1e6,
                double(pdf) / double(images));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("step"))
        return benchStep();
    if (argc < 3) {
        std::fputs("usage: framing_bench step | generate DIR [COUNT] | export DIR\n", stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[2]);
    if (mode == QLatin1String("generate"))
        return generate(dir, argc > 3 ? std::atoi(argv[3]) : 100);
    if (mode == QLatin1String("export"))
        return exportPdf(dir);
    return 2;
}
