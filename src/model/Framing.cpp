// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Framing.h"

#include <QRectF>

#include <algorithm>
#include <cmath>

namespace kelvo {
namespace {

const NormalRect wholePicture{0, 0, 1, 1};

// Moves (never shrinks, unless larger than the display) a rectangle onto the display.
QRectF keepOnDisplay(QRectF rect, const QSizeF &display)
{
    rect.setWidth(std::min(rect.width(), display.width()));
    rect.setHeight(std::min(rect.height(), display.height()));
    rect.moveLeft(std::clamp(rect.left(), 0.0, display.width() - rect.width()));
    rect.moveTop(std::clamp(rect.top(), 0.0, display.height() - rect.height()));
    return rect;
}

QSizeF closeUpSize(const QSizeF &display)
{
    double width = display.width() * closeUpWidthShare;
    double height = width / closeUpAspect;
    if (height > display.height()) { // a display far wider than 16:10
        height = display.height();
        width = height * closeUpAspect;
    }
    return {width, height};
}

// Grows a side to at least minimum around its centre.
QRectF atLeast(QRectF rect, const QSizeF &minimum)
{
    const QPointF centre = rect.center();
    if (rect.width() < minimum.width())
        rect.setWidth(minimum.width());
    if (rect.height() < minimum.height())
        rect.setHeight(minimum.height());
    rect.moveCenter(centre);
    return rect;
}

NormalRect normalised(const QRectF &rect, const QSizeF &display)
{
    return {rect.x() / display.width(), rect.y() / display.height(), rect.width() / display.width(),
            rect.height() / display.height()};
}

} // namespace

Framing effectiveFraming(const Guide &guide, const Step &step)
{
    return step.framing.value_or(guide.framing.value_or(Framing::wholeScreen));
}

double markerOuterRadius(int storedWidth)
{
    // The ring of renderStepImage: radius 1.12 r with a stroke of 0.22 r, plus antialiasing.
    const double r = std::max(storedWidth * 0.013, 20.0);
    return r * 1.12 + r * 0.11 + 2;
}

NormalRect frameRegion(Framing framing, QSize storedSize, const Step &step)
{
    if (storedSize.isEmpty())
        return wholePicture;
    const QSizeF display(storedSize);
    const QPointF click(std::clamp(step.clickX, 0.0, 1.0) * display.width(),
                        std::clamp(step.clickY, 0.0, 1.0) * display.height());
    switch (framing) {
    case Framing::wholeScreen:
        return wholePicture;
    case Framing::closeUp: {
        QRectF rect(QPointF(), closeUpSize(display));
        rect.moveCenter(click);
        return normalised(keepOnDisplay(rect, display), display);
    }
    case Framing::clickedWindow: {
        if (!step.windowFrame)
            return wholePicture;
        const NormalRect &frame = *step.windowFrame;
        const double margin = windowMarginShare * display.width();
        QRectF rect(frame.x * display.width(), frame.y * display.height(), frame.width * display.width(),
                    frame.height * display.height());
        rect.adjust(-margin, -margin, margin, margin);
        rect = rect.intersected(QRectF(QPointF(), display));
        const double ring = markerOuterRadius(storedSize.width());
        const QRectF marker = QRectF(click - QPointF(ring, ring), QSizeF(2 * ring, 2 * ring))
                                  .intersected(QRectF(QPointF(), display));
        rect = rect.isEmpty() ? marker : rect.united(marker);
        rect = atLeast(rect, closeUpSize(display));
        return normalised(keepOnDisplay(rect, display), display);
    }
    }
    return wholePicture;
}

QRect pixelRect(const NormalRect &region, QSize size)
{
    const auto edge = [](double fraction, int length) {
        return std::clamp(int(std::lround(fraction * length)), 0, length);
    };
    const int left = std::min(edge(region.x, size.width()), size.width() - 1);
    const int top = std::min(edge(region.y, size.height()), size.height() - 1);
    const int right = std::max(edge(region.x + region.width, size.width()), left + 1);
    const int bottom = std::max(edge(region.y + region.height, size.height()), top + 1);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect coveringPixelRect(const NormalRect &region, QSize size)
{
    const auto clampTo = [](double value, int length) { return std::clamp(value, 0.0, double(length)); };
    const int left = int(std::floor(clampTo(region.x * size.width(), size.width())));
    const int top = int(std::floor(clampTo(region.y * size.height(), size.height())));
    const int right = int(std::ceil(clampTo((region.x + region.width) * size.width(), size.width())));
    const int bottom = int(std::ceil(clampTo((region.y + region.height) * size.height(), size.height())));
    if (right <= left || bottom <= top)
        return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

NormalRect toRegion(const NormalRect &region, const NormalRect &rect)
{
    return {(rect.x - region.x) / region.width, (rect.y - region.y) / region.height, rect.width / region.width,
            rect.height / region.height};
}

NormalRect fromRegion(const NormalRect &region, const NormalRect &rect)
{
    return {region.x + rect.x * region.width, region.y + rect.y * region.height, rect.width * region.width,
            rect.height * region.height};
}

} // namespace kelvo
