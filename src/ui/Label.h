// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

class QColor;
class QLabel;
class QString;
class QWidget;

namespace kelvo {

// A label in the given font and text colour.
QLabel *makeLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent);
// The same in the style's font of that size and weight.
QLabel *makeLabel(const QString &text, qreal size, QFont::Weight weight, const QColor &color, QWidget *parent);

} // namespace kelvo
