// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace kelvo {

enum class MonthStyle { full, abbreviated };

// The locale's long date pattern without the weekday ("MMMM d, yyyy",
// "d. MMMM yyyy"); with MonthStyle::abbreviated the month is shortened ("MMM").
// Qt has no such style of its own.
QString longDateFormatWithoutWeekday(const QLocale &locale, MonthStyle month = MonthStyle::full);

// date in that pattern: "February 3, 2026", "Feb 3, 2026", "3. Februar 2026".
QString longDateWithoutWeekday(const QDate &date, const QLocale &locale, MonthStyle month = MonthStyle::full);

} // namespace kelvo
