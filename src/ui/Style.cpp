// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Style.h"

#include "ui/Palette.h"

#include <QApplication>
#include <QLabel>
#include <QCache>
#include <QImage>
#include <QMoveEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPointer>
#include <QResizeEvent>
#include <QStyleFactory>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kelvo {

QString formatTimestamp(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return QStringLiteral("0:00");
    // std::round rounds halves away from zero.
    const double rounded = std::round(std::min(seconds, 1e12));
    const auto total = static_cast<long long>(rounded);
    return QString::asprintf("%lld:%02lld", total / 60, total % 60);
}

namespace {
bool envFlag(const char *name)
{
    const QByteArray value = qgetenv(name);
    return !value.isEmpty() && value != "0";
}
} // namespace

bool StyleEnvironment::reduceMotion()
{
    return envFlag("KELVO_REDUCED_MOTION");
}

bool StyleEnvironment::increasedContrast()
{
    return envFlag("KELVO_INCREASED_CONTRAST");
}

QFont styleFont(qreal size, QFont::Weight weight)
{
    QFont font = QApplication::font();
    // Pixel sizes are whole numbers; a point size at the 72-per-inch convention keeps fractions.
    font.setPixelSize(std::max(1, qRound(size)));
    font.setWeight(weight);
    return font;
}

void applyKelvoStyle(QApplication &app)
{
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QPalette p;
    p.setColor(QPalette::Window, palette::surface);
    p.setColor(QPalette::WindowText, palette::ink);
    p.setColor(QPalette::Base, palette::surface);
    p.setColor(QPalette::AlternateBase, palette::surface.darker(104));
    p.setColor(QPalette::Text, palette::ink);
    p.setColor(QPalette::Button, palette::surface);
    p.setColor(QPalette::ButtonText, palette::ink);
    p.setColor(QPalette::PlaceholderText, palette::inkSecondary);
    p.setColor(QPalette::Highlight, palette::accent);
    p.setColor(QPalette::HighlightedText, palette::highlight);
    p.setColor(QPalette::Link, palette::accent);
    p.setColor(QPalette::ToolTipBase, palette::highlight);
    p.setColor(QPalette::ToolTipText, palette::ink);
    p.setColor(QPalette::Light, palette::highlight);
    p.setColor(QPalette::Midlight, palette::surface);
    p.setColor(QPalette::Mid, palette::rim);
    p.setColor(QPalette::Dark, palette::shadowDark);
    p.setColor(QPalette::Shadow, palette::contrastEdge);
    p.setColor(QPalette::Disabled, QPalette::WindowText, palette::withAlpha(palette::ink, 0.5));
    p.setColor(QPalette::Disabled, QPalette::Text, palette::withAlpha(palette::ink, 0.5));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, palette::withAlpha(palette::ink, 0.5));
    QApplication::setPalette(p);
    app.setProperty("kelvoStyle", true);
}

// --- Blur -----------------------------------------------------------------------

