// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kelvo {

bool installTranslations(QCoreApplication &app, const QLocale &locale)
{
    auto *qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    auto *kelvo = new QTranslator(&app);
    if (!kelvo->load(locale, QStringLiteral("kelvo"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        delete kelvo;
        return false;
    }
    QCoreApplication::installTranslator(kelvo);
    return true;
}

} // namespace kelvo
