// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Widgets.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <initializer_list>

namespace kelvo {

SymbolView::SymbolView(const QString &name, qreal size, const QColor &color, QWidget *parent)
    : QWidget(parent)
    , name_(name)
    , size_(size)
    , color_(color)
{
    setFixedSize(sizeHint());
}

QSize SymbolView::sizeHint() const
{
    const int s = static_cast<int>(std::ceil(size_));
    return {s, s};
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintSymbol(painter, name_, QRectF(0, 0, size_, size_), color_);
}

QString themeSymbolName(const QString &symbol)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("list.number"), QStringLiteral("view-list-ordered-symbolic")},
        {QStringLiteral("record.circle"), QStringLiteral("media-record-symbolic")},
        {QStringLiteral("lock.fill"), QStringLiteral("changes-prevent-symbolic")},
        {QStringLiteral("video"), QStringLiteral("camera-video-symbolic")},
        {QStringLiteral("video.slash"), QStringLiteral("camera-disabled-symbolic")},
        {QStringLiteral("calendar"), QStringLiteral("x-office-calendar-symbolic")},
        {QStringLiteral("arrow.down.doc.fill"), QStringLiteral("document-save-symbolic")},
        {QStringLiteral("square.and.arrow.up"), QStringLiteral("send-to-symbolic")},
        {QStringLiteral("folder"), QStringLiteral("folder-symbolic")},
        {QStringLiteral("trash"), QStringLiteral("user-trash-symbolic")},
        {QStringLiteral("cursorarrow.click"), QStringLiteral("input-mouse-symbolic")},
        {QStringLiteral("chevron.up"), QStringLiteral("go-up-symbolic")},
        {QStringLiteral("chevron.down"), QStringLiteral("go-down-symbolic")},
        {QStringLiteral("play.fill"), QStringLiteral("media-playback-start-symbolic")},
        {QStringLiteral("pause.fill"), QStringLiteral("media-playback-pause-symbolic")},
        {QStringLiteral("line.3.horizontal"), QStringLiteral("open-menu-symbolic")},
        {QStringLiteral("app.dashed"), QStringLiteral("application-x-executable-symbolic")},
        {QStringLiteral("clock"), QStringLiteral("document-open-recent-symbolic")},
    };
    return names.value(symbol, symbol);
}

namespace {

// What every drawn symbol uses: its box, its pen and the point at fractions of the box.
struct SymbolCanvas {
    QPainter &painter;
    const QRectF &b;
    const QColor &color;
    qreal w; // the line width