namespace {

// Qt has no public image blur; three box blurs approximate a Gaussian closely
// enough for soft shadows and cost O(pixels) whatever the radius.
std::array<int, 3> boxSizes(double sigma)
{
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3 + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = std::round((12 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9) / (-4.0 * lower - 4));
    std::array<int, 3> sizes{};
    for (int i = 0; i < 3; ++i)
        sizes[static_cast<std::size_t>(i)] = i < m ? lower : upper;
    return sizes;
}

// One box pass over an 8-bit alpha mask along rows (horizontal) or columns.
void boxPass(QImage &mask, int radius, bool horizontal)
{
    if (radius <= 0)
        return;
    const int lines = horizontal ? mask.height() : mask.width();
    const int length = horizontal ? mask.width() : mask.height();
    const qsizetype stride = mask.bytesPerLine();
    const qsizetype step = horizontal ? 1 : stride;
    uchar *bits = mask.bits();
    std::vector<uchar> line(static_cast<std::size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        uchar *start = horizontal ? bits + l * stride : bits + l;
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = start[i * step];
        int sum = 0; // pixels outside the mask are transparent
        for (int i = 0; i <= std::min(radius, length - 1); ++i)
            sum += line[static_cast<std::size_t>(i)];
        for (int i = 0; i < length; ++i) {
            start[i * step] = static_cast<uchar>((sum + window / 2) / window);
            if (const int in = i + radius + 1; in < length)
                sum += line[static_cast<std::size_t>(in)];
            if (const int out = i - radius; out >= 0)
                sum -= line[static_cast<std::size_t>(out)];
        }
    }
}

void blurMask(QImage &mask, double sigma)
{
    if (sigma <= 0.1)
        return;
    for (int size : boxSizes(sigma)) {
        const int radius = (size - 1) / 2;
        boxPass(mask, radius, true);
        boxPass(mask, radius, false);
    }
}

QPainterPath roundedPath(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    const qreal r = std::min({radius, rect.width() / 2, rect.height() / 2});
    path.addRoundedRect(rect, r, r);
    return path;
}

// A blur radius is read as twice the Gaussian's deviation; the blurred shape
// spreads about one radius and a half beyond its outline.
int blurMargin(qreal blur)
{
    return static_cast<int>(std::ceil(blur * 1.5)) + 1;
}

QCache<QString, QImage> &imageCache()
{
    static QCache<QString, QImage> cache(24 * 1024 * 1024); // cost = bytes
    return cache;
}

qreal deviceRatio(const QPainter &painter)
{
    return painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
}

// The blurred mask of a shape (filled, or stroked with strokeWidth > 0) whose
// top-left corner lies margin (logical pixels) inside the image's. Large shapes
// are blurred as a small template with the same corners and stretched: the
// straight middle of a blurred rounded rectangle is the same all along, so a
// window resize costs a copy, not a blur.
QImage makeBlurredMask(QSizeF size, qreal radius, qreal strokeWidth, qreal blur, qreal dpr, int margin)
{
    const qreal r = std::min({radius, size.width() / 2, size.height() / 2});
    const qreal corner = r + 2.0 * margin; // reach of a corner's influence from the image edge
    const qreal templateSide = 2 * (r + margin) + 4;
    const QSizeF templateShape(std::min(size.width(), templateSide), std::min(size.height(), templateSide));
    const QSize pixels(qCeil((templateShape.width() + 2 * margin) * dpr), qCeil((templateShape.height() + 2 * margin) * dpr));
    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        const QPainterPath path = roundedPath(QRectF(QPointF(margin, margin), templateShape), r);
        if (strokeWidth > 0)
            p.strokePath(path, QPen(Qt::black, strokeWidth));
        else
            p.fillPath(path, Qt::black);
    }
    blurMask(mask, blur / 2 * dpr);

    const QSize out(qCeil((size.width() + 2 * margin) * dpr), qCeil((size.height() + 2 * margin) * dpr));
    if (out == pixels)
        return mask;
    const int c = qCeil(corner * dpr);
    // Output index to template index along one axis: corners copied, middle repeated.
    auto mapping = [c](int outLength, int templateLength) {
        std::vector<int> map(static_cast<std::size_t>(outLength));
        for (int i = 0; i < outLength; ++i) {
            if (outLength == templateLength || i < c)
                map[static_cast<std::size_t>(i)] = std::min(i, templateLength - 1);
            else if (i >= outLength - c)
                map[static_cast<std::size_t>(i)] = std::clamp(i - (outLength - templateLength), 0, templateLength - 1);
            else
                map[static_cast<std::size_t>(i)] = std::min(c, templateLength - 1);
        }
        return map;
    };
    const std::vector<int> mapX = mapping(out.width(), pixels.width());
    const std::vector<int> mapY = mapping(out.height(), pixels.height());
    QImage stretched(out, QImage::Format_Alpha8);
    for (int y = 0; y < out.height(); ++y) {
        const uchar *from = mask.constScanLine(mapY[static_cast<std::size_t>(y)]);
        uchar *to = stretched.scanLine(y);
        for (int x = 0; x < out.width(); ++x)
            to[x] = from[mapX[static_cast<std::size_t>(x)]];
    }
    return stretched;
}

QString geometryKey(QSizeF size, qreal radius, qreal strokeWidth, qreal blur, qreal dpr)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6").arg(size.width()).arg(size.height()).arg(radius).arg(strokeWidth).arg(blur).arg(dpr);
}

int imageCost(const QImage &image)
{
    return static_cast<int>(std::min<qsizetype>(image.sizeInBytes(), 1 << 30));
}

