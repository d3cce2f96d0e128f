// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/StepImagePipeline.h"
#include "store/ImageCache.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <optional>

namespace kelvo {

// Shows one screenshot through the image cache, with a faint placeholder until
// the decoded image arrives. An image already cached shows at once.
class StepImageView : public QWidget {
    Q_OBJECT
public:
    enum class ContentMode { fit, fill };

    StepImageView(const QString &path, int maxPixel, ContentMode mode, QWidget *parent = nullptr,
                  ImageCache &cache = ImageCache::shared());

    // Reuses the view for another screenshot: loads it, showing the old image
    // (or the placeholder) until it arrives.
    void setPath(const QString &path);
    const QString &path() const { return path_; }
    bool hasImage() const { return image_.has_value(); }
    // The picture as shown: framed and redacted by the recipe.
    const std::optional<QImage> &image() const { return image_; }

    // Frames and redacts the screenshot as every export does; shows it again at once.
    void setRecipe(const StepImageRecipe &recipe);
    const StepImageRecipe &recipe() const { return recipe_; }
    // Where the picture is drawn in the view (fit: letterboxed; fill: may overhang).
    QRectF imageRect() const;
    // The region of the stored picture the view shows, in fractions of it.
    NormalRect shownRegion() const;

    QSize sizeHint() const override;

    // Clips the drawn image (fit) or the frame (fill) to a rounded rectangle.
    void setCornerRadius(qreal radius);
    // Off: nothing loads when shown, only on load(); lists use this to decode
    // just the rows near the visible part.
    void setLoadsWhenShown(bool loads) { loadsWhenShown_ = loads; }
    void load();
    // Drops the image (the cache may keep it); a later load() brings it back.
    void release();
    bool isLoadStarted() const { return loadStarted_; }

signals:
    void imageChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void startLoad();
    void showDecoded(const std::optional<QImage> &decoded);
    QSize storedSizeOf(const QImage &decoded) const;

    ImageCache &cache_;
    QString path_;
    int maxPixel_;
    ContentMode mode_;
    std::optional<QImage> image_;
    std::optional<QImage> decoded_; // as the cache gave it, before the recipe
    StepImageRecipe recipe_;
    // Smooth scaling of a screenshot takes tens of milliseconds: it runs on a
    // worker, and until it is back a quick unsmoothed drawing stands in.
    void scaleInBackground(QSize pixels, qreal dpr);

    // The image scaled once to the size it is drawn at: repaints (scrolling) only blit.
    QPixmap scaled_;
    qint64 scaledKey_ = 0;
    QSize scaling_; // the size a worker is scaling to, for the image of scalingKey_
    qint64 scalingKey_ = 0;
    quint64 generation_ = 0; // results of older requests are dropped
    bool loadStarted_ = false;
    bool loadsWhenShown_ = true;
    qreal cornerRadius_ = 0;
};

} // namespace kelvo
