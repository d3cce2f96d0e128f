#include "editor/export/GuideExport.h"

#include "editor/export/HtmlExport.h"
#include "editor/export/MarkdownExport.h"
#include "editor/pdf/PdfExport.h"
#include "editor/StepImagePipeline.h"

namespace kelvo {

void exportGuide(const Guide &guide, const QString &destination, ExportFormat format,
                 const StepImagePathSource &imagePaths, bool replaceExport)
{
    auto pathOf = [&](const Step &step) -> std::optional<QString> {
        return imagePaths ? imagePaths(step) : std::nullopt;
    };
    // Framed or redacted steps get new pixels, encoded once; the others keep
    // their stored file's bytes.
    auto rendered = [&](const Step &step, const QString &path) -> std::optional<RenderedStepImage> {
        return renderStepImageFile(path, stepImageRecipe(guide, step));
    };
    auto alone = [&](const Step &step) { return stepImageRecipe(guide, step).leavesPictureAlone(); };
    auto fileImage = [&](const Step &step) -> std::optional<StepImageFile> {
        const auto path = pathOf(step);
        if (!path)
            return std::nullopt;
        if (alone(step))
            return loadStepImageFile(*path);
        auto image = rendered(step, *path);
        if (!image)
            return std::nullopt;
        return StepImageFile{std::move(image->jpeg), "image/jpeg", QStringLiteral("jpg"), image->size};
    };
    switch (format) {
    case ExportFormat::pdf:
        try {
            writePDF(guide, destination, letterPageSize, [&](const Step &step) -> std::optional<PdfImage> {
                const auto path = pathOf(step);
                if (!path)
                    return std::nullopt;
                if (alone(step))
                    return loadPdfImage(*path);
                auto image = rendered(step, *path);
                if (!image)
                    return std::nullopt;
                PdfImage pdf;
                pdf.jpegData = std::move(image->jpeg);
                pdf.pixelWidth = pdf.storedWidth = image->size.width();
                pdf.pixelHeight = pdf.storedHeight = image->size.height();
                return pdf;
            });
        } catch (const PDFExportError &error) {
            throw GuideExportError(error.description());
        }
        return;
    case ExportFormat::html:
        writeHTML(guide, destination, fileImage);
        return;
    case ExportFormat::markdown:
        writeMarkdown(guide, destination, fileImage, replaceExport);
        return;
    }
}

} // namespace kelvo
