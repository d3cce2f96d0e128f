// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Style.h"

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

class QVariantAnimation;

namespace kelvo {

// A window's background: the surface colour, and a host for the shadows of the
// raised pieces on it.
class NeuSurface : public QWidget {
    Q_OBJECT
public:
    explicit NeuSurface(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A card pressed out of the surface. Its shadows are painted by its host; it is a
// host itself for the buttons and badges on it.
class NeuRaised : public QWidget, public ShadowCaster {
    Q_OBJECT
public:
    explicit NeuRaised(qreal radius, qreal depth = 1, QWidget *parent = nullptr);

    qreal radius() const { return radius_; }
    qreal depth() const { return depth_; }

    void paintCastShadow(QPainter &painter) const override;
    int shadowReach() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal radius_;
    qreal depth_;
};

// A field or well pressed into the surface.
class NeuInset : public QWidget {
    Q_OBJECT
public:
    explicit NeuInset(qreal radius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal radius_;
};

struct NeuButtonStyle {
    enum class Kind { plain, primary, danger };
    Kind kind = Kind::plain;
    bool compact = false;
    bool fullWidth = false;
};

// The soft capsule button; paints itself as the body of its NeuButtonStyle.
class NeuButton : public QAbstractButton, public ShadowCaster {
    Q_OBJECT
    Q_PROPERTY(bool hovering READ hovering)
public:
    explicit NeuButton(const QString &text, NeuButtonStyle style = {}, QWidget *parent = nullptr);

    const NeuButtonStyle &buttonStyle() const { return style_; }
    // A symbol drawn before the title (the label of title and symbol).
    void setSymbol(const QString &symbol);
    const QString &symbol() const { return symbol_; }
    bool hovering() const { return hovering_; }
    // 0 = at rest, 1 = fully pressed / hovered; animated unless motion is reduced.
    qreal pressAmount() const { return pressAmount_; }
    qreal hoverAmount() const { return hoverAmount_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    void paintCastShadow(QPainter &painter) const override;
    int shadowReach() const override { return 20; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRectF shapeRect() const;
    void animateTo(QVariantAnimation *animation, qreal &value, qreal target, int milliseconds);

    NeuButtonStyle style_;
    QString symbol_;
    bool hovering_ = false;
    qreal pressAmount_ = 0;
    qreal hoverAmount_ = 0;
    QVariantAnimation *pressAnimation_;
    QVariantAnimation *hoverAnimation_;
};

struct NeuIconButtonStyle {
    QColor tint;
    qreal size = 34;
};

// A round button showing a symbol only; its text is the accessible name.
class NeuIconButton : public QAbstractButton, public ShadowCaster {
    Q_OBJECT
public:
    NeuIconButton(const QString &iconName, const QString &accessibleName, NeuIconButtonStyle style,
                  QWidget *parent = nullptr);

    bool hovering() const { return hovering_; }
    QSize sizeHint() const override;
    void setIconName(const QString &iconName);
    const QString &iconName() const { return iconName_; }

    void paintCastShadow(QPainter &painter) const override;
    int shadowReach() const override { return 16; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString iconName_;
    NeuIconButtonStyle style_;
    bool hovering_ = false;
    qreal hoverAmount_ = 0;
    QVariantAnimation *hoverAnimation_;
};

// A step number on a blue disc.
class NumberBadge : public QWidget, public ShadowCaster {
    Q_OBJECT
public:
    NumberBadge(int number, qreal size, QWidget *parent = nullptr);

    void setNumber(int number);
    int number() const { return number_; }
    static qreal fontSize(qreal size) { return 0.42 * size; }

    QSize sizeHint() const override;
    void paintCastShadow(QPainter &painter) const override;
    int shadowReach() const override { return 14; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int number_;
    qreal size_;
};

// A symbol and a short text on an inset capsule.
class Chip : public QWidget {
    Q_OBJECT
public:
    Chip(const QString &iconName, const QString &text, const QColor &tint, QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString iconName_;
    QString text_;
    QColor tint_;
};

// A symbol alone, drawn at a size in one colour (for labels beside text).
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString &name, qreal size, const QColor &color, QWidget *parent = nullptr);
    const QString &name() const { return name_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString name_;
    qreal size_;
    QColor color_;
};

// A theme icon tinted in one colour; the drawn fallbacks cover the symbols Kelvo
// needs when the theme has none ("checkmark", "exclamationmark", "lock.shield",
// "gearshape", "stop", "record").
void paintSymbol(QPainter &painter, const QString &name, const QRectF &box, const QColor &color);

// The freedesktop icon name standing in for a symbol name, or the name itself.
QString themeSymbolName(const QString &symbol);
// Small drawn versions of the editor's and library's symbols, for themes that lack them.
void paintDrawnSymbol(QPainter &painter, const QString &name, const QRectF &box, const QColor &color);

} // namespace kelvo
