// SPDX-License-Identifier: GPL-3.0-or-later
// The PDF read back with poppler: pages, words with their boxes, images, rendering.
#include "editor/pdf/PdfExport.h"
#include "editor/pdf/PageSize.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

namespace kelvo {
namespace {

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;
};
using Page = QList<Word>;

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

QList<Page> readWords(const QString &pdf)
{
    QXmlStreamReader xml(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    QList<Page> pages;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            pages.append(Page());
        } else if (xml.name() == QLatin1String("word") && !pages.isEmpty()) {
            const auto a = xml.attributes();
            Word word{QString(), a.value("xMin").toDouble(), a.value("yMin").toDouble(), a.value("xMax").toDouble(),
                      a.value("yMax").toDouble()};
            word.text = xml.readElementText();
            pages.last().append(word);
        }
    }
    return pages;
}

QString pageText(const Page &page)
{
    QStringList words;
    for (const Word &word : page)
        words << word.text;
    return words.join(QLatin1Char(' '));
}

std::optional<Word> findWord(const Page &page, const QString &text)
{
    for (const Word &word : page) {
        if (word.text == text)
            return word;
    }
    return std::nullopt;
}

QMap<QString, QString> pdfInfo(const QString &pdf)
{
    QMap<QString, QString> info;
    for (const QByteArray &line : run(QStringLiteral("pdfinfo"), {pdf}).split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            info.insert(QString::fromUtf8(line.left(colon)), QString::fromUtf8(line.mid(colon + 1)).trimmed());
    }
    return info;
}

// The bounds of the pure-blue pixels of a page rendered at 72 dpi: where a
// screenshot filled with blue was drawn, in points.
QRect blueBounds(const QString &pdf, int page)
{
    const QString prefix = pdf + QStringLiteral("-render");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                      QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                      QString::number(page), QStringLiteral("-singlefile"), pdf, prefix});
    const QImage image(prefix + QStringLiteral(".png"));
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 200 && c.red() < 40 && c.green() < 40)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

class PdfExportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QMap<QString, std::optional<PdfImage>> images;

    QString writeBlueJpeg(const QString &name, QSize size, QImageIOHandler::Transformations transformation = {})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(0, 0, 255));
        const QString path = dir.filePath(name);
        QImageWriter writer(path, "jpeg");
        writer.setQuality(85);
        writer.setTransformation(transformation);
        EXPECT_TRUE(writer.write(image));
        return path;
    }

    Step step(const QString &caption, const QString &image = {}, std::optional<QString> app = QStringLiteral("Files"))
    {
        Step s;
        s.caption = caption;
        s.appName = app;
        s.imageFileName = image;
        return s;
    }

    Guide guide(const QString &title, QList<Step> steps)
    {
        Guide g;
        g.title = title;
        g.createdAt = QDateTime(QDate(2026, 2, 3), QTime(8, 30), Qt::UTC);
        g.steps = std::move(steps);
        return g;
    }

    QString write(const Guide &g, const QString &name = QStringLiteral("out.pdf"), QSizeF pageSize = letterPageSize)
    {
        const QString path = dir.filePath(name);
        writePDF(g, path, pageSize, [&](const Step &s) -> std::optional<PdfImage> {
            if (s.imageFileName.isEmpty())
                return std::nullopt;
            return loadPdfImage(dir.filePath(s.imageFileName));
        });
        return path;
    }
};

TEST_F(PdfExportTest, EmptyGuideIsOnePageWithHeaderAndFooter)
{
    const QString pdf = write(guide(QStringLiteral("Set up: mail/calendar"), {}));
    const auto info = pdfInfo(pdf);
    EXPECT_EQ(info.value("Pages").toStdString(), "1");
    EXPECT_TRUE(info.value("Page size").startsWith("612 x 792 pts")) << info.value("Page size").toStdString();
    EXPECT_EQ(info.value("Title").toStdString(), "Set up: mail/calendar");
    EXPECT_EQ(info.value("Creator").toStdString(), "Kelvo");

    const QList<Page> pages = readWords(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pageText(pages[0]).endsWith("0 steps Page 1")) << pageText(pages[0]).toStdString();
    const auto title = findWord(pages[0], QStringLiteral("Set"));
    ASSERT_TRUE(title);
    EXPECT_NEAR(title->xMin, 54, 0.5);
    EXPECT_NEAR(title->yMin, 54, 0.5);
}

