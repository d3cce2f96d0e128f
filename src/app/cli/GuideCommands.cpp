// `kelvo list` and `kelvo show`: read-only views of the data directory.
#include "app/cli/Cli.h"

#include "model/GuideJson.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <QRegularExpression>

#include <cstdio>

namespace kelvo::cli {

namespace {

// Keeps one guide per line whatever the title holds.
QString singleLine(QString text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\t\\r\\n\\x{2028}\\x{2029}]"));
    return text.replace(breaks, QStringLiteral(" "));
}

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

int runList(const QStringList &arguments)
{
    if (!arguments.isEmpty()) {
        std::fputs("usage: kelvo list\n", stderr);
        return exitUsage;
    }
    QtScheduler scheduler;
    const GuideStore store(scheduler);
    QByteArray out;
    for (const Guide &guide : store.guides()) {
        out += uuidText(guide.id).toUtf8() + '\t' + isoDateText(guide.createdAt).toUtf8() + '\t'
            + QByteArray::number(guide.steps.size()) + '\t' + singleLine(guide.title).toUtf8() + '\n';
    }
    writeOut(out);
    return 0;
}

int runShow(const QStringList &arguments)
{
    if (arguments.size() != 1) {
        std::fputs("usage: kelvo show ID\n", stderr);
        return exitUsage;
    }
    const QUuid id = QUuid::fromString(arguments.first());
    QtScheduler scheduler;
    const GuideStore store(scheduler);
    const auto guide = id.isNull() ? std::nullopt : store.guideWithID(id);
    if (!guide) {
        std::fprintf(stderr, "kelvo: no guide with id %s\n", qPrintable(arguments.first()));
        return exitUsage;
    }
    const auto document = encodeGuide(*guide);
    if (!document) {
        std::fprintf(stderr, "kelvo: the guide %s cannot be written as JSON\n", qPrintable(arguments.first()));
        return 1;
    }
    writeOut(*document);
    return 0;
}

} // namespace kelvo::cli
