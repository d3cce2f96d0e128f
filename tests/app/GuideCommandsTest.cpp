// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo list` and `kelvo show`, run as the user would: the real binary.
#include "model/GuideJson.h"
#include "support/KelvoCommand.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using test::CommandRun;

CommandRun kelvo(const QStringList &arguments)
{
    return test::runKelvo(arguments);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

Guide guideAt(const QString &title, int day, int steps)
{
    Guide guide;
    guide.title = title;
    guide.createdAt = QDateTime(QDate(2026, 2, day), QTime(8, 30, 5), Qt::UTC);
    guide.duration = 4.5;
    for (int i = 1; i <= steps; ++i) {
        Step step;
        step.caption = QStringLiteral("Click");
        step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
        guide.steps.append(step);
    }
    return guide;
}

class GuideCommands : public ::testing::Test {
protected:
    test::TempDataDir data;

    void plant(const Guide &guide, const QByteArray &document)
    {
        writeFile(data.filePath(uuidText(guide.id) + "/guide.json"), document);
    }
    void plant(const Guide &guide) { plant(guide, *encodeGuide(guide)); }
};

TEST_F(GuideCommands, ListPrintsOneLinePerGuideNewestFirst)
{
    const Guide older = guideAt("Older", 1, 1);
    const Guide newer = guideAt("Newer\twith\ttabs\nand a line", 2, 3);
    plant(older);
    plant(newer);
    const CommandRun run = kelvo({"list"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QByteArray expected = uuidText(newer.id).toUtf8() + "\t2026-02-02T08:30:05Z\t3\tNewer with tabs and a line\n"
        + uuidText(older.id).toUtf8() + "\t2026-02-01T08:30:05Z\t1\tOlder\n";
    EXPECT_EQ(run.out.toStdString(), expected.toStdString());
}

TEST_F(GuideCommands, ListOfAnEmptyDataDirectoryPrintsNothing)
{
    const CommandRun run = kelvo({"list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(GuideCommands, ShowPrintsTheDocumentAsSaveWritesIt)
{
    const Guide guide = guideAt("Shown / here", 3, 2);
    // Written with lower-case id and extra keys: show prints the canonical form.
    QByteArray document = *encodeGuide(guide);
    document.replace(uuidText(guide.id).toUtf8(), uuidText(guide.id).toLower().toUtf8());
    document.replace("\"duration\" : 4.5", "\"duration\" : 4.50, \"unknown\" : true");
    plant(guide, document);
    const CommandRun run = kelvo({"show", uuidText(guide.id).toLower()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), encodeGuide(guide)->toStdString());
    // Reading changed nothing on disk.
    QFile file(data.filePath(uuidText(guide.id) + "/guide.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), document);
}

TEST_F(GuideCommands, ShowOfAnUnknownOrMalformedIdFailsWithStatusTwo)
{
    plant(guideAt("Present", 1, 0));
    for (const QString &id : {QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("nonsense")}) {
        const CommandRun run = kelvo({"show", id});
        EXPECT_EQ(run.status, 2) << id.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("no guide")) << run.err.toStdString();
    }
}

TEST_F(GuideCommands, UnknownCommandsAndMissingArgumentsShowUsage)
{
    EXPECT_EQ(kelvo({"frobnicate"}).status, 2);
    const CommandRun run = kelvo({"show"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("usage"));
}

} // namespace
} // namespace kelvo
