// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingError.h"

#include <QCoreApplication>

#include <cmath>

namespace kelvo {

QString describe(RecordingError error)
{
    switch (error) {
    case RecordingError::displayNotFound:
        return QCoreApplication::translate("kelvo::RecordingSession", "Couldn't find the display to record.");
    }
    return {};
}

QSize captureSize(QSize displayPixels)
{
    constexpr double maxWidth = 3840.0;
    const int w = displayPixels.width();
    const double s = w < 2 ? 1.0 : std::min(1.0, maxWidth / w);
    return QSize(int(std::lround(w * s)), int(std::lround(displayPixels.height() * s)));
}

} // namespace kelvo
