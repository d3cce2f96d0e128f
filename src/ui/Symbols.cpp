#include "ui/Widgets.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

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

void paintDrawnSymbol(QPainter &painter, const QString &name, const QRectF &b, const QColor &color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max<qreal>(1.3, b.width() * 0.11);
    const QPen pen(color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    auto at = [&](qreal x, qreal y) { return QPointF(b.left() + x * b.width(), b.top() + y * b.height()); };
    auto box = [&](qreal x0, qreal y0, qreal x1, qreal y1) { return QRectF(at(x0, y0), at(x1, y1)); };
    auto fill = [&] {
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
    };
    if (name == QLatin1String("list.number") || name == QLatin1String("line.3.horizontal")) {
        const bool numbered = name == QLatin1String("list.number");
        for (const qreal y : {0.22, 0.5, 0.78}) {
            painter.drawLine(at(numbered ? 0.38 : 0.1, y), at(0.9, y));
            if (numbered) {
                painter.save();
                fill();
                painter.drawEllipse(at(0.15, y), w * 0.9, w * 0.9);
                painter.restore();
            }
        }
    } else if (name == QLatin1String("record.circle")) {
        painter.drawEllipse(box(0.08, 0.08, 0.92, 0.92));
        fill();
        painter.drawEllipse(box(0.3, 0.3, 0.7, 0.7));
    } else if (name == QLatin1String("lock.fill")) {
        painter.drawArc(box(0.28, 0.08, 0.72, 0.62), 0, 180 * 16);
        painter.drawLine(at(0.28, 0.35), at(0.28, 0.45));
        painter.drawLine(at(0.72, 0.35), at(0.72, 0.45));
        fill();
        painter.drawRoundedRect(box(0.15, 0.42, 0.85, 0.95), w, w);
    } else if (name == QLatin1String("video") || name == QLatin1String("video.slash")) {
        painter.drawRoundedRect(box(0.06, 0.25, 0.68, 0.75), w, w);
        QPainterPath lens;
        lens.moveTo(at(0.68, 0.45));
        lens.lineTo(at(0.94, 0.3));
        lens.lineTo(at(0.94, 0.7));
        lens.lineTo(at(0.68, 0.55));
        painter.drawPath(lens);
        if (name == QLatin1String("video.slash"))
            painter.drawLine(at(0.1, 0.1), at(0.9, 0.9));
    } else if (name == QLatin1String("calendar")) {
        painter.drawRoundedRect(box(0.1, 0.18, 0.9, 0.9), w, w);
        painter.drawLine(at(0.1, 0.4), at(0.9, 0.4));
        painter.drawLine(at(0.32, 0.08), at(0.32, 0.25));
        painter.drawLine(at(0.68, 0.08), at(0.68, 0.25));
    } else if (name == QLatin1String("arrow.down.doc.fill")) {
        QPainterPath doc;
        doc.moveTo(at(0.18, 0.05));
        doc.lineTo(at(0.6, 0.05));
        doc.lineTo(at(0.82, 0.27));
        doc.lineTo(at(0.82, 0.95));
        doc.lineTo(at(0.18, 0.95));
        doc.closeSubpath();
        painter.fillPath(doc, color);
        painter.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.drawLine(at(0.5, 0.3), at(0.5, 0.75));
        const QPointF head[] = {at(0.34, 0.6), at(0.5, 0.76), at(0.66, 0.6)};
        painter.drawPolyline(head, 3);
    } else if (name == QLatin1String("square.and.arrow.up")) {
        const QPointF tray[] = {at(0.3, 0.42), at(0.15, 0.42), at(0.15, 0.95), at(0.85, 0.95), at(0.85, 0.42),
                                at(0.7, 0.42)};
        painter.drawPolyline(tray, 6);
        painter.drawLine(at(0.5, 0.05), at(0.5, 0.65));
        const QPointF head[] = {at(0.32, 0.22), at(0.5, 0.05), at(0.68, 0.22)};
        painter.drawPolyline(head, 3);
    } else if (name == QLatin1String("folder")) {
        QPainterPath folder;
        folder.moveTo(at(0.06, 0.2));
        folder.lineTo(at(0.38, 0.2));
        folder.lineTo(at(0.48, 0.3));
        folder.lineTo(at(0.94, 0.3));
        folder.lineTo(at(0.94, 0.85));
        folder.lineTo(at(0.06, 0.85));
        folder.closeSubpath();
        painter.drawPath(folder);
    } else if (name == QLatin1String("trash")) {
        painter.drawLine(at(0.1, 0.22), at(0.9, 0.22));
        painter.drawLine(at(0.38, 0.08), at(0.62, 0.08));
        const QPointF can[] = {at(0.2, 0.22), at(0.26, 0.94), at(0.74, 0.94), at(0.8, 0.22)};
        painter.drawPolyline(can, 4);
        painter.drawLine(at(0.42, 0.4), at(0.42, 0.76));
        painter.drawLine(at(0.58, 0.4), at(0.58, 0.76));
    } else if (name == QLatin1String("cursorarrow.click")) {
        QPainterPath arrow;
        arrow.moveTo(at(0.35, 0.3));
        arrow.lineTo(at(0.35, 0.95));
        arrow.lineTo(at(0.5, 0.8));
        arrow.lineTo(at(0.62, 0.98));
        arrow.lineTo(at(0.7, 0.93));
        arrow.lineTo(at(0.58, 0.76));
        arrow.lineTo(at(0.78, 0.74));
        arrow.closeSubpath();
        painter.drawPath(arrow);
        painter.drawLine(at(0.35, 0.05), at(0.35, 0.15));
        painter.drawLine(at(0.1, 0.3), at(0.2, 0.3));
        painter.drawLine(at(0.15, 0.1), at(0.22, 0.17));
        painter.drawLine(at(0.55, 0.1), at(0.48, 0.17));
    } else if (name == QLatin1String("chevron.up") || name == QLatin1String("chevron.down")) {
        const bool up = name == QLatin1String("chevron.up");
        const QPointF points[] = {at(0.15, up ? 0.68 : 0.32), at(0.5, up ? 0.3 : 0.7), at(0.85, up ? 0.68 : 0.32)};
        painter.drawPolyline(points, 3);
    } else if (name == QLatin1String("play.fill")) {
        fill();
        const QPointF points[] = {at(0.2, 0.08), at(0.9, 0.5), at(0.2, 0.92)};
        painter.drawPolygon(points, 3);
    } else if (name == QLatin1String("pause.fill")) {
        fill();
        painter.drawRoundedRect(box(0.18, 0.1, 0.4, 0.9), w * 0.5, w * 0.5);
        painter.drawRoundedRect(box(0.6, 0.1, 0.82, 0.9), w * 0.5, w * 0.5);
    } else if (name == QLatin1String("app.dashed")) {
        painter.setPen(QPen(color, w, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawRoundedRect(box(0.1, 0.1, 0.9, 0.9), b.width() * 0.22, b.width() * 0.22);
    } else if (name == QLatin1String("clock")) {
        painter.drawEllipse(box(0.08, 0.08, 0.92, 0.92));
        painter.drawLine(at(0.5, 0.5), at(0.5, 0.25));
        painter.drawLine(at(0.5, 0.5), at(0.68, 0.6));
    }
    painter.restore();
}

} // namespace kelvo