TEST_F(PdfExportTest, SubtitleUsesTheLongDateAndShortTimeOfTheLocale)
{
    const QByteArray previousZone = qgetenv("TZ");
    qputenv("TZ", "UTC");
    tzset();
    struct Case {
        const char *locale;
        const char *expected;
    };
    const Case cases[] = {
        {"en_US", "February 3, 2026 8:30 AM  \u00B7  3 steps"},
        {"de_DE", "3. Februar 2026 08:30  \u00B7  3 steps"},
    };
    for (const Case &c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(pdfSubtitle(QDateTime(QDate(2026, 2, 3), QTime(8, 30), Qt::UTC), 3).toStdString(),
                  QString::fromUtf8(c.expected).toStdString());
    }
    QLocale::setDefault(QLocale::system());
    qputenv("TZ", previousZone);
    tzset();
}

TEST_F(PdfExportTest, SubtitleCountsSteps)
{
    EXPECT_TRUE(pdfSubtitle(QDateTime::currentDateTime(), 0).endsWith(QStringLiteral("  \u00B7  0 steps")));
    EXPECT_TRUE(pdfSubtitle(QDateTime::currentDateTime(), 1).endsWith(QStringLiteral("  \u00B7  1 step")));
    EXPECT_TRUE(pdfSubtitle(QDateTime::currentDateTime(), 2).endsWith(QStringLiteral("  \u00B7  2 steps")));
    const QString pdf = write(guide(QStringLiteral("One"), {step(QStringLiteral("Click"))}));
    const QString text = pageText(readWords(pdf).value(0));
    EXPECT_TRUE(text.contains(QStringLiteral(" 1 step 1 Click"))) << text.toStdString();
}

TEST_F(PdfExportTest, EveryPageCarriesItsNumberBottomRight)
{
    writeBlueJpeg(QStringLiteral("wide.jpg"), QSize(1600, 1000));
    QList<Step> steps;
    for (int i = 1; i <= 7; ++i)
        steps << step(QStringLiteral("Step%1").arg(i), QStringLiteral("wide.jpg"));
    const QString pdf = write(guide(QStringLiteral("Long"), steps));
    const QList<Page> pages = readWords(pdf);
    ASSERT_EQ(pages.size(), 4);
    for (int n = 1; n <= pages.size(); ++n) {
        const Page &page = pages[n - 1];
        ASSERT_GE(page.size(), 2);
        const Word label = page[page.size() - 2];
        const Word number = page.last();
        EXPECT_EQ(label.text.toStdString(), "Page");
        EXPECT_EQ(number.text.toStdString(), std::to_string(n));
        EXPECT_NEAR(number.xMax, 558, 0.5); // right edge at W - margin
        EXPECT_NEAR(label.yMin, 742, 0.5);  // top at H - 50
    }
}

// Every red pixel of each page lies in a step number badge: the circle left of a
// caption, 26 points across, one point above the caption's top.
TEST_F(PdfExportTest, RedOnlyInsideTheBadgesOnEveryPage)
{
    writeBlueJpeg(QStringLiteral("wide.jpg"), QSize(1600, 1000));
    QList<Step> steps;
    for (int i = 1; i <= 7; ++i)
        steps << step(QStringLiteral("Step%1").arg(i), i % 2 ? QStringLiteral("wide.jpg") : QString());
    const QString pdf = write(guide(QStringLiteral("Badges"), steps));
    const QList<Page> pages = readWords(pdf);
    ASSERT_GE(pages.size(), 2);
    for (int n = 1; n <= pages.size(); ++n) {
        QList<QRectF> badges;
        for (const Word &word : pages[n - 1]) {
            if (word.text.startsWith(QStringLiteral("Step")))
                badges << QRectF(54, word.yMin - 1, 26, 26).adjusted(-1.5, -1.5, 1.5, 1.5);
        }
        ASSERT_FALSE(badges.isEmpty()) << "page " << n;
        const QString prefix = pdf + QStringLiteral("-red");
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                          QStringLiteral("-f"), QString::number(n), QStringLiteral("-l"),
                                          QString::number(n), QStringLiteral("-singlefile"), pdf, prefix});
        const QImage image(prefix + QStringLiteral(".png"));
        ASSERT_FALSE(image.isNull());
        int redInBadges = 0;
        int strayRed = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() < 150 || c.red() - c.green() < 60 || c.red() - c.blue() < 60)
                    continue;
                const QPointF centre(x + 0.5, y + 0.5);
                const bool inBadge
                    = std::any_of(badges.begin(), badges.end(), [&](const QRectF &b) { return b.contains(centre); });
                ++(inBadge ? redInBadges : strayRed);
            }
        }
        EXPECT_GT(redInBadges, 0) << "page " << n;
        EXPECT_EQ(strayRed, 0) << "page " << n;
    }
}

