#include "editor/export/GuideExport.h"

#include "editor/export/HtmlExport.h"
#include "editor/export/MarkdownExport.h"
#include "editor/pdf/PageSize.h"
#include "editor/pdf/PdfExport.h"

namespace kelvo {

void exportGuide(const Guide &guide, const QString &destination, ExportFormat format,
                 const StepImagePathSource &imagePaths, bool replaceExport)
{
    auto pathOf = [&](const Step &step) -> std::optional<QString> {
        return imagePaths ? imagePaths(step) : std::nullopt;
    };
    switch (format) {
    case ExportFormat::pdf:
        try {
            writePDF(guide, destination, chosenPdfPageSize(), [&](const Step &step) -> std::optional<PdfImage> {
                const auto path = pathOf(step);
                return path ? loadPdfImage(*path) : std::nullopt;
            });
        } catch (const PDFExportError &error) {
            throw GuideExportError(error.description());
        }
        return;
    case ExportFormat::html:
        writeHTML(guide, destination, [&](const Step &step) -> std::optional<StepImageFile> {
            const auto path = pathOf(step);
            return path ? loadStepImageFile(*path) : std::nullopt;
        });
        return;
    case ExportFormat::markdown:
        writeMarkdown(
            guide, destination,
            [&](const Step &step) -> std::optional<StepImageFile> {
                const auto path = pathOf(step);
                return path ? loadStepImageFile(*path) : std::nullopt;
            },
            replaceExport);
        return;
    }
}

} // namespace kelvo
