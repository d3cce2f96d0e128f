// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QTest>
#include <QVBoxLayout>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvo {
namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value)
        : name_(name)
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { qunsetenv(name_); }

private:
    const char *name_;
};

struct TimestampCase {
    const char *name;
    double seconds;
    const char *expected;
};

class FormatTimestampTest : public ::testing::TestWithParam<TimestampCase> {};

TEST_P(FormatTimestampTest, FormatsMinutesAndSeconds)
{
    EXPECT_EQ(formatTimestamp(GetParam().seconds), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatTimestampTest,
    ::testing::Values(TimestampCase{"zero", 0, "0:00"}, TimestampCase{"justBelowHalf", 0.49, "0:00"},
                      TimestampCase{"halfRoundsUp", 0.5, "0:01"}, TimestampCase{"halfToNextMinute", 59.5, "1:00"},
                      TimestampCase{"fractionDown", 75.4, "1:15"}, TimestampCase{"hourStaysMinutes", 3600, "60:00"},
                      TimestampCase{"longRecording", 6001.2, "100:01"}, TimestampCase{"negative", -3, "0:00"},
                      TimestampCase{"smallNegative", -0.6, "0:00"},
                      TimestampCase{"notANumber", std::numeric_limits<double>::quiet_NaN(), "0:00"},
                      TimestampCase{"infinite", std::numeric_limits<double>::infinity(), "0:00"}),
    [](const auto &testInfo) { return std::string(testInfo.param.name); });

// The widget alone over transparent pixels (grab() would add the window background).
QImage renderAlone(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(Palette, NamedColoursHaveTheirValues)
{
    EXPECT_EQ(palette::surface.name(), "#ecf0f7");
    EXPECT_EQ(palette::ink.name(), "#1d2745");
    EXPECT_EQ(palette::inkSecondary.name(), "#566280");
    EXPECT_EQ(palette::accent.name(), "#1d4ed8");
    EXPECT_EQ(palette::accentBright.name(), "#2d69fa");
    EXPECT_EQ(palette::accentDeep.name(), "#1f55e0");
    EXPECT_EQ(palette::dangerBright.name(), "#ff4d54");
    EXPECT_EQ(palette::danger.name(), "#d32f37");
    EXPECT_EQ(palette::shadowDark.name(), "#b8c1d6");
    EXPECT_EQ(palette::highlight.name(), "#ffffff");
    EXPECT_EQ(palette::rim.name(), "#c3cce0");
    EXPECT_EQ(palette::contrastEdge.name(), "#6b7794");
}

// A raised card on a surface: the dark shadow falls to the bottom right, the white
// one to the top left, both outside the card's own rectangle.
TEST(SurfaceShadows, HostPaintsTheCardsTwoShadowsOutsideIt)
{
    NeuSurface surface;
    surface.resize(300, 300);
    auto *card = new NeuRaised(20, 1, &surface);
    card->setGeometry(100, 100, 100, 100);
    const QImage image = surface.grab().toImage();
    // Just outside the middle of the bottom and top edges.
    const QColor below = image.pixelColor(150, 203);
    const QColor above = image.pixelColor(150, 96);
    const QColor far = image.pixelColor(5, 5);
    EXPECT_EQ(far, palette::surface);
    EXPECT_LT(below.lightness(), palette::surface.lightness() - 10);
    EXPECT_GT(above.lightness(), palette::surface.lightness() + 3);
    EXPECT_EQ(image.pixelColor(150, 150), palette::surface);
}

// A surface that notes which parts of it were repainted.
class RepaintedSurface : public NeuSurface {
public:
    QRegion repainted;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        repainted += event->region();
        NeuSurface::paintEvent(event);
    }
};

// A card that hides, moves or shrinks leaves no shadow behind: the host repaints
// where its shadow was (the card's rect grown by the shadow's reach), also when
// the card goes with a container that holds it.
TEST(SurfaceShadows, HidingOrMovingACardRepaintsItsOldShadow)
{
    RepaintedSurface surface;
    surface.resize(400, 400);
    auto *card = new NeuRaised(20, 1, &surface);
    card->setGeometry(100, 100, 100, 100);
    auto *holder = new QWidget(&surface);
    holder->setGeometry(250, 250, 100, 100);
    auto *held = new NeuRaised(20, 1, holder);
    held->setGeometry(0, 0, 100, 100);
    surface.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&surface));
    const int reach = card->shadowReach();
    const QRect shadow = QRect(100, 100, 100, 100).adjusted(-reach, -reach, reach, reach);

    auto settle = [&] {
        surface.repainted = QRegion();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    };
    settle();
    card->move(150, 120);
    settle();
    EXPECT_TRUE(surface.repainted.contains(shadow)) << "moved";

    card->move(100, 100);
    card->resize(100, 100);
    settle();
    card->resize(60, 60);
    settle();
    EXPECT_TRUE(surface.repainted.contains(shadow)) << "shrunk";

    holder->hide();
    settle();
    EXPECT_TRUE(surface.repainted.contains(QRect(250, 250, 100, 100).adjusted(-reach, -reach, reach, reach)))
        << "hidden with its container";
}

