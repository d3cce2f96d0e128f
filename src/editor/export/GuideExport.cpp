// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/export/GuideExport.h"

#include "editor/export/HtmlExport.h"
#include "editor/export/MarkdownExport.h"
#include "editor/pdf/PageSize.h"
#include "editor/pdf/PdfExport.h"
#include "editor/StepImagePipeline.h"

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace kelvo {

namespace {

// Makes the next step's picture on another thread while the writer lays out the
// current one: decoding and encoding framed screenshots is most of an export's
// time. At most one picture waits, so memory stays that of two steps.
template<typename Image>
class LookAhead {
public:
    using Load = std::function<std::optional<Image>(const Step &step, const std::optional<QString> &path)>;

    LookAhead(const QList<Step> &steps, std::function<std::optional<QString>(const Step &)> pathOf, Load load)
        : steps_(steps)
        , pathOf_(std::move(pathOf))
        , load_(std::move(load))
    {
    }
    ~LookAhead()
    {
        if (pending_.isValid())
            pending_.waitForFinished();
    }
    LookAhead(const LookAhead &) = delete;
    LookAhead &operator=(const LookAhead &) = delete;

    std::optional<Image> operator()(const Step &step)
    {
        std::optional<Image> image;
        qsizetype index = -1;
        if (pending_.isValid() && next_ < steps_.size() && steps_[next_].id == step.id) {
            image = pending_.result();
            index = next_;
        } else {
            if (pending_.isValid())
                pending_.waitForFinished();
            image = load_(step, pathOf_(step));
            for (qsizetype i = 0; i < steps_.size() && index < 0; ++i) {
                if (steps_[i].id == step.id)
                    index = i;
            }
        }
        pending_ = QFuture<std::optional<Image>>();
        next_ = index + 1;
        if (index >= 0 && next_ < steps_.size()) {
            // The path is resolved here, on the writer's thread; only file work moves.
            const Step following = steps_[next_];
            pending_ = QtConcurrent::run([load = load_, following, path = pathOf_(following)] {
                return load(following, path);
            });
        }
        return image;
    }

private:
    const QList<Step> &steps_;
    std::function<std::optional<QString>(const Step &)> pathOf_;
    Load load_;
    QFuture<std::optional<Image>> pending_;
    qsizetype next_ = 0;
};

} // namespace

void exportGuide(const Guide &guide, const QString &destination, ExportFormat format,
                 const StepImagePathSource &imagePaths, bool replaceExport)
{
    auto pathOf = [&](const Step &step) -> std::optional<QString> {
        return imagePaths ? imagePaths(step) : std::nullopt;
    };
    // Framed or redacted steps get new pixels, encoded once; the others keep
    // their stored file's bytes.
    const std::optional<Framing> guideFraming = guide.framing;
    auto fileImage = [guideFraming](const Step &step, const std::optional<QString> &path) -> std::optional<StepImageFile> {
        if (!path)
            return std::nullopt;
        const StepImageRecipe recipe = stepImageRecipe(guideFraming, step);
        if (recipe.leavesPictureAlone())
            return loadStepImageFile(*path);
        auto image = renderStepImageFile(*path, recipe);
        if (!image)
            return std::nullopt;
        return StepImageFile{std::move(image->jpeg), "image/jpeg", QStringLiteral("jpg"), image->size};
    };
    auto pdfImage = [guideFraming](const Step &step, const std::optional<QString> &path) -> std::optional<PdfImage> {
        if (!path)
            return std::nullopt;
        const StepImageRecipe recipe = stepImageRecipe(guideFraming, step);
        if (recipe.leavesPictureAlone())
            return loadPdfImage(*path);
        auto image = renderStepImageFile(*path, recipe);
        if (!image)
            return std::nullopt;
        PdfImage pdf;
        pdf.jpegData = std::move(image->jpeg);
        pdf.pixelWidth = pdf.storedWidth = image->size.width();
        pdf.pixelHeight = pdf.storedHeight = image->size.height();
        return pdf;
    };
    switch (format) {
    case ExportFormat::pdf:
        try {
            LookAhead<PdfImage> images(guide.steps, pathOf, pdfImage);
            writePDF(guide, destination, chosenPdfPageSize(), [&](const Step &step) { return images(step); });
        } catch (const PDFExportError &error) {
            throw GuideExportError(error.description());
        }
        return;
    case ExportFormat::html: {
        LookAhead<StepImageFile> images(guide.steps, pathOf, fileImage);
        writeHTML(guide, destination, [&](const Step &step) { return images(step); });
        return;
    }
    case ExportFormat::markdown: {
        LookAhead<StepImageFile> images(guide.steps, pathOf, fileImage);
        writeMarkdown(guide, destination, [&](const Step &step) { return images(step); }, replaceExport);
        return;
    }
    }
}

} // namespace kelvo
