// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo list` and `kelvo show`: read-only views of the data directory.
#include "app/cli/Cli.h"

#include "model/GuideJson.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <QRegularExpression>

#include <cstdio>

namespace kelvo::cli {

namespace {

// Keeps one guide per line whatever the title holds, and keeps the terminal's
// control sequences out of it: other control characters are shown escaped, as
// `show` writes them (\u001b).
QString singleLine(QString text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\t\\r\\n\\x{2028}\\x{2029}]"));
    text.replace(breaks, QStringLiteral(" "));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
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
    // The listing stays as it was; what could not be read is said beside it.
    for (const GuideStore::Problem &problem : store.problems())
        std::fprintf(stderr, "kelvo: skipped %s: %s\n", qPrintable(singleLine(problem.folder)),
                     qPrintable(singleLine(problem.reason)));
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