    QPointF at(qreal x, qreal y) const { return QPointF(b.left() + x * b.width(), b.top() + y * b.height()); }
    QRectF box(qreal x0, qreal y0, qreal x1, qreal y1) const { return QRectF(at(x0, y0), at(x1, y1)); }
    void fill() const
    {
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
    }
    QPainterPath path(std::initializer_list<QPointF> points) const
    {
        QPainterPath shape;
        shape.moveTo(*points.begin());
        for (auto p = points.begin() + 1; p != points.end(); ++p)
            shape.lineTo(*p);
        shape.closeSubpath();
        return shape;
    }
};

void drawLines(const SymbolCanvas &c, bool numbered)
{
    for (const qreal y : {0.22, 0.5, 0.78}) {
        c.painter.drawLine(c.at(numbered ? 0.38 : 0.1, y), c.at(0.9, y));
        if (numbered) {
            c.painter.save();
            c.fill();
            c.painter.drawEllipse(c.at(0.15, y), c.w * 0.9, c.w * 0.9);
            c.painter.restore();
        }
    }
}

void drawRecord(const SymbolCanvas &c)
{
    c.painter.drawEllipse(c.box(0.08, 0.08, 0.92, 0.92));
    c.fill();
    c.painter.drawEllipse(c.box(0.3, 0.3, 0.7, 0.7));
}

void drawLock(const SymbolCanvas &c)
{
    c.painter.drawArc(c.box(0.28, 0.08, 0.72, 0.62), 0, 180 * 16);
    c.painter.drawLine(c.at(0.28, 0.35), c.at(0.28, 0.45));
    c.painter.drawLine(c.at(0.72, 0.35), c.at(0.72, 0.45));
    c.fill();
    c.painter.drawRoundedRect(c.box(0.15, 0.42, 0.85, 0.95), c.w, c.w);
}

void drawVideo(const SymbolCanvas &c, bool slashed)
{
    c.painter.drawRoundedRect(c.box(0.06, 0.25, 0.68, 0.75), c.w, c.w);
    QPainterPath lens;
    lens.moveTo(c.at(0.68, 0.45));
    lens.lineTo(c.at(0.94, 0.3));
    lens.lineTo(c.at(0.94, 0.7));
    lens.lineTo(c.at(0.68, 0.55));
    c.painter.drawPath(lens);
    if (slashed)
        c.painter.drawLine(c.at(0.1, 0.1), c.at(0.9, 0.9));
}

void drawCalendar(const SymbolCanvas &c)
{
    c.painter.drawRoundedRect(c.box(0.1, 0.18, 0.9, 0.9), c.w, c.w);
    c.painter.drawLine(c.at(0.1, 0.4), c.at(0.9, 0.4));
    c.painter.drawLine(c.at(0.32, 0.08), c.at(0.32, 0.25));
    c.painter.drawLine(c.at(0.68, 0.08), c.at(0.68, 0.25));
}

void drawSaveDocument(const SymbolCanvas &c)
{
    c.painter.fillPath(c.path({c.at(0.18, 0.05), c.at(0.6, 0.05), c.at(0.82, 0.27), c.at(0.82, 0.95),
                               c.at(0.18, 0.95)}),
                       c.color);
    c.painter.setPen(QPen(Qt::white, c.w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    c.painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    c.painter.drawLine(c.at(0.5, 0.3), c.at(0.5, 0.75));
    const QPointF head[] = {c.at(0.34, 0.6), c.at(0.5, 0.76), c.at(0.66, 0.6)};
    c.painter.drawPolyline(head, 3);
}

void drawShare(const SymbolCanvas &c)
{
    const QPointF tray[] = {c.at(0.3, 0.42), c.at(0.15, 0.42), c.at(0.15, 0.95), c.at(0.85, 0.95), c.at(0.85, 0.42),
                            c.at(0.7, 0.42)};
    c.painter.drawPolyline(tray, 6);
    c.painter.drawLine(c.at(0.5, 0.05), c.at(0.5, 0.65));
    const QPointF head[] = {c.at(0.32, 0.22), c.at(0.5, 0.05), c.at(0.68, 0.22)};
    c.painter.drawPolyline(head, 3);
}

void drawFolder(const SymbolCanvas &c)
{
    c.painter.drawPath(c.path({c.at(0.06, 0.2), c.at(0.38, 0.2), c.at(0.48, 0.3), c.at(0.94, 0.3), c.at(0.94, 0.85),
                               c.at(0.06, 0.85)}));
}

void drawTrash(const SymbolCanvas &c)
{
    c.painter.drawLine(c.at(0.1, 0.22), c.at(0.9, 0.22));
    c.painter.drawLine(c.at(0.38, 0.08), c.at(0.62, 0.08));
    const QPointF can[] = {c.at(0.2, 0.22), c.at(0.26, 0.94), c.at(0.74, 0.94), c.at(0.8, 0.22)};
    c.painter.drawPolyline(can, 4);
    c.painter.drawLine(c.at(0.42, 0.4), c.at(0.42, 0.76));
    c.painter.drawLine(c.at(0.58, 0.4), c.at(0.58, 0.76));
}

void drawClick(const SymbolCanvas &c)
{
    c.painter.drawPath(c.path({c.at(0.35, 0.3), c.at(0.35, 0.95), c.at(0.5, 0.8), c.at(0.62, 0.98), c.at(0.7, 0.93),
                               c.at(0.58, 0.76), c.at(0.78, 0.74)}));
    c.painter.drawLine(c.at(0.35, 0.05), c.at(0.35, 0.15));
    c.painter.drawLine(c.at(0.1, 0.3), c.at(0.2, 0.3));
    c.painter.drawLine(c.at(0.15, 0.1), c.at(0.22, 0.17));
    c.painter.drawLine(c.at(0.55, 0.1), c.at(0.48, 0.17));
}

void drawChevron(const SymbolCanvas &c, bool up)
{
    const QPointF points[] = {c.at(0.15, up ? 0.68 : 0.32), c.at(0.5, up ? 0.3 : 0.7), c.at(0.85, up ? 0.68 : 0.32)};
    c.painter.drawPolyline(points, 3);
}

void drawPlay(const SymbolCanvas &c)
{
    c.fill();
    const QPointF points[] = {c.at(0.2, 0.08), c.at(0.9, 0.5), c.at(0.2, 0.92)};
    c.painter.drawPolygon(points, 3);
}

void drawPause(const SymbolCanvas &c)
{
    c.fill();
    c.painter.drawRoundedRect(c.box(0.18, 0.1, 0.4, 0.9), c.w * 0.5, c.w * 0.5);
    c.painter.drawRoundedRect(c.box(0.6, 0.1, 0.82, 0.9), c.w * 0.5, c.w * 0.5);
}

void drawApplication(const SymbolCanvas &c)
{
    c.painter.setPen(QPen(c.color, c.w, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
    c.painter.drawRoundedRect(c.box(0.1, 0.1, 0.9, 0.9), c.b.width() * 0.22, c.b.width() * 0.22);
}

void drawClock(const SymbolCanvas &c)
{
    c.painter.drawEllipse(c.box(0.08, 0.08, 0.92, 0.92));
    c.painter.drawLine(c.at(0.5, 0.5), c.at(0.5, 0.25));
    c.painter.drawLine(c.at(0.5, 0.5), c.at(0.68, 0.6));
}

using SymbolDrawing = std::function<void(const SymbolCanvas &)>;

const QHash<QString, SymbolDrawing> &symbolDrawings()
{
    static const QHash<QString, SymbolDrawing> drawings{
        {QStringLiteral("list.number"), [](const SymbolCanvas &c) { drawLines(c, true); }},
        {QStringLiteral("line.3.horizontal"), [](const SymbolCanvas &c) { drawLines(c, false); }},
        {QStringLiteral("record.circle"), drawRecord},
        {QStringLiteral("lock.fill"), drawLock},
        {QStringLiteral("video"), [](const SymbolCanvas &c) { drawVideo(c, false); }},
        {QStringLiteral("video.slash"), [](const SymbolCanvas &c) { drawVideo(c, true); }},
        {QStringLiteral("calendar"), drawCalendar},
        {QStringLiteral("arrow.down.doc.fill"), drawSaveDocument},
        {QStringLiteral("square.and.arrow.up"), drawShare},
        {QStringLiteral("folder"), drawFolder},
        {QStringLiteral("trash"), drawTrash},
        {QStringLiteral("cursorarrow.click"), drawClick},
        {QStringLiteral("chevron.up"), [](const SymbolCanvas &c) { drawChevron(c, true); }},
        {QStringLiteral("chevron.down"), [](const SymbolCanvas &c) { drawChevron(c, false); }},
        {QStringLiteral("play.fill"), drawPlay},
        {QStringLiteral("pause.fill"), drawPause},
        {QStringLiteral("app.dashed"), drawApplication},
        {QStringLiteral("clock"), drawClock},
    };
    return drawings;
}

} // namespace

void paintDrawnSymbol(QPainter &painter, const QString &name, const QRectF &b, const QColor &color)
{
    const auto drawing = symbolDrawings().constFind(name);
    if (drawing == symbolDrawings().constEnd())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max<qreal>(1.3, b.width() * 0.11);
    painter.setPen(QPen(color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    (*drawing)(SymbolCanvas{painter, b, color, w});
    painter.restore();
}

} // namespace kelvo
