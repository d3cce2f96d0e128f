// SPDX-License-Identifier: GPL-3.0-or-later
// One step-image pipeline for the editor, thumbnails and every export: framing
// crops, redactions are filled solid, and no exported file keeps the pixels of
// a redacted area.
#include "editor/StepImagePipeline.h"

#include "editor/export/GuideExport.h"
#include "store/GuideFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

const QSize display(1920, 1080);
const QColor secret(20, 200, 60); // the pixels a redaction must hide
const QColor background(230, 230, 240);
// The redacted area: in fractions of the screenshot, and in its pixels.
const NormalRect secretArea{0.40, 0.40, 0.10, 0.10};
const QRect secretPixels(768, 432, 192, 108);

QImage screenshot()
{
    QImage image(display, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.fillRect(secretPixels, secret);
    return image;
}

QByteArray encoded(const QImage &image, const char *format = "jpeg")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Every pixel of area (in image's own pixels) is the fill colour, within JPEG's noise.
void expectFilled(const QImage &image, const QRect &area, int tolerance)
{
    int wrong = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (!near(pixel, redactionFill, tolerance) || near(pixel, secret, 60))
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels of the redacted area that are not the fill";
}

Step framedStep()
{
    Step step;
    step.caption = QStringLiteral("Click Save");
    step.imageFileName = QStringLiteral("step-1.jpg");
    step.clickX = 0.45;
    step.clickY = 0.45;
    step.windowFrame = NormalRect{0.25, 0.25, 0.5, 0.5};
    step.redactions = {secretArea};
    return step;
}

// --- the pipeline on pixels -------------------------------------------------------

TEST(StepImagePipeline, RedactionFillsInsideAndLeavesOutsideUntouched)
{
    QImage image = screenshot();
    fillRedactions(image, {0, 0, 1, 1}, {secretArea});
    expectFilled(image, secretPixels, 0);
    const QImage original = screenshot();
    int changedOutside = 0;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            if (!secretPixels.contains(x, y) && image.pixel(x, y) != original.pixel(x, y))
                ++changedOutside;
        }
    }
    EXPECT_EQ(changedOutside, 0);
}

TEST(StepImagePipeline, RedactionsFollowTheCropAndStayInsideIt)
{
    // A region holding half of the area: the part inside is filled, nothing fails outside.
    const NormalRect region{0.45, 0.30, 0.5, 0.5};
    QImage crop = screenshot().copy(pixelRect(region, display));
    fillRedactions(crop, region, {secretArea, NormalRect{-1, -1, 0.5, 0.5}});
    const QRect inCrop = secretPixels.translated(-pixelRect(region, display).topLeft()).intersected(crop.rect());
    ASSERT_FALSE(inCrop.isEmpty());
    expectFilled(crop, inCrop, 0);
}

TEST(StepImagePipeline, WholeScreenWithoutRedactionsLeavesThePictureAlone)
{
    Guide guide;
    Step step = framedStep();
    step.redactions.clear();
    EXPECT_TRUE(stepImageRecipe(guide, step).leavesPictureAlone()) << "an older guide shows the whole screen";
    guide.framing = Framing::clickedWindow;
    EXPECT_FALSE(stepImageRecipe(guide, step).leavesPictureAlone());
    step.windowFrame.reset();
    EXPECT_TRUE(stepImageRecipe(guide, step).leavesPictureAlone()) << "no frame: the whole screen";
    step.framing = Framing::closeUp;
    EXPECT_FALSE(stepImageRecipe(guide, step).leavesPictureAlone());
    step.framing = Framing::wholeScreen;
    step.redactions = {secretArea};
    EXPECT_FALSE(stepImageRecipe(guide, step).leavesPictureAlone());
}

TEST(StepImagePipeline, ScaledDecodesAreCutLikeTheStoredPicture)
{
    const StepImageRecipe recipe{Framing::closeUp, 0.5, 0.5, std::nullopt, {secretArea}};
    const QImage small = screenshot().scaled(960, 540);
    const QImage shown = applyStepImageRecipe(small, recipe, display);
    EXPECT_EQ(shown.size(), QSize(432, 270));
    expectFilled(shown, QRect(120, 81, 96, 54), 0);
}

// --- files ------------------------------------------------------------------------

class StepImageFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Guide guide;
    QByteArray stored;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        stored = encoded(screenshot());
        writeFile(QStringLiteral("step-1.jpg"), stored);
        guide.title = QStringLiteral("Framed");
        guide.createdAt = QDateTime(QDate(2026, 12, 7), QTime(1, 0), Qt::UTC);
        guide.framing = Framing::clickedWindow;
        guide.steps = {framedStep()};
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    StepImagePathSource paths() const
    {
        return [this](const Step &step) -> std::optional<QString> { return dir.filePath(step.imageFileName); };
    }

    QRect expectedFrame(const Step &step) const
    {
        return pixelRect(frameRegion(effectiveFraming(guide, step), display, step), display);
    }

    // The redacted area inside the framed picture, a few pixels in from its edges (JPEG blocks blur them).
    QRect secretInFrame(const Step &step) const
    {
        return secretPixels.translated(-expectedFrame(step).topLeft()).adjusted(3, 3, -3, -3);
    }
};

