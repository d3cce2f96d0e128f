// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo export ID PATH [--format pdf|html|md] [--force]` run as the user would.
#include "model/GuideJson.h"
#include "support/KelvoCommand.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using CliRun = test::CommandRun;

CliRun kelvo(const QStringList &arguments)
{
    return test::runKelvo(arguments);
}

QByteArray head(const QString &path, int bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class ExportCommand : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir out;
    Guide guide;
    QString id;

    void SetUp() override
    {
        guide.title = QStringLiteral("Print a page");
        guide.createdAt = QDateTime(QDate(2026, 5, 1), QTime(9, 15), Qt::UTC);
        for (int i = 1; i <= 2; ++i) {
            Step step;
            step.caption = QStringLiteral("Step %1").arg(i);
            step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
            guide.steps << step;
        }
        id = uuidText(guide.id);
        const QString folder = data.filePath(id);
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile document(folder + "/guide.json");
        ASSERT_TRUE(document.open(QIODevice::WriteOnly));
        document.write(*encodeGuide(guide));
        document.close();
        QImage shot(QSize(160, 100), QImage::Format_RGB32);
        shot.fill(Qt::darkBlue);
        ASSERT_TRUE(shot.save(folder + "/step-1.jpg", "jpeg"));
        // step-2.jpg is missing: the step is written without its image.
    }
};

TEST_F(ExportCommand, FormatFromTheEnding)
{
    const struct {
        const char *path;
        QByteArray start;
    } cases[] = {{"a.pdf", "%PDF-"}, {"b.html", "<!DOCTYPE html>"}, {"c.HTM", "<!DOCTYPE html>"}};
    for (const auto &one : cases) {
        const CliRun run = kelvo({"export", id, out.filePath(one.path)});
        EXPECT_EQ(run.status, 0) << one.path << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(head(out.filePath(one.path), int(one.start.size())), one.start) << one.path;
    }
    // A Markdown folder from ".md" or a trailing slash.
    for (const char *path : {"d.md", "e/"}) {
        const CliRun run = kelvo({"export", id, out.filePath(path)});
        EXPECT_EQ(run.status, 0) << path << run.err.toStdString();
        EXPECT_EQ(entries(out.filePath(path)), (QStringList{"README.md", "images"})) << path;
        EXPECT_EQ(entries(out.filePath(path) + "/images"), QStringList{"step-1.jpg"});
        EXPECT_EQ(head(out.filePath(path) + "/README.md", 16), "# Print a page\n\n");
    }
}

TEST_F(ExportCommand, FormatFromTheFlagOverTheEnding)
{
    EXPECT_EQ(kelvo({"export", "--format", "html", id, out.filePath("page.txt")}).status, 0);
    EXPECT_EQ(head(out.filePath("page.txt"), 15), "<!DOCTYPE html>");
    EXPECT_EQ(kelvo({"export", id, out.filePath("doc.html"), "--format=pdf"}).status, 0);
    EXPECT_EQ(head(out.filePath("doc.html"), 5), "%PDF-");
    EXPECT_EQ(kelvo({"export", id, out.filePath("Guide"), "--format", "markdown"}).status, 0);
    EXPECT_TRUE(QFile::exists(out.filePath("Guide/README.md")));
}

TEST_F(ExportCommand, ExportPdfIsStillThere)
{
    const CliRun run = kelvo({"export-pdf", id, out.filePath("old.html")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(head(out.filePath("old.html"), 5), "%PDF-"); // always a PDF, whatever the name
}

TEST_F(ExportCommand, WrongUseIsAUsageErrorWithoutAFile)
{
    const QString target = out.filePath("x.html");
    const QList<QStringList> wrong = {
        {"export", QUuid::createUuid().toString(QUuid::WithoutBraces), target}, // unknown id
        {"export", "not-a-uuid", target},
        {"export", id},                                      // no path
        {"export", id, target, "extra"},
        {"export", id, out.filePath("x.docx")},              // no format to tell
        {"export", id, target, "--format", "docx"},
        {"export", id, target, "--format"},
        {"export", id, target, "--colour"},
    };
    for (const QStringList &arguments : wrong) {
        const CliRun run = kelvo(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_TRUE(kelvo(wrong[0]).err.contains("no guide with id"));
    EXPECT_TRUE(kelvo(wrong[4]).err.contains("--format pdf|html|md"));
    EXPECT_TRUE(entries(out.path()).isEmpty());
}

TEST_F(ExportCommand, UnwritableDestinationFailsAndLeavesNothing)
{
    for (const char *path : {"missing/a.pdf", "missing/a.html", "missing/a/"}) {
        const CliRun run = kelvo({"export", id, out.filePath(path)});
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_TRUE(run.err.startsWith("Couldn't ")) << run.err.toStdString();
        EXPECT_TRUE(entries(out.path()).isEmpty()) << path;
    }
}

TEST_F(ExportCommand, AnOccupiedFolderNeedsForceAndAnEarlierExport)
{
    const QString folder = out.filePath("Guide");
    ASSERT_EQ(kelvo({"export", id, folder + "/"}).status, 0);

    const CliRun again = kelvo({"export", id, folder + "/"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("already exists and is not empty")) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains("--force"));

    guide.title = QStringLiteral("Renamed");
    QFile document(data.filePath(id + "/guide.json"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write(*encodeGuide(guide));
    document.close();
    const CliRun forced = kelvo({"export", id, folder + "/", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    EXPECT_EQ(head(folder + "/README.md", 10), "# Renamed\n");
    EXPECT_EQ(entries(out.path()), QStringList{"Guide"});

    // Someone's own files are never replaced.
    QFile mine(out.filePath("Notes/todo.txt"));
    ASSERT_TRUE(QDir().mkpath(out.filePath("Notes")));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    const CliRun refused = kelvo({"export", id, out.filePath("Notes/"), "--force"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("Kelvo did not write")) << refused.err.toStdString();
    EXPECT_EQ(entries(out.filePath("Notes")), QStringList{"todo.txt"});
}

} // namespace
} // namespace kelvo
