// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>

#include <cerrno>

namespace kelvo {

// A failure the user is told about: what went wrong in Kelvo's words, and the
// system's reason when there is one.
struct Error {
    QString text;        // "Couldn't write “…/guide.json”"
    int systemError = 0; // errno, 0 when the failure was not the system's

    // The system's reason (strerror), empty when there is none.
    QString reason() const;
    // The system's reason, or the text when there is none: what follows
    // "Couldn't save your changes: ".
    QString why() const { return systemError != 0 ? reason() : text; }
    // text, then ": " and the reason when there is one.
    QString message() const;

    static Error fromErrno(QString text, int systemError = errno);
};

} // namespace kelvo

Q_DECLARE_METATYPE(kelvo::Error)
