// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/updates/Updater.h"

class QWidget;

namespace kelvo {

// Tells the user what a check found. Automatic checks speak only when a newer
// release exists; a check the user asked for always answers.
// The reason under the "Couldn't check for updates." heading, without saying it again.
QString updateErrorDetail(const QString &error);

void showUpdateCheckResult(QWidget *parent, const UpdateCheckResult &result, bool userInitiated,
                           const QString &currentVersion);

} // namespace kelvo
