// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Widgets.h"

#include "ui/Palette.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QIcon>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace kelvo {

namespace {

QVariantAnimation *makeAnimation(QObject *owner)
{
    auto *animation = new QVariantAnimation(owner);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    return animation;
}

// Brightness +0.04 on every channel, over the shape only.
void brighten(QPainter &painter, const QPainterPath &shape, qreal amount)
{
    if (amount <= 0)
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    const int add = qRound(0.04 * 255 * amount);
    painter.fillPath(shape, QColor(add, add, add));
    painter.restore();
}

QPainterPath capsulePath(const QRectF &rect)
{
    QPainterPath path;
    const qreal r = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, r, r);
    return path;
}

QString themeName(const QString &symbol)
{
    if (symbol == QLatin1String("checkmark"))
        return QStringLiteral("object-select-symbolic");
    if (symbol == QLatin1String("exclamationmark"))
        return QStringLiteral("dialog-warning-symbolic");
    if (symbol == QLatin1String("lock.shield"))
        return QStringLiteral("security-high-symbolic");
    if (symbol == QLatin1String("gearshape"))
        return QStringLiteral("preferences-system-symbolic");
    return themeSymbolName(symbol);
}

void paintFallbackSymbol(QPainter &painter, const QString &name, const QRectF &b, const QColor &color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max<qreal>(1.5, b.width() * 0.16);
    painter.setPen(QPen(color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    auto at = [&](qreal x, qreal y) { return QPointF(b.left() + x * b.width(), b.top() + y * b.height()); };
    if (name == QLatin1String("checkmark")) {
        const QPointF points[] = {at(0.12, 0.55), at(0.4, 0.82), at(0.9, 0.2)};
        painter.drawPolyline(points, 3);
    } else if (name == QLatin1String("exclamationmark")) {
        painter.drawLine(at(0.5, 0.1), at(0.5, 0.6));
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(at(0.5, 0.88), w * 0.7, w * 0.7);
    } else if (name == QLatin1String("lock.shield")) {
        painter.setPen(QPen(color, std::max<qreal>(1.2, b.width() * 0.09), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath shield;
        shield.moveTo(at(0.5, 0.05));
        shield.lineTo(at(0.9, 0.2));
        shield.cubicTo(at(0.9, 0.6), at(0.75, 0.85), at(0.5, 0.97));
        shield.cubicTo(at(0.25, 0.85), at(0.1, 0.6), at(0.1, 0.2));
        shield.closeSubpath();
        painter.drawPath(shield);
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(at(0.35, 0.45), at(0.65, 0.7)), 1, 1);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(color, std::max<qreal>(1, b.width() * 0.07)));
        painter.drawArc(QRectF(at(0.39, 0.3), at(0.61, 0.58)), 0, 180 * 16);
    } else if (name == QLatin1String("gearshape")) {
        painter.setPen(QPen(color, std::max<qreal>(1.2, b.width() * 0.1)));
        painter.drawEllipse(b.center(), b.width() * 0.28, b.height() * 0.28);
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            const QPointF c = b.center();
            painter.drawLine(c + QPointF(std::cos(a), std::sin(a)) * b.width() * 0.3,
                             c + QPointF(std::cos(a), std::sin(a)) * b.width() * 0.46);
        }
    } else if (name == QLatin1String("stop")) {
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(b.adjusted(b.width() * 0.2, b.height() * 0.2, -b.width() * 0.2, -b.height() * 0.2), 2, 2);
    } else if (name == QLatin1String("record")) {
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(b.center(), b.width() * 0.35, b.height() * 0.35);
    } else {
        paintDrawnSymbol(painter, name, b, color);
    }
    painter.restore();
}

} // namespace

void paintSymbol(QPainter &painter, const QString &name, const QRectF &box, const QColor &color)
{
    const QIcon icon = QIcon::fromTheme(themeName(name));
    if (icon.isNull()) {
        paintFallbackSymbol(painter, name, box, color);
        return;
    }
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QPixmap pixmap = icon.pixmap(box.size().toSize(), dpr);
    {
        QPainter tint(&pixmap);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(pixmap.rect(), color);
    }
    painter.drawPixmap(box.toRect(), pixmap);
}

// --- NeuSurface -----------------------------------------------------------------

NeuSurface::NeuSurface(QWidget *parent)
    : QWidget(parent)
{
    markShadowHost(this);
}

void NeuSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette::surface);
    paintHostedShadows(painter, this, event->rect());
}

// --- NeuRaised ------------------------------------------------------------------

