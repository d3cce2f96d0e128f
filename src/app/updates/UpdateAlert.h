#pragma once

#include "app/updates/Updater.h"

class QWidget;

namespace kelvo {

// Tells the user what a check found. Automatic checks speak only when a newer
// release exists; a check the user asked for always answers.
void showUpdateCheckResult(QWidget *parent, const UpdateCheckResult &result, bool userInitiated,
                           const QString &currentVersion);

} // namespace kelvo