TEST(SurfaceShadows, IncreasedContrastDrawsAnEdgeInsteadOfShadows)
{
    ScopedEnv contrast("KELVO_INCREASED_CONTRAST", "1");
    NeuSurface surface;
    surface.resize(300, 300);
    auto *card = new NeuRaised(20, 1, &surface);
    card->setGeometry(100, 100, 100, 100);
    const QImage image = surface.grab().toImage();
    EXPECT_EQ(image.pixelColor(150, 203), palette::surface);
    EXPECT_EQ(image.pixelColor(150, 96), palette::surface);
    // The 1.5-point inside border on the left edge, halfway down.
    const QColor edge = image.pixelColor(100, 150);
    EXPECT_LT(std::abs(edge.red() - palette::contrastEdge.red()), 40);
    EXPECT_LT(edge.lightness(), palette::surface.lightness() - 60);
}

TEST(NeuButton, SizeFollowsCompactPadding)
{
    NeuButton compact(QStringLiteral("Stop"), {NeuButtonStyle::Kind::danger, true, false});
    NeuButton regular(QStringLiteral("Stop"), {NeuButtonStyle::Kind::danger, false, false});
    const QFontMetricsF compactMetrics(compact.font());
    EXPECT_EQ(compact.font().pixelSize(), 13);
    EXPECT_EQ(regular.font().pixelSize(), 15);
    EXPECT_EQ(compact.sizeHint().width(), std::ceil(compactMetrics.horizontalAdvance("Stop")) + 28);
    EXPECT_EQ(compact.sizeHint().height(), std::ceil(compactMetrics.height()) + 16);
    EXPECT_EQ(regular.sizeHint().height(), std::ceil(QFontMetricsF(regular.font()).height()) + 24);
    NeuButton wide(QStringLiteral("Go"), {NeuButtonStyle::Kind::primary, false, true});
    EXPECT_EQ(wide.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(compact.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

TEST(NeuButton, PressAnimatesUnlessMotionIsReduced)
{
    {
        NeuButton button(QStringLiteral("Cancel"), {NeuButtonStyle::Kind::plain, true, false});
        emit button.pressed();
        EXPECT_LT(button.pressAmount(), 1.0); // on its way over 0.12 s
    }
    ScopedEnv reduced("KELVO_REDUCED_MOTION", "1");
    NeuButton button(QStringLiteral("Cancel"), {NeuButtonStyle::Kind::plain, true, false});
    emit button.pressed();
    EXPECT_EQ(button.pressAmount(), 1.0);
    emit button.released();
    EXPECT_EQ(button.pressAmount(), 0.0);
}

TEST(NeuButton, HoverFollowsThePointerAndIsImmediateWithReducedMotion)
{
    ScopedEnv reduced("KELVO_REDUCED_MOTION", "1");
    NeuButton button(QStringLiteral("Cancel"));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.hovering());
    EXPECT_EQ(button.hoverAmount(), 1.0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.hovering());
    EXPECT_EQ(button.hoverAmount(), 0.0);
}

TEST(NeuButton, DisabledIsHalfTransparentAndDoesNotBrighten)
{
    ScopedEnv reduced("KELVO_REDUCED_MOTION", "1");
    NeuButton button(QStringLiteral("Go"), {NeuButtonStyle::Kind::danger, true, false});
    button.resize(button.sizeHint());
    const QPoint inside(button.width() / 2, 3 * button.height() / 4);
    // A danger capsule over transparent: opaque when enabled, half transparent when not.
    const QColor enabled = renderAlone(button).pixelColor(inside);
    EXPECT_EQ(enabled.alpha(), 255);
    button.setEnabled(false);
    const QColor disabled = renderAlone(button).pixelColor(inside);
    EXPECT_NEAR(disabled.alpha(), 128, 2);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(renderAlone(button).pixelColor(inside), disabled);
}

TEST(NeuButton, HoverBrightensAnEnabledButton)
{
    ScopedEnv reduced("KELVO_REDUCED_MOTION", "1");
    NeuButton button(QStringLiteral("Go"), {NeuButtonStyle::Kind::plain, true, false});
    button.resize(button.sizeHint());
    const QPoint inside(4, button.height() / 2); // the fill left of the text
    const QColor before = renderAlone(button).pixelColor(inside);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    const QColor after = renderAlone(button).pixelColor(inside);
    EXPECT_EQ(before, palette::surface);
    EXPECT_NEAR(after.red() - before.red(), 10, 1);
}

TEST(NeuIconButton, DisabledIsAtFortyPercent)
{
    NeuIconButton button(QStringLiteral("checkmark"), QStringLiteral("Done"), {palette::accent, 34});
    EXPECT_EQ(button.size(), QSize(34, 34));
    EXPECT_EQ(button.accessibleName(), "Done");
    button.setEnabled(false);
    const QColor centreEdge = renderAlone(button).pixelColor(17, 30);
    EXPECT_NEAR(centreEdge.alpha(), 102, 2);
}

TEST(NumberBadge, FontAndAccessibleName)
{
    EXPECT_DOUBLE_EQ(NumberBadge::fontSize(34), 14.28);
    NumberBadge badge(7, 34);
    EXPECT_EQ(badge.size(), QSize(34, 34));
    EXPECT_EQ(badge.accessibleName(), "Step 7");
    badge.setNumber(12);
    EXPECT_EQ(badge.accessibleName(), "Step 12");
    // Equal digit widths, so two- and three-digit numbers line up.
    const QFontMetricsF metrics(styleFont(14.28, QFont::Bold));
    EXPECT_EQ(metrics.horizontalAdvance("11"), metrics.horizontalAdvance("88"));
}

TEST(Chip, PaddingAroundIconAndText)
{
    Chip chip(QStringLiteral("checkmark"), QStringLiteral("3 steps"), palette::accent);
    const QFontMetricsF metrics(chip.font());
    EXPECT_EQ(chip.sizeHint().width(), std::ceil(12 + 11 + 6 + metrics.horizontalAdvance("3 steps") + 12));
    Chip plain({}, QStringLiteral("1:15"), palette::inkSecondary);
    EXPECT_EQ(plain.sizeHint().width(), std::ceil(24 + QFontMetricsF(plain.font()).horizontalAdvance("1:15")));
}

} // namespace
} // namespace kelvo

