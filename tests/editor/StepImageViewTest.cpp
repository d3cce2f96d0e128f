// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/StepImageView.h"

#include <QFile>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

class StepImageViewTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ImageCache cache;

    QString writeJpeg(const QString &name, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(QImageWriter(path, "jpeg").write(image));
        return path;
    }

    static bool waitForImage(StepImageView &view)
    {
        QSignalSpy spy(&view, &StepImageView::imageChanged);
        return spy.wait(30000);
    }
};

TEST_F(StepImageViewTest, ShowsThePlaceholderUntilTheImageArrives)
{
    const QString path = writeJpeg(QStringLiteral("step-1.jpg"), QSize(1600, 1000));
    StepImageView view(path, 200, StepImageView::ContentMode::fill, nullptr, cache);
    EXPECT_FALSE(view.hasImage());
    view.show();
    ASSERT_TRUE(waitForImage(view));
    ASSERT_TRUE(view.hasImage());
    EXPECT_EQ(view.image()->size(), QSize(200, 125));
    // Painting both states must not fail.
    EXPECT_FALSE(view.grab().isNull());
}

TEST_F(StepImageViewTest, CachedImageShowsAtOnce)
{
    const QString path = writeJpeg(QStringLiteral("step-1.jpg"), QSize(1600, 1000));
    {
        StepImageView first(path, 1600, StepImageView::ContentMode::fit, nullptr, cache);
        first.show();
        ASSERT_TRUE(waitForImage(first));
    }
    StepImageView second(path, 1600, StepImageView::ContentMode::fit, nullptr, cache);
    EXPECT_TRUE(second.hasImage());
}

TEST_F(StepImageViewTest, ReusedViewLoadsTheNewScreenshot)
{
    const QString first = writeJpeg(QStringLiteral("step-1.jpg"), QSize(1600, 1000));
    const QString second = writeJpeg(QStringLiteral("step-2.jpg"), QSize(1000, 1600));
    StepImageView view(first, 200, StepImageView::ContentMode::fit, nullptr, cache);
    view.show();
    ASSERT_TRUE(waitForImage(view));
    view.setPath(second);
    EXPECT_EQ(view.image()->size(), QSize(200, 125)); // the old one until the new arrives
    ASSERT_TRUE(waitForImage(view));
    EXPECT_EQ(view.image()->size(), QSize(125, 200));
}

TEST_F(StepImageViewTest, NonImageKeepsThePlaceholder)
{
    const QString path = dir.filePath(QStringLiteral("step-1.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text");
    file.close();
    StepImageView view(path, 200, StepImageView::ContentMode::fill, nullptr, cache);
    view.show();
    ASSERT_TRUE(waitForImage(view));
    EXPECT_FALSE(view.hasImage());
    EXPECT_FALSE(view.grab().isNull());
}

} // namespace
} // namespace kelvo