// The blurred shape in one colour, its top-left corner margin inside the image's.
// Both the mask (shared by the dark and the light shadow) and the coloured
// image are cached; the reference is valid until the next call.
const QImage &blurredShape(QSizeF size, qreal radius, qreal strokeWidth, const QColor &color, qreal blur, qreal dpr)
{
    static QImage uncached; // for images larger than the whole cache
    const QString geometry = geometryKey(size, radius, strokeWidth, blur, dpr);
    const QString key = geometry + QLatin1Char('|') + QString::number(color.rgba());
    if (const QImage *cached = imageCache().object(key))
        return *cached;
    const int margin = blurMargin(blur) + static_cast<int>(std::ceil(strokeWidth));
    const QString maskKey = QStringLiteral("mask|") + geometry;
    QImage mask;
    if (const QImage *cachedMask = imageCache().object(maskKey)) {
        mask = *cachedMask;
    } else {
        mask = makeBlurredMask(size, radius, strokeWidth, blur, dpr, margin);
        imageCache().insert(maskKey, new QImage(mask), imageCost(mask));
    }
    auto *image = new QImage(mask.size(), QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    {
        QPainter p(image);
        p.drawImage(0, 0, mask); // alpha only
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image->rect(), color);
    }
    image->setDevicePixelRatio(dpr);
    const int cost = imageCost(*image);
    if (cost > imageCache().maxCost()) {
        uncached = *image;
        delete image;
        return uncached;
    }
    imageCache().insert(key, image, cost);
    return *image;
}

struct BlurredStroke {
    qreal width;
    QColor color;
    qreal blur;
    QPointF offset;
};

void paintInsetLayers(QPainter &painter, const QRectF &shape, qreal radius, std::initializer_list<BlurredStroke> strokes)
{
    const qreal dpr = deviceRatio(painter);
    painter.save();
    painter.setClipPath(roundedPath(shape, radius), Qt::IntersectClip);
    for (const BlurredStroke &stroke : strokes) {
        const QImage &image = blurredShape(shape.size(), radius, stroke.width, stroke.color, stroke.blur, dpr);
        const int margin = blurMargin(stroke.blur) + static_cast<int>(std::ceil(stroke.width));
        painter.drawImage(shape.topLeft() - QPointF(margin, margin) + stroke.offset, image);
    }
    painter.restore();
}

} // namespace

void paintShadow(QPainter &painter, const QRectF &shape, qreal radius, const QColor &color, qreal blur, QPointF offset)
{
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    const QImage &image = blurredShape(shape.size(), radius, 0, color, blur, deviceRatio(painter));
    const int margin = blurMargin(blur);
    painter.drawImage(shape.topLeft() - QPointF(margin, margin) + offset, image);
}

void paintInsideBorder(QPainter &painter, const QRectF &shape, qreal radius, const QColor &color, qreal width)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal half = width / 2;
    const QRectF inner = shape.adjusted(half, half, -half, -half);
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedPath(inner, std::max<qreal>(0, radius - half)));
    painter.restore();
}

void paintFocusRing(QPainter &painter, const QRectF &shape, qreal radius)
{
    paintInsideBorder(painter, shape, radius, palette::accentBright, 2.5);
    paintInsideBorder(painter, shape.adjusted(2.5, 2.5, -2.5, -2.5), std::max<qreal>(0, radius - 2.5),
                      palette::withAlpha(palette::highlight, 0.85), 1.5);
}

void paintRaisedFill(QPainter &painter, const QRectF &shape, qreal radius, bool contrast)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedPath(shape, radius), palette::surface);
    painter.restore();
    if (contrast)
        paintInsideBorder(painter, shape, radius, palette::contrastEdge, 1.5);
}

void paintRaisedShadows(QPainter &painter, const QRectF &shape, qreal radius, qreal depth, bool contrast)
{
    if (contrast)
        return;
    paintShadow(painter, shape, radius, palette::withAlpha(palette::shadowDark, 0.85), 11 * depth,
                QPointF(7 * depth, 7 * depth));
    paintShadow(painter, shape, radius, palette::highlight, 11 * depth, QPointF(-7 * depth, -7 * depth));
}

void paintRaised(QPainter &painter, const QRectF &shape, qreal radius, qreal depth, bool contrast)
{
    paintRaisedShadows(painter, shape, radius, depth, contrast);
    paintRaisedFill(painter, shape, radius, contrast);
}

