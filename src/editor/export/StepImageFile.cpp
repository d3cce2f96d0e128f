// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/export/StepImageFile.h"

#include "store/GuideFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {

std::optional<QByteArray> readStepImageBytes(const QString &path)
{
    return guideFiles::readRegularFile(path, maxStepImageBytes);
}

std::optional<StepImageFile> loadStepImageFile(const QString &path)
{
    std::optional<QByteArray> bytes = readStepImageBytes(path);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();

    struct Passed {
        const char *format;
        const char *mimeType;
        const char *extension;
    };
    static const Passed passed[] = {
        {"jpeg", "image/jpeg", "jpg"},
        {"png", "image/png", "png"},
        {"gif", "image/gif", "gif"},
        {"webp", "image/webp", "webp"},
    };
    for (const Passed &kind : passed) {
        if (format != kind.format)
            continue;
        // The header alone gives the size: no pixels are decoded.
        const QSize stored = reader.size();
        if (!stored.isValid() || stored.isEmpty())
            return std::nullopt;
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        StepImageFile image;
        image.shownSize = turned ? stored.transposed() : stored;
        image.mimeType = kind.mimeType;
        image.extension = QString::fromLatin1(kind.extension);
        buffer.close();
        image.bytes = std::move(*bytes);
        return image;
    }

    // A format browsers may not show (BMP, TIFF, ...): its pixels as PNG.
    reader.setAutoTransform(true);
    const QImage decoded = reader.read();
    if (decoded.isNull())
        return std::nullopt;
    StepImageFile image;
    QBuffer out(&image.bytes);
    out.open(QIODevice::WriteOnly);
    if (!decoded.save(&out, "PNG"))
        return std::nullopt;
    image.shownSize = decoded.size();
    image.mimeType = "image/png";
    image.extension = QStringLiteral("png");
    return image;
}

} // namespace kelvo
