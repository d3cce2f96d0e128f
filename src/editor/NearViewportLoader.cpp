// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/NearViewportLoader.h"

#include "editor/StepImageView.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace kelvo {

NearViewportLoader::NearViewportLoader(QScrollArea *area, std::function<QList<StepImageView *>()> views,
                                       QObject *parent)
    : QObject(parent)
    , area_(area)
    , views_(std::move(views))
{
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &NearViewportLoader::scheduleRefresh);
    connect(area->verticalScrollBar(), &QScrollBar::rangeChanged, this, &NearViewportLoader::scheduleRefresh);
    area->viewport()->installEventFilter(this);
}

bool NearViewportLoader::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
        scheduleRefresh();
    return QObject::eventFilter(watched, event);
}

void NearViewportLoader::scheduleRefresh()
{
    if (scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, [this] {
        scheduled_ = false;
        refresh();
    }, Qt::QueuedConnection);
}

void NearViewportLoader::refresh()
{
    if (!area_ || !area_->widget() || !area_->isVisible())
        return;
    QWidget *content = area_->widget();
    const int height = area_->viewport()->height();
    const int top = -content->y();
    const int loadTop = top - height;
    const int loadBottom = top + 2 * height;
    const int keepTop = top - 3 * height;
    const int keepBottom = top + 4 * height;
    for (StepImageView *view : views_()) {
        if (!view)
            continue;
        const int y = view->mapTo(content, QPoint(0, 0)).y();
        const int bottom = y + view->height();
        if (bottom >= loadTop && y <= loadBottom)
            view->load();
        else if (bottom < keepTop || y > keepBottom)
            view->release();
    }
}

} // namespace kelvo
