// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

class QCoreApplication;

namespace kelvo {

// Installs Kelvo's translation for locale (built into the executable) and Qt's
// own one for its dialogs and shortcuts when the system has it. English needs
// neither. Returns whether Kelvo's translation was found.
bool installTranslations(QCoreApplication &app, const QLocale &locale = QLocale::system());

} // namespace kelvo
