// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>

namespace kelvo {

// A screenshot as the PDF embeds it: a JPEG file's own bytes, never decoded
// into pixels, so the document stays as small as the screenshots themselves.
// Other image files are decoded and embedded losslessly.
struct PdfImage {
    QByteArray jpegData; // empty when pixels holds the image
    QImage pixels;
    int pixelWidth = 0;  // as shown, after the file's orientation
    int pixelHeight = 0;
    int storedWidth = 0; // as stored in the JPEG stream
    int storedHeight = 0;
    int transformation = 0; // QImageIOHandler::Transformations of the file
};

// Loads a screenshot for embedding: nothing for unreadable files.
std::optional<PdfImage> loadPdfImage(const QString &path);

using PdfImageSource = std::function<std::optional<PdfImage>(const Step &)>;

class PDFExportError : public std::runtime_error {
public:
    enum class Kind { cannotCreateContext };
    explicit PDFExportError(Kind kind = Kind::cannotCreateContext);
    Kind kind() const { return kind_; }
    QString description() const;

private:
    Kind kind_;
};

inline constexpr QSizeF letterPageSize{612, 792};

// Writes the guide as a PDF at destination (atomically: the file appears only when
// complete). Throws PDFExportError when the file cannot be created or written.
void writePDF(const Guide &guide, const QString &destination, QSizeF pageSize, const PdfImageSource &images);

// The title with "/" and ":" replaced by "-", then ".pdf".
QString suggestedPDFName(const QString &title);

// "December 6, 2026 7:08 PM  ·  3 steps" in the user's locale and time zone.
QString pdfSubtitle(const QDateTime &createdAt, qsizetype stepCount);

} // namespace kelvo
