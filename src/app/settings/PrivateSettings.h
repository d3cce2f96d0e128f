#pragma once

class QSettings;

namespace kelvo {

// Makes the settings file readable by its owner only (0600), creating it empty
// when missing, so later writes keep that mode. Failures are logged.
void makeSettingsPrivate(const QSettings &settings);

} // namespace kelvo