NeuRaised::NeuRaised(qreal radius, qreal depth, QWidget *parent)
    : QWidget(parent)
    , radius_(radius)
    , depth_(depth)
{
    markShadowHost(this);
}

void NeuRaised::paintCastShadow(QPainter &painter) const
{
    paintRaisedShadows(painter, QRectF(rect()), radius_, depth_, StyleEnvironment::increasedContrast());
}

int NeuRaised::shadowReach() const
{
    return static_cast<int>(std::ceil(18 * depth_ + 7 * depth_)) + 2;
}

void NeuRaised::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    paintRaisedFill(painter, QRectF(rect()), radius_, StyleEnvironment::increasedContrast());
    paintHostedShadows(painter, this, event->rect());
}

// --- NeuInset -------------------------------------------------------------------

NeuInset::NeuInset(qreal radius, QWidget *parent)
    : QWidget(parent)
    , radius_(radius)
{
}

void NeuInset::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintInset(painter, QRectF(rect()), radius_, StyleEnvironment::increasedContrast());
}

// --- NeuButton ------------------------------------------------------------------

NeuButton::NeuButton(const QString &text, NeuButtonStyle style, QWidget *parent)
    : QAbstractButton(parent)
    , style_(style)
    , pressAnimation_(makeAnimation(this))
    , hoverAnimation_(makeAnimation(this))
{
    setText(text);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFont(styleFont(style_.compact ? 13 : 15, QFont::DemiBold));
    setSizePolicy(style_.fullWidth ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(pressAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        pressAmount_ = v.toReal();
        update();
        updateCastShadow(this);
    });
    connect(hoverAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        hoverAmount_ = v.toReal();
        update();
        updateCastShadow(this);
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animateTo(pressAnimation_, pressAmount_, 1, 120); });
    connect(this, &QAbstractButton::released, this, [this] { animateTo(pressAnimation_, pressAmount_, 0, 120); });
}

void NeuButton::animateTo(QVariantAnimation *animation, qreal &value, qreal target, int milliseconds)
{
    animation->stop();
    if (StyleEnvironment::reduceMotion()) {
        value = target;
        update();
        updateCastShadow(this);
        return;
    }
    animation->setStartValue(value);
    animation->setEndValue(target);
    animation->setDuration(milliseconds);
    animation->start();
}

void NeuButton::setSymbol(const QString &symbol)
{
    if (symbol == symbol_)
        return;
    symbol_ = symbol;
    updateGeometry();
    update();
}

namespace {
// The symbol of a labelled button: as tall as the text's capitals, 7 from the title.
qreal buttonSymbolSize(const QFontMetricsF &metrics)
{
    return std::round(metrics.height() * 0.9);
}
constexpr qreal buttonSymbolGap = 7;
} // namespace

QSize NeuButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal h = style_.compact ? 14 : 22;
    const qreal v = style_.compact ? 8 : 12;
    const qreal gap = text().isEmpty() ? 0 : buttonSymbolGap;
    const qreal symbol = symbol_.isEmpty() ? 0 : buttonSymbolSize(metrics) + gap;
    return QSizeF(std::ceil(metrics.horizontalAdvance(text()) + symbol) + 2 * h, std::ceil(metrics.height()) + 2 * v)
        .toSize();
}

QRectF NeuButton::shapeRect() const
{
    return QRectF(rect());
}

void NeuButton::paintCastShadow(QPainter &painter) const
{
    const QRectF shape = shapeRect();
    const bool contrast = StyleEnvironment::increasedContrast();
    if (contrast)
        return;
    painter.save();
    if (!isEnabled())
        painter.setOpacity(0.5);
    // The same scale as the body, so the shadow follows the pressed button.
    const qreal scale = 1 - 0.03 * pressAmount_;
    painter.translate(shape.center());
    painter.scale(scale, scale);
    painter.translate(-shape.center());
    const qreal radius = shape.height() / 2;
    switch (style_.kind) {
    case NeuButtonStyle::Kind::plain: {
        // Pressed, the button sinks in and casts no shadow.
        const qreal rest = 1 - pressAmount_;
        if (rest > 0) {
            const qreal blur = 7 + 2 * hoverAmount_;
            paintShadow(painter, shape, radius, palette::withAlpha(palette::shadowDark, 0.85 * rest), blur, {4, 4});
            paintShadow(painter, shape, radius, palette::withAlpha(palette::highlight, rest), blur, {-4, -4});
        }
        break;
    }
    case NeuButtonStyle::Kind::primary:
    case NeuButtonStyle::Kind::danger: {
        const QColor glow = style_.kind == NeuButtonStyle::Kind::primary ? palette::accentBright : palette::dangerBright;
        const qreal t = pressAmount_;
        paintShadow(painter, shape, radius, palette::withAlpha(glow, 0.35 + (0.15 - 0.35) * t), 10 + (4 - 10) * t,
                    {0, 6 + (2 - 6) * t});
        break;
    }
    }
    painter.restore();
}

void NeuButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool contrast = StyleEnvironment::increasedContrast();
    if (!isEnabled())
        painter.setOpacity(0.5);
    const QRectF shape = shapeRect();
    const qreal scale = 1 - 0.03 * pressAmount_;
    painter.translate(shape.center());
    painter.scale(scale, scale);
    painter.translate(-shape.center());
    const QPainterPath path = capsulePath(shape);

    QColor textColor = palette::highlight;
    switch (style_.kind) {
    case NeuButtonStyle::Kind::plain:
        painter.fillPath(path, palette::surface);
        if (pressAmount_ > 0) {
            painter.save();
            painter.setOpacity(painter.opacity() * pressAmount_);
            paintInsetCapsule(painter, shape);
            painter.restore();
        }
        if (pressAmount_ < 1)
            paintInsideBorder(painter, shape, shape.height() / 2, palette::withAlpha(palette::rim, 1 - pressAmount_), 1);
        textColor = palette::ink;
        break;
    case NeuButtonStyle::Kind::primary:
        painter.fillPath(path, palette::blueGradient(shape));
        break;
    case NeuButtonStyle::Kind::danger:
        painter.fillPath(path, palette::dangerGradient(shape));
        break;
    }
    if (contrast)
        paintInsideBorder(painter, shape, shape.height() / 2, palette::contrastEdge, 1.5);

    painter.setFont(font());
    painter.setPen(textColor);
    if (symbol_.isEmpty()) {
        painter.drawText(shape, Qt::AlignCenter, text());
    } else {
        const QFontMetricsF metrics(font());
        const qreal symbolSize = buttonSymbolSize(metrics);
        // A symbol alone sits in the middle.
        const qreal gap = text().isEmpty() ? 0 : buttonSymbolGap;
        const qreal width = symbolSize + gap + metrics.horizontalAdvance(text());
        const qreal left = shape.center().x() - width / 2;
        paintSymbol(painter, symbol_, QRectF(left, shape.center().y() - symbolSize / 2, symbolSize, symbolSize),
                    textColor);
        painter.drawText(QRectF(left + symbolSize + gap, shape.top(), width, shape.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text());
    }

    if (isEnabled() && !isDown())
        brighten(painter, path, hoverAmount_);
    if (hasFocus() && focusPolicy() != Qt::NoFocus)
        paintFocusRing(painter, shape, shape.height() / 2);
}

void NeuButton::enterEvent(QEnterEvent *event)
{
    hovering_ = true;
    animateTo(hoverAnimation_, hoverAmount_, 1, 150);
    QAbstractButton::enterEvent(event);
}

void NeuButton::leaveEvent(QEvent *event)
{
    hovering_ = false;
    animateTo(hoverAnimation_, hoverAmount_, 0, 150);
    QAbstractButton::leaveEvent(event);
}

void NeuButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        updateCastShadow(this);
    QAbstractButton::changeEvent(event);
}

// --- NeuIconButton --------------------------------------------------------------

NeuIconButton::NeuIconButton(const QString &iconName, const QString &accessibleName, NeuIconButtonStyle style,
                             QWidget *parent)
    : QAbstractButton(parent)
    , iconName_(iconName)
    , style_(style)
    , hoverAnimation_(makeAnimation(this))
{
    setText(accessibleName);
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
    connect(hoverAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        hoverAmount_ = v.toReal();
        update();
        updateCastShadow(this);
    });
    connect(this, &QAbstractButton::pressed, this, [this] { updateCastShadow(this); });
    connect(this, &QAbstractButton::released, this, [this] { updateCastShadow(this); });
}

void NeuIconButton::setIconName(const QString &iconName)
{
    if (iconName == iconName_)
        return;
    iconName_ = iconName;
    update();
}

QSize NeuIconButton::sizeHint() const
{
    const int s = static_cast<int>(std::ceil(style_.size));
    return {s, s};
}

void NeuIconButton::paintCastShadow(QPainter &painter) const
{
    if (isDown() || StyleEnvironment::increasedContrast())
        return;
    painter.save();
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF shape(0, 0, style_.size, style_.size);
    const qreal blur = 6 + 2 * hoverAmount_;
    paintShadow(painter, shape, style_.size / 2, palette::withAlpha(palette::shadowDark, 0.85), blur, {3.5, 3.5});
    paintShadow(painter, shape, style_.size / 2, palette::highlight, blur, {-3.5, -3.5});
    painter.restore();
}

void NeuIconButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF shape(0, 0, style_.size, style_.size);
    QPainterPath path;
    path.addEllipse(shape);
    painter.fillPath(path, palette::surface);
    if (isDown())
        paintInsetCircle(painter, shape);
    if (StyleEnvironment::increasedContrast())
        paintInsideBorder(painter, shape, style_.size / 2, palette::contrastEdge, 1.5);
    else
        paintInsideBorder(painter, shape, style_.size / 2, palette::rim, 1);
    const qreal glyph = 0.4 * style_.size;
    paintSymbol(painter, iconName_, QRectF(shape.center() - QPointF(glyph / 2, glyph / 2), QSizeF(glyph, glyph)),
                style_.tint);
    if (isEnabled() && !isDown())
        brighten(painter, path, hoverAmount_);
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        painter.setOpacity(1);
        paintFocusRing(painter, shape, style_.size / 2);
    }
}

void NeuIconButton::enterEvent(QEnterEvent *event)
{
    hovering_ = true;
    hoverAnimation_->stop();
    if (StyleEnvironment::reduceMotion()) {
        hoverAmount_ = 1;
        update();
    } else {
        hoverAnimation_->setStartValue(hoverAmount_);
        hoverAnimation_->setEndValue(1.0);
        hoverAnimation_->setDuration(150);
        hoverAnimation_->start();
    }
    QAbstractButton::enterEvent(event);
}

void NeuIconButton::leaveEvent(QEvent *event)
{
    hovering_ = false;
    hoverAnimation_->stop();
    if (StyleEnvironment::reduceMotion()) {
        hoverAmount_ = 0;
        update();
    } else {
        hoverAnimation_->setStartValue(hoverAmount_);
        hoverAnimation_->setEndValue(0.0);
        hoverAnimation_->setDuration(150);
        hoverAnimation_->start();
    }
    QAbstractButton::leaveEvent(event);
}

void NeuIconButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        updateCastShadow(this);
    QAbstractButton::changeEvent(event);
}

// --- NumberBadge ----------------------------------------------------------------

NumberBadge::NumberBadge(int number, qreal size, QWidget *parent)
    : QWidget(parent)
    , number_(number)
    , size_(size)
{
    setFixedSize(sizeHint());
    setAccessibleName(tr("Step %1").arg(number_));
}

void NumberBadge::setNumber(int number)
{
    if (number == number_)
        return;
    number_ = number;
    setAccessibleName(tr("Step %1").arg(number_));
    update();
}

QSize NumberBadge::sizeHint() const
{
    const int s = static_cast<int>(std::ceil(size_));
    return {s, s};
}

void NumberBadge::paintCastShadow(QPainter &painter) const
{
    paintShadow(painter, QRectF(0, 0, size_, size_), size_ / 2, palette::withAlpha(palette::accentBright, 0.35), 6, {0, 3});
}

void NumberBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape(0, 0, size_, size_);
    QPainterPath path;
    path.addEllipse(shape);
    painter.fillPath(path, palette::blueGradient(shape));
    QFont font = styleFont(fontSize(size_), QFont::Bold);
    font.setPointSizeF(fontSize(size_) * 72.0 / std::max(1, logicalDpiY()));
    painter.setFont(font);
    painter.setPen(palette::highlight);
    painter.drawText(shape, Qt::AlignCenter, QString::number(number_));
}

// --- Chip -----------------------------------------------------------------------

Chip::Chip(const QString &iconName, const QString &text, const QColor &tint, QWidget *parent)
    : QWidget(parent)
    , iconName_(iconName)
    , text_(text)
    , tint_(tint)
{
    setFont(styleFont(12, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Chip::setText(const QString &text)
{
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

QSize Chip::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal icon = iconName_.isEmpty() ? 0 : 11 + 6;
    return QSizeF(std::ceil(12 + icon + metrics.horizontalAdvance(text_) + 12), std::ceil(6 + metrics.height() + 6))
        .toSize();
}

void Chip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintInset(painter, QRectF(rect()), 13, StyleEnvironment::increasedContrast());
    qreal x = 12;
    if (!iconName_.isEmpty()) {
        paintSymbol(painter, iconName_, QRectF(x, (height() - 11) / 2.0, 11, 11), tint_);
        x += 11 + 6;
    }
    painter.setFont(font());
    painter.setPen(tint_);
    painter.drawText(QRectF(x, 0, width() - x - 12, height()), Qt::AlignVCenter | Qt::AlignLeft, text_);
}

} // namespace kelvo
