// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRectF>

// Kelvo's light palette. Every view takes its colours from here.
namespace kelvo::palette {

inline const QColor surface{236, 240, 247};
inline const QColor ink{29, 39, 69};
inline const QColor inkSecondary{86, 98, 128};
inline const QColor accent{29, 78, 216};
inline const QColor accentBright{45, 105, 250};
inline const QColor accentDeep{31, 85, 224};
inline const QColor dangerBright{255, 77, 84};
inline const QColor danger{211, 47, 55};
inline const QColor shadowDark{184, 193, 214};
inline const QColor highlight{255, 255, 255};
inline const QColor rim{195, 204, 224};
inline const QColor contrastEdge{107, 119, 148};

inline const QColor dangerGradientStart{216, 53, 62};
inline const QColor dangerGradientEnd{196, 42, 51};

inline QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// Top-leading to bottom-trailing corner of rect.
inline QLinearGradient diagonalGradient(const QRectF &rect, const QColor &from, const QColor &to)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

inline QLinearGradient blueGradient(const QRectF &rect)
{
    return diagonalGradient(rect, accentBright, accentDeep);
}

inline QLinearGradient dangerGradient(const QRectF &rect)
{
    return diagonalGradient(rect, dangerGradientStart, dangerGradientEnd);
}

} // namespace kelvo::palette
