// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Dates.h"

#include <QRegularExpression>

namespace kelvo {

QString longDateFormatWithoutWeekday(const QLocale &locale, MonthStyle month)
{
    QString format = locale.dateFormat(QLocale::LongFormat);
    if (month == MonthStyle::abbreviated)
        format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    // The weekday with the comma (Latin or Arabic) or dot that follows it.
    static const QRegularExpression weekday(QStringLiteral("dddd[,.\\x{060C}]?\\s*"));
    format.remove(weekday);
    return format.trimmed();
}

QString longDateWithoutWeekday(const QDate &date, const QLocale &locale, MonthStyle month)
{
    return locale.toString(date, longDateFormatWithoutWeekday(locale, month));
}

} // namespace kelvo
