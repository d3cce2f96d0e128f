// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Label.h"

#include "ui/Style.h"

#include <QLabel>
#include <QPalette>

namespace kelvo {

QLabel *makeLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    return label;
}

QLabel *makeLabel(const QString &text, qreal size, QFont::Weight weight, const QColor &color, QWidget *parent)
{
    return makeLabel(text, styleFont(size, weight), color, parent);
}

} // namespace kelvo
