// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QSettings;

namespace kelvo {

// Makes the settings file readable by its owner only (0600), creating it empty
// when missing, so later writes keep that mode. Failures are logged.
void makeSettingsPrivate(const QSettings &settings);

// Earlier versions set no organisation name, so their settings sit in
// "Unknown Organization/Kelvo.conf". Moves them into `settings` once, when it
// holds nothing yet; the old file goes only after the new one is written.
// Returns false (and logs why) when the old values could not be kept.
bool adoptSettingsOfEarlierVersion(QSettings &settings, const QString &oldFile);

// Where earlier versions kept their settings.
QString earlierSettingsFile();

} // namespace kelvo
