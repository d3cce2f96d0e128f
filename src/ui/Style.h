// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

class QApplication;
class QPainter;
class QWidget;

class QLabel;
class QWidget;

namespace kelvo {

// Seconds to "m:ss": rounded to the nearest second (halves away from zero),
// never below zero, minutes not wrapped into hours.
QString formatTimestamp(double seconds);

// Accessibility preferences of the look. Linux has no desktop-wide switch that Qt
// reports, so they come from the environment: KELVO_REDUCED_MOTION=1 and
// KELVO_INCREASED_CONTRAST=1.
struct StyleEnvironment {
    static bool reduceMotion();
    static bool increasedContrast();
};

// The default UI font (it stands in for a rounded design) at a size in logical pixels.
QFont styleFont(qreal size, QFont::Weight weight);

// A wrapped 12-point note in the secondary ink, as cards and settings use under their rows.
QLabel *makeNoteLabel(const QString &text, QWidget *parent);

// Fusion with Kelvo's light palette, whatever the desktop theme.
void applyKelvoStyle(QApplication &app);

// --- Painting -------------------------------------------------------------------

// A rounded rectangle (a capsule when radius is half the height) with a soft
// shadow of the given colour, blur radius and offset. The blurred shape comes from a
// process-wide cache, so a repaint only blits an image.
void paintShadow(QPainter &painter, const QRectF &shape, qreal radius, const QColor &color, qreal blur,
                 QPointF offset);

// A stroke of the given width drawn inside the shape's outline.
void paintInsideBorder(QPainter &painter, const QRectF &shape, qreal radius, const QColor &color, qreal width);
// The keyboard focus ring inside a control's shape: the accent colour, with a
// white line inside it so it shows on accent-filled buttons too.
void paintFocusRing(QPainter &painter, const QRectF &shape, qreal radius);

// The raised look: only the fill (and the border with increased contrast). Its two
// shadows belong to the host that the surface sits on: see paintRaisedShadows.
void paintRaisedFill(QPainter &painter, const QRectF &shape, qreal radius, bool contrast);
void paintRaisedShadows(QPainter &painter, const QRectF &shape, qreal radius, qreal depth, bool contrast);
// Shadows and fill together, for surfaces drawn on their host directly.
void paintRaised(QPainter &painter, const QRectF &shape, qreal radius, qreal depth, bool contrast);

// The pressed-in look of fields, chips and wells.
void paintInset(QPainter &painter, const QRectF &shape, qreal radius, bool contrast);
// The inset shading alone, over a surface fill: for pressed buttons.
void paintInsetCapsule(QPainter &painter, const QRectF &shape);
void paintInsetCircle(QPainter &painter, const QRectF &shape);

// --- Shadow hosts ---------------------------------------------------------------
//
// Qt clips a widget's painting to its own rectangle, but Kelvo's shadows reach
// beyond the shapes that cast them. So a widget that paints a surface (a window
// background, a raised card, the HUD capsule) is a host: after its fill it paints
// the shadows of the casters inside it, and casters ask their host to repaint
// when their shadow changes.

class ShadowCaster {
public:
    virtual ~ShadowCaster() = default;
    // Paints the shadows in the caster's own coordinates (they may leave its rect).
    virtual void paintCastShadow(QPainter &painter) const = 0;
    // How far the shadows reach beyond the caster's rect.
    virtual int shadowReach() const = 0;
};

void markShadowHost(QWidget *host);
QWidget *shadowHostOf(const QWidget *widget);
// Paints the shadows of every visible caster whose nearest host is host; with an
// exposed rectangle (host coordinates), only those reaching into it.
void paintHostedShadows(QPainter &painter, QWidget *host, const QRect &exposed = {});
// Repaints the part of the host under caster's shadow.
void updateCastShadow(QWidget *caster);

} // namespace kelvo
