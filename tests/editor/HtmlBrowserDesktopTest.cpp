// SPDX-License-Identifier: GPL-3.0-or-later
// The exported HTML page as Firefox ESR draws it, on a phone's width and a wide
// window, light and dark: not blank, the first screenshot in view and whole.
#include "editor/export/GuideExport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QUrl>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

struct Shot {
    QImage image;
    QString error;
};

// Firefox in headless mode with a fresh profile; it exits once the screenshot is written.
Shot firefoxScreenshot(const QString &page, int width, bool dark)
{
    QTemporaryDir profile;
    {
        QFile prefs(profile.filePath(QStringLiteral("user.js")));
        if (!prefs.open(QIODevice::WriteOnly))
            return {{}, QStringLiteral("no profile")};
        prefs.write(QStringLiteral("user_pref(\"ui.systemUsesDarkTheme\", %1);\n"
                                   "user_pref(\"layout.css.prefers-color-scheme.content-override\", %2);\n")
                        .arg(dark ? 1 : 0)
                        .arg(dark ? 0 : 1)
                        .toUtf8());
    }
    const QString png = profile.filePath(QStringLiteral("shot.png"));
    QProcess firefox;
    firefox.start(QStringLiteral("firefox-esr"),
                  {QStringLiteral("--headless"), QStringLiteral("--no-remote"), QStringLiteral("--profile"),
                   profile.path(), QStringLiteral("--window-size=%1,1400").arg(width), QStringLiteral("--screenshot"),
                   png, QUrl::fromLocalFile(page).toString()});
    // A loaded machine may take long to start a browser; the wait ends when it exits.
    if (!firefox.waitForFinished(240000)) {
        firefox.kill();
        firefox.waitForFinished();
        return {{}, QStringLiteral("firefox-esr did not finish within 4 minutes")};
    }
    QImage image(png);
    if (image.isNull())
        return {{}, QStringLiteral("no screenshot: ") + QString::fromLocal8Bit(firefox.readAllStandardError())};
    return {image.convertToFormat(QImage::Format_RGB32), {}};
}

bool near(QRgb pixel, QColor colour, int tolerance = 40)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance
        && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// The bounding box of the pixels close to colour.
QRect findColour(const QImage &image, QColor colour, int *count = nullptr)
{
    QRect box;
    int found = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (near(line[x], colour)) {
                box |= QRect(x, y, 1, 1);
                ++found;
            }
        }
    }
    if (count)
        *count = found;
    return box;
}

class HtmlInBrowser : public ::testing::Test {
protected:
    static inline const QColor firstShot{0, 190, 0};
    static inline const QColor secondShot{0, 60, 230};
    static inline const QColor badge{255, 69, 59};
    QTemporaryDir dir;
    QString page;

    void SetUp() override
    {
        Guide guide;
        guide.title = QStringLiteral("Print a page");
        guide.createdAt = QDateTime(QDate(2026, 5, 1), QTime(9, 15), Qt::UTC);
        const QList<QColor> colours = {firstShot, secondShot};
        for (int i = 0; i < 2; ++i) {
            Step step;
            step.caption = i == 0 ? QStringLiteral("Open the File menu") : QStringLiteral("Choose “Print”");
            step.appName = QStringLiteral("Text Editor");
            step.imageFileName = QStringLiteral("step-%1.jpg").arg(i + 1);
            QImage shot(QSize(2200, 1238), QImage::Format_RGB32);
            shot.fill(colours[i]);
            ASSERT_TRUE(shot.save(dir.filePath(step.imageFileName), "JPEG", 90));
            guide.steps << step;
        }
        page = dir.filePath(QStringLiteral("Print a page.html"));
        exportGuide(guide, page, ExportFormat::html, [this](const Step &step) -> std::optional<QString> {
            return dir.filePath(step.imageFileName);
        });
    }
};

TEST_F(HtmlInBrowser, FirstScreenshotFillsTheColumnOnAPhoneAndAWideWindow)
{
    const struct {
        int width;
        int minImage;
        int maxImage;
    } widths[] = {{390, 330, 380}, {1280, 700, 880}};
    for (const auto &one : widths) {
        SCOPED_TRACE(one.width);
        const Shot shot = firefoxScreenshot(page, one.width, false);
        ASSERT_FALSE(shot.image.isNull()) << shot.error.toStdString();
        EXPECT_EQ(shot.image.width(), one.width);
        // Light page: white at the edge, dark text somewhere in the header.
        EXPECT_TRUE(near(shot.image.pixel(2, 2), Qt::white, 8));
        int inkPixels = 0;
        findColour(shot.image, Qt::black, &inkPixels);
        EXPECT_GT(inkPixels, 200) << "no title text";

        int count = 0;
        const QRect image = findColour(shot.image, firstShot, &count);
        ASSERT_FALSE(image.isEmpty()) << "first screenshot not drawn";
        EXPECT_GE(image.width(), one.minImage);
        EXPECT_LE(image.width(), one.maxImage);
        // Whole and undistorted: 2200 × 1238, inside the window, filled.
        EXPECT_NEAR(double(image.height()) / image.width(), 1238.0 / 2200.0, 0.02);
        EXPECT_GE(image.left(), 8);
        EXPECT_LE(image.right(), one.width - 8);
        EXPECT_GT(count, image.width() * image.height() * 9 / 10);
        // The red number badge of step 1 sits above the screenshot.
        const QRect number = findColour(shot.image, badge);
        ASSERT_FALSE(number.isEmpty()) << "no step badge";
        EXPECT_LT(number.top(), image.top());
        EXPECT_LE(number.left(), image.left() + 4);
    }
}

TEST_F(HtmlInBrowser, DarkDesktopsGetADarkPage)
{
    const Shot shot = firefoxScreenshot(page, 1280, true);
    ASSERT_FALSE(shot.image.isNull()) << shot.error.toStdString();
    EXPECT_LT(qGray(shot.image.pixel(2, 2)), 40);
    int lightText = 0;
    findColour(shot.image, QColor(242, 242, 242), &lightText);
    EXPECT_GT(lightText, 200) << "no light title text";
    EXPECT_FALSE(findColour(shot.image, firstShot).isEmpty());
}

} // namespace
} // namespace kelvo
