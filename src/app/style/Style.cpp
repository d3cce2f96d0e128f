#include "app/style/Style.h"

#include "app/style/Palette.h"

#include <QApplication>
#include <QCache>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
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

// One box pass over premultiplied ARGB32 along rows (horizontal) or columns.
void boxPass(QImage &image, int radius, bool horizontal)
{
    if (radius <= 0)
        return;
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const qsizetype stride = image.bytesPerLine() / 4;
    auto *bits = reinterpret_cast<quint32 *>(image.bits());
    std::vector<quint32> line(static_cast<std::size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> quint32 & {
            return horizontal ? bits[l * stride + i] : bits[i * stride + l];
        };
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = at(i);
        std::array<int, 4> sum{};
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= length)
                return; // transparent outside the image
            const quint32 v = line[static_cast<std::size_t>(i)];
            for (int c = 0; c < 4; ++c)
                sum[static_cast<std::size_t>(c)] += sign * static_cast<int>((v >> (8 * c)) & 0xff);
        };
        for (int i = -radius; i <= radius; ++i)
            add(i, 1);
        for (int i = 0; i < length; ++i) {
            quint32 out = 0;
            for (int c = 0; c < 4; ++c)
                out |= static_cast<quint32>((sum[static_cast<std::size_t>(c)] + window / 2) / window) << (8 * c);
            at(i) = out;
            add(i + radius + 1, 1);
            add(i - radius, -1);
        }
    }
}

void blurImage(QImage &image, double sigma)
{
    if (sigma <= 0.1)
        return;
    for (int size : boxSizes(sigma)) {
        const int radius = (size - 1) / 2;
        boxPass(image, radius, true);
        boxPass(image, radius, false);
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

// The shape (filled, or stroked with strokeWidth > 0) at the origin of an image
// that leaves margin on every side, blurred and cached.
const QImage &blurredShape(QSizeF size, qreal radius, qreal strokeWidth, const QColor &color, qreal blur, qreal dpr)
{
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(radius)
                            .arg(strokeWidth)
                            .arg(color.rgba())
                            .arg(blur)
                            .arg(dpr);
    if (const QImage *cached = imageCache().object(key))
        return *cached;
    const int margin = blurMargin(blur) + static_cast<int>(std::ceil(strokeWidth));
    const QSize pixels((QSizeF(size.width() + 2 * margin, size.height() + 2 * margin) * dpr).toSize());
    auto *image = new QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    {
        QPainter p(image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        const QPainterPath path = roundedPath(QRectF(QPointF(margin, margin), size), radius);
        if (strokeWidth > 0)
            p.strokePath(path, QPen(color, strokeWidth));
        else
            p.fillPath(path, color);
    }
    blurImage(*image, blur / 2 * dpr);
    image->setDevicePixelRatio(dpr);
    const auto cost = static_cast<int>(std::min<qsizetype>(image->sizeInBytes(), 1 << 30));
    const QImage &result = *image;
    if (!imageCache().insert(key, image, cost)) {
        // Larger than the whole cache: keep one uncached copy alive for this paint.
        static QImage uncached;
        uncached = result;
        return uncached;
    }
    return result;
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

void markShadowHost(QWidget *host)
{
    host->setProperty(hostProperty, true);
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

} // namespace kelvo
