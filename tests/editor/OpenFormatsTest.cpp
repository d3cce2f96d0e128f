// SPDX-License-Identifier: GPL-3.0-or-later
// HTML and Markdown exports read back the way browsers and Markdown renderers read
// them: the page through Python's html.parser, README.md through cmark-gfm.
#include "editor/export/ExportFormat.h"
#include "editor/export/GuideExport.h"
#include "editor/export/HtmlExport.h"
#include "editor/export/MarkdownExport.h"
#include "editor/export/StepImageFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {
namespace {

const QString hostileCaption = QStringLiteral("Click \"<b>&\" *not bold* [link](x) `code` # | ~~s~~ \\ <!-- & 1. _x_");

QJsonObject readBack(const QString &mode, const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral(KELVO_SOURCE_DIR "/tests/editor/open_formats_check.py"), mode, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "open_formats_check.py failed: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QByteArray jpeg(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

// A guide of four steps in a folder: two screenshots, one gone, one a symbolic
// link to a file outside the guide (left out, as if missing).
class OpenFormats : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString guideFolder;
    Guide guide;

    void SetUp() override
    {
        guideFolder = dir.filePath(QStringLiteral("guide"));
        ASSERT_TRUE(QDir().mkpath(guideFolder));
        guide.title = QStringLiteral("Print <a> page & more: \"now\"/later");
        guide.createdAt = QDateTime(QDate(2026, 5, 1), QTime(9, 15), Qt::UTC);
        const QStringList captions = {hostileCaption, QStringLiteral("Choose “Print”"),
                                      QStringLiteral("Gone screenshot"), QStringLiteral("Linked screenshot")};
        for (int i = 0; i < captions.size(); ++i) {
            Step step;
            step.caption = captions[i];
            step.appName = i == 0 ? std::optional<QString>(QStringLiteral("Files <&>")) : std::nullopt;
            step.imageFileName = QStringLiteral("step-%1.jpg").arg(i + 1);
            guide.steps << step;
        }
        guide.steps[1].appName = QString(); // present but empty: no line
        writeFile(guideFolder + "/step-1.jpg", jpeg({320, 180}, Qt::darkGreen));
        writeFile(guideFolder + "/step-2.jpg", jpeg({180, 320}, Qt::darkBlue));
        writeFile(dir.filePath("outside.jpg"), jpeg({64, 64}, Qt::red));
        ASSERT_EQ(::symlink(QFile::encodeName(dir.filePath("outside.jpg")).constData(),
                            QFile::encodeName(guideFolder + "/step-4.jpg").constData()),
                  0);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    StepImagePathSource paths() const
    {
        return [folder = guideFolder](const Step &step) -> std::optional<QString> {
            return folder + QLatin1Char('/') + step.imageFileName;
        };
    }
};

TEST(ExportNames, FollowThePdfRuleWithTheFormatsEnding)
{
    EXPECT_EQ(suggestedExportName(QStringLiteral("a/b:c"), ExportFormat::pdf), QStringLiteral("a-b-c.pdf"));
    EXPECT_EQ(suggestedExportName(QStringLiteral("a/b:c"), ExportFormat::html), QStringLiteral("a-b-c.html"));
    EXPECT_EQ(suggestedExportName(QStringLiteral("a/b:c"), ExportFormat::markdown), QStringLiteral("a-b-c"));
    // A folder must be a folder of its own.
    for (const QString &title : {QString(), QStringLiteral("."), QStringLiteral("..")})
        EXPECT_EQ(suggestedExportName(title, ExportFormat::markdown), QStringLiteral("Guide")) << title.toStdString();
    EXPECT_EQ(suggestedExportName(QStringLiteral("../x"), ExportFormat::markdown), QStringLiteral("..-x"));
}

TEST(ExportNames, FormatFromPathAndKey)
{
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("a.PDF")), ExportFormat::pdf);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("a.html")), ExportFormat::html);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("a.htm")), ExportFormat::html);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("a.md")), ExportFormat::markdown);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("out/Guide/")), ExportFormat::markdown);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("out/Guide")), std::nullopt);
    EXPECT_EQ(exportFormatFromPath(QStringLiteral("a.pdf.txt")), std::nullopt);
    EXPECT_EQ(exportFormatFromKey(QStringLiteral("md")), ExportFormat::markdown);
    EXPECT_EQ(exportFormatFromKey(QStringLiteral("markdown")), ExportFormat::markdown);
    EXPECT_EQ(exportFormatFromKey(QStringLiteral("HTML")), ExportFormat::html);
    EXPECT_EQ(exportFormatFromKey(QStringLiteral("docx")), std::nullopt);
}

