// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"

#include <QByteArray>

#include <optional>

namespace kelvo {

// The guide.json document: two-space pretty printing, " : " between key and value,
// sorted keys, "/" escaped, shortest round-trip numbers, UTC dates without fraction.
// Fails (nothing) only for values JSON cannot hold, such as NaN or infinite numbers.
std::optional<QByteArray> encodeGuide(const Guide &guide);

// Strict reader: every required key present with the right type, unknown keys
// ignored, null optionals read as absent. Any fault fails the whole document.
std::optional<Guide> decodeGuide(const QByteArray &document);

// Date forms used by guide.json.
QString isoDateText(const QDateTime &instant);
std::optional<QDateTime> parseIsoDate(const QString &text);

} // namespace kelvo
