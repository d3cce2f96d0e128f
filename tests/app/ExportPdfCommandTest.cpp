// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo export-pdf ID FILE` run as the user would, without a display.
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

using ExportRun = test::CommandRun;

ExportRun kelvoExport(const QStringList &arguments)
{
    return test::runKelvo(QStringList{QStringLiteral("export-pdf")} + arguments);
}

QByteArray pdfInfo(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    process.waitForFinished();
    return process.readAllStandardOutput();
}

class ExportPdfCommand : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir out;
    Guide guide;

    void SetUp() override
    {
        guide.title = QStringLiteral("Print a page");
        guide.createdAt = QDateTime(QDate(2026, 5, 1), QTime(9, 15), Qt::UTC);
        for (int i = 1; i <= 3; ++i) {
            Step step;
            step.caption = QStringLiteral("Step %1").arg(i);
            step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
            guide.steps << step;
        }
        guide.steps[2].imageFileName = QStringLiteral("../escape.jpg"); // never resolved
        const QString folder = data.filePath(uuidText(guide.id));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile document(folder + "/guide.json");
        ASSERT_TRUE(document.open(QIODevice::WriteOnly));
        document.write(*encodeGuide(guide));
        document.close();
        QImage shot(QSize(1600, 1000), QImage::Format_RGB32);
        shot.fill(Qt::darkBlue);
        ASSERT_TRUE(shot.save(folder + "/step-1.jpg", "jpeg"));
        ASSERT_TRUE(shot.save(folder + "/step-2.jpg", "jpeg"));
    }
};

TEST_F(ExportPdfCommand, WritesTheGuidesPdfWithoutADisplay)
{
    const QString file = out.filePath(QStringLiteral("guide.pdf"));
    const ExportRun run = kelvoExport({uuidText(guide.id), file});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QByteArray info = pdfInfo(file);
    EXPECT_TRUE(info.contains("Title:           Print a page\n")) << info.toStdString();
    EXPECT_TRUE(info.contains("Creator:         Kelvo\n"));
    EXPECT_TRUE(info.contains("Pages:           2\n"));
}

TEST_F(ExportPdfCommand, UnknownIdIsAUsageError)
{
    for (const QString &id : {QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("not-a-uuid")}) {
        const ExportRun run = kelvoExport({id, out.filePath(QStringLiteral("x.pdf"))});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains("no guide with id")) << run.err.toStdString();
    }
    EXPECT_EQ(kelvoExport({uuidText(guide.id)}).status, 2);
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("x.pdf"))));
}

TEST_F(ExportPdfCommand, UnwritableDestinationFailsWithoutAFile)
{
    const QString file = out.filePath(QStringLiteral("missing/guide.pdf"));
    const ExportRun run = kelvoExport({uuidText(guide.id), file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.toStdString(), "Couldn't create the PDF file.\n");
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
} // namespace kelvo