TEST_F(PdfExportTest, StepThatFitsWithRoomForAShrunkImageStaysOtherwiseMoves)
{
    // 16:10 screenshots are 464 x 290. Header ends at 142; step 1 ends at 501.
    // Step 2 leaves 138 points (< 190) for its image: it moves to page 2, ends at 413.
    // Step 3 then has 226 points (>= 190): it stays, shrunk to 361.6 x 226.
    writeBlueJpeg(QStringLiteral("wide.jpg"), QSize(1600, 1000));
    const QString pdf = write(guide(QStringLiteral("Flow"), {step(QStringLiteral("First"), QStringLiteral("wide.jpg")),
                                                             step(QStringLiteral("Second"), QStringLiteral("wide.jpg")),
                                                             step(QStringLiteral("Third"), QStringLiteral("wide.jpg")),
                                                             step(QStringLiteral("Fourth"))}));
    const QList<Page> pages = readWords(pdf);
    ASSERT_EQ(pages.size(), 3);
    ASSERT_TRUE(findWord(pages[0], QStringLiteral("First")));
    EXPECT_NEAR(findWord(pages[0], QStringLiteral("First"))->yMin, 142, 0.5);
    ASSERT_TRUE(findWord(pages[1], QStringLiteral("Second")));
    EXPECT_NEAR(findWord(pages[1], QStringLiteral("Second"))->yMin, 54, 0.5);
    ASSERT_TRUE(findWord(pages[1], QStringLiteral("Third")));
    EXPECT_NEAR(findWord(pages[1], QStringLiteral("Third"))->yMin, 413, 0.5);
    // Without an image and no room left, the last step moves whole.
    ASSERT_TRUE(findWord(pages[2], QStringLiteral("Fourth")));
    EXPECT_NEAR(findWord(pages[2], QStringLiteral("Fourth"))->yMin, 54, 0.5);

    const QRect first = blueBounds(pdf, 1);
    EXPECT_NEAR(first.left(), 94, 1);
    EXPECT_NEAR(first.width(), 464, 1);
    EXPECT_NEAR(first.top(), 183, 1); // 142 + caption 17 + app line 14 + gap 10
    EXPECT_NEAR(first.height(), 290, 1);

    // Page 2: the full image of step 2 and the shrunk one of step 3, whose bottom
    // plus the 28-point spacing meets the content limit 708.
    const QRect second = blueBounds(pdf, 2);
    EXPECT_NEAR(second.top(), 95, 1);
    EXPECT_NEAR(second.bottom() + 1, 680, 1);
}

TEST_F(PdfExportTest, PortraitImagesAre300HighAndNarrower)
{
    writeBlueJpeg(QStringLiteral("tall.jpg"), QSize(600, 900));
    const QString pdf = write(guide(QStringLiteral("Tall"), {step(QStringLiteral("Portrait"), QStringLiteral("tall.jpg"))}));
    const QRect drawn = blueBounds(pdf, 1);
    EXPECT_NEAR(drawn.height(), 300, 1);
    EXPECT_NEAR(drawn.width(), 200, 1);
}

