// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Framing.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

// Screenshots of a 1920 x 1080 display, stored as they were captured.
const QSize display(1920, 1080);
constexpr double closeUpWidth = 0.45 * 1920;
constexpr double closeUpHeight = closeUpWidth / 1.6;

Step clickAt(double x, double y, std::optional<NormalRect> frame = std::nullopt)
{
    Step step;
    step.clickX = x;
    step.clickY = y;
    step.windowFrame = frame;
    return step;
}

QRect pixels(Framing framing, const Step &step)
{
    return pixelRect(frameRegion(framing, display, step), display);
}

NormalRect inPixels(double x, double y, double w, double h)
{
    return {x / 1920, y / 1080, w / 1920, h / 1080};
}

TEST(FramingRules, StepOverridesGuideAndAbsentMeansWholeScreen)
{
    Guide guide;
    Step step;
    EXPECT_EQ(effectiveFraming(guide, step), Framing::wholeScreen);
    guide.framing = Framing::clickedWindow;
    EXPECT_EQ(effectiveFraming(guide, step), Framing::clickedWindow);
    step.framing = Framing::closeUp;
    EXPECT_EQ(effectiveFraming(guide, step), Framing::closeUp);
    step.framing = Framing::wholeScreen;
    EXPECT_EQ(effectiveFraming(guide, step), Framing::wholeScreen);
}

TEST(FramingRules, WholeScreenIsTheWholePicture)
{
    EXPECT_EQ(pixels(Framing::wholeScreen, clickAt(0.5, 0.5, inPixels(100, 100, 800, 600))),
              QRect(0, 0, 1920, 1080));
}

TEST(FramingRules, ClickedWindowAddsTwoPercentMarginClampedAtEveryEdge)
{
    const int margin = int(std::lround(0.02 * 1920)); // 38.4 px
    // In the middle: the frame plus the margin on all four sides.
    EXPECT_EQ(pixels(Framing::clickedWindow, clickAt(0.5, 0.5, inPixels(500, 200, 900, 700))),
              QRect(500 - margin, 200 - margin, 900 + 2 * margin, 700 + 2 * margin).adjusted(0, 0, 0, 0));
    // Touching the left and top edges.
    EXPECT_EQ(pixels(Framing::clickedWindow, clickAt(0.2, 0.2, inPixels(0, 0, 900, 700))),
              QRect(0, 0, 900 + margin, 700 + margin));
    // Touching the right and bottom edges.
    EXPECT_EQ(pixels(Framing::clickedWindow, clickAt(0.8, 0.8, inPixels(1020, 380, 900, 700))),
              QRect(1020 - margin, 380 - margin, 900 + margin, 700 + margin));
    // Larger than the display (a window hanging off every side): the display.
    EXPECT_EQ(pixels(Framing::clickedWindow, clickAt(0.5, 0.5, inPixels(-50, -50, 2100, 1200))),
              QRect(0, 0, 1920, 1080));
}

TEST(FramingRules, ClickedWindowWithoutFrameIsTheWholeScreen)
{
    EXPECT_EQ(pixels(Framing::clickedWindow, clickAt(0.3, 0.3)), QRect(0, 0, 1920, 1080));
}

TEST(FramingRules, TinyWindowsGrowToACloseUpAroundTheirCentre)
{
    const QRect rect = pixels(Framing::clickedWindow, clickAt(0.5, 0.5, inPixels(950, 530, 20, 20)));
    EXPECT_NEAR(rect.width(), closeUpWidth, 1);
    EXPECT_NEAR(rect.height(), closeUpHeight, 1);
    EXPECT_NEAR(rect.center().x(), 960, 1);
    EXPECT_NEAR(rect.center().y(), 540, 1);
    // A tiny window in a corner: grown, then moved onto the display.
    const QRect corner = pixels(Framing::clickedWindow, clickAt(0.999, 0.999, inPixels(1910, 1070, 10, 10)));
    EXPECT_EQ(corner.right(), 1919);
    EXPECT_EQ(corner.bottom(), 1079);
    EXPECT_NEAR(corner.width(), closeUpWidth, 1);
}

