// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/pdf/PageSize.h"

#include "editor/pdf/PdfExport.h"

#include <QCoreApplication>
#include <QSettings>

namespace kelvo {

namespace {

const QString choiceKey = QStringLiteral("export/pdfPageSize");

} // namespace

QSizeF automaticPageSize(const QLocale &locale)
{
    if (locale.language() == QLocale::C || locale.measurementSystem() == QLocale::ImperialUSSystem)
        return letterPageSize;
    return a4PageSize;
}

QSizeF pageSize(PageSizeChoice choice, const QLocale &locale)
{
    switch (choice) {
    case PageSizeChoice::a4:
        return a4PageSize;
    case PageSizeChoice::letter:
        return letterPageSize;
    case PageSizeChoice::automatic:
        break;
    }
    return automaticPageSize(locale);
}

PageSizeChoice storedPageSizeChoice(const QSettings &settings)
{
    const QString value = settings.value(choiceKey).toString();
    if (value == QLatin1String("a4"))
        return PageSizeChoice::a4;
    if (value == QLatin1String("letter"))
        return PageSizeChoice::letter;
    return PageSizeChoice::automatic;
}

void storePageSizeChoice(QSettings &settings, PageSizeChoice choice)
{
    switch (choice) {
    case PageSizeChoice::a4:
        settings.setValue(choiceKey, QStringLiteral("a4"));
        return;
    case PageSizeChoice::letter:
        settings.setValue(choiceKey, QStringLiteral("letter"));
        return;
    case PageSizeChoice::automatic:
        settings.remove(choiceKey);
        return;
    }
}

QSizeF chosenPdfPageSize()
{
    return pageSize(storedPageSizeChoice(QSettings()), QLocale::system());
}

QString pageSizeName(QSizeF size)
{
    if (size == letterPageSize)
        return QCoreApplication::translate("kelvo::PageSize", "US Letter");
    return QCoreApplication::translate("kelvo::PageSize", "A4");
}

} // namespace kelvo