TEST_F(PdfExportTest, OrientationOfTheFileIsHonouredWithoutReencoding)
{
    // Stored 900 x 600, blue left half and white right half, marked as turned
    // clockwise by 90 degrees: shown 600 x 900 with the blue half on top.
    QImage stored(QSize(900, 600), QImage::Format_RGB32);
    stored.fill(Qt::white);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 450; ++x)
            stored.setPixelColor(x, y, QColor(0, 0, 255));
    QImageWriter writer(dir.filePath(QStringLiteral("turned.jpg")), "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(stored));
    const auto loaded = loadPdfImage(dir.filePath(QStringLiteral("turned.jpg")));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->pixelWidth, 600);
    EXPECT_EQ(loaded->pixelHeight, 900);
    const QString pdf = write(guide(QStringLiteral("Turned"), {step(QStringLiteral("Turned"), QStringLiteral("turned.jpg"))}));
    // The image box starts at 142 + 17 + 14 + 10 = 183 and is 200 x 300.
    const QRect drawn = blueBounds(pdf, 1);
    EXPECT_NEAR(drawn.left(), 94, 1);
    EXPECT_NEAR(drawn.width(), 200, 1);
    EXPECT_NEAR(drawn.top(), 183, 1);
    EXPECT_NEAR(drawn.height(), 150, 2);
}

// Every orientation a JPEG can carry lands the way Qt's own decoder shows it:
// a blue top-left quadrant of the stored image is found where the decoded,
// turned image has it.
TEST_F(PdfExportTest, EveryOrientationMatchesTheDecodedImage)
{
    using T = QImageIOHandler;
    const T::Transformations all[] = {T::TransformationNone, T::TransformationMirror, T::TransformationFlip,
                                      T::TransformationRotate180, T::TransformationRotate90,
                                      T::TransformationMirrorAndRotate90, T::TransformationFlipAndRotate90,
                                      T::TransformationRotate270};
    QImage stored(QSize(800, 400), QImage::Format_RGB32);
    stored.fill(Qt::white);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x)
            stored.setPixelColor(x, y, QColor(0, 0, 255));
    for (const T::Transformations transformation : all) {
        const QString name = QStringLiteral("o%1.jpg").arg(int(transformation));
        QImageWriter writer(dir.filePath(name), "jpeg");
        writer.setTransformation(transformation);
        ASSERT_TRUE(writer.write(stored));
        QImageReader reader(dir.filePath(name));
        reader.setAutoTransform(true);
        const QImage shown = reader.read();
        // Where the blue quadrant is in the shown image, as fractions.
        QRectF blue;
        for (int y = 0; y < shown.height(); y += 4)
            for (int x = 0; x < shown.width(); x += 4)
                if (shown.pixelColor(x, y).blue() > 200 && shown.pixelColor(x, y).red() < 60)
                    blue |= QRectF(x, y, 4, 4);
        const QRectF fraction(blue.x() / shown.width(), blue.y() / shown.height(), blue.width() / shown.width(),
                              blue.height() / shown.height());

        const QString pdf = write(guide(QStringLiteral("O"), {step(QStringLiteral("O"), name)}), name + ".pdf");
        const auto loaded = loadPdfImage(dir.filePath(name));
        ASSERT_TRUE(loaded);
        // Wide images fill the text width, tall ones are 300 high.
        const double aspect = double(loaded->pixelHeight) / loaded->pixelWidth;
        const QSizeF box = 464 * aspect > 300 ? QSizeF(300 / aspect, 300) : QSizeF(464, 464 * aspect);
        const QRect drawn = blueBounds(pdf, 1);
        EXPECT_NEAR(drawn.left(), 94 + fraction.x() * box.width(), 2) << int(transformation);
        EXPECT_NEAR(drawn.top(), 183 + fraction.y() * box.height(), 2) << int(transformation);
        EXPECT_NEAR(drawn.width(), fraction.width() * box.width(), 2) << int(transformation);
        EXPECT_NEAR(drawn.height(), fraction.height() * box.height(), 2) << int(transformation);
    }
}