TEST(FramingRules, AClickOutsideItsWindowsFrameKeepsTheMarkerInView)
{
    // The frame is on the left; the click lands far to its right (a window that moved).
    const Step step = clickAt(0.75, 0.5, inPixels(100, 100, 900, 800));
    const QRect rect = pixels(Framing::clickedWindow, step);
    const double ring = markerOuterRadius(1920);
    EXPECT_TRUE(rect.contains(QRectF(1440 - ring, 540 - ring, 2 * ring, 2 * ring).toAlignedRect()));
    EXPECT_LE(rect.left(), 100 - 38);
    // A frame that lies wholly off the display: a close-up's worth around the click.
    const QRect off = pixels(Framing::clickedWindow, clickAt(0.5, 0.5, inPixels(3000, 100, 500, 500)));
    EXPECT_TRUE(off.contains(QPoint(960, 540)));
    EXPECT_NEAR(off.width(), closeUpWidth, 1);
}

TEST(FramingRules, MarkerRingStaysWhenTheClickIsAtTheWindowsEdge)
{
    // Small screenshot: the marker (radius 20 px) is larger than the margin (16 px).
    const QSize small(800, 600);
    Step step = clickAt(0.5, 100.0 / 600, NormalRect{0.25, 100.0 / 600, 0.5, 0.5});
    const QRect rect = pixelRect(frameRegion(Framing::clickedWindow, small, step), small);
    const double ring = markerOuterRadius(800);
    EXPECT_LE(rect.top(), 100 - ring);
}

TEST(FramingRules, CloseUpIs16By10AtFortyFivePercentCentredOnTheClick)
{
    const QRect middle = pixels(Framing::closeUp, clickAt(0.5, 0.5));
    EXPECT_EQ(middle, QRect(528, 270, 864, 540));
    EXPECT_DOUBLE_EQ(double(middle.width()) / middle.height(), 1.6);
}

TEST(FramingRules, CloseUpIsMovedNotShrunkAtEveryEdge)
{
    EXPECT_EQ(pixels(Framing::closeUp, clickAt(0, 0)), QRect(0, 0, 864, 540));
    EXPECT_EQ(pixels(Framing::closeUp, clickAt(0.9999, 0.9999)), QRect(1920 - 864, 1080 - 540, 864, 540));
    EXPECT_EQ(pixels(Framing::closeUp, clickAt(0, 0.9999)), QRect(0, 540, 864, 540));
    EXPECT_EQ(pixels(Framing::closeUp, clickAt(0.9999, 0)), QRect(1056, 0, 864, 540));
}

TEST(FramingRules, CloseUpOnAVeryWideDisplayKeepsItsAspect)
{
    const QSize wide(4000, 500);
    const QRect rect = pixelRect(frameRegion(Framing::closeUp, wide, clickAt(0.5, 0.5)), wide);
    EXPECT_EQ(rect.height(), 500);
    EXPECT_EQ(rect.width(), 800);
}

TEST(FramingRules, PixelRectsStayInsideAndRedactionsRoundOutwards)
{
    const QSize size(100, 50);
    EXPECT_EQ(pixelRect({-0.5, -0.5, 2, 2}, size), QRect(0, 0, 100, 50));
    EXPECT_EQ(pixelRect({1, 1, 0, 0}, size), QRect(99, 49, 1, 1));
    EXPECT_EQ(coveringPixelRect({0.105, 0.11, 0.1, 0.1}, size), QRect(10, 5, 11, 6));
    EXPECT_TRUE(coveringPixelRect({2, 2, 1, 1}, size).isEmpty());
    const NormalRect region{0.25, 0.5, 0.5, 0.5};
    const NormalRect inside{0.1, 0.2, 0.3, 0.4};
    const NormalRect back = toRegion(region, fromRegion(region, inside));
    EXPECT_NEAR(back.x, inside.x, 1e-12);
    EXPECT_NEAR(back.height, inside.height, 1e-12);
}

} // namespace
} // namespace kelvo
