// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/TitleField.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace kelvo {

TitleField::TitleField(QWidget *parent)
    : QLineEdit(parent)
{
}

QRect TitleField::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    area = area.marginsRemoved(margins);
    // QLineEdit's own two-pixel inner margin, so the text does not jump on focus.
    return area.adjusted(2, 0, -2, 0);
}

QString TitleField::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, textArea().width()));
}

void TitleField::paintEvent(QPaintEvent *event)
{
    if (hasFocus() || text().isEmpty()) {
        QLineEdit::paintEvent(event);
        return;
    }
    // Frameless on a clear background: the text is all there is to draw.
    QPainter painter(this);
    painter.setPen(palette::ink);
    painter.setFont(font());
    painter.drawText(textArea(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

void TitleField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    setCursorPosition(0);
}

} // namespace kelvo
