// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/StepImagePipeline.h"

#include "editor/export/StepImageFile.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace kelvo {

bool StepImageRecipe::leavesPictureAlone() const
{
    if (!redactions.isEmpty())
        return false;
    return framing == Framing::wholeScreen || (framing == Framing::clickedWindow && !windowFrame);
}

NormalRect StepImageRecipe::region(QSize storedSize) const
{
    Step step;
    step.clickX = clickX;
    step.clickY = clickY;
    step.windowFrame = windowFrame;
    return frameRegion(framing, storedSize, step);
}

StepImageRecipe stepImageRecipe(const Guide &guide, const Step &step)
{
    return {effectiveFraming(guide, step), step.clickX, step.clickY, step.windowFrame, step.redactions};
}

StepImageRecipe stepImageRecipe(std::optional<Framing> guideFraming, const Step &step)
{
    const Framing framing = step.framing.value_or(guideFraming.value_or(Framing::wholeScreen));
    return {framing, step.clickX, step.clickY, step.windowFrame, step.redactions};
}

void fillRedactions(QImage &image, const NormalRect &region, const QList<NormalRect> &redactions)
{
    if (redactions.isEmpty() || image.isNull())
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    for (const NormalRect &redaction : redactions) {
        const QRect area = coveringPixelRect(toRegion(region, redaction), image.size());
        if (area.isEmpty())
            continue;
        // Plain fill, no blending: not one pixel of the area survives.
        const QRgb fill = redactionFill.rgb();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            std::fill(line + area.left(), line + area.right() + 1, fill);
        }
    }
}

QImage applyStepImageRecipe(const QImage &image, const StepImageRecipe &recipe, QSize storedSize)
{
    if (image.isNull() || recipe.leavesPictureAlone())
        return image;
    const NormalRect region = recipe.region(storedSize.isEmpty() ? image.size() : storedSize);
    QImage shown = image.copy(pixelRect(region, image.size()));
    fillRedactions(shown, region, recipe.redactions);
    return shown;
}

std::optional<QByteArray> encodeJpeg(const QImage &image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image))
        return std::nullopt;
    return data;
}

std::optional<RenderedStepImage> renderStepImageFile(const QString &path, const StepImageRecipe &recipe)
{
    std::optional<QByteArray> bytes = readStepImageBytes(path);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    QBuffer file(&*bytes);
    file.open(QIODevice::ReadOnly);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize stored = reader.size();
    QImage image;
    NormalRect region{0, 0, 1, 1};
    if (stored.isValid() && !stored.isEmpty() && reader.transformation() == QImageIOHandler::TransformationNone
        && reader.supportsOption(QImageIOHandler::ClipRect)) {
        // Only the framed part is decoded: a close-up costs a fifth of a full decode.
        region = recipe.region(stored);
        reader.setClipRect(pixelRect(region, stored));
        image = reader.read();
    } else {
        reader.setAutoTransform(true);
        const QImage whole = reader.read();
        if (whole.isNull())
            return std::nullopt;
        region = recipe.region(whole.size());
        image = whole.copy(pixelRect(region, whole.size()));
    }
    if (image.isNull())
        return std::nullopt;
    fillRedactions(image, region, recipe.redactions);
    auto jpeg = encodeJpeg(image);
    if (!jpeg)
        return std::nullopt;
    return RenderedStepImage{std::move(*jpeg), image.size()};
}

} // namespace kelvo
