// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's conventions and the bash completion, run as the user would:
// the real binary, and bash with the completion script loaded.
#include "model/GuideJson.h"
#include "support/KelvoCommand.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

Outcome kelvo(const QStringList &arguments)
{
    const test::CommandRun run = test::runKelvo(arguments);
    EXPECT_TRUE(run.finished) << arguments.join(' ').toStdString();
    return {run.status, QString::fromLocal8Bit(run.out), QString::fromLocal8Bit(run.err)};
}

// The commands `kelvo --help` lists, from its own output.
QStringList listedCommands()
{
    const QString help = kelvo({"--help"}).out;
    const qsizetype start = help.indexOf("Commands:\n");
    EXPECT_GE(start, 0) << help.toStdString();
    QStringList names;
    static const QRegularExpression row(QStringLiteral("^  ([a-z][a-z-]*)"), QRegularExpression::MultilineOption);
    for (const auto &match : row.globalMatch(help.mid(start)))
        names.append(match.captured(1));
    return names;
}

TEST(CommandLine, HelpGoesToStandardOutputAndSucceeds)
{
    for (const QStringList &arguments : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
        const Outcome run = kelvo(arguments);
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.startsWith("usage: kelvo")) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains("--new-recording"));
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    const QStringList names = listedCommands();
    for (const char *name : {"list", "show", "inspect", "export-pdf", "record"})
        EXPECT_TRUE(names.contains(name)) << name;
}

TEST(CommandLine, VersionIsTheProjectVersion)
{
    const Outcome run = kelvo({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.toStdString(), "kelvo " KELVO_VERSION_TEXT "\n");
    EXPECT_TRUE(QRegularExpression("^kelvo \\d+\\.\\d+\\.\\d+\\n$").match(run.out).hasMatch());
}

TEST(CommandLine, EveryCommandHasItsOwnUsageBothWays)
{
    test::TempDataDir data; // `record --help` and friends must run nothing
    for (const QString &name : listedCommands()) {
        SCOPED_TRACE(name.toStdString());
        const Outcome asked = kelvo({"help", name});
        EXPECT_EQ(asked.status, 0);
        EXPECT_TRUE(asked.out.startsWith("usage: kelvo " + name)) << asked.out.toStdString();
        EXPECT_EQ(asked.out.count('\n'), 2) << "the usage and one line of summary";
        for (const char *option : {"--help", "-h"}) {
            const Outcome run = kelvo({name, option});
            EXPECT_EQ(run.status, 0) << option;
            EXPECT_EQ(run.out, asked.out) << option;
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
    }
    // --help anywhere among a command's arguments.
    EXPECT_EQ(kelvo({"show", "some-id", "--help"}).out, kelvo({"help", "show"}).out);
    EXPECT_TRUE(QDir(data.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(CommandLine, MistakesExitTwoWithTheUsageOnStandardError)
{
    const QList<QStringList> mistakes = {
        {"--frobnicate"}, {"-x"}, {"--version", "extra"}, {"--help", "extra"}, {"--new-recording", "now"},
        {"frobnicate"},   {"help", "frobnicate"},         {"help", "list", "show"},
    };
    for (const QStringList &arguments : mistakes) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outcome run = kelvo(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith("kelvo: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("usage: kelvo")) << run.err.toStdString();
    }
    EXPECT_TRUE(kelvo({"--frobnicate"}).err.contains("unknown option '--frobnicate'"));
    EXPECT_TRUE(kelvo({"frobnicate"}).err.contains("unknown command 'frobnicate'"));
}

// Completes the words as bash would at the end of the line; the last word may be empty.
QStringList complete(const QStringList &words)
{
    QString script = QStringLiteral("source '%1/data/completion/kelvo' || exit 3\nCOMP_WORDS=(").arg(KELVO_SOURCE_DIR);
    for (const QString &word : words)
        script += " '" + word + "'";
    script += QStringLiteral(" )\nCOMP_CWORD=%1\n_kelvo\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n").arg(words.size() - 1);
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), script});
    EXPECT_TRUE(bash.waitForFinished(30000));
    EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    QStringList replies = QString::fromLocal8Bit(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    replies.sort();
    return replies;
}

TEST(BashCompletion, CompletesCommandsOptionsAndGuideIds)
{
    test::TempDataDir data;
    Guide first, second;
    first.title = QStringLiteral("First");
    second.title = QStringLiteral("Second");
    first.createdAt = QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
    second.createdAt = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
    QStringList ids;
    for (const Guide &guide : {first, second}) {
        const QString folder = data.filePath(uuidText(guide.id));
        QDir().mkpath(folder);
        QFile file(folder + "/guide.json");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*encodeGuide(guide));
        ids.append(uuidText(guide.id));
    }
    ids.sort();
    const QString program = QStringLiteral(KELVO_BINARY);

    // Every command the binary lists is offered, and `help` with them.
    const QStringList commands = complete({program, ""});
    for (const QString &name : listedCommands())
        EXPECT_TRUE(commands.contains(name)) << name.toStdString();
    EXPECT_TRUE(commands.contains("help"));

    struct Case {
        const char *name;
        QStringList words;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"a prefix", {program, "ex"}, {"export", "export-pdf"}},
        {"options", {program, "--"}, {"--help", "--new-recording", "--version"}},
        {"help's commands", {program, "help", "re"}, {"record"}},
        {"ids for show", {program, "show", ""}, ids},
        {"ids for export-pdf", {program, "export-pdf", ""}, ids},
        {"ids for export", {program, "export", "--format", "pdf", ""}, ids},
        {"an id by prefix", {program, "show", ids.first().left(8)}, {ids.first()}},
        {"one id only", {program, "show", ids.first(), ""}, {}},
        {"formats", {program, "export", ids.first(), "--format", ""}, {"html", "md", "pdf"}},
        {"record's options", {program, "record", "--"}, {"--help", "--no-typing", "--seconds"}},
        {"no guess for seconds", {program, "record", "--seconds", ""}, {}},
        {"inspect's options", {program, "inspect", "10", "20", "--r"}, {"--right"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(complete(c.words), c.expected) << c.name;
}

TEST(BashCompletion, WithoutGuidesOrAReadableDataDirectoryOffersNoIds)
{
    test::TempDataDir data;
    const QString program = QStringLiteral(KELVO_BINARY);
    EXPECT_EQ(complete({program, "show", ""}), QStringList{});
    QFile plain(data.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    qputenv("KELVO_DATA_DIR", QFile::encodeName(data.filePath("plain/guides"))); // under a file: unreadable
    EXPECT_EQ(complete({program, "show", ""}), QStringList{});
}

} // namespace
} // namespace kelvo
