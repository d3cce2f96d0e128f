// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

namespace kelvo {

// The forms a guide can be exported in.
enum class ExportFormat { pdf, html, markdown };

// "PDF", "HTML", "Markdown".
QString exportFormatTitle(ExportFormat format);
// "pdf", "html", "md": the command line's --format values and the remembered choice.
QString exportFormatKey(ExportFormat format);
// From a --format value ("markdown" is taken too); nothing for others.
std::optional<ExportFormat> exportFormatFromKey(const QString &key);
// From a destination: ".pdf", ".html" or ".htm", ".md" or a trailing "/" (any case);
// nothing otherwise.
std::optional<ExportFormat> exportFormatFromPath(const QString &path);

// The title with "/" and ":" replaced by "-", then ".pdf" or ".html"; for Markdown
// the folder name alone.
QString suggestedExportName(const QString &title, ExportFormat format);

// A failed export, with the sentence the user sees.
class GuideExportError : public std::runtime_error {
public:
    explicit GuideExportError(const QString &message);
    const QString &message() const { return message_; }

private:
    QString message_;
};

} // namespace kelvo
