// SPDX-License-Identifier: GPL-3.0-or-later
// The weekday-less long date every view and export shares.
#include "model/Dates.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

const QDate february3(2026, 2, 3);

TEST(LongDateWithoutWeekday, DropsTheWeekdayAndItsSeparatorInEveryLocale)
{
    struct Case {
        QLocale locale;
        MonthStyle month;
        QString expected;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), MonthStyle::full, QStringLiteral("February 3, 2026")},
        {QLocale(QLocale::English, QLocale::UnitedStates), MonthStyle::abbreviated, QStringLiteral("Feb 3, 2026")},
        {QLocale(QLocale::German, QLocale::Germany), MonthStyle::full, QStringLiteral("3. Februar 2026")},
        {QLocale(QLocale::French, QLocale::France), MonthStyle::full, QStringLiteral("3 février 2026")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(longDateWithoutWeekday(february3, c.locale, c.month), c.expected) << c.locale.name().toStdString();
        EXPECT_FALSE(longDateFormatWithoutWeekday(c.locale, c.month).contains(QLatin1String("ddd")));
    }
}

TEST(LongDateWithoutWeekday, NoLocaleKeepsAWeekdayName)
{
    // Whatever a locale's long pattern looks like, no weekday name survives.
    for (const QLocale &locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const QString date = longDateWithoutWeekday(february3, locale);
        EXPECT_FALSE(date.contains(locale.dayName(2, QLocale::LongFormat))) << locale.name().toStdString() << ": "
                                                                              << date.toStdString();
    }
}

} // namespace
} // namespace kelvo
