// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ImageCache.h"

#include "store/GuideFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QMetaObject>
#include <QMutexLocker>
#include <QPointer>

#include <memory>

namespace kelvo {

ImageCache::ImageCache(qsizetype byteLimit)
    : cache_(byteLimit)
{
}

ImageCache::~ImageCache()
{
    pool_.waitForDone();
}

namespace {
std::unique_ptr<ImageCache> sharedInstance;

void releaseShared()
{
    sharedInstance.reset();
}
} // namespace

ImageCache &ImageCache::shared()
{
    if (!sharedInstance) {
        sharedInstance = std::make_unique<ImageCache>();
        // Its decoders post their results to the application object: the cache
        // (and its waiting for them) must end while that object still exists,
        // not among the static objects destroyed after main has returned.
        if (QCoreApplication::instance())
            qAddPostRoutine(&releaseShared);
    }
    return *sharedInstance;
}

QString ImageCache::key(const QString &path, int maxPixel)
{
    return path + QLatin1Char('#') + QString::number(maxPixel);
}

std::optional<QImage> ImageCache::cachedImage(const QString &path, int maxPixel) const
{
    const QMutexLocker lock(&mutex_);
    if (const QImage *image = cache_.object(key(path, maxPixel)))
        return *image;
    return std::nullopt;
}

void ImageCache::loadImage(const QString &path, int maxPixel, QObject *context, Done done)
{
    QPointer<QObject> receiver(context);
    // The hop goes through the application object, which outlives every view, and
    // the receiver is checked there: never from the decoding thread while it may be
    // in the middle of being destroyed.
    auto deliver = [receiver, done = std::move(done)](const std::optional<QImage> &image) {
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return; // no event loop to deliver to: nobody is waiting
        QMetaObject::invokeMethod(
            application,
            [receiver, done, image] {
                if (receiver)
                    done(image);
            },
            Qt::QueuedConnection);
    };
    if (auto cached = cachedImage(path, maxPixel)) {
        deliver(cached);
        return;
    }
    pool_.start([this, path, maxPixel, deliver = std::move(deliver)] {
        auto image = downsample(path, maxPixel);
        decodes_.fetch_add(1);
        if (image)
            insert(key(path, maxPixel), *image);
        deliver(image);
    });
}

std::optional<QImage> ImageCache::downsample(const QString &path, int maxPixel)
{
    // Read through the store's checks: never a link, pipe or device, never huge.
    auto bytes = guideFiles::readRegularFile(path, guideFiles::maxImageBytes);
    if (!bytes)
        return std::nullopt;
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    // The longer side is the same before and after the orientation turn. libjpeg
    // scales while decoding by 1/2, 1/4 or 1/8 only; below a halving, Qt's
    // scaled read is slower than a full decode and one smooth scale (below).
    if (stored.isValid() && maxPixel > 0 && std::max(stored.width(), stored.height()) >= 2 * maxPixel) {
        const QSize scaled = stored.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
        reader.setScaledSize(scaled.expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (maxPixel > 0 && std::max(image.width(), image.height()) > maxPixel)
        image = image.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void ImageCache::loadImageSize(const QString &path, QObject *context, std::function<void(QSize)> done)
{
    QPointer<QObject> receiver(context);
    pool_.start([path, receiver, done = std::move(done)] {
        QSize size;
        if (auto bytes = guideFiles::readRegularFile(path, guideFiles::maxImageBytes)) {
            QBuffer buffer(&*bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            reader.setAutoTransform(true);
            size = reader.size();
            if (reader.transformation() & QImageIOHandler::TransformationRotate90)
                size.transpose();
        }
        if (!size.isValid() || size.isEmpty())
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [receiver, done, size] {
                if (receiver)
                    done(size);
            },
            Qt::QueuedConnection);
    });
}

void ImageCache::insert(const QString &key, const QImage &image)
{
    const QMutexLocker lock(&mutex_);
    cache_.insert(key, new QImage(image), std::max<qsizetype>(image.sizeInBytes(), 1));
}

qsizetype ImageCache::byteCount() const
{
    const QMutexLocker lock(&mutex_);
    return cache_.totalCost();
}

qsizetype ImageCache::entryCount() const
{
    const QMutexLocker lock(&mutex_);
    return cache_.count();
}

} // namespace kelvo
