// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingSession.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace kelvo {

std::optional<QByteArray> renderStepImage(double clickX, double clickY, const QImage &image, int maxWidth)
{
    if (image.isNull() || maxWidth < 1)
        return std::nullopt;
    const double scale = std::min(1.0, double(maxWidth) / image.width());
    const int width = std::max(1, int(std::lround(image.width() * scale)));
    const int height = std::max(1, int(std::lround(image.height() * scale)));

    // QImage::scaled averages the area for large reductions; QPainter's smooth
    // transform is bilinear and would alias text.
    QImage bitmap = (width == image.width() && height == image.height())
        ? image.copy()
        : image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Frames come as RGB32; anything else is brought to a format QPainter draws on directly.
    if (bitmap.format() != QImage::Format_RGB32 && bitmap.format() != QImage::Format_ARGB32_Premultiplied)
        bitmap = bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return std::nullopt;
    bitmap.setColorSpace(QColorSpace::SRgb);

    {
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double r = std::max(width * 0.013, 20.0);
        const QPointF centre(clickX * width, clickY * height);
        const QColor red = QColor::fromRgbF(1.0f, 0.27f, 0.23f);
        QColor fill = red;
        fill.setAlphaF(0.22f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(centre, r, r);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.95f), r * 0.22));
        painter.drawEllipse(centre, r * 1.12, r * 1.12);
        painter.setPen(QPen(red, r * 0.16));
        painter.drawEllipse(centre, r, r);
    }

    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    if (!writer.write(bitmap))
        return std::nullopt;
    return data;
}

} // namespace kelvo
