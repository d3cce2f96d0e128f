// `kelvo export-pdf ID FILE`: the guide's PDF, written without a display.
#include "app/cli/Cli.h"

#include "editor/pdf/PdfExport.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <cstdio>

namespace kelvo::cli {

int runExportPdf(const QStringList &arguments)
{
    if (arguments.size() != 2) {
        std::fputs("usage: kelvo export-pdf ID FILE\n", stderr);
        return exitUsage;
    }
    const QUuid id = QUuid::fromString(arguments.at(0));
    QtScheduler scheduler;
    const GuideStore store(scheduler);
    const auto guide = id.isNull() ? std::nullopt : store.guideWithID(id);
    if (!guide) {
        std::fprintf(stderr, "kelvo: no guide with id %s\n", qPrintable(arguments.at(0)));
        return exitUsage;
    }
    auto images = [&](const Step &step) -> std::optional<PdfImage> {
        const auto path = store.imagePath(*guide, step);
        return path ? loadPdfImage(*path) : std::nullopt;
    };
    try {
        writePDF(*guide, arguments.at(1), letterPageSize, images);
    } catch (const PDFExportError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
    return 0;
}

} // namespace kelvo::cli