TEST_F(OpenFormats, StepImagesAreReadOnlyFromRegularFiles)
{
    EXPECT_EQ(readStepImageBytes(guideFolder + "/step-1.jpg"), fileBytes(guideFolder + "/step-1.jpg"));
    EXPECT_EQ(readStepImageBytes(guideFolder + "/step-4.jpg"), std::nullopt); // symbolic link
    EXPECT_EQ(readStepImageBytes(guideFolder + "/step-3.jpg"), std::nullopt); // missing
    EXPECT_EQ(readStepImageBytes(guideFolder), std::nullopt);                 // a folder
    // A FIFO would block a plain open until someone writes to it.
    const QString fifo = guideFolder + "/fifo.jpg";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(readStepImageBytes(fifo), std::nullopt);
    EXPECT_EQ(readStepImageBytes(QStringLiteral("/dev/zero")), std::nullopt);
}

TEST_F(OpenFormats, StepImagesKeepTheirBytesOrBecomePng)
{
    const auto photo = loadStepImageFile(guideFolder + "/step-2.jpg");
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->bytes, fileBytes(guideFolder + "/step-2.jpg"));
    EXPECT_EQ(photo->mimeType, "image/jpeg");
    EXPECT_EQ(photo->extension, QStringLiteral("jpg"));
    EXPECT_EQ(photo->shownSize, QSize(180, 320));

    QImage small(QSize(40, 30), QImage::Format_RGB32);
    small.fill(Qt::yellow);
    ASSERT_TRUE(small.save(guideFolder + "/shot.bmp", "BMP"));
    const auto converted = loadStepImageFile(guideFolder + "/shot.bmp");
    ASSERT_TRUE(converted);
    EXPECT_EQ(converted->mimeType, "image/png");
    EXPECT_EQ(QImage::fromData(converted->bytes, "PNG").size(), QSize(40, 30));

    writeFile(guideFolder + "/broken.jpg", "not a picture at all");
    EXPECT_EQ(loadStepImageFile(guideFolder + "/broken.jpg"), std::nullopt);
    writeFile(guideFolder + "/empty.jpg", QByteArray());
    EXPECT_EQ(loadStepImageFile(guideFolder + "/empty.jpg"), std::nullopt);
}

