// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/export/ExportFormat.h"

#include <QRegularExpression>

namespace kelvo {

QString exportFormatTitle(ExportFormat format)
{
    switch (format) {
    case ExportFormat::pdf:
        return QStringLiteral("PDF");
    case ExportFormat::html:
        return QStringLiteral("HTML");
    case ExportFormat::markdown:
        return QStringLiteral("Markdown");
    }
    return {};
}

QString exportFormatKey(ExportFormat format)
{
    switch (format) {
    case ExportFormat::pdf:
        return QStringLiteral("pdf");
    case ExportFormat::html:
        return QStringLiteral("html");
    case ExportFormat::markdown:
        return QStringLiteral("md");
    }
    return {};
}

std::optional<ExportFormat> exportFormatFromKey(const QString &key)
{
    const QString lower = key.toLower();
    if (lower == QLatin1String("pdf"))
        return ExportFormat::pdf;
    if (lower == QLatin1String("html") || lower == QLatin1String("htm"))
        return ExportFormat::html;
    if (lower == QLatin1String("md") || lower == QLatin1String("markdown"))
        return ExportFormat::markdown;
    return std::nullopt;
}

std::optional<ExportFormat> exportFormatFromPath(const QString &path)
{
    if (path.endsWith(QLatin1Char('/')))
        return ExportFormat::markdown;
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".pdf")))
        return ExportFormat::pdf;
    if (lower.endsWith(QLatin1String(".html")) || lower.endsWith(QLatin1String(".htm")))
        return ExportFormat::html;
    if (lower.endsWith(QLatin1String(".md")))
        return ExportFormat::markdown;
    return std::nullopt;
}

QString suggestedExportName(const QString &title, ExportFormat format)
{
    static const QRegularExpression separators(QStringLiteral("[/:]"));
    const QString base = QString(title).replace(separators, QStringLiteral("-"));
    switch (format) {
    case ExportFormat::pdf:
        return base + QStringLiteral(".pdf");
    case ExportFormat::html:
        return base + QStringLiteral(".html");
    case ExportFormat::markdown: {
        // A folder named "", "." or ".." would be no folder of its own.
        static const QRegularExpression onlyDots(QStringLiteral("^\\.*$"));
        return onlyDots.match(base).hasMatch() ? QStringLiteral("Guide") : base;
    }
    }
    return base;
}

GuideExportError::GuideExportError(const QString &message)
    : std::runtime_error(message.toStdString())
    , message_(message)
{
}

} // namespace kelvo