TEST_F(StepImageFiles, RenderedFileIsTheFrameWithTheAreaFilled)
{
    const Step step = guide.steps[0];
    const auto rendered = renderStepImageFile(dir.filePath(QStringLiteral("step-1.jpg")), stepImageRecipe(guide, step));
    ASSERT_TRUE(rendered);
    const QImage image = QImage::fromData(rendered->jpeg, "JPEG");
    EXPECT_EQ(image.size(), expectedFrame(step).size());
    EXPECT_EQ(rendered->size, image.size());
    expectFilled(image, secretInFrame(step), 14);
}

TEST_F(StepImageFiles, FilesWithoutClipDecodingGiveTheSamePicture)
{
    // PNG has no clipped decode: the whole picture is decoded and cut.
    writeFile(QStringLiteral("step-1.png"), encoded(screenshot(), "png"));
    const Step step = guide.steps[0];
    const auto rendered = renderStepImageFile(dir.filePath(QStringLiteral("step-1.png")), stepImageRecipe(guide, step));
    ASSERT_TRUE(rendered);
    const QImage image = QImage::fromData(rendered->jpeg, "JPEG");
    EXPECT_EQ(image.size(), expectedFrame(step).size());
    expectFilled(image, secretInFrame(step), 14);
}

TEST_F(StepImageFiles, UnreadableFilesGiveNothing)
{
    writeFile(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF not a picture"));
    const StepImageRecipe recipe = stepImageRecipe(guide, guide.steps[0]);
    EXPECT_FALSE(renderStepImageFile(dir.filePath(QStringLiteral("broken.jpg")), recipe));
    EXPECT_FALSE(renderStepImageFile(dir.filePath(QStringLiteral("missing.jpg")), recipe));
    EXPECT_FALSE(renderStepImageFile(dir.path(), recipe));
}

// The JPEG streams cairo embedded, in page order.
QList<QByteArray> pdfJpegs(const QByteArray &pdf)
{
    QList<QByteArray> images;
    qsizetype from = 0;
    while ((from = pdf.indexOf("/DCTDecode", from)) >= 0) {
        const qsizetype start = pdf.indexOf("stream", from);
        const qsizetype end = pdf.indexOf("endstream", start);
        if (start < 0 || end < 0)
            break;
        QByteArray data = pdf.mid(start + 6, end - start - 6);
        while (data.startsWith('\r') || data.startsWith('\n'))
            data.remove(0, 1);
        while (data.endsWith('\r') || data.endsWith('\n'))
            data.chop(1);
        images.append(data);
        from = end;
    }
    return images;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(StepImageFiles, PdfHoldsTheFramedRedactedPictureAndNothingOfTheArea)
{
    Step plain = framedStep();
    plain.id = QUuid::createUuid();
    plain.imageFileName = QStringLiteral("step-2.jpg");
    plain.redactions.clear();
    plain.framing = Framing::wholeScreen;
    const QByteArray plainBytes = encoded(screenshot().mirrored(true, false));
    writeFile(QStringLiteral("step-2.jpg"), plainBytes);
    guide.steps.append(plain);

    const QString pdf = dir.filePath(QStringLiteral("guide.pdf"));
    exportGuide(guide, pdf, ExportFormat::pdf, paths());
    const QByteArray document = readAll(pdf);
    const QList<QByteArray> images = pdfJpegs(document);
    ASSERT_EQ(images.size(), 2);
    const QImage framed = QImage::fromData(images[0], "JPEG");
    EXPECT_EQ(framed.size(), expectedFrame(guide.steps[0]).size());
    expectFilled(framed, secretInFrame(guide.steps[0]), 14);
    EXPECT_FALSE(document.contains(stored)) << "the stored screenshot of a redacted step is never embedded";
    EXPECT_EQ(images[1], plainBytes) << "whole screen without redactions: the stored bytes, unchanged";
}

TEST_F(StepImageFiles, HtmlAndMarkdownHoldOnlyTheRedactedPicture)
{
    const QString page = dir.filePath(QStringLiteral("guide.html"));
    exportGuide(guide, page, ExportFormat::html, paths());
    const QByteArray html = readAll(page);
    static const QRegularExpression source(QStringLiteral("src=\"data:image/jpeg;base64,([^\"]+)\""));
    const auto match = source.match(QString::fromLatin1(html));
    ASSERT_TRUE(match.hasMatch());
    const QImage fromPage = QImage::fromData(QByteArray::fromBase64(match.captured(1).toLatin1()), "JPEG");
    EXPECT_EQ(fromPage.size(), expectedFrame(guide.steps[0]).size());
    expectFilled(fromPage, secretInFrame(guide.steps[0]), 14);
    EXPECT_TRUE(html.contains(QByteArray("width=\"") + QByteArray::number(fromPage.width()) + "\""));

    const QString folder = dir.filePath(QStringLiteral("markdown"));
    exportGuide(guide, folder, ExportFormat::markdown, paths());
    const QStringList files = QDir(folder + QStringLiteral("/images")).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QImage fromFolder(folder + QStringLiteral("/images/") + files[0]);
    EXPECT_EQ(fromFolder.size(), expectedFrame(guide.steps[0]).size());
    expectFilled(fromFolder, secretInFrame(guide.steps[0]), 14);
}

} // namespace
} // namespace kelvo