TEST_F(PdfExportTest, ScreenshotsAreEmbeddedAsTheirOwnJpegBytes)
{
    const QString path = writeBlueJpeg(QStringLiteral("wide.jpg"), QSize(1600, 1000));
    const QString pdf = write(guide(QStringLiteral("Bytes"), {step(QStringLiteral("A"), QStringLiteral("wide.jpg")),
                                                              step(QStringLiteral("B"), QStringLiteral("wide.jpg"))}));
    const QByteArray list = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    EXPECT_EQ(list.count(" jpeg "), 2) << list.toStdString();
    QFile jpeg(path);
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains(jpeg.readAll()));
}

TEST_F(PdfExportTest, AppLineAbsentWhenEmptyOrMissing)
{
    const QString pdf = write(guide(QStringLiteral("Apps"), {step(QStringLiteral("Empty"), {}, QStringLiteral("")),
                                                             step(QStringLiteral("Missing"), {}, std::nullopt),
                                                             step(QStringLiteral("Present"), {}, QStringLiteral("Terminal")),
                                                             step(QStringLiteral("After"), {}, std::nullopt)}));
    const Page page = readWords(pdf).value(0);
    const auto empty = findWord(page, QStringLiteral("Empty"));
    const auto missing = findWord(page, QStringLiteral("Missing"));
    const auto present = findWord(page, QStringLiteral("Present"));
    const auto app = findWord(page, QStringLiteral("Terminal"));
    const auto after = findWord(page, QStringLiteral("After"));
    ASSERT_TRUE(empty && missing && present && app && after);
    // Caption 17 + spacing 28, and 14 more for an application line.
    EXPECT_NEAR(missing->yMin - empty->yMin, 45, 0.5);
    EXPECT_NEAR(present->yMin - missing->yMin, 45, 0.5);
    EXPECT_NEAR(after->yMin - present->yMin, 59, 0.5);
    EXPECT_NEAR(app->yMin, present->yMin + 19, 0.5);
}

TEST_F(PdfExportTest, OtherImageFormatsAreDrawnFromTheirPixels)
{
    QImage png(QSize(800, 400), QImage::Format_RGB32);
    png.fill(QColor(0, 0, 255));
    ASSERT_TRUE(png.save(dir.filePath(QStringLiteral("step-1.jpg")), "png")); // misnamed on purpose
    const auto loaded = loadPdfImage(dir.filePath(QStringLiteral("step-1.jpg")));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->jpegData.isEmpty());
    const QString pdf = write(guide(QStringLiteral("Png"), {step(QStringLiteral("Png"), QStringLiteral("step-1.jpg"))}));
    const QRect drawn = blueBounds(pdf, 1);
    EXPECT_NEAR(drawn.left(), 94, 1);
    EXPECT_NEAR(drawn.top(), 183, 1);
    EXPECT_NEAR(drawn.width(), 464, 1);
    EXPECT_NEAR(drawn.height(), 232, 1);
}

