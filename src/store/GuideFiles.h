// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kelvo {

// The files Kelvo keeps in a guide's folder, and the only ways it reads and
// removes them: nothing outside the folder is reached through a link, and a
// device or pipe planted under one of these names is never read.
namespace guideFiles {

inline constexpr qint64 maxDocumentBytes = 64 * 1024 * 1024;
inline constexpr qint64 maxImageBytes = 64 * 1024 * 1024;

inline const QString documentName = QStringLiteral("guide.json");
inline const QString videoName = QStringLiteral("video.mov");
// Held by a recording from the folder's creation to its final save.
inline const QString recordingLockName = QStringLiteral("recording.lock");

// "step-" digits ".jpg": the screenshots a recording writes.
bool isStepImageName(const QString &name);
// The names above: what deleting a guide may remove.
bool isKelvoFileName(const QString &name);

// The whole file when path names a regular file (not a link, device, pipe or
// folder) of at most maxBytes; never blocks. Otherwise nothing, with the reason.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, Error *error = nullptr);

// True when path itself (not a link's target) is a regular file.
bool isRegularFile(const QString &path);

// Removes a guide's folder without leaving it: a folder that is a link is
// unlinked and its target left alone; otherwise Kelvo's own files are removed
// one by one and the folder only when that leaves it empty. A folder already
// gone is fine. False, with the reason, when something of Kelvo's stays.
bool removeGuideFolder(const QString &folder, Error *error = nullptr);

// True while a recording (of any Kelvo process) holds the folder's lock.
bool isHeldByRecording(const QString &folder);

} // namespace guideFiles

} // namespace kelvo
