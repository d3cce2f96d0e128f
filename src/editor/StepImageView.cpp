// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/StepImageView.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThreadPool>

#include <cmath>

namespace kelvo {

StepImageView::StepImageView(const QString &path, int maxPixel, ContentMode mode, QWidget *parent, ImageCache &cache)
    : QWidget(parent)
    , cache_(cache)
    , path_(path)
    , maxPixel_(maxPixel)
    , mode_(mode)
    , image_(cache.cachedImage(path, maxPixel))
    , decoded_(image_)
{
}

void StepImageView::setRecipe(const StepImageRecipe &recipe)
{
    if (recipe == recipe_)
        return;
    recipe_ = recipe;
    showDecoded(decoded_);
    if (image_)
        emit imageChanged(); // its shape may have changed
}

QSize StepImageView::storedSizeOf(const QImage &decoded) const
{
    // A decode smaller than asked for is the stored size. A scaled-down one came
    // from a picture at least maxPixel wide, where the marker grows with the
    // width: any wide stand-in gives the same region.
    const QSize size = decoded.size();
    if (std::max(size.width(), size.height()) < maxPixel_ || size.width() <= 0)
        return size;
    constexpr int wide = 2200;
    return QSize(wide, int(std::lround(double(size.height()) * wide / size.width())));
}

QRectF StepImageView::imageRect() const
{
    if (!image_ || image_->isNull())
        return {};
    const QSizeF drawn = QSizeF(image_->size()).scaled(
        QSizeF(size()), mode_ == ContentMode::fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), drawn);
    target.moveCenter(QRectF(rect()).center());
    return target;
}

NormalRect StepImageView::shownRegion() const
{
    if (!decoded_ || decoded_->isNull() || recipe_.leavesPictureAlone())
        return {0, 0, 1, 1};
    return recipe_.region(storedSizeOf(*decoded_));
}

void StepImageView::showDecoded(const std::optional<QImage> &decoded)
{
    decoded_ = decoded;
    if (decoded && !decoded->isNull())
        image_ = applyStepImageRecipe(*decoded, recipe_, storedSizeOf(*decoded));
    else
        image_ = decoded;
    update();
}

void StepImageView::setPath(const QString &path)
{
    if (path == path_)
        return;
    path_ = path;
    loadStarted_ = false;
    ++generation_;
    if (isVisible() && loadsWhenShown_)
        startLoad();
}

void StepImageView::setCornerRadius(qreal radius)
{
    cornerRadius_ = radius;
    update();
}

void StepImageView::load()
{
    if (!loadStarted_)
        startLoad();
}

void StepImageView::release()
{
    ++generation_;
    loadStarted_ = false;
    scaled_ = QPixmap();
    scaling_ = QSize();
    if (image_) {
        image_.reset();
        update();
    }
}

QSize StepImageView::sizeHint() const
{
    return mode_ == ContentMode::fill ? QSize(200, 125) : QSize(480, 300);
}

void StepImageView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!loadStarted_ && loadsWhenShown_)
        startLoad();
}

void StepImageView::startLoad()
{
    loadStarted_ = true;
    if (path_.isEmpty())
        return; // a name that never resolves: the placeholder stays
    // Cached already: no round trip through the pool, no flash of the placeholder.
    if (auto cached = cache_.cachedImage(path_, maxPixel_)) {
        ++generation_;
        showDecoded(cached);
        emit imageChanged();
        return;
    }
    const quint64 generation = ++generation_;
    cache_.loadImage(path_, maxPixel_, this, [this, generation](const std::optional<QImage> &image) {
        if (generation != generation_)
            return;
        showDecoded(image);
        emit imageChanged();
    });
}

void StepImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = rect();
    painter.setRenderHint(QPainter::Antialiasing);
    auto rounded = [&](const QRectF &shape) {
        QPainterPath path;
        path.addRoundedRect(shape, cornerRadius_, cornerRadius_);
        return path;
    };
    if (!image_ || image_->isNull()) {
        // The faintest fill of the light palette.
        if (cornerRadius_ > 0)
            painter.fillPath(rounded(frame), QColor(0, 0, 0, 13));
        else
            painter.fillRect(frame, QColor(0, 0, 0, 13));
        return;
    }
    const QSizeF imageSize = image_->size();
    const QSizeF drawn = imageSize.scaled(frame.size(), mode_ == ContentMode::fill ? Qt::KeepAspectRatioByExpanding
                                                                                  : Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), drawn);
    target.moveCenter(frame.center());
    if (cornerRadius_ > 0)
        painter.setClipPath(rounded(mode_ == ContentMode::fill ? frame : target));
    else if (mode_ == ContentMode::fill)
        painter.setClipRect(frame);
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (drawn * dpr).toSize();
    if (pixels.isEmpty())
        return;
    if (scaled_.size() == pixels && scaledKey_ == image_->cacheKey()) {
        painter.drawPixmap(target.topLeft(), scaled_);
        return;
    }
    if (image_->size() == pixels) {
        painter.drawImage(target, *image_);
        return;
    }
    scaleInBackground(pixels, dpr);
    // Meanwhile: the last smooth copy stretched (a resize), else a quick rough one.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!scaled_.isNull() && scaledKey_ == image_->cacheKey())
        painter.drawPixmap(target, scaled_, QRectF(scaled_.rect()));
    else
        painter.drawImage(target, *image_);
}

void StepImageView::scaleInBackground(QSize pixels, qreal dpr)
{
    if (scaling_ == pixels && scalingKey_ == image_->cacheKey())
        return; // already on its way
    scaling_ = pixels;
    scalingKey_ = image_->cacheKey();
    QPointer<StepImageView> self(this);
    QThreadPool::globalInstance()->start([self, source = *image_, pixels, dpr] {
        QImage scaled = source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return; // nobody left to show it
        QMetaObject::invokeMethod(application, [self, key = source.cacheKey(), scaled, dpr] {
            // Only for the image and size still wanted: a resize or a new image asks again.
            if (!self || self->scalingKey_ != key || self->scaling_ != scaled.size())
                return;
            self->scaled_ = QPixmap::fromImage(scaled);
            self->scaled_.setDevicePixelRatio(dpr);
            self->scaledKey_ = key;
            self->scaling_ = QSize();
            self->update();
        }, Qt::QueuedConnection);
    });
}

} // namespace kelvo