namespace kelvo {
namespace {

// Large shadows are stretched from a small blurred template: the result must be
// symmetric, and the same all along the straight part of each edge.
TEST(SurfaceShadows, StretchedShadowIsSymmetricAndEvenAlongEdges)
{
    for (const QSizeF shape : {QSizeF(400, 300), QSizeF(60, 300), QSizeF(400, 33)}) {
        const QSize canvasSize(static_cast<int>(shape.width()) + 100, static_cast<int>(shape.height()) + 100);
        QImage canvas(canvasSize, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            paintShadow(painter, QRectF(QPointF(50, 50), shape), std::min(20.0, shape.height() / 2), Qt::black, 11, {});
        }
        const int w = canvas.width();
        const int h = canvas.height();
        for (int y = 0; y < h; y += 3) {
            for (int x = 0; x < w; x += 3) {
                const int a = qAlpha(canvas.pixel(x, y));
                ASSERT_NEAR(a, qAlpha(canvas.pixel(w - 1 - x, y)), 2) << shape.width() << "x" << shape.height() << " at " << x << "," << y;
                ASSERT_NEAR(a, qAlpha(canvas.pixel(x, h - 1 - y)), 2) << shape.width() << "x" << shape.height() << " at " << x << "," << y;
            }
        }
        if (shape.width() >= 400) {
            // Below the bottom edge: the same at a quarter and at the middle.
            for (int y = h - 50; y < h; ++y)
                EXPECT_EQ(qAlpha(canvas.pixel(w / 4 + 20, y)), qAlpha(canvas.pixel(w / 2, y)));
        }
        // Inside a large shape, far from its edges, the shadow is solid.
        if (shape.width() >= 400 && shape.height() >= 300) {
            EXPECT_EQ(qAlpha(canvas.pixel(w / 2, h / 2)), 255);
        }
    }
}

} // namespace
} // namespace kelvo
