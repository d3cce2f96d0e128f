// SPDX-License-Identifier: GPL-3.0-or-later
// Every read-only command over the hostile data directory: each finishes, says
// what it skipped, reads nothing outside the guides' folders and leaves the tree
// exactly as it was.
#include "model/GuideJson.h"
#include "support/HostileDataDir.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include "support/KelvoCommand.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using test::CommandRun;

CommandRun kelvo(const QString &dataDir, const QStringList &arguments)
{
    return test::runKelvo(arguments, dataDir);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class HostileDataCommands : public ::testing::Test {
protected:
    test::HostileDataDir corpus;
    QTemporaryDir output; // the exported PDFs, away from the tree under test

    void SetUp() override { ASSERT_TRUE(corpus.isValid()) << corpus.error().toStdString(); }
};

TEST_F(HostileDataCommands, ReadOnlyCommandsChangeNothingOnDisk)
{
    const auto before = test::snapshotTree(corpus.rootPath());

    const CommandRun list = kelvo(corpus.dataPath(), {QStringLiteral("list")});
    ASSERT_TRUE(list.finished) << "kelvo list hung";
    EXPECT_EQ(list.status, 0) << list.err.toStdString();
    QStringList ids;
    for (const QByteArray &line : list.out.split('\n')) {
        if (!line.isEmpty())
            ids.append(QString::fromUtf8(line.split('\t').first()));
    }
    EXPECT_EQ(ids, test::HostileDataDir::listedIds());
    // One warning per unreadable guide folder, naming it and the reason.
    const QList<QByteArray> warnings = list.err.trimmed().split('\n');
    EXPECT_EQ(warnings.size(), 6) << list.err.toStdString();
    for (const char *folder : {"damaged", "dev-zero", "far-date", "fifo-document", "no-guide", "oversized"})
        EXPECT_TRUE(list.err.contains(QByteArray("/data/") + folder + ": ")) << folder;

    for (const QString &id : test::HostileDataDir::listedIds()) {
        const CommandRun show = kelvo(corpus.dataPath(), {QStringLiteral("show"), id});
        ASSERT_TRUE(show.finished) << "kelvo show hung on " << id.toStdString();
        EXPECT_EQ(show.status, 0) << id.toStdString() << show.err.toStdString();
        EXPECT_TRUE(decodeGuide(show.out)) << id.toStdString();

        const QString pdf = output.filePath(id + QStringLiteral(".pdf"));
        const CommandRun exported = kelvo(corpus.dataPath(), {QStringLiteral("export-pdf"), id, pdf});
        ASSERT_TRUE(exported.finished) << "kelvo export-pdf hung on " << id.toStdString();
        EXPECT_EQ(exported.status, 0) << id.toStdString() << exported.err.toStdString();
        EXPECT_TRUE(readAll(pdf).startsWith("%PDF")) << id.toStdString();
    }

    EXPECT_EQ(test::snapshotTree(corpus.rootPath()), before) << "a read-only command changed the tree";
}

TEST_F(HostileDataCommands, AScreenshotLinkedFromOutsideIsNotExported)
{
    const QString pdf = output.filePath(QStringLiteral("secret.pdf"));
    const CommandRun run = kelvo(corpus.dataPath(),
                                 {QStringLiteral("export-pdf"), QStringLiteral("A0000005-0000-4000-8000-000000000005"), pdf});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    // JPEGs go into the PDF as they are: the secret's bytes would show up whole.
    const QByteArray secret = readAll(corpus.outsidePath() + QStringLiteral("/secret.jpg"));
    ASSERT_FALSE(secret.isEmpty());
    EXPECT_FALSE(readAll(pdf).contains(secret.mid(secret.size() / 2, 256)));

    // While a screenshot of the guide's own folder is.
    const QString ordinary = output.filePath(QStringLiteral("ordinary.pdf"));
    ASSERT_TRUE(kelvo(corpus.dataPath(), {QStringLiteral("export-pdf"),
                                          QStringLiteral("A0000001-0000-4000-8000-000000000001"), ordinary})
                    .finished);
    const QByteArray own = readAll(corpus.dataPath() + QStringLiteral("/A0000001-0000-4000-8000-000000000001/step-1.jpg"));
    EXPECT_TRUE(readAll(ordinary).contains(own.mid(own.size() / 2, 256)));
}

TEST_F(HostileDataCommands, TitlesReachTheTerminalWithoutControlCharacters)
{
    const CommandRun list = kelvo(corpus.dataPath(), {QStringLiteral("list")});
    ASSERT_TRUE(list.finished);
    for (const char c : list.out) {
        if (c != '\n' && c != '\t') {
            ASSERT_GE(static_cast<unsigned char>(c), 0x20u) << "a raw control character in: " << list.out.toStdString();
        }
    }
    EXPECT_TRUE(list.out.contains("\tBell\\u0007 and \\u001b[31mred\\u001b[0m\n")) << list.out.toStdString();
}

TEST_F(HostileDataCommands, AMissingDataDirectoryStaysMissing)
{
    const QString missing = corpus.rootPath() + QStringLiteral("/not-there");
    const CommandRun list = kelvo(missing, {QStringLiteral("list")});
    ASSERT_TRUE(list.finished);
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace kelvo
