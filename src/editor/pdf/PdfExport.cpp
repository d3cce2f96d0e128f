// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/pdf/PdfExport.h"

#include "editor/export/ExportFormat.h"
#include "editor/export/StepImageFile.h"
#include "model/Dates.h"
#include "model/StepCount.h"

#include <QCoreApplication>
#include <QBuffer>

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTransform>

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>

namespace kelvo {

namespace {

// The desktop's UI face through fontconfig; no display needed.
constexpr const char *systemFontFamily = "sans-serif";

struct CairoDeleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct FontDeleter {
    void operator()(PangoFontDescription *font) const { pango_font_description_free(font); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectDeleter>;
using FontPtr = std::unique_ptr<PangoFontDescription, FontDeleter>;

struct Rgb {
    double r, g, b;
};
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{1, 1, 1};
constexpr Rgb gray{0.5, 0.5, 0.5};
constexpr Rgb darkGray{1.0 / 3, 1.0 / 3, 1.0 / 3};

struct TextStyle {
    double pointSize;
    PangoWeight weight;
    Rgb colour;
};

cairo_status_t writeToSaveFile(void *closure, const unsigned char *data, unsigned int length)
{
    auto *file = static_cast<QSaveFile *>(closure);
    const qint64 written = file->write(reinterpret_cast<const char *>(data), qint64(length));
    return written == qint64(length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// The layout cursor of one export: pages, header, steps and footers on a cairo PDF surface.
class PageWriter {
public:
    PageWriter(cairo_surface_t *surface, QSizeF pageSize)
        : surface_(surface)
        , context_(cairo_create(surface))
        , pageSize_(pageSize)
    {
        layout_.reset(pango_cairo_create_layout(context_.get()));
        // One unit is one point, so font sizes are in points.
        PangoContext *pango = pango_layout_get_context(layout_.get());
        pango_cairo_context_set_resolution(pango, 72);
        pango_layout_context_changed(layout_.get());
    }

    bool pageOpen() const { return pageOpen_; }

    void beginPage()
    {
        if (pageOpen_) {
            endPage();
        }
        pageNumber_ += 1;
        // cairo's PDF surface already has its origin top-left with y growing downwards.
        pageOpen_ = true;
        y_ = margin;
    }

    void endDocument()
    {
        if (pageOpen_)
            endPage();
    }

    void endPage()
    {
        drawFooter();
        cairo_show_page(context_.get());
        pageOpen_ = false;
    }

    void drawFooter()
    {
        const TextStyle style{9, PANGO_WEIGHT_NORMAL, gray};
        const QString text = QCoreApplication::translate("kelvo::PdfExport", "Page %1").arg(pageNumber_);
        const double width = setText(text, style, -1).width();
        drawLayout(pageSize_.width() - margin - width, pageSize_.height() - margin + 4, style);
    }

    void drawHeader(const QString &title, const QDateTime &createdAt, qsizetype stepCount)
    {
        const double fullWidth = pageSize_.width() - 2 * margin;
        const TextStyle titleStyle{26, PANGO_WEIGHT_BOLD, black};
        const double h1 = std::ceil(setText(title, titleStyle, fullWidth).height());
        drawLayout(margin, y_, titleStyle);
        y_ += h1 + 6;

        const TextStyle subtitleStyle{11, PANGO_WEIGHT_NORMAL, darkGray};
        const double h2 = std::ceil(setText(pdfSubtitle(createdAt, stepCount), subtitleStyle, fullWidth).height());
        drawLayout(margin, y_, subtitleStyle);
        y_ += h2 + 14;

        cairo_t *cr = context_.get();
        cairo_save(cr);
        cairo_set_line_width(cr, 0.5);
        cairo_set_source_rgba(cr, 0.85, 0.85, 0.85, 1);
        cairo_move_to(cr, margin, y_);
        cairo_line_to(cr, pageSize_.width() - margin, y_);
        cairo_stroke(cr);
        cairo_restore(cr);
        y_ += 24;
    }

    void drawStep(int number, const Step &step, const std::optional<PdfImage> &image)
    {
        const double textWidth = pageSize_.width() - 2 * margin - indent;
        const double contentLimit = pageSize_.height() - margin - footerHeight;
        const double textLeft = margin + indent;

        const TextStyle captionStyle{14, PANGO_WEIGHT_SEMIBOLD, black};
        const double hc = std::ceil(measure(step.caption, captionStyle, textWidth));

        const TextStyle appStyle{10, PANGO_WEIGHT_NORMAL, gray};
        const bool hasAppLine = step.appName && !step.appName->isEmpty();
        const double appTextHeight = hasAppLine ? std::ceil(measure(*step.appName, appStyle, textWidth)) : 0;
        const double ha = hasAppLine ? appTextHeight + 2 : 0;

        double ih = 0;
        double iw = 0;
        double gap = 0;
        const bool usable = image && image->pixelWidth > 0 && image->pixelHeight > 0;
        if (usable) {
            const double aspect = double(image->pixelHeight) / double(image->pixelWidth);
            const double scaled = textWidth * aspect;
            if (scaled > maxImageHeight) {
                ih = maxImageHeight;
                iw = maxImageHeight / aspect;
            } else {
                ih = scaled;
                iw = textWidth;
            }
            gap = ih > 0 ? 10 : 0;
        }

        // A step at the top of a fresh page never moves, even when taller than the page.
        if (y_ > 55) {
            const double block = hc + ha + gap + 28;
            if (y_ + block + ih > contentLimit) {
                const double room = contentLimit - y_ - block;
                if (ih > 0 && room >= minImageHeight) {
                    iw = iw * room / ih;
                    ih = room;
                } else {
                    beginPage();
                }
            }
        }

        cairo_t *cr = context_.get();
        // Badge.
        const double badgeTop = y_ - 1;
        cairo_save(cr);
        cairo_set_source_rgba(cr, 1.0, 0.27, 0.23, 1.0);
        // The last text leaves a current point; an arc would join it with a line.
        cairo_new_path(cr);
        cairo_arc(cr, margin + 13, badgeTop + 13, 13, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_restore(cr);
        const TextStyle badgeStyle{12, PANGO_WEIGHT_BOLD, white};
        const QSizeF numberSize = setText(QString::number(number), badgeStyle, -1);
        drawLayout(margin + 13 - numberSize.width() / 2, badgeTop + 13 - numberSize.height() / 2, badgeStyle);

        setText(step.caption, captionStyle, textWidth);
        drawLayout(textLeft, y_, captionStyle);
        double cursor = y_ + hc;

        if (hasAppLine) {
            setText(*step.appName, appStyle, textWidth);
            drawLayout(textLeft, cursor + 2, appStyle);
            cursor += ha;
        }

        if (usable && ih > 0) {
            cursor += 10;
            drawImage(*image, textLeft, cursor, iw, ih);
            cursor += ih;
        }
        y_ = cursor + 28;
    }

    double y() const { return y_; }

    static constexpr double margin = 54;
    static constexpr double footerHeight = 30;
    static constexpr double indent = 40;
    static constexpr double maxImageHeight = 300;
    static constexpr double minImageHeight = 190;

private:
    // Lays out text in the shared layout; width < 0 = one unwrapped line. Returns
    // the logical size of the laid-out text in points.
    // Text taller than a page is cut to what fits one page, ending in "…".
    QSizeF setText(const QString &text, const TextStyle &style, double width)
    {
        // Nothing that fits one page needs more characters than this; far longer
        // text would only cost time, and pango gives up on hundreds of megabytes.
        constexpr qsizetype maxCharacters = 20000;
        QString bounded = text;
        if (bounded.size() > maxCharacters) {
            qsizetype cut = maxCharacters;
            if (bounded.at(cut - 1).isHighSurrogate())
                --cut;
            bounded = bounded.left(cut) + QChar(0x2026);
        }
        FontPtr font(pango_font_description_new());
        pango_font_description_set_family(font.get(), systemFontFamily);
        pango_font_description_set_weight(font.get(), style.weight);
        pango_font_description_set_absolute_size(font.get(), style.pointSize * PANGO_SCALE);
        pango_layout_set_font_description(layout_.get(), font.get());
        pango_layout_set_wrap(layout_.get(), PANGO_WRAP_WORD_CHAR);
        pango_layout_set_width(layout_.get(), width < 0 ? -1 : int(std::lround(width * PANGO_SCALE)));
        const double pageRoom = pageSize_.height() - 2 * margin - footerHeight - 40;
        pango_layout_set_height(layout_.get(), int(std::lround(pageRoom * PANGO_SCALE)));
        pango_layout_set_ellipsize(layout_.get(), width < 0 ? PANGO_ELLIPSIZE_NONE : PANGO_ELLIPSIZE_END);
        const QByteArray utf8 = bounded.toUtf8();
        pango_layout_set_text(layout_.get(), utf8.constData(), int(utf8.size()));
        PangoRectangle logical;
        pango_layout_get_extents(layout_.get(), nullptr, &logical);
        return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
    }

    double measure(const QString &text, const TextStyle &style, double width)
    {
        return setText(text, style, width).height();
    }

    // Draws the current layout with its top-left corner at (x, y).
    void drawLayout(double x, double y, const TextStyle &style)
    {
        cairo_t *cr = context_.get();
        cairo_save(cr);
        cairo_set_source_rgb(cr, style.colour.r, style.colour.g, style.colour.b);
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, layout_.get());
        cairo_restore(cr);
    }

    void roundedRect(double x, double y, double w, double h, double radius)
    {
        cairo_t *cr = context_.get();
        const double r = std::min({radius, w / 2, h / 2});
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
        cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
        cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
        cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
        cairo_close_path(cr);
    }

    void drawImage(const PdfImage &image, double x, double y, double w, double h)
    {
        // cairo's PDF surface embeds the attached JPEG bytes as the image, taking
        // its pixel size from the JPEG header, and only the pattern matrix from us;
        // the surface's own pixels are never used. A one-pixel stand-in (scaled up
        // by the matrix below) spares a full-size buffer that cairo would otherwise
        // copy into its page snapshot: 1 s and 40 MB more for a 100-step guide.
        // The placement tests render the result and check its pixels.
        const bool embedded = image.pixels.isNull();
        SurfacePtr source;
        if (embedded) {
            source.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
            if (cairo_surface_status(source.get()) != CAIRO_STATUS_SUCCESS)
                return;
            auto *bytes = new QByteArray(image.jpegData);
            const cairo_status_t attached = cairo_surface_set_mime_data(
                source.get(), CAIRO_MIME_TYPE_JPEG, reinterpret_cast<const unsigned char *>(bytes->constData()),
                static_cast<unsigned long>(bytes->size()), [](void *data) { delete static_cast<QByteArray *>(data); },
                bytes);
            if (attached != CAIRO_STATUS_SUCCESS) {
                delete bytes;
                return;
            }
        } else {
            // Qt's RGB32 and premultiplied ARGB32 are cairo's RGB24 and ARGB32 in
            // memory. cairo copies the pixels before the QImage goes.
            source.reset(cairo_image_surface_create_for_data(
                const_cast<uchar *>(image.pixels.constBits()),
                image.pixels.hasAlphaChannel() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, image.pixels.width(),
                image.pixels.height(), int(image.pixels.bytesPerLine())));
            if (cairo_surface_status(source.get()) != CAIRO_STATUS_SUCCESS)
                return;
        }

        // Pattern space from user space: undo the placement and scale, then the
        // file's orientation, then map stored pixels onto the one-pixel stand-in.
        QTransform oriented; // stored pixel -> shown pixel
        const int sw = image.storedWidth;
        const int sh = image.storedHeight;
        const auto t = QImageIOHandler::Transformations(image.transformation);
        if (t & QImageIOHandler::TransformationMirror)
            oriented = oriented * QTransform(-1, 0, 0, 1, sw, 0);
        if (t & QImageIOHandler::TransformationFlip)
            oriented = oriented * QTransform(1, 0, 0, -1, 0, sh);
        if (t & QImageIOHandler::TransformationRotate90)
            oriented = oriented * QTransform(0, 1, -1, 0, sh, 0);
        const QTransform placed = QTransform::fromTranslate(-x, -y)
            * QTransform::fromScale(image.pixelWidth / w, image.pixelHeight / h) * oriented.inverted()
            * (embedded ? QTransform::fromScale(1.0 / sw, 1.0 / sh) : QTransform());
        cairo_matrix_t matrix;
        cairo_matrix_init(&matrix, placed.m11(), placed.m12(), placed.m21(), placed.m22(), placed.dx(), placed.dy());

        cairo_t *cr = context_.get();
        cairo_save(cr);
        roundedRect(x, y, w, h, 6);
        cairo_clip(cr);
        cairo_set_source_surface(cr, source.get(), 0, 0);
        cairo_pattern_set_matrix(cairo_get_source(cr), &matrix);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);

        cairo_save(cr);
        roundedRect(x, y, w, h, 6);
        cairo_set_line_width(cr, 0.5);
        cairo_set_source_rgba(cr, 0.8, 0.8, 0.8, 1);
        cairo_stroke(cr);
        cairo_restore(cr);
    }

    cairo_surface_t *surface_;
    CairoPtr context_;
    LayoutPtr layout_;
    QSizeF pageSize_;
    double y_ = 0;
    int pageNumber_ = 0;
    bool pageOpen_ = false;
};

} // namespace

PDFExportError::PDFExportError(Kind kind)
    : std::runtime_error("Couldn't create the PDF file.")
    , kind_(kind)
{
}

QString PDFExportError::description() const
{
    return QCoreApplication::translate("kelvo::PdfExport", "Couldn't create the PDF file.");
}

std::optional<PdfImage> loadPdfImage(const QString &path)
{
    std::optional<QByteArray> bytes = readStepImageBytes(path);
    if (!bytes)
        return std::nullopt;
    PdfImage image;
    image.jpegData = *bytes;
    QBuffer file(&*bytes);
    file.open(QIODevice::ReadOnly);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    if (reader.format() != "jpeg") {
        reader.setAutoTransform(true);
        const QImage decoded = reader.read();
        file.close();
        image.jpegData.clear();
        if (decoded.isNull())
            return std::nullopt;
        image.pixels = decoded.convertToFormat(decoded.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                        : QImage::Format_RGB32);
        image.pixelWidth = image.storedWidth = image.pixels.width();
        image.pixelHeight = image.storedHeight = image.pixels.height();
        return image;
    }
    const QSize stored = reader.size();
    if (!stored.isValid())
        return std::nullopt;
    image.storedWidth = stored.width();
    image.storedHeight = stored.height();
    image.transformation = int(reader.transformation());
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    image.pixelWidth = turned ? stored.height() : stored.width();
    image.pixelHeight = turned ? stored.width() : stored.height();
    return image;
}

void writePDF(const Guide &guide, const QString &destination, QSizeF pageSize, const PdfImageSource &images)
{
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        throw PDFExportError();

    SurfacePtr surface(cairo_pdf_surface_create_for_stream(writeToSaveFile, &file, pageSize.width(), pageSize.height()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        file.cancelWriting();
        throw PDFExportError();
    }
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, guide.title.toUtf8().constData());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Kelvo");

    {
        PageWriter writer(surface.get(), pageSize);
        writer.beginPage();
        writer.drawHeader(guide.title, guide.createdAt, guide.steps.size());
        for (qsizetype i = 0; i < guide.steps.size(); ++i) {
            // One screenshot in memory at a time.
            const std::optional<PdfImage> image = images ? images(guide.steps[i]) : std::nullopt;
            writer.drawStep(int(i + 1), guide.steps[i], image);
        }
        writer.endDocument();
    }
    cairo_surface_finish(surface.get());
    const bool drawn = cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
    surface.reset();
    // A failed write (full disk, vanished folder) leaves no partial file behind.
    if (!drawn || !file.commit()) {
        file.cancelWriting();
        throw PDFExportError();
    }
}

QString suggestedPDFName(const QString &title)
{
    return suggestedExportName(title, ExportFormat::pdf);
}

QString pdfSubtitle(const QDateTime &createdAt, qsizetype stepCount)
{
    const QLocale locale;
    const QDateTime local = createdAt.toLocalTime();
    const QString when = longDateWithoutWeekday(local.date(), locale) + QLatin1Char(' ')
        + locale.toString(local.time(), QLocale::ShortFormat);
    return when + QStringLiteral("  \u00B7  ") + stepCountText(stepCount);
}

} // namespace kelvo
