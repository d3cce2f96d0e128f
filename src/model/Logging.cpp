// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Logging.h"

Q_LOGGING_CATEGORY(lcStore, "kelvo.store")
Q_LOGGING_CATEGORY(lcCapture, "kelvo.capture")
Q_LOGGING_CATEGORY(lcEditor, "kelvo.editor")
Q_LOGGING_CATEGORY(lcApp, "kelvo.app")
