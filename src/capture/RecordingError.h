// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

namespace kelvo {

// Why a recording could not start, for the user.
enum class RecordingError {
    displayNotFound,
};

QString describe(RecordingError error);

// The size frames and video are captured at: the display's pixel size scaled
// by s = min(1, 3840 / width) (s = 1 for widths below 2), each side rounded to
// the nearest integer, halves away from zero.
QSize captureSize(QSize displayPixels);

} // namespace kelvo
