// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ImageCache.h"

#include <QEventLoop>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

class ImageCacheTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QObject receiver;

    QString writeJpeg(const QString &name, QSize size, QImageIOHandler::Transformations transformation = {})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(30, 120, 200));
        const QString path = dir.filePath(name);
        QImageWriter writer(path, "jpeg");
        writer.setTransformation(transformation);
        EXPECT_TRUE(writer.write(image));
        return path;
    }

    // Waits for the callback on the event loop; the timeout only keeps a broken
    // build from hanging.
    std::optional<QImage> load(ImageCache &cache, const QString &path, int maxPixel)
    {
        std::optional<QImage> result;
        QEventLoop loop;
        bool called = false;
        cache.loadImage(path, maxPixel, &receiver, [&](const std::optional<QImage> &image) {
            result = image;
            called = true;
            loop.quit();
        });
        if (!called) {
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        EXPECT_TRUE(called);
        return result;
    }
};

TEST_F(ImageCacheTest, KeysArePathHashSize)
{
    EXPECT_EQ(ImageCache::key(QStringLiteral("/a/step-1.jpg"), 200).toStdString(), "/a/step-1.jpg#200");
}

TEST_F(ImageCacheTest, TwoSizesAreTwoDecodesAndTwoEntries)
{
    ImageCache cache;
    const QString path = writeJpeg(QStringLiteral("step-1.jpg"), QSize(2200, 1238));
    EXPECT_FALSE(cache.cachedImage(path, 200));
    const auto small = load(cache, path, 200);
    const auto large = load(cache, path, 1600);
    ASSERT_TRUE(small && large);
    EXPECT_EQ(small->size(), QSize(200, 112));
    EXPECT_EQ(large->size(), QSize(1600, 900));
    EXPECT_EQ(cache.decodeCount(), 2);
    EXPECT_EQ(cache.entryCount(), 2);
    // Served from memory from now on, even once the file is gone.
    QFile::remove(path);
    EXPECT_TRUE(load(cache, path, 200));
    EXPECT_EQ(cache.decodeCount(), 2);
    ASSERT_TRUE(cache.cachedImage(path, 1600));
    EXPECT_EQ(cache.cachedImage(path, 1600)->size(), QSize(1600, 900));
}

TEST_F(ImageCacheTest, PortraitComesBackAtMostTheSizeHighAndNarrower)
{
    ImageCache cache;
    const auto image = load(cache, writeJpeg(QStringLiteral("tall.jpg"), QSize(900, 1600)), 200);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->height(), 200);
    EXPECT_LT(image->width(), 200);
}

TEST_F(ImageCacheTest, OrientationIsApplied)
{
    const QString path = writeJpeg(QStringLiteral("turned.jpg"), QSize(1600, 900), QImageIOHandler::TransformationRotate90);
    const auto image = ImageCache::downsample(path, 200);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(112, 200));
}

TEST_F(ImageCacheTest, SmallImagesAreNotEnlarged)
{
    const auto image = ImageCache::downsample(writeJpeg(QStringLiteral("small.jpg"), QSize(120, 80)), 200);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(120, 80));
}

TEST_F(ImageCacheTest, NonImagesGiveNothingAndAreTriedAgain)
{
    ImageCache cache;
    const QString path = dir.filePath(QStringLiteral("step-1.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("certainly not a JPEG");
    file.close();
    EXPECT_FALSE(load(cache, path, 200));
    EXPECT_FALSE(load(cache, path, 200));
    EXPECT_EQ(cache.decodeCount(), 2);
    EXPECT_EQ(cache.entryCount(), 0);
    EXPECT_FALSE(load(cache, dir.filePath(QStringLiteral("missing.jpg")), 200));
    // Once the file becomes an image it loads.
    writeJpeg(QStringLiteral("step-1.jpg"), QSize(400, 300));
    EXPECT_TRUE(load(cache, path, 200));
}

TEST_F(ImageCacheTest, BoundedByBytesDroppingTheLeastRecentlyUsed)
{
    // Each 200 x 112 RGB32 thumbnail holds 89,600 bytes; room for two.
    ImageCache cache(2 * 89600 + 100);
    const QString a = writeJpeg(QStringLiteral("a.jpg"), QSize(2200, 1238));
    const QString b = writeJpeg(QStringLiteral("b.jpg"), QSize(2200, 1238));
    const QString c = writeJpeg(QStringLiteral("c.jpg"), QSize(2200, 1238));
    ASSERT_TRUE(load(cache, a, 200));
    ASSERT_TRUE(load(cache, b, 200));
    EXPECT_TRUE(cache.cachedImage(a, 200)); // a is now the most recent
    ASSERT_TRUE(load(cache, c, 200));
    EXPECT_TRUE(cache.cachedImage(a, 200));
    EXPECT_FALSE(cache.cachedImage(b, 200));
    EXPECT_TRUE(cache.cachedImage(c, 200));
    EXPECT_LE(cache.byteCount(), 2 * 89600 + 100);
    EXPECT_EQ(ImageCache::defaultByteLimit, 33554432);
}

TEST_F(ImageCacheTest, NoCallbackOnceTheReceiverIsGone)
{
    ImageCache cache;
    const QString path = writeJpeg(QStringLiteral("a.jpg"), QSize(800, 600));
    bool called = false;
    {
        QObject gone;
        cache.loadImage(path, 200, &gone, [&](const std::optional<QImage> &) { called = true; });
    }
    // A second request on a live receiver runs after the first finished decoding.
    EXPECT_TRUE(load(cache, path, 200));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST_F(ImageCacheTest, TheSharedCacheEndsWithTheApplication)
{
    QStringList arguments;
    for (int i = 0; i < 3; ++i)
        arguments << writeJpeg(QStringLiteral("shot-%1.jpg").arg(i), QSize(1600, 1000));
    QProcess helper;
    helper.start(QStringLiteral(KELVO_SHARED_CACHE_AT_EXIT), arguments);
    ASSERT_TRUE(helper.waitForFinished(60000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << "crashed at exit";
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardOutput().toStdString();
    EXPECT_EQ(helper.readAllStandardError(), QByteArray()) << "no warnings at exit";
}

} // namespace
} // namespace kelvo
