// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"
#include "store/GuideStore.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace kelvo::test {

// A guide with `steps` steps captioned "Step 1", "Step 2", ... at 2-second
// intervals, with small screenshots written into its folder.
inline Guide plantGuide(GuideStore &store, const QString &title, int steps, const QDateTime &createdAt,
                        double duration = 30)
{
    Guide guide;
    guide.title = title;
    guide.createdAt = createdAt;
    guide.duration = duration;
    const QString folder = store.createFolder(guide.id);
    for (int i = 1; i <= steps; ++i) {
        Step step;
        step.caption = QStringLiteral("Step %1").arg(i);
        step.appName = QStringLiteral("Files");
        step.timestamp = 2.0 * i;
        step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
        QImage image(320, 180, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((i * 37) % 360, 120, 230));
        image.save(folder + QLatin1Char('/') + step.imageFileName, "JPEG", 85);
        guide.steps.append(step);
    }
    store.add(guide);
    return guide;
}

// Writes a HEVC QuickTime movie of the test pattern with ffmpeg; false when it could not.
inline bool writeTestMovie(const QString &path, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=320x200:rate=10:duration=%1").arg(seconds), QStringLiteral("-c:v"),
                  QStringLiteral("libx265"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
                  QStringLiteral("-tag:v"), QStringLiteral("hvc1"), QStringLiteral("-pix_fmt"),
                  QStringLiteral("yuv420p"), QStringLiteral("-x265-params"), QStringLiteral("log-level=error"), path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

} // namespace kelvo::test
