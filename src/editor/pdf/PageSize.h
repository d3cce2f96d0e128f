// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QSizeF>
#include <QString>

class QSettings;

namespace kelvo {

// PDF pages in points (1/72 inch).
inline constexpr QSizeF a4PageSize{595.2756, 841.8898}; // 210 × 297 mm

enum class PageSizeChoice { automatic, a4, letter };

// Letter where the locale measures in US units, A4 elsewhere. The C locale (no
// locale set) keeps Letter: Qt formats it as US English.
QSizeF automaticPageSize(const QLocale &locale);
QSizeF pageSize(PageSizeChoice choice, const QLocale &locale);

// The user's choice in the settings ("export/pdfPageSize": automatic, a4 or
// letter); anything else reads as automatic.
PageSizeChoice storedPageSizeChoice(const QSettings &settings);
void storePageSizeChoice(QSettings &settings, PageSizeChoice choice);

// The page size a PDF export uses now: the stored choice, for the system locale.
QSizeF chosenPdfPageSize();

// "A4", "US Letter" as the settings show them.
QString pageSizeName(QSizeF size);

} // namespace kelvo
