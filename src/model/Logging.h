// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// One category per subsystem, so failures are logged where they happen and can be
// switched on with QT_LOGGING_RULES ("kelvo.store.debug=true"). Log what failed and
// why, never what was captured (captions, titles, screenshots).
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcCapture)
Q_DECLARE_LOGGING_CATEGORY(lcEditor)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