void paintInset(QPainter &painter, const QRectF &shape, qreal radius, bool contrast)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedPath(shape, radius), palette::surface);
    painter.restore();
    if (contrast) {
        paintInsideBorder(painter, shape, radius, palette::contrastEdge, 1.5);
        return;
    }
    paintInsetLayers(painter, shape, radius,
                     {{4, palette::withAlpha(palette::shadowDark, 0.55), 5, {2.5, 2.5}},
                      {6, palette::highlight, 5, {-2.5, -2.5}}});
    paintInsideBorder(painter, shape, radius, palette::withAlpha(palette::rim, 0.7), 1);
}

void paintInsetCapsule(QPainter &painter, const QRectF &shape)
{
    paintInsetLayers(painter, shape, shape.height() / 2,
                     {{4, palette::withAlpha(palette::shadowDark, 0.9), 3, {2, 2}}, {5, palette::highlight, 3, {-2, -2}}});
}

void paintInsetCircle(QPainter &painter, const QRectF &shape)
{
    paintInsetLayers(painter, shape, std::min(shape.width(), shape.height()) / 2,
                     {{4, palette::withAlpha(palette::shadowDark, 0.9), 3, {2, 2}}, {5, palette::highlight, 3, {-2, -2}}});
}

// --- Shadow hosts ---------------------------------------------------------------

namespace {
const char *const hostProperty = "kelvoShadowHost";
}

namespace {

// Qt repaints only a widget's own rectangle when it hides, moves or shrinks; the
// shadow its host painted around it would stay behind as a ghost. This filter
// sees those events for every caster and repaints the host under the old place.
class ShadowLeftovers : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Hide && type != QEvent::Move && type != QEvent::Resize)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        const auto *caster = widget ? dynamic_cast<const ShadowCaster *>(widget) : nullptr;
        QWidget *host = caster ? shadowHostOf(widget) : nullptr;
        if (!host || !widget->parentWidget())
            return false;
        QRect old = widget->geometry();
        if (type == QEvent::Move)
            old.moveTopLeft(static_cast<QMoveEvent *>(event)->oldPos());
        else if (type == QEvent::Resize)
            old.setSize(static_cast<QResizeEvent *>(event)->oldSize());
        const int reach = caster->shadowReach();
        const QPoint origin = widget->parentWidget()->mapTo(host, old.topLeft());
        host->update(QRect(origin, old.size()).adjusted(-reach, -reach, reach, reach));
        return false;
    }
};

} // namespace

void markShadowHost(QWidget *host)
{
    host->setProperty(hostProperty, true);
    static QPointer<ShadowLeftovers> leftovers;
    if (!leftovers && QCoreApplication::instance()) {
        leftovers = new ShadowLeftovers(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(leftovers);
    }
}

QWidget *shadowHostOf(const QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (w->property(hostProperty).toBool())
            return w;
    }
    return nullptr;
}

namespace {

// Walks down from parent to the casters whose nearest host is host: hidden
// subtrees and other hosts' subtrees hold none. Long lists stay cheap this way.
void paintShadowsBelow(QPainter &painter, QWidget *host, QWidget *parent, const QRect &exposed)
{
    for (QObject *object : parent->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isHidden() || child->isWindow())
            continue;
        if (const auto *caster = dynamic_cast<const ShadowCaster *>(child)) {
            const QPoint origin = child->mapTo(host, QPoint(0, 0));
            const int reach = caster->shadowReach();
            if (exposed.isNull()
                || QRect(origin, child->size()).adjusted(-reach, -reach, reach, reach).intersects(exposed)) {
                painter.save();
                painter.translate(origin);
                caster->paintCastShadow(painter);
                painter.restore();
            }
        }
        if (!child->property(hostProperty).toBool())
            paintShadowsBelow(painter, host, child, exposed);
    }
}

} // namespace

void paintHostedShadows(QPainter &painter, QWidget *host, const QRect &exposed)
{
    paintShadowsBelow(painter, host, host, exposed);
}

void updateCastShadow(QWidget *caster)
{
    const auto *shadowCaster = dynamic_cast<const ShadowCaster *>(caster);
    QWidget *host = shadowHostOf(caster);
    if (!shadowCaster || !host)
        return;
    const int reach = shadowCaster->shadowReach();
    host->update(QRect(caster->mapTo(host, QPoint(0, 0)), caster->size()).adjusted(-reach, -reach, reach, reach));
}

QLabel *makeNoteLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(styleFont(12, QFont::Normal));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, palette::inkSecondary);
    label->setPalette(p);
    return label;
}

} // namespace kelvo
