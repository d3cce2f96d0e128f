// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLatin1String>
#include <QSettings>
#include <QString>
#include <QVariant>

namespace kelvo {

// One value of Kelvo's settings file: its key, its type and what it is until set.
template <typename T>
struct Setting {
    const char *key;
    T defaultValue;

    QString name() const { return QString(QLatin1String(key)); }
    T read(const QSettings &settings) const
    {
        return settings.value(name(), QVariant::fromValue(defaultValue)).template value<T>();
    }
    void write(QSettings &settings, const T &value) const { settings.setValue(name(), QVariant::fromValue(value)); }
    // Whether the user (or Kelvo on their behalf) has set it.
    bool isSet(const QSettings &settings) const { return settings.contains(name()); }
};

// Every setting Kelvo keeps, in ~/.config/Kelvo/Kelvo.conf (organisation and
// application name "Kelvo"; the file of versions before is moved there once,
// app/settings/PrivateSettings.h). New settings get a line here.
namespace settings {

// Recording: Kelvo has asked the desktop to switch accessibility on.
inline const Setting<bool> askedAccessibility{"askedAccessibility", false};

// Updates: daily checks, which the user is asked about once; the last check.
inline const Setting<bool> automaticUpdateChecks{"updates/automaticallyChecksForUpdates", false};
inline const Setting<QDateTime> lastUpdateCheck{"updates/lastCheck", QDateTime()};

// Export: the format chosen last (ExportFormat's key).
inline const Setting<QString> exportFormat{"exportFormat", QStringLiteral("pdf")};
// Export: the PDF page size belongs here.

} // namespace settings

} // namespace kelvo