TEST_F(OpenFormats, HtmlPageParsesWithEveryStepAndOnlyItsOwnData)
{
    const QString page = dir.filePath("Guide.html");
    exportGuide(guide, page, ExportFormat::html, paths());
    const QJsonObject html = readBack(QStringLiteral("html"), page);
    ASSERT_FALSE(html.isEmpty());
    EXPECT_EQ(html["doctype"].toString(), QStringLiteral("DOCTYPE html"));
    EXPECT_TRUE(html["errors"].toArray().isEmpty()) << QJsonDocument(html["errors"].toArray()).toJson().toStdString();
    EXPECT_TRUE(html["outsideText"].toArray().isEmpty());

    // Text shows literally: the parser gives back exactly what was typed.
    const QJsonObject text = html["text"].toObject();
    EXPECT_EQ(text["title"].toString(), guide.title);
    EXPECT_EQ(text["h1"].toString(), guide.title);
    EXPECT_TRUE(text["subtitle"].toString().endsWith(QStringLiteral("  ·  4 steps"))) << text["subtitle"].toString().toStdString();

    const QJsonArray items = html["items"].toArray();
    ASSERT_EQ(items.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QJsonObject item = items[i].toObject();
        EXPECT_EQ(item["value"].toString(), QString::number(i + 1));
        EXPECT_EQ(item["caption"].toString(), guide.steps[i].caption);
    }
    EXPECT_EQ(items[0].toObject()["app"].toString(), QStringLiteral("Files <&>"));
    EXPECT_TRUE(items[1].toObject()["app"].isNull()); // empty name: no line
    EXPECT_TRUE(items[2].toObject()["image"].isNull()); // missing file: text kept, no image
    EXPECT_TRUE(items[3].toObject()["image"].isNull()); // symbolic link: the same

    // Every image is its step file's own bytes, sized so the page never jumps.
    const QJsonArray images = html["images"].toArray();
    ASSERT_EQ(images.size(), 2);
    const QList<QSize> sizes = {{320, 180}, {180, 320}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject image = images[i].toObject();
        EXPECT_EQ(image["src"].toString(), QStringLiteral("data:image/jpeg;base64,…"));
        EXPECT_EQ(QByteArray::fromHex(image["bytes"].toString().toLatin1()),
                  fileBytes(guideFolder + QStringLiteral("/step-%1.jpg").arg(i + 1)));
        EXPECT_EQ(image["alt"].toString(), guide.steps[i].caption);
        EXPECT_EQ(image["width"].toString(), QString::number(sizes[i].width()));
        EXPECT_EQ(image["height"].toString(), QString::number(sizes[i].height()));
    }

    // Nothing from anywhere else, and nothing that runs.
    const QString skeleton = html["skeleton"].toString();
    EXPECT_FALSE(skeleton.contains(QStringLiteral("http"), Qt::CaseInsensitive));
    EXPECT_FALSE(skeleton.contains(QStringLiteral("//")));
    EXPECT_FALSE(skeleton.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    EXPECT_FALSE(skeleton.contains(QStringLiteral("url("), Qt::CaseInsensitive));
    EXPECT_FALSE(skeleton.contains(QStringLiteral("@import"), Qt::CaseInsensitive));
    for (const QJsonValue attribute : html["attributes"].toArray())
        EXPECT_FALSE(attribute.toString().startsWith(QStringLiteral("on"))) << attribute.toString().toStdString();
    const QJsonArray tags = html["tags"].toArray();
    for (const char *foreign : {"script", "link", "iframe", "object", "embed", "base", "form"})
        EXPECT_FALSE(tags.contains(QString::fromLatin1(foreign))) << foreign;
    // Looks after the reader: phones, dark desktops, paper.
    for (const char *rule : {"name=\"viewport\"", "prefers-color-scheme: dark", "@media print", "break-inside: avoid",
                             "max-width: 560px"})
        EXPECT_TRUE(skeleton.contains(QString::fromLatin1(rule))) << rule;
}

TEST_F(OpenFormats, HtmlTextWithoutPlaceInHtmlBecomesAReplacementCharacter)
{
    EXPECT_EQ(escapeHtml(QStringLiteral("a\u0001b\u007Fc\nd'")), QStringLiteral("a\uFFFDb\uFFFDc\nd&#39;"));
    EXPECT_EQ(escapeHtml(QStringLiteral("\U0001F600")), QStringLiteral("\U0001F600"));
    EXPECT_EQ(escapeHtml(QString(QChar(0xFDD0))), QStringLiteral("\uFFFD"));
}

TEST_F(OpenFormats, HtmlOfAGuideWithoutStepsIsStillAPage)
{
    guide.steps.clear();
    const QString page = dir.filePath("Empty.html");
    exportGuide(guide, page, ExportFormat::html, paths());
    const QJsonObject html = readBack(QStringLiteral("html"), page);
    EXPECT_TRUE(html["errors"].toArray().isEmpty());
    EXPECT_TRUE(html["items"].toArray().isEmpty());
    EXPECT_TRUE(html["text"].toObject()["subtitle"].toString().endsWith(QStringLiteral("0 steps")));
}

TEST_F(OpenFormats, HtmlThatCannotBeWrittenLeavesNothing)
{
    const QString missing = dir.filePath("missing/Guide.html");
    try {
        exportGuide(guide, missing, ExportFormat::html, paths());
        ADD_FAILURE() << "no error";
    } catch (const GuideExportError &error) {
        EXPECT_TRUE(error.message().startsWith(QStringLiteral("Couldn't create the HTML file"))) << error.what();
    }
    EXPECT_FALSE(QFile::exists(missing));
    // A folder where the file should go stays as it is.
    const QString folder = dir.filePath("taken.html");
    ASSERT_TRUE(QDir().mkpath(folder + "/inside"));
    EXPECT_THROW(exportGuide(guide, folder, ExportFormat::html, paths()), GuideExportError);
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("inside")});
    EXPECT_EQ(entries(dir.path()), (QStringList{"guide", "outside.jpg", "taken.html"}));
}

