// SPDX-License-Identifier: GPL-3.0-or-later
// Ends the application while the shared image cache is still decoding: the
// cache's decoders post to the application object, so the cache must end with
// it, not among the static objects destroyed after main returns.
//   kelvo_shared_cache_at_exit IMAGE...
// Exits 0 when the cache ended with the application (a cache asked for
// afterwards starts empty).
#include "store/ImageCache.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdio>

int main(int argc, char **argv)
{
    {
        QCoreApplication app(argc, argv);
        QObject receiver;
        for (const QString &path : QCoreApplication::arguments().mid(1)) {
            for (int size = 16; size < 56; ++size)
                kelvo::ImageCache::shared().loadImage(path, size, &receiver, [](const std::optional<QImage> &) {});
        }
    } // decodes are still running here
    const qsizetype left = kelvo::ImageCache::shared().entryCount();
    std::printf("entries after the application ended: %lld\n", static_cast<long long>(left));
    return left == 0 ? 0 : 1;
}
