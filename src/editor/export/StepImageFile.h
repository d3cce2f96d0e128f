// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace kelvo {

// Screenshots larger than this are not read; no display makes one this big.
inline constexpr qint64 maxStepImageBytes = 64 * 1024 * 1024;

// The bytes of a step's screenshot file: only a regular file, never through a
// symbolic link, never a FIFO or device, at most maxStepImageBytes. Nothing
// otherwise, exactly as for a missing file. Every export reads screenshots here.
std::optional<QByteArray> readStepImageBytes(const QString &path);

// A screenshot as the open formats carry it: the file's own bytes when browsers
// show that format (JPEG, PNG, GIF, WebP), else the image re-encoded as PNG.
struct StepImageFile {
    QByteArray bytes;
    QByteArray mimeType;  // "image/jpeg", ...
    QString extension;    // "jpg", "png", "gif", "webp"
    QSize shownSize;      // in pixels, after the file's orientation
};

// Nothing for unreadable, unknown or empty images.
std::optional<StepImageFile> loadStepImageFile(const QString &path);

using StepImageFileSource = std::function<std::optional<StepImageFile>(const Step &)>;

} // namespace kelvo