// The half-written file or folder vanishes while the second step is read (a
// cleaner, an unmounted disk): the export fails and leaves nothing at all.
TEST_F(OpenFormats, FailingHalfwayLeavesNothingBehind)
{
    const auto removeWorkInProgress = [this](const Step &step) -> std::optional<StepImageFile> {
        if (step.id == guide.steps[1].id) {
            const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
            for (const QFileInfo &entry : QDir(dir.path()).entryInfoList(all)) {
                if (entry.fileName().contains(QStringLiteral(".kelvo-")))
                    QDir(entry.filePath() + "/images").removeRecursively();
                else if (entry.fileName() == QLatin1String("out"))
                    QDir(entry.filePath()).removeRecursively();
            }
        }
        return loadStepImageFile(guideFolder + QLatin1Char('/') + step.imageFileName);
    };
    EXPECT_THROW(writeMarkdown(guide, dir.filePath("Half"), removeWorkInProgress), GuideExportError);
    ASSERT_TRUE(QDir().mkpath(dir.filePath("out")));
    EXPECT_THROW(writeHTML(guide, dir.filePath("out/Half.html"), removeWorkInProgress), GuideExportError);
    EXPECT_EQ(entries(dir.path()), (QStringList{"guide", "outside.jpg"}));
}

TEST_F(OpenFormats, MarkdownRendersTheStepsWithTheirImagesLiterally)
{
    const QString folder = dir.filePath("Print a page");
    exportGuide(guide, folder, ExportFormat::markdown, paths());
    EXPECT_EQ(entries(folder), (QStringList{"README.md", "images"}));
    EXPECT_EQ(entries(folder + "/images"), (QStringList{"step-1.jpg", "step-2.jpg"}));
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(fileBytes(folder + QStringLiteral("/images/step-%1.jpg").arg(i)),
                  fileBytes(guideFolder + QStringLiteral("/step-%1.jpg").arg(i)));
    }

    const QJsonObject md = readBack(QStringLiteral("markdown"), folder + "/README.md");
    ASSERT_FALSE(md.isEmpty());
    const QString rendered = md["rendered"].toString();
    EXPECT_TRUE(md["errors"].toArray().isEmpty()) << rendered.toStdString();
    EXPECT_EQ(md["text"].toObject()["h1"].toString(), guide.title) << rendered.toStdString();
    const QJsonArray tags = md["tags"].toArray();
    EXPECT_TRUE(tags.contains(QStringLiteral("ol")));
    // Nothing in a caption turns into markup of its own.
    for (const char *made : {"a", "code", "del", "b", "table", "ul", "h2", "blockquote", "pre", "hr"})
        EXPECT_FALSE(tags.contains(QString::fromLatin1(made))) << made << "\n" << rendered.toStdString();

    const QJsonArray items = md["items"].toArray();
    ASSERT_EQ(items.size(), 4) << rendered.toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(items[i].toObject()["strong"].toString(), guide.steps[i].caption) << rendered.toStdString();
    EXPECT_EQ(items[0].toObject()["em"].toString(), QStringLiteral("Files <&>"));
    EXPECT_EQ(items[1].toObject()["em"].toString(), QString());
    const QJsonArray images = md["images"].toArray();
    ASSERT_EQ(images.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(images[i].toObject()["src"].toString(), QStringLiteral("images/step-%1.jpg").arg(i + 1));
        EXPECT_EQ(images[i].toObject()["alt"].toString(), guide.steps[i].caption);
    }
    EXPECT_TRUE(items[2].toObject()["image"].isNull());
    EXPECT_TRUE(items[3].toObject()["image"].isNull());
}

