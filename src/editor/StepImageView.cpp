#include "editor/StepImageView.h"

#include <QPainter>

namespace kelvo {

StepImageView::StepImageView(const QString &path, int maxPixel, ContentMode mode, QWidget *parent, ImageCache &cache)
    : QWidget(parent)
    , cache_(cache)
    , path_(path)
    , maxPixel_(maxPixel)
    , mode_(mode)
    , image_(cache.cachedImage(path, maxPixel))
{
}

void StepImageView::setPath(const QString &path)
{
    if (path == path_)
        return;
    path_ = path;
    loadStarted_ = false;
    ++generation_;
    if (isVisible())
        startLoad();
}

QSize StepImageView::sizeHint() const
{
    return mode_ == ContentMode::fill ? QSize(200, 125) : QSize(480, 300);
}

void StepImageView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!loadStarted_)
        startLoad();
}

void StepImageView::startLoad()
{
    loadStarted_ = true;
    const quint64 generation = ++generation_;
    cache_.loadImage(path_, maxPixel_, this, [this, generation](const std::optional<QImage> &image) {
        if (generation != generation_)
            return;
        image_ = image;
        update();
        emit imageChanged();
    });
}

void StepImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = rect();
    if (!image_ || image_->isNull()) {
        // The faintest fill of the light palette.
        painter.fillRect(frame, QColor(0, 0, 0, 13));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF imageSize = image_->size();
    const QSizeF drawn = imageSize.scaled(frame.size(), mode_ == ContentMode::fill ? Qt::KeepAspectRatioByExpanding
                                                                                  : Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), drawn);
    target.moveCenter(frame.center());
    if (mode_ == ContentMode::fill)
        painter.setClipRect(frame);
    painter.drawImage(target, *image_);
}

} // namespace kelvo
