// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace kelvo {

// Decodes the picture shown at `seconds` into the movie (the first one for 0),
// scaled to fit within bound, keeping its shape. A null image when the file is
// missing, unreadable or has no video. Runs on any thread; used for the still
// the editor shows before anything plays, without a media pipeline.
QImage readVideoFrame(const QString &path, double seconds, QSize bound);

} // namespace kelvo
