// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <optional>

namespace kelvo {

// Screenshots decoded once per requested size, already scaled down, off the main
// thread. Linux has no purgeable memory, so the cache is bounded by the bytes of
// its images and drops the least recently used first.
class ImageCache {
public:
    // About six screenshots at 1600 pixels: the rows near the viewport hold
    // their own images, the cache only spares decodes when scrolling back; what
    // it keeps of a long guide stays resident after switching to a short one.
    static constexpr qsizetype defaultByteLimit = qsizetype(32) * 1024 * 1024;

    explicit ImageCache(qsizetype byteLimit = defaultByteLimit);
    // Waits for decodes still running.
    ~ImageCache();
    ImageCache(const ImageCache &) = delete;
    ImageCache &operator=(const ImageCache &) = delete;

    // The application's one cache, created on first use and ended with the
    // application object (before it is gone).
    static ImageCache &shared();

    // "path#maxPixel".
    static QString key(const QString &path, int maxPixel);

    // The cached image for the key, or nothing. Never decodes.
    std::optional<QImage> cachedImage(const QString &path, int maxPixel) const;

    // The image for the key, decoded and cached when needed on a background
    // thread; done runs on the main thread (where context lives), and not at all
    // once context is gone.
    // Failures give nothing and are not cached.
    using Done = std::function<void(const std::optional<QImage> &)>;
    void loadImage(const QString &path, int maxPixel, QObject *context, Done done);

    // The image's displayed size from its header, read on a background thread;
    // done runs on the main thread, not at all for unreadable files or once
    // context is gone.
    void loadImageSize(const QString &path, QObject *context, std::function<void(QSize)> done);

    // Decodes the file at its longer side at most maxPixel (libjpeg scales while
    // decoding), with its orientation applied. Nothing for unreadable files.
    static std::optional<QImage> downsample(const QString &path, int maxPixel);

    qsizetype byteCount() const;
    qsizetype entryCount() const;
    int decodeCount() const { return decodes_.load(); }

private:
    void insert(const QString &key, const QImage &image);

    mutable QMutex mutex_;
    mutable QCache<QString, QImage> cache_; // lookups refresh recency
    QThreadPool pool_;
    std::atomic<int> decodes_{0};
};

} // namespace kelvo