TEST_F(PdfExportTest, UnreadableScreenshotsAreDrawnWithoutImage)
{
    QFile text(dir.filePath(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();
    EXPECT_FALSE(loadPdfImage(dir.filePath(QStringLiteral("notes.jpg"))));
    EXPECT_FALSE(loadPdfImage(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(loadPdfImage(dir.path()));

    const QString pdf = write(guide(QStringLiteral("Broken"), {step(QStringLiteral("One"), QStringLiteral("notes.jpg"), std::nullopt),
                                                               step(QStringLiteral("Two"), QStringLiteral("missing.jpg"), std::nullopt),
                                                               step(QStringLiteral("Three"), {}, std::nullopt)}));
    const Page page = readWords(pdf).value(0);
    ASSERT_TRUE(findWord(page, QStringLiteral("Two")) && findWord(page, QStringLiteral("Three")));
    EXPECT_NEAR(findWord(page, QStringLiteral("Two"))->yMin - findWord(page, QStringLiteral("One"))->yMin, 45, 0.5);
    EXPECT_TRUE(blueBounds(pdf, 1).isEmpty());
}

TEST_F(PdfExportTest, MarkupInTextIsDrawnLiterally)
{
    const QString pdf = write(guide(QStringLiteral("<b>Title</b>"), {step(QStringLiteral("Type <i>&amp;</i>"), {}, QStringLiteral("<span>"))}));
    const QString text = pageText(readWords(pdf).value(0));
    EXPECT_TRUE(text.startsWith(QStringLiteral("<b>Title</b>"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Type <i>&amp;</i> <span>"))) << text.toStdString();
}

TEST_F(PdfExportTest, LongCaptionsWrapAtTheTextWidth)
{
    const QString caption = QStringLiteral("word ").repeated(60).trimmed();
    const QString pdf = write(guide(QStringLiteral("Wrap"), {step(caption, {}, std::nullopt), step(QStringLiteral("Next"), {}, std::nullopt)}));
    const Page page = readWords(pdf).value(0);
    double right = 0;
    for (const Word &word : page) {
        if (word.text == QLatin1String("word"))
            right = std::max(right, word.xMax);
    }
    EXPECT_GT(right, 400);
    EXPECT_LE(right, 558.5);
    const auto next = findWord(page, QStringLiteral("Next"));
    ASSERT_TRUE(next);
    EXPECT_GT(next->yMin, 142 + 3 * 16 + 28);
}

TEST_F(PdfExportTest, HugeCaptionsAreCutToOnePageEndingInAnEllipsis)
{
    // 100 MB once aborted the export; 10 MB ran off the page.
    for (const qsizetype size : {qsizetype(10) * 1024 * 1024, qsizetype(100) * 1024 * 1024}) {
        QString caption = QStringLiteral("word ").repeated(size / 5);
        const QString pdf = write(guide(QStringLiteral("Huge"), {step(caption, {}, std::nullopt),
                                                                 step(QStringLiteral("Next"), {}, std::nullopt)}));
        caption.clear();
        const QList<Page> pages = readWords(pdf);
        ASSERT_LE(pages.size(), 3) << "one page for the header, one for the caption, then the next step";
        double bottom = 0;
        bool ellipsis = false;
        for (const Page &page : pages) {
            for (const Word &word : page) {
                if (word.text.startsWith(QLatin1String("word"))) {
                    bottom = std::max(bottom, word.yMax);
                    ellipsis = ellipsis || word.text.endsWith(QChar(0x2026));
                }
            }
        }
        EXPECT_TRUE(ellipsis) << "the cut is shown";
        EXPECT_LE(bottom, 792 - 54 - 30) << "no text below the page's content area";
        EXPECT_TRUE(findWord(pages.last(), QStringLiteral("Next"))) << "the next step follows";
    }
}

TEST_F(PdfExportTest, UnwritableDestinationsFailWithoutAFile)
{
    QFile blocker(dir.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a-folder")));
    const QString destinations[] = {
        dir.filePath(QStringLiteral("missing-folder/out.pdf")),
        dir.filePath(QStringLiteral("plain-file/out.pdf")),
        dir.filePath(QStringLiteral("a-folder")),
    };
    for (const QString &destination : destinations) {
        try {
            writePDF(guide(QStringLiteral("x"), {}), destination, letterPageSize, {});
            ADD_FAILURE() << "no error for " << destination.toStdString();
        } catch (const PDFExportError &error) {
            EXPECT_EQ(error.description().toStdString(), "Couldn't create the PDF file.");
            EXPECT_EQ(error.kind(), PDFExportError::Kind::cannotCreateContext);
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing-folder/out.pdf"))));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("a-folder"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

TEST_F(PdfExportTest, OverwritesAnEarlierExport)
{
    const QString first = write(guide(QStringLiteral("First version"), {}));
    const QString second = write(guide(QStringLiteral("Second version"), {}));
    ASSERT_EQ(first, second);
    EXPECT_EQ(pdfInfo(second).value("Title").toStdString(), "Second version");
}

// A4 is narrower and taller than Letter: the same margins, the text and
// screenshots narrower, more on a page, nothing past the edges.
TEST_F(PdfExportTest, A4PagesKeepTheMarginsAndNothingOverflows)
{
    writeBlueJpeg(QStringLiteral("wide.jpg"), QSize(1600, 1000));
    writeBlueJpeg(QStringLiteral("tall.jpg"), QSize(400, 1600));
    QList<Step> steps;
    for (int i = 1; i <= 7; ++i)
        steps << step(QStringLiteral("Step%1 ").arg(i) + QStringLiteral("word ").repeated(30).trimmed(),
                      i == 4 ? QStringLiteral("tall.jpg") : QStringLiteral("wide.jpg"));
    const QString pdf = write(guide(QStringLiteral("A4"), steps), QStringLiteral("a4.pdf"), a4PageSize);
    const auto info = pdfInfo(pdf);
    EXPECT_TRUE(info.value("Page size").startsWith("595.276 x 841.89 pts (A4)")) << info.value("Page size").toStdString();

    const double width = a4PageSize.width();
    const double height = a4PageSize.height();
    const QList<Page> pages = readWords(pdf);
    ASSERT_GE(pages.size(), 3);
    for (int n = 1; n <= pages.size(); ++n) {
        const Page &page = pages[n - 1];
        ASSERT_GE(page.size(), 2);
        EXPECT_EQ(page[page.size() - 2].text.toStdString(), "Page");
        EXPECT_NEAR(page.last().xMax, width - 54, 0.5) << "page number at the right margin";
        EXPECT_NEAR(page.last().yMin, height - 50, 0.5);
        for (qsizetype i = 0; i + 2 < page.size(); ++i) {
            const Word &word = page[i];
            EXPECT_GE(word.xMin, 54 - 0.5) << word.text.toStdString();
            EXPECT_LE(word.xMax, width - 54 + 0.5) << word.text.toStdString();
            EXPECT_LE(word.yMax, height - 54 - 30) << word.text.toStdString() << " on page " << n;
        }
        const QRect blue = blueBounds(pdf, n);
        ASSERT_FALSE(blue.isEmpty()) << "page " << n;
        EXPECT_GE(blue.left(), 94 - 1);
        EXPECT_LE(blue.right() + 1, width - 54 + 1);
        EXPECT_LE(blue.bottom() + 1, height - 54 - 30 + 1);
    }
    // The first screenshot spans the text width: 595.3 - 2 x 54 - 40 = 447.3 wide.
    EXPECT_NEAR(blueBounds(pdf, 1).width(), 447, 1);
}

TEST(PdfPageSize, AutomaticFollowsTheLocalesMeasurementSystem)
{
    EXPECT_EQ(automaticPageSize(QLocale(QLocale::English, QLocale::UnitedStates)), letterPageSize);
    EXPECT_EQ(automaticPageSize(QLocale(QLocale::Spanish, QLocale::UnitedStates)), letterPageSize);
    EXPECT_EQ(automaticPageSize(QLocale(QLocale::English, QLocale::UnitedKingdom)), a4PageSize);
    EXPECT_EQ(automaticPageSize(QLocale(QLocale::German, QLocale::Germany)), a4PageSize);
    EXPECT_EQ(automaticPageSize(QLocale(QLocale::English, QLocale::Canada)), a4PageSize);
    EXPECT_EQ(automaticPageSize(QLocale::c()), letterPageSize) << "no locale set: as before";

    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(pageSize(PageSizeChoice::automatic, german), a4PageSize);
    EXPECT_EQ(pageSize(PageSizeChoice::letter, german), letterPageSize);
    EXPECT_EQ(pageSize(PageSizeChoice::a4, QLocale(QLocale::English, QLocale::UnitedStates)), a4PageSize);
}

TEST(PdfPageSize, ChoiceIsStoredAndUnknownValuesReadAsAutomatic)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("Kelvo.conf")), QSettings::IniFormat);
    EXPECT_EQ(storedPageSizeChoice(settings), PageSizeChoice::automatic);
    for (const PageSizeChoice choice : {PageSizeChoice::a4, PageSizeChoice::letter, PageSizeChoice::automatic}) {
        storePageSizeChoice(settings, choice);
        EXPECT_EQ(storedPageSizeChoice(settings), choice);
    }
    EXPECT_FALSE(settings.contains(QStringLiteral("export/pdfPageSize"))) << "automatic is the absence of a choice";
    settings.setValue(QStringLiteral("export/pdfPageSize"), QStringLiteral("tabloid"));
    EXPECT_EQ(storedPageSizeChoice(settings), PageSizeChoice::automatic);
}

} // namespace
} // namespace kelvo