TEST(MarkdownEscaping, LineBreaksAndEdgesOfACaption)
{
    EXPECT_EQ(escapeMarkdown(QStringLiteral("  a\nb\r\nc\u2028d  ")), QStringLiteral("a b  c d"));
    EXPECT_EQ(escapeMarkdown(QStringLiteral("1. x")), QStringLiteral("1\\. x"));
    EXPECT_EQ(escapeMarkdown(QStringLiteral("www.example.com")), QStringLiteral("www\\.example\\.com"));
}

TEST_F(OpenFormats, MarkdownNeverWritesIntoAnOccupiedFolder)
{
    const QString folder = dir.filePath("Notes");
    ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(folder + "/mine.txt", "keep me");
    EXPECT_THROW(exportGuide(guide, folder, ExportFormat::markdown, paths()), MarkdownFolderExists);
    // Not even when asked to replace: these files are not an earlier export.
    EXPECT_THROW(exportGuide(guide, folder, ExportFormat::markdown, paths(), true), GuideExportError);
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("mine.txt")});
    EXPECT_EQ(fileBytes(folder + "/mine.txt"), "keep me");

    const QString file = dir.filePath("plain");
    writeFile(file, "x");
    EXPECT_THROW(exportGuide(guide, file, ExportFormat::markdown, paths(), true), GuideExportError);
    EXPECT_EQ(fileBytes(file), "x");
    // Nothing half-built is left beside them.
    EXPECT_EQ(entries(dir.path()), (QStringList{"Notes", "guide", "outside.jpg", "plain"}));
}

TEST_F(OpenFormats, MarkdownReplacesAnEarlierExportOrAnEmptyFolderWhole)
{
    const QString folder = dir.filePath("Export");
    ASSERT_TRUE(QDir().mkpath(folder)); // empty: taken as it is
    exportGuide(guide, folder, ExportFormat::markdown, paths());
    EXPECT_EQ(entries(folder + "/images"), (QStringList{"step-1.jpg", "step-2.jpg"}));

    guide.steps.removeFirst();
    guide.steps.removeFirst(); // no screenshot left
    EXPECT_THROW(exportGuide(guide, folder, ExportFormat::markdown, paths()), MarkdownFolderExists);
    exportGuide(guide, folder, ExportFormat::markdown, paths(), true);
    EXPECT_TRUE(entries(folder + "/images").isEmpty());
    EXPECT_TRUE(fileBytes(folder + "/README.md").contains("2 steps"));
    EXPECT_EQ(entries(dir.path()), (QStringList{"Export", "guide", "outside.jpg"}));
}

TEST_F(OpenFormats, MarkdownThatCannotBeWrittenLeavesNothing)
{
    const QString folder = dir.filePath("missing/Export/");
    try {
        exportGuide(guide, folder, ExportFormat::markdown, paths());
        ADD_FAILURE() << "no error";
    } catch (const GuideExportError &error) {
        EXPECT_TRUE(error.message().startsWith(QStringLiteral("Couldn't write the Markdown folder"))) << error.what();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("missing")));
    EXPECT_THROW(exportGuide(guide, QStringLiteral("/"), ExportFormat::markdown, paths()), GuideExportError);
    EXPECT_THROW(exportGuide(guide, dir.filePath(".."), ExportFormat::markdown, paths()), GuideExportError);
}

} // namespace
} // namespace kelvo
