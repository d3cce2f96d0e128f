// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo export ID PATH [--format pdf|html|md] [--force]` and its older name
// `kelvo export-pdf ID FILE`: the guide written without a display.
#include "app/cli/Cli.h"

#include "editor/export/GuideExport.h"
#include "editor/export/MarkdownExport.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <cstdio>

namespace kelvo::cli {

namespace {

constexpr const char *exportUsage = "usage: kelvo export ID PATH [--format pdf|html|md] [--force]\n";

int exportGuideTo(const QString &idText, const QString &destination, ExportFormat format, bool force)
{
    const QUuid id = QUuid::fromString(idText);
    QtScheduler scheduler;
    const GuideStore store(scheduler);
    const auto guide = id.isNull() ? std::nullopt : store.guideWithID(id);
    if (!guide) {
        std::fprintf(stderr, "kelvo: no guide with id %s\n", qPrintable(idText));
        return exitUsage;
    }
    try {
        exportGuide(*guide, destination, format, [&](const Step &step) { return store.imagePath(*guide, step); },
                    force);
    } catch (const MarkdownFolderExists &error) {
        std::fprintf(stderr, "%s Add --force to replace an earlier Kelvo export there.\n",
                     qPrintable(error.message()));
        return 1;
    } catch (const GuideExportError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}

} // namespace

int runExport(const QStringList &arguments)
{
    QStringList positional;
    std::optional<ExportFormat> format;
    bool force = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString value;
        if (argument == QLatin1String("--format") && i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--format="))) {
            value = argument.mid(9);
        } else if (argument == QLatin1String("--format")) {
            std::fprintf(stderr, "kelvo: --format needs pdf, html or md\n%s", exportUsage);
            return exitUsage;
        } else if (argument == QLatin1String("--force")) {
            force = true;
            continue;
        } else if (argument.startsWith(QLatin1String("--")) && argument != QLatin1String("--")) {
            std::fprintf(stderr, "kelvo: unknown option %s\n%s", qPrintable(argument), exportUsage);
            return exitUsage;
        } else {
            positional << argument;
            continue;
        }
        format = exportFormatFromKey(value);
        if (!format) {
            std::fprintf(stderr, "kelvo: unknown format \"%s\"\n%s", qPrintable(value), exportUsage);
            return exitUsage;
        }
    }
    if (positional.size() != 2) {
        std::fputs(exportUsage, stderr);
        return exitUsage;
    }
    if (!format)
        format = exportFormatFromPath(positional.at(1));
    if (!format) {
        std::fprintf(stderr,
                     "kelvo: can't tell the format from \"%s\": end it in .pdf, .html or .md (or / for a Markdown "
                     "folder), or add --format pdf|html|md\n",
                     qPrintable(positional.at(1)));
        return exitUsage;
    }
    return exportGuideTo(positional.at(0), positional.at(1), *format, force);
}

int runExportPdf(const QStringList &arguments)
{
    if (arguments.size() != 2) {
        std::fputs("usage: kelvo export-pdf ID FILE\n", stderr);
        return exitUsage;
    }
    return exportGuideTo(arguments.at(0), arguments.at(1), ExportFormat::pdf, false);
}

} // namespace kelvo::cli
