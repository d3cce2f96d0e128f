// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hud/KeyboardSymbol.h"

#include <QPainter>

namespace kelvo {

KeyboardSymbol::KeyboardSymbol(const QColor &color, QWidget *parent) : QWidget(parent), color_(color)
{
    setFixedSize(sizeHint());
    setToolTip(QStringLiteral("Typing and shortcuts are recorded; passwords never are"));
    setAccessibleName(QStringLiteral("Recording typing and shortcuts"));
}

void KeyboardSymbol::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    painter.setPen(QPen(color_, 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(body, 2.5, 2.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    // Two rows of keys and a space bar.
    const qreal key = 2.0;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column)
            painter.drawRect(QRectF(3.5 + column * 2.8, 3.0 + row * 2.9, key, key));
    }
    painter.drawRect(QRectF(6.0, 9.2, 8.0, 1.8));
}

} // namespace kelvo
