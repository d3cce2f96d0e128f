// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingSession.h"

#include <QImage>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

QImage decode(const QByteArray &jpeg)
{
    return QImage::fromData(jpeg, "JPEG");
}

QImage grey(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image;
}

bool isRed(const QColor &c)
{
    return c.red() > 200 && c.green() < 120 && c.blue() < 120;
}

bool isWhite(const QColor &c)
{
    return c.red() > 220 && c.green() > 220 && c.blue() > 220;
}

struct SizeCase {
    QSize frame;
    QSize expected;
    double radius;
};

class StepImageSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(StepImageSize, ScalesDownToTheWidestWidthAndSizesTheMarker)
{
    const SizeCase &c = GetParam();
    const auto jpeg = renderStepImage(0.5, 0.5, grey(c.frame.width(), c.frame.height()), 2200);
    ASSERT_TRUE(jpeg);
    const QImage image = decode(*jpeg);
    EXPECT_EQ(image.size(), c.expected);
    // The red ring lies at the radius; the white ring just outside it.
    const int cx = c.expected.width() / 2, cy = c.expected.height() / 2;
    EXPECT_TRUE(isRed(image.pixelColor(cx + int(std::lround(c.radius)), cy)));
    EXPECT_TRUE(isWhite(image.pixelColor(cx + int(std::lround(c.radius * 1.12)), cy)));
    EXPECT_FALSE(isRed(image.pixelColor(cx + int(std::lround(c.radius * 1.4)), cy)));
}

INSTANTIATE_TEST_SUITE_P(Frames, StepImageSize,
                         ::testing::Values(SizeCase{{5120, 2880}, {2200, 1238}, 28.6},
                                           SizeCase{{1280, 800}, {1280, 800}, 20},
                                           SizeCase{{1920, 1080}, {1920, 1080}, 24.96},
                                           SizeCase{{2201, 3}, {2200, 3}, 28.6}));

TEST(StepImage, MarkerSitsAtTheClickFromTheTopLeft)
{
    const auto jpeg = renderStepImage(0.25, 0.1, grey(1000, 1000), 2200);
    ASSERT_TRUE(jpeg);
    const QImage image = decode(*jpeg);
    EXPECT_TRUE(isRed(image.pixelColor(250 + 20, 100)));
    EXPECT_FALSE(isRed(image.pixelColor(250 + 20, 900)));
}

TEST(StepImage, TinyAndEmptyFrames)
{
    EXPECT_FALSE(renderStepImage(0.5, 0.5, QImage(), 2200));
    const auto jpeg = renderStepImage(0.5, 0.5, grey(1, 1), 2200);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(decode(*jpeg).size(), QSize(1, 1));
    const auto thin = renderStepImage(0.5, 0.5, grey(44000, 10), 2200);
    ASSERT_TRUE(thin);
    EXPECT_EQ(decode(*thin).size(), QSize(2200, 1)) << "at least one pixel high";
}

} // namespace
} // namespace kelvo
